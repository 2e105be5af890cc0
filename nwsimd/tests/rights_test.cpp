// Trustees, space restrictions and deleted files over the wire: 87/5, 87/10, 87/11; 22/32,
// 22/33, 22/34, 22/41; 22/35, 22/36; 87/16, 87/17, 87/18.
#include <set>

#include "servednetwork.h"
#include "testnetwork.h"
#include "wirecalls.h"

namespace nw::nwsimd::testing {
namespace {

using namespace ncp;
namespace mode = call::open_mode;

class WireRights : public WireTest {
protected:
    void SetUp() override {
        serve(kNetwork, networkFiles());
        admin = client("ADMIN", "secret");
        jsmith = client("JSMITH", "jpass");
        inModel([&](sim::ServerModel& m) {
            m.objectId(*m.net().servers[0], "JSMITH", BINDERY_USER, jsmithId);
            m.objectId(*m.net().servers[0], "GUEST", BINDERY_USER, guestId);
        });
    }

    std::vector<call::Trustee> trusteesOf(WireClient& wire, const char* path,
                                          std::uint8_t* completion = nullptr) {
        std::vector<call::Trustee> all;
        call::ScanTrustees::Request request{kLong, 0x8006, 0, volumePath(path)};
        for (int guard = 0; guard < 100; ++guard) {
            auto scan = wire.call<call::ScanTrustees>(request);
            if (completion != nullptr)
                *completion = scan.completion;
            if (!scan.ok())
                break;
            all.insert(all.end(), scan.reply->trustees.begin(), scan.reply->trustees.end());
            request.sequence = scan.reply->sequence;
        }
        return all;
    }

