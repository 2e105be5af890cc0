// Open files, their users and their locks over the wire: 23/236 and 23/220, 23/235 and 23/219,
// 23/238 and 23/222, 23/243; the batches and the record to go on from.
#include "ncp/paths.h"
#include "servednetwork.h"
#include "testnetwork.h"

namespace nw::nwsimd::testing {
namespace {

using namespace ncp;

class WireFiles : public WireTest {
protected:
    void SetUp() override {
        serve(kNetwork, networkFiles());
        wire = client("JSMITH", "jpass");
        auto base = wire->call<call::GenerateDirBase>(
            {call::name_space::kLong, call::name_space::kDos, 0,
             *paths::fromVolumePath("DATA:SHARED\\Quarterly Report.xls")});
        ASSERT_TRUE(base.ok());
        volume = base.reply->volume;
        report = base.reply->dosDirBase;
    }

    std::unique_ptr<WireClient> wire;
    std::uint8_t volume = 0;
    std::uint32_t report = 0;
};

TEST_F(WireFiles, StationsUsingAFileInBatches) {
    auto users = wire->call<call::ConnectionsUsingFile>({0, volume, report, 0});
    ASSERT_TRUE(users.ok());
    EXPECT_EQ(users.reply->usage.useCount, 2);
    EXPECT_EQ(users.reply->locked, 1);
    EXPECT_EQ(users.reply->nextRecord, 0);  // complete
    ASSERT_EQ(users.reply->connections.size(), 2u);
    EXPECT_EQ(users.reply->connections[0].connection, 2);
    EXPECT_EQ(users.reply->connections[0].task, 3);
    EXPECT_EQ(users.reply->connections[1].connection, 4);

    // A reply buffer with room for one record: one record per reply, then the next one.
    std::vector<std::uint16_t> seen;
    std::uint16_t next = 0;
    do {
        auto batch = wire->call<call::ConnectionsUsingFile>({0, volume, report, next}, 16 + 18 + 7);
        ASSERT_TRUE(batch.ok());
        ASSERT_EQ(batch.reply->connections.size(), 1u);
        seen.push_back(batch.reply->connections[0].connection);
        next = batch.reply->nextRecord;
    } while (next != 0);
    EXPECT_EQ(seen, (std::vector<std::uint16_t>{2, 4}));

    auto old = wire->call<call::ConnectionsUsingFileOld>({0, 0, "DATA:SHARED\\QUARTE~1.XLS"});
    ASSERT_TRUE(old.ok());
    EXPECT_EQ(old.reply->usage.useCount, 2);
    ASSERT_EQ(old.reply->connections.size(), 2u);

    // A file nobody has open; a directory; an entry that does not exist; a volume that does
    // not exist.
    auto budget = wire->call<call::GenerateDirBase>(
        {4, 0, 0, *paths::fromVolumePath("DATA:SHARED\\budget.txt")});
    ASSERT_TRUE(budget.ok());
    auto nobody = wire->call<call::ConnectionsUsingFile>({0, volume, budget.reply->dosDirBase, 0});
    ASSERT_TRUE(nobody.ok());
    EXPECT_TRUE(nobody.reply->connections.empty());
    EXPECT_EQ(wire->call<call::ConnectionsUsingFile>({0, volume, 0, 0}).completion,
              completion::kFailure);
    EXPECT_EQ(wire->call<call::ConnectionsUsingFile>({0, volume, 999999, 0}).completion,
              completionOf(INVALID_PATH));
    EXPECT_EQ(wire->call<call::ConnectionsUsingFile>({0, 77, report, 0}).completion,
              completionOf(VOLUME_DOES_NOT_EXIST));
}

TEST_F(WireFiles, OpenFilesOfAStation) {
    auto files = wire->call<call::ConnectionOpenFiles>({2, 0});
    ASSERT_TRUE(files.ok());
    EXPECT_EQ(files.reply->nextRecord, 0);
    ASSERT_EQ(files.reply->files.size(), 2u);
    EXPECT_EQ(files.reply->files[0].name, "QUARTE~1.XLS");
    EXPECT_EQ(files.reply->files[0].task, 3);
    EXPECT_EQ(files.reply->files[0].volume, volume);
    EXPECT_EQ(files.reply->files[0].dirEntry, report);
    EXPECT_EQ(files.reply->files[1].name, "LOGIN.EXE");
    // Where the first file lies: 23/243 maps its parent's number to the path.
    auto path = wire->call<call::MapDirectoryNumberToPath>(
        {files.reply->files[0].volume, files.reply->files[0].parent, 0});
    ASSERT_TRUE(path.ok());
    EXPECT_EQ(path.reply->components, std::vector<std::string>{"SHARED"});
    auto longPath = wire->call<call::MapDirectoryNumberToPath>({volume, report, 4});
    ASSERT_TRUE(longPath.ok());
    EXPECT_EQ(longPath.reply->components,
              (std::vector<std::string>{"SHARED", "Quarterly Report.xls"}));
    EXPECT_EQ(wire->call<call::MapDirectoryNumberToPath>({volume, 999999, 0}).completion,
              completionOf(INVALID_PATH));
    EXPECT_EQ(wire->call<call::MapDirectoryNumberToPath>({volume, report, 2}).completion,
              completionOf(INVALID_NAME_SPACE));

    auto second = wire->call<call::ConnectionOpenFiles>({2, 1});
    ASSERT_TRUE(second.ok());
    ASSERT_EQ(second.reply->files.size(), 1u);
    EXPECT_EQ(second.reply->files[0].name, "LOGIN.EXE");
    auto old = wire->call<call::ConnectionOpenFilesOld>({2, 0});
    ASSERT_TRUE(old.ok());
    ASSERT_EQ(old.reply->files.size(), 2u);
    EXPECT_EQ(old.reply->files[1].name, "LOGIN.EXE");
    auto none = wire->call<call::ConnectionOpenFiles>({6, 0});
    ASSERT_TRUE(none.ok());
    EXPECT_TRUE(none.reply->files.empty());
    EXPECT_EQ(wire->call<call::ConnectionOpenFiles>({7, 0}).completion,
              completionOf(BAD_STATION_NUMBER));
}

TEST_F(WireFiles, RecordLocksOfAFile) {
    auto locks = wire->call<call::PhysicalLocksByFile>({0, volume, report, 0});
    ASSERT_TRUE(locks.ok());
    ASSERT_EQ(locks.reply->locks.size(), 2u);
    EXPECT_EQ(locks.reply->locks[0].recordStart, 0u);
    EXPECT_EQ(locks.reply->locks[0].recordEnd, 511u);
    EXPECT_EQ(locks.reply->locks[0].connection, 2);
    EXPECT_EQ(locks.reply->locks[0].task, 3);  // the open file's task
    EXPECT_EQ(locks.reply->locks[1].lockType, 255);
    auto batch = wire->call<call::PhysicalLocksByFile>({0, volume, report, 0}, 16 + 4 + 16);
    ASSERT_TRUE(batch.ok());
    EXPECT_EQ(batch.reply->locks.size(), 1u);
    EXPECT_EQ(batch.reply->nextRecord, 1);
    auto old = wire->call<call::PhysicalLocksByFileOld>({0, 0, "DATA:SHARED\\QUARTE~1.XLS"});
    ASSERT_TRUE(old.ok());
    EXPECT_EQ(old.reply->locks, locks.reply->locks);
}

TEST_F(WireFiles, OnlyLoggedInCallersWatchStations) {
    auto anonymous = client();
    std::uint8_t refused = completion::kNoConsoleRights;
    EXPECT_EQ(anonymous->call<call::ConnectionsUsingFile>({0, volume, report, 0}).completion,
              refused);
    EXPECT_EQ(anonymous->call<call::ConnectionOpenFiles>({2, 0}).completion, refused);
    EXPECT_EQ(anonymous->call<call::PhysicalLocksByFile>({0, volume, report, 0}).completion,
              refused);
    EXPECT_EQ(anonymous->call<call::MapDirectoryNumberToPath>({volume, report, 0}).completion,
              refused);
    EXPECT_EQ(anonymous->call<call::ConnectionsUsingFileOld>({0, 0, "DATA:SHARED\\X"}).completion,
              refused);
}

}  // namespace
}  // namespace nw::nwsimd::testing
