// Volume figures and the console's volume actions over the wire: 22/44, 23/233, 22/51, 87/24,
// 131/3 and 131/4 (console operators only; files open on a dismounted volume go dead).
#include "servednetwork.h"
#include "testnetwork.h"
#include "wirecalls.h"

namespace nw::nwsimd::testing {
namespace {

using namespace ncp;

class WireVolumes : public WireTest {
protected:
    void SetUp() override {
        serve(kNetwork, networkFiles());
        wire = client("JSMITH", "jpass");
    }
    std::unique_ptr<WireClient> wire;
};

TEST_F(WireVolumes, FiguresOfAMountedVolume) {
    auto purge = wire->call<call::GetVolumePurgeInfo>({1});
    ASSERT_TRUE(purge.ok());
    EXPECT_EQ(purge.reply->volumeName, "DATA");
    EXPECT_GT(purge.reply->totalBlocks, 0u);
    EXPECT_LE(purge.reply->freeBlocks, purge.reply->totalBlocks);
    EXPECT_GT(purge.reply->sectorsPerBlock, 0);
    auto info = wire->call<call::GetVolumeInfo>({1});
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info.reply->volumeName, "DATA");
    EXPECT_EQ(info.reply->mounted, 1);
    EXPECT_EQ(info.reply->blockSize, purge.reply->sectorsPerBlock * 512);
    auto extended = wire->call<call::GetExtendedVolumeInfo>({1});
    ASSERT_TRUE(extended.ok());
    EXPECT_EQ(extended.reply->sectorSize, 512u);
    EXPECT_EQ(extended.reply->clusters, purge.reply->totalBlocks);
    EXPECT_EQ(extended.reply->volumeName, "DATA");
    auto spaces = wire->call<call::GetNameSpacesLoaded>({1});
    ASSERT_TRUE(spaces.ok());
    ASSERT_FALSE(spaces.reply->nameSpaces.empty());
    EXPECT_EQ(spaces.reply->nameSpaces.front(), kDos);

    std::uint8_t none = completionOf(VOLUME_DOES_NOT_EXIST);
    EXPECT_EQ(wire->call<call::GetVolumePurgeInfo>({9}).completion, none);
    EXPECT_EQ(wire->call<call::GetVolumeInfo>({9}).completion, none);
    EXPECT_EQ(wire->call<call::GetExtendedVolumeInfo>({9}).completion, none);
    EXPECT_EQ(wire->call<call::GetNameSpacesLoaded>({9}).completion, none);
}

TEST_F(WireVolumes, MountAndDismountForConsoleOperatorsOnly) {
    std::uint8_t refused = completionOf(NO_CONSOLE_PRIVILEGES);
    EXPECT_EQ(wire->call<call::DismountVolume>({"DATA"}).completion, refused);
    EXPECT_EQ(wire->call<call::MountVolume>({"DATA"}).completion, refused);
    auto open =
        openCreate(*wire, volumePath("DATA:SHARED\\budget.txt"), call::open_mode::kOpen, AR_READ);
    ASSERT_TRUE(open.ok());

    auto oper = client("OPER", "op");
    EXPECT_EQ(oper->call<call::DismountVolume>({"data"}).completion, 0);
    EXPECT_EQ(oper->call<call::DismountVolume>({"DATA"}).completion,
              completionOf(VOLUME_DOES_NOT_EXIST));
    EXPECT_EQ(wire->call<call::GetVolumePurgeInfo>({1}).completion,
              completionOf(VOLUME_DOES_NOT_EXIST));
    // The file open on it is dead: reading fails, closing still succeeds.
    EXPECT_EQ(wire->call<call::ReadFile>({fileOf(open), 0, 10}).completion,
              completionOf(INVALID_FILE_HANDLE));
    EXPECT_EQ(wire->call<call::CloseFile>({fileOf(open)}).completion, 0);

    auto mounted = oper->call<call::MountVolume>({"DATA"});
    ASSERT_TRUE(mounted.ok());
    EXPECT_EQ(mounted.reply->volume, 1u);
    EXPECT_TRUE(wire->call<call::GetVolumePurgeInfo>({1}).ok());
    EXPECT_EQ(oper->call<call::MountVolume>({"NONE"}).completion,
              completionOf(VOLUME_DOES_NOT_EXIST));
    EXPECT_EQ(client("ADMIN", "secret")->call<call::DismountVolume>({"SYS"}).completion, 0);
}

// A volume of 4 blocks of 4 KB: writes and copies that would end beyond it answer 0x01.
using WireVolumeSpace = WireTest;

TEST_F(WireVolumeSpace, WritesBeyondTheVolumeAnswerInsufficientSpace) {
    serve(R"({ "workstation": {}, "servers": [ { "name": "FS1",
        "users": [ { "name": "ADMIN", "password": "secret" } ], "supervisors": ["ADMIN"],
        "volumes": [ { "name": "SMALL",
                       "blocks": { "total": 4, "free": 4, "sectorsPerBlock": 8 } } ] } ] })",
          {"volumes/FS1/SMALL/"});
    auto admin = client("ADMIN", "secret");
    admin->negotiate(8192);
    auto made = openCreate(*admin, volumePath("SMALL:big.bin"), call::open_mode::kCreate, 3);
    ASSERT_TRUE(made.ok());
    FileHandle file = fileOf(made);
    EXPECT_EQ(admin->call<call::WriteFile>({file, 0, Bytes(4096, 'a')}).completion, 0);
    EXPECT_EQ(admin->call<call::WriteFile>({file, 16000, Bytes(1000, 'b')}).completion,
              completionOf(INSUFFICIENT_SPACE));
    EXPECT_EQ(admin->call<call::CopyFile>({file, file, 0, 15000, 4096}).completion,
              completionOf(INSUFFICIENT_SPACE));
    // Nothing of the refused writes reached the file.
    EXPECT_EQ(admin->call<call::GetFileSize>({file}).reply->size, 4096u);
}

}  // namespace
}  // namespace nw::nwsimd::testing