    std::unique_ptr<WireClient> admin;
    std::unique_ptr<WireClient> jsmith;
    std::uint32_t jsmithId = 0;
    std::uint32_t guestId = 0;
};

TEST_F(WireRights, Trustees) {
    std::uint8_t end = 0;
    auto shared = trusteesOf(*admin, "DATA:SHARED", &end);
    ASSERT_EQ(shared.size(), 1u);
    EXPECT_EQ(shared[0].objectId, jsmithId);
    EXPECT_EQ(shared[0].rights, TR_READ | TR_FILE_SCAN);
    EXPECT_EQ(end, completionOf(INVALID_PATH));  // 0x9C after the last
    EXPECT_TRUE(trusteesOf(*admin, "DATA:EMPTY\\").size() == 1);

    // Two at once; the request's mask limits their rights.
    ASSERT_EQ(admin
                  ->call<call::AddTrustees>({kLong,
                                             0x8006,
                                             TR_ALL & ~TR_SUPERVISOR,
                                             volumePath("DATA:SHARED\\budget.txt"),
                                             {{jsmithId, TR_ALL}, {guestId, TR_READ}}})
                  .completion,
              0);
    auto file = trusteesOf(*admin, "DATA:SHARED\\budget.txt");
    ASSERT_EQ(file.size(), 2u);
    std::set<std::pair<std::uint32_t, std::uint16_t>> got;
    for (const auto& t : file)
        got.insert({t.objectId, t.rights});
    EXPECT_TRUE(got.count({jsmithId, TR_ALL & ~TR_SUPERVISOR}));
    EXPECT_TRUE(got.count({guestId, TR_READ}));

    // Without Access Control, JSMITH changes nothing; unknown objects and paths are refused.
    EXPECT_NE(jsmith
                  ->call<call::AddTrustees>(
                      {kLong, 0x8006, 0xFFFF, volumePath("DATA:EMPTY"), {{guestId, TR_READ}}})
                  .completion,
              0);
    EXPECT_EQ(admin
                  ->call<call::AddTrustees>(
                      {kLong, 0x8006, 0xFFFF, volumePath("DATA:SHARED"), {{0x7777, TR_READ}}})
                  .completion,
              completionOf(NO_SUCH_OBJECT));
    EXPECT_EQ(admin
                  ->call<call::AddTrustees>(
                      {kLong, 0x8006, 0xFFFF, volumePath("DATA:NONE"), {{guestId, TR_READ}}})
                  .completion,
              completionOf(INVALID_PATH));
    EXPECT_EQ(
        jsmith->call<call::DeleteTrustees>({kLong, volumePath("DATA:SHARED"), {{jsmithId, 0}}})
            .completion,
        completionOf(NO_MODIFY_PRIVILEGES));
    ASSERT_EQ(admin
                  ->call<call::DeleteTrustees>(
                      {kLong, volumePath("DATA:SHARED\\budget.txt"), {{guestId, 0}}})
                  .completion,
              0);
    EXPECT_EQ(trusteesOf(*admin, "DATA:SHARED\\budget.txt").size(), 1u);
    EXPECT_EQ(admin
                  ->call<call::DeleteTrustees>(
                      {kLong, volumePath("DATA:SHARED\\budget.txt"), {{guestId, 0}}})
                  .completion,
              completionOf(TRUSTEE_NOT_FOUND));
}

TEST_F(WireRights, UserSpaceRestrictions) {
    ASSERT_EQ(admin->call<call::SetObjectRestriction>({1, {jsmithId, 250}}).completion, 0);
    auto mine = admin->call<call::GetObjectRestriction>({1, jsmithId});
    ASSERT_TRUE(mine.ok());
    EXPECT_EQ(mine.reply->restriction, 250u);
    auto scan = admin->call<call::ScanVolumeRestrictions>({1, 0});
    ASSERT_TRUE(scan.ok());
    ASSERT_EQ(scan.reply->entries.size(), 1u);
    EXPECT_EQ(scan.reply->entries[0].objectId, jsmithId);
    EXPECT_EQ(scan.reply->entries[0].restriction, 250u);
    auto after = admin->call<call::ScanVolumeRestrictions>({1, 1});
    ASSERT_TRUE(after.ok());
    EXPECT_TRUE(after.reply->entries.empty());

    EXPECT_NE(jsmith->call<call::SetObjectRestriction>({1, {jsmithId, 99999}}).completion, 0);
    EXPECT_NE(jsmith->call<call::RemoveObjectRestriction>({1, jsmithId}).completion, 0);
    ASSERT_EQ(admin->call<call::RemoveObjectRestriction>({1, jsmithId}).completion, 0);
    EXPECT_EQ(admin->call<call::RemoveObjectRestriction>({1, jsmithId}).completion,
              completionOf(TRUSTEE_NOT_FOUND));
    auto none = admin->call<call::GetObjectRestriction>({1, jsmithId});
    ASSERT_TRUE(none.ok());
    EXPECT_EQ(none.reply->restriction, NW_NO_VOLUME_RESTRICTION);
    EXPECT_EQ(admin->call<call::GetObjectRestriction>({9, jsmithId}).completion,
              completionOf(VOLUME_DOES_NOT_EXIST));
}

TEST_F(WireRights, DirectorySpaceLimits) {
    auto handle = admin->call<call::AllocShortDirHandle>({kLong, 0, volumePath("DATA:SHARED")});
    ASSERT_TRUE(handle.ok());
    std::uint8_t h = handle.reply->dirHandle;
    ASSERT_EQ(admin->call<call::SetDirSpaceLimit>({h, 100}).completion, 0);
    auto limits = admin->call<call::GetDirSpaceLimitsOld>({h});
    ASSERT_TRUE(limits.ok());
    ASSERT_EQ(limits.reply->limits.size(), 2u);  // SHARED, then the volume root
    EXPECT_EQ(limits.reply->limits[0].level, 0);
    EXPECT_EQ(limits.reply->limits[0].maxSpace, 100u);
    EXPECT_EQ(limits.reply->limits[1].maxSpace, 0x7FFFFFFFu);
    ASSERT_EQ(admin->call<call::SetDirSpaceLimit>({h, 0}).completion, 0);
    EXPECT_EQ(admin->call<call::GetDirSpaceLimitsOld>({h}).reply->limits[0].maxSpace, 0x7FFFFFFFu);

    auto mine = jsmith->call<call::AllocShortDirHandle>({kLong, 0, volumePath("DATA:SHARED")});
    ASSERT_TRUE(mine.ok());
    EXPECT_EQ(jsmith->call<call::SetDirSpaceLimit>({mine.reply->dirHandle, 5}).completion,
              completionOf(NO_MODIFY_PRIVILEGES));
    EXPECT_EQ(admin->call<call::SetDirSpaceLimit>({250, 5}).completion,
              completionOf(BAD_DIRECTORY_HANDLE));
    EXPECT_EQ(admin->call<call::GetDirSpaceLimitsOld>({250}).completion,
              completionOf(BAD_DIRECTORY_HANDLE));
}

TEST_F(WireRights, SalvageAndPurge) {
    for (const char* name : {"DATA:SHARED\\one.txt", "DATA:SHARED\\two.txt"}) {
        auto made = openCreate(*admin, volumePath(name), mode::kCreate, 3);
        ASSERT_TRUE(made.ok());
        admin->call<call::WriteFile>({fileOf(made), 0, bytesOf(name)});
        admin->call<call::CloseFile>({fileOf(made)});
        ASSERT_EQ(admin->call<call::DeleteEntry>({kLong, 0x8006, volumePath(name)}).completion, 0);
    }
    auto scanAll = [&](WireClient& wire) {
        std::vector<call::ScanSalvageable::Reply> found;
        call::ScanSalvageable::Request request;
        request.nameSpace = kLong;
        request.path = volumePath("DATA:SHARED");
        for (int guard = 0; guard < 100; ++guard) {
            auto scan = wire.call<call::ScanSalvageable>(request);
            if (!scan.ok())
                break;
            found.push_back(*scan.reply);
            request.sequence = scan.reply->sequence;
        }
        return found;
    };
    auto deleted = scanAll(*admin);
    ASSERT_EQ(deleted.size(), 2u);
    std::set<std::string> names;
    for (const auto& d : deleted) {
        names.insert(d.info.name);
        EXPECT_EQ(d.volume, 1u);
    }
    EXPECT_EQ(names, (std::set<std::string>{"one.txt", "two.txt"}));
    const auto& one = deleted[0].info.name == "one.txt" ? deleted[0] : deleted[1];
    const auto& two = deleted[0].info.name == "one.txt" ? deleted[1] : deleted[0];

    // Recover under another name; a name that is no single entry name is refused.
    call::SalvageTarget target{kLong, one.sequence, one.volume, one.dirBase};
    for (const char* bad : {"..\\x", "EMPTY\\x", "a/b", "DATA:x", ".."}) {
        EXPECT_NE(admin->call<call::RecoverSalvageable>({target, bad}).completion, 0) << bad;
    }
    EXPECT_EQ(admin->call<call::RecoverSalvageable>({target, "EMPTY\\x"}).completion,
              completionOf(INVALID_FILENAME));
    ASSERT_EQ(admin->call<call::RecoverSalvageable>({target, "back.txt"}).completion, 0);
    auto back = openCreate(*admin, volumePath("DATA:SHARED\\back.txt"), mode::kOpen, AR_READ);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(readAll(*admin, fileOf(back)), "DATA:SHARED\\one.txt");

    // JSMITH (no Erase) purges nothing; ADMIN purges; it is gone for good.
    call::SalvageTarget purge{kLong, two.sequence, two.volume, two.dirBase};
    EXPECT_NE(jsmith->call<call::PurgeSalvageable>(purge).completion, 0);
    ASSERT_EQ(admin->call<call::PurgeSalvageable>(purge).completion, 0);
    EXPECT_NE(admin->call<call::PurgeSalvageable>(purge).completion, 0);
    EXPECT_TRUE(scanAll(*admin).empty());
    call::SalvageTarget nowhere{kLong, 1, 1, 999999};
    EXPECT_EQ(admin->call<call::PurgeSalvageable>(nowhere).completion, completionOf(INVALID_PATH));
}

}  // namespace
}  // namespace nw::nwsimd::testing
