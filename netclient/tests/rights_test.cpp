// Effective rights, trustees and the space restrictions of users: who may change what.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "volume_network.h"

namespace {

using namespace nw;
using testnet::VolumeTest;

using Rights = VolumeTest;

constexpr nuint16 kRF = TR_READ | TR_FILE_SCAN;
constexpr nuint16 kRWCEMF = TR_READ | TR_WRITE | TR_CREATE | TR_ERASE | TR_MODIFY | TR_FILE_SCAN;

nuint32 idOf(sim::SimClient& sim, NWCONN_HANDLE conn, const char* user) {
    nuint32 id = 0;
    EXPECT_EQ(sim.GetBinderyObjectID(conn, user, BINDERY_USER, &id), SUCCESSFUL) << user;
    return id;
}

TEST_F(Rights, FlowDownTheTreeThroughInheritedRightsMasks) {
    EXPECT_EQ(rights(admin, "SYS:"), TR_ALL);  // supervisor-equivalent
    EXPECT_EQ(rights(jsmith, "SYS:"), 0);
    EXPECT_EQ(rights(jsmith, "SYS:PUBLIC"), kRF);  // through the container SALES.ACME
    EXPECT_EQ(rights(jsmith, "SYS:PUBLIC\\LOGIN.EXE"), kRF);
    EXPECT_EQ(rights(jsmith, "SYS:HOME\\JSMITH\\notes.txt"), kRWCEMF);
    EXPECT_EQ(rights(guest, "SYS:PUBLIC"), 0);  // a user the tree does not know

    // A mask filters what comes from above; an assignment on the entry replaces it.
    NW_ENTRY_INFO mask = info("SYS:HOME\\JSMITH\\notes.txt");
    mask.inheritedRightsMask = TR_READ;
    ASSERT_EQ(sim().ModifyEntryInfo(admin, NW_NS_LONG, 0x8006, "SYS:HOME\\JSMITH\\notes.txt",
                                    DM_INHERITED_RIGHTS_MASK, &mask),
              SUCCESSFUL);
    EXPECT_EQ(rights(jsmith, "SYS:HOME\\JSMITH\\notes.txt"), TR_READ);
    nuint32 jsmithId = idOf(sim(), admin, "JSMITH");
    ASSERT_EQ(sim().AddTrusteeToEntry(admin, NW_NS_LONG, "SYS:HOME\\JSMITH\\notes.txt", jsmithId,
                                      TR_WRITE),
              SUCCESSFUL);
    EXPECT_EQ(rights(jsmith, "SYS:HOME\\JSMITH\\notes.txt"), TR_WRITE);

    // Supervisor grants everything below, whatever the masks say.
    ASSERT_EQ(sim().AddTrusteeToEntry(admin, NW_NS_LONG, "SYS:HOME", jsmithId, TR_SUPERVISOR),
              SUCCESSFUL);
    EXPECT_EQ(rights(jsmith, "SYS:HOME\\JSMITH\\notes.txt"), TR_ALL);
    EXPECT_EQ(rights(jsmith, "SYS:HOME\\MBROWN"), TR_ALL);
}

TEST_F(Rights, TrusteesAreAddedReplacedAndRemovedByThoseWithAccessControl) {
    nuint32 jsmithId = idOf(sim(), admin, "JSMITH");
    nuint32 guestId = idOf(sim(), admin, "GUEST");
    const char* path = "SYS:HOME\\MBROWN";
    EXPECT_EQ(sim().AddTrusteeToEntry(admin, NW_NS_LONG, path, jsmithId, kRF), SUCCESSFUL);
    EXPECT_EQ(rights(jsmith, path), kRF);
    EXPECT_EQ(sim().AddTrusteeToEntry(admin, NW_NS_LONG, path, guestId, TR_READ), SUCCESSFUL);
    EXPECT_EQ(sim().AddTrusteeToEntry(admin, NW_NS_LONG, path, jsmithId, kRF | TR_WRITE | 0x8000),
              SUCCESSFUL);  // replaces; bits that are no rights are dropped

    nuint32 it = 0;
    TRUSTEE_SET set;
    ASSERT_EQ(sim().ScanEntryTrustees(admin, NW_NS_LONG, path, &it, &set), SUCCESSFUL);
    ASSERT_EQ(set.count, 2);
    EXPECT_EQ(set.trustees[0].objectID, jsmithId);
    EXPECT_EQ(set.trustees[0].objectRights, kRF | TR_WRITE);
    EXPECT_EQ(set.trustees[1].objectID, guestId);
    EXPECT_EQ(sim().ScanEntryTrustees(admin, NW_NS_LONG, path, &it, &set), FAILURE);

    EXPECT_EQ(sim().AddTrusteeToEntry(admin, NW_NS_LONG, path, 31337, kRF), NO_SUCH_OBJECT);
    EXPECT_EQ(sim().AddTrusteeToEntry(jsmith, NW_NS_LONG, path, guestId, kRF),
              NO_MODIFY_PRIVILEGES);
    EXPECT_EQ(sim().DeleteTrusteeFromEntry(jsmith, NW_NS_LONG, path, guestId),
              NO_MODIFY_PRIVILEGES);
    EXPECT_EQ(sim().DeleteTrusteeFromEntry(admin, NW_NS_LONG, path, guestId), SUCCESSFUL);
    EXPECT_EQ(sim().DeleteTrusteeFromEntry(admin, NW_NS_LONG, path, guestId), TRUSTEE_NOT_FOUND);
    EXPECT_EQ(sim().AddTrusteeToEntry(admin, NW_NS_LONG, "SYS:NOPE", guestId, kRF), INVALID_PATH);

    // Access Control lets JSMITH hand out rights, but not Supervisor.
    EXPECT_EQ(sim().AddTrusteeToEntry(admin, NW_NS_LONG, path, jsmithId, TR_ACCESS_CONTROL),
              SUCCESSFUL);
    EXPECT_EQ(sim().AddTrusteeToEntry(jsmith, NW_NS_LONG, path, guestId, kRF), SUCCESSFUL);
    EXPECT_EQ(sim().AddTrusteeToEntry(jsmith, NW_NS_LONG, path, guestId, TR_SUPERVISOR),
              NO_MODIFY_PRIVILEGES);
    // A container of the tree can be a trustee too.
    nuint32 sales = 0;
    ASSERT_EQ(sim().MapDirectoryNameToId(admin, "SALES.ACME", &sales), SUCCESSFUL);
    EXPECT_EQ(sim().AddTrusteeToEntry(admin, NW_NS_LONG, "SYS:HOME", sales, TR_FILE_SCAN),
              SUCCESSFUL);
    EXPECT_EQ(rights(jsmith, "SYS:HOME"), TR_FILE_SCAN);
}

TEST(RightsSets, TrusteesComeInSetsOfTwenty) {
    std::string users;
    for (int i = 0; i < 25; ++i)
        users += (i ? ", \"U" : "\"U") + std::to_string(i) + "\"";
    testnet::TestNetwork net(R"({"workstation": {"connections": [{"server": "FS1", "user":
        "SUPERVISOR", "station": 1}]}, "servers": [{"name": "FS1", "users": [)" +
                                 users + R"(], "volumes": [{"name": "SYS"}]}]})",
                             {"volumes/FS1/SYS/"});
    NWCONN_HANDLE h = net.open(1);
    for (int i = 0; i < 25; ++i) {
        nuint32 id = idOf(net.client(), h, ("U" + std::to_string(i)).c_str());
        ASSERT_EQ(net.client().AddTrusteeToEntry(h, NW_NS_LONG, "SYS:", id, TR_READ), SUCCESSFUL);
    }
    nuint32 it = 0;
    TRUSTEE_SET set;
    std::vector<int> counts;
    while (net.client().ScanEntryTrustees(h, NW_NS_LONG, "SYS:", &it, &set) == SUCCESSFUL)
        counts.push_back(set.count);
    EXPECT_EQ(counts, (std::vector<int>{20, 5}));

    // Twenty-five restricted users come in answers of 12, 12 and 1.
    for (int i = 0; i < 25; ++i) {
        nuint32 id = idOf(net.client(), h, ("U" + std::to_string(i)).c_str());
        ASSERT_EQ(net.client().SetObjectVolumeRestriction(h, 0, id, static_cast<nuint32>(i)),
                  SUCCESSFUL);
    }
    counts.clear();
    VOLUME_RESTRICTIONS answer;
    nuint32 sequence = 0;
    do {
        ASSERT_EQ(net.client().ScanVolumeRestrictions(h, 0, sequence, &answer), SUCCESSFUL);
        counts.push_back(answer.numberOfEntries);
        sequence += answer.numberOfEntries;
    } while (answer.numberOfEntries == NW_MAX_RESTRICTIONS_PER_ANSWER);
    EXPECT_EQ(counts, (std::vector<int>{12, 12, 1}));
    EXPECT_EQ(net.client().NWCCCloseConn(h), SUCCESSFUL);
}

TEST_F(Rights, UserRestrictionsAndTheSpaceInUse) {
    nuint32 jsmithId = idOf(sim(), admin, "JSMITH");
    VOLUME_RESTRICTIONS answer;
    ASSERT_EQ(sim().ScanVolumeRestrictions(admin, 0, 0, &answer), SUCCESSFUL);
    ASSERT_EQ(answer.numberOfEntries, 1);
    EXPECT_EQ(answer.resInfo[0].objectID, jsmithId);
    EXPECT_EQ(answer.resInfo[0].restriction, 256u);  // 1024 KB
    ASSERT_EQ(sim().ScanVolumeRestrictions(admin, 0, 1, &answer), SUCCESSFUL);
    EXPECT_EQ(answer.numberOfEntries, 0);

    nuint32 limit = 0, inUse = 0;
    EXPECT_EQ(sim().GetObjectVolumeRestriction(admin, 0, jsmithId, &limit, &inUse), SUCCESSFUL);
    EXPECT_EQ(limit, 256u);
    EXPECT_EQ(inUse, 1u);  // LOGIN.EXE is his
    NW_FILE_HANDLE file = 0;
    ASSERT_EQ(sim().CreateFile(jsmith, NW_NS_LONG, "SYS:HOME\\JSMITH\\big.dat", 0, false, &file),
              SUCCESSFUL);
    std::string bytes(10000, 'x');
    nuint32 written = 0;
    EXPECT_EQ(sim().WriteFile(file, static_cast<nuint32>(bytes.size()), bytes.data(), &written),
              SUCCESSFUL);
    EXPECT_EQ(sim().CloseFile(file), SUCCESSFUL);
    EXPECT_EQ(sim().GetObjectVolumeRestriction(admin, 0, jsmithId, &limit, &inUse), SUCCESSFUL);
    EXPECT_EQ(inUse, 4u);  // and 3 blocks of 4 KB for the new file

    nuint32 guestId = idOf(sim(), admin, "GUEST");
    EXPECT_EQ(sim().GetObjectVolumeRestriction(guest, 0, guestId, &limit, &inUse), SUCCESSFUL);
    EXPECT_EQ(limit, NW_NO_VOLUME_RESTRICTION);
    EXPECT_EQ(inUse, 0u);
    EXPECT_EQ(sim().SetObjectVolumeRestriction(jsmith, 0, guestId, 3), NO_MODIFY_PRIVILEGES);
    EXPECT_EQ(sim().SetObjectVolumeRestriction(admin, 0, guestId, 3), SUCCESSFUL);
    EXPECT_EQ(sim().SetObjectVolumeRestriction(admin, 0, guestId, 5), SUCCESSFUL);
    EXPECT_EQ(sim().GetObjectVolumeRestriction(guest, 0, guestId, &limit, &inUse), SUCCESSFUL);
    EXPECT_EQ(limit, 5u);
    EXPECT_EQ(sim().RemoveObjectVolumeRestriction(jsmith, 0, guestId), NO_MODIFY_PRIVILEGES);
    EXPECT_EQ(sim().RemoveObjectVolumeRestriction(admin, 0, guestId), SUCCESSFUL);
    EXPECT_EQ(sim().RemoveObjectVolumeRestriction(admin, 0, guestId), TRUSTEE_NOT_FOUND);
    EXPECT_EQ(sim().SetObjectVolumeRestriction(admin, 0, jsmithId, NW_NO_VOLUME_RESTRICTION),
              SUCCESSFUL);  // removes it
    ASSERT_EQ(sim().ScanVolumeRestrictions(admin, 0, 0, &answer), SUCCESSFUL);
    EXPECT_EQ(answer.numberOfEntries, 0);
    EXPECT_EQ(sim().GetObjectVolumeRestriction(admin, 0, 31337, &limit, &inUse), NO_SUCH_OBJECT);
    EXPECT_EQ(sim().SetObjectVolumeRestriction(admin, 1, guestId, 3), VOLUME_DOES_NOT_EXIST);
}

// Reading needs rights too: a record needs a right to see the entry (File Scan, or a trustee
// assignment at or below it, as NetWare shows the way to what a user may reach), a trustee list
// Access Control or Supervisor, a user's restriction to be that user or a supervisor.
TEST_F(Rights, ReadingNeedsTheRightToSeeWhatIsRead) {
    NW_ENTRY_INFO record;
    auto entryInfo = [&](NWCONN_HANDLE as, const char* path) {
        return sim().GetEntryInfo(as, NW_NS_LONG, SA_ANY, path, &record);
    };
    EXPECT_EQ(entryInfo(guest, "SYS:HOME\\JSMITH"), ACCESS_DENIED);
    EXPECT_EQ(entryInfo(guest, "SYS:HOME\\JSMITH\\notes.txt"), ACCESS_DENIED);
    EXPECT_EQ(entryInfo(guest, "SYS:"), ACCESS_DENIED);
    EXPECT_EQ(entryInfo(jsmith, "SYS:HOME\\JSMITH\\notes.txt"), SUCCESSFUL);  // File Scan
    EXPECT_EQ(entryInfo(jsmith, "SYS:PUBLIC\\LOGIN.EXE"), SUCCESSFUL);        // through SALES.ACME
    EXPECT_EQ(entryInfo(jsmith, "SYS:HOME"), SUCCESSFUL);  // on the way to HOME\JSMITH
    EXPECT_EQ(entryInfo(jsmith, "SYS:"), SUCCESSFUL);
    EXPECT_EQ(entryInfo(jsmith, "SYS:readme.txt"), ACCESS_DENIED);
    EXPECT_EQ(entryInfo(jsmith, "SYS:HOME\\MBROWN"), ACCESS_DENIED);
    EXPECT_EQ(entryInfo(jsmith, "SYS:NOPE"), INVALID_PATH);

    const char* home = "SYS:HOME\\JSMITH";
    nuint32 it = 0;
    TRUSTEE_SET set;
    EXPECT_EQ(sim().ScanEntryTrustees(guest, NW_NS_LONG, home, &it, &set), ACCESS_DENIED);
    EXPECT_EQ(sim().ScanEntryTrustees(jsmith, NW_NS_LONG, home, &it, &set), ACCESS_DENIED)
        << "RWCEMF without Access Control";
    EXPECT_EQ(sim().ScanEntryTrustees(admin, NW_NS_LONG, home, &it, &set), SUCCESSFUL);
    nuint32 jsmithId = idOf(sim(), admin, "JSMITH");
    ASSERT_EQ(sim().AddTrusteeToEntry(admin, NW_NS_LONG, home, jsmithId, TR_ACCESS_CONTROL),
              SUCCESSFUL);
    it = 0;
    EXPECT_EQ(sim().ScanEntryTrustees(jsmith, NW_NS_LONG, home, &it, &set), SUCCESSFUL);

    // Users see their own restriction; a supervisor sees everybody's.
    VOLUME_RESTRICTIONS answer;
    ASSERT_EQ(sim().ScanVolumeRestrictions(guest, 0, 0, &answer), SUCCESSFUL);
    EXPECT_EQ(answer.numberOfEntries, 0);
    ASSERT_EQ(sim().ScanVolumeRestrictions(jsmith, 0, 0, &answer), SUCCESSFUL);
    ASSERT_EQ(answer.numberOfEntries, 1);
    EXPECT_EQ(answer.resInfo[0].objectID, jsmithId);
    nuint32 guestId = idOf(sim(), admin, "GUEST");
    ASSERT_EQ(sim().SetObjectVolumeRestriction(admin, 0, guestId, 8), SUCCESSFUL);
    ASSERT_EQ(sim().ScanVolumeRestrictions(guest, 0, 0, &answer), SUCCESSFUL);
    ASSERT_EQ(answer.numberOfEntries, 1);
    EXPECT_EQ(answer.resInfo[0].objectID, guestId);
    ASSERT_EQ(sim().ScanVolumeRestrictions(admin, 0, 0, &answer), SUCCESSFUL);
    EXPECT_EQ(answer.numberOfEntries, 2);
    nuint32 limit = 0, inUse = 0;
    EXPECT_EQ(sim().GetObjectVolumeRestriction(guest, 0, jsmithId, &limit, &inUse), ACCESS_DENIED);
    EXPECT_EQ(sim().GetObjectVolumeRestriction(guest, 0, guestId, &limit, &inUse), SUCCESSFUL);
    EXPECT_EQ(limit, 8u);

    // Deleted files: File Scan on their directory.
    NWDIR_HANDLE dir = 0;
    nuint32 sequence = 0xFFFFFFFF;
    NW_DELETED_FILE deleted;
    ASSERT_EQ(sim().AllocTempDirHandle(jsmith, NW_NS_LONG, "SYS:PUBLIC", &dir), SUCCESSFUL);
    EXPECT_EQ(sim().ScanSalvageableFiles(jsmith, dir, NW_NS_LONG, &sequence, &deleted), SUCCESSFUL);
    EXPECT_EQ(sim().DeallocDirHandle(jsmith, dir), SUCCESSFUL);
    ASSERT_EQ(sim().AllocTempDirHandle(guest, NW_NS_LONG, "SYS:PUBLIC", &dir), SUCCESSFUL);
    sequence = 0xFFFFFFFF;
    EXPECT_EQ(sim().ScanSalvageableFiles(guest, dir, NW_NS_LONG, &sequence, &deleted),
              ACCESS_DENIED);
    EXPECT_EQ(sim().DeallocDirHandle(guest, dir), SUCCESSFUL);
}

// A user without rights changes nothing: every change is refused and the disk stays as it was.
TEST_F(Rights, AUserWithoutRightsChangesNothing) {
    nuint32 guestId = idOf(sim(), admin, "GUEST");
    NW_ENTRY_INFO record = info("SYS:readme.txt");
    record.attributes = A_HIDDEN;
    NW_FILE_HANDLE file = 0;
    NWDIR_HANDLE dir = 0;
    ASSERT_EQ(sim().AllocTempDirHandle(guest, NW_NS_LONG, "SYS:PUBLIC", &dir), SUCCESSFUL);
    nuint32 sequence = 0xFFFFFFFF;
    NW_DELETED_FILE deleted;
    ASSERT_EQ(sim().ScanSalvageableFiles(guest, dir, NW_NS_LONG, &sequence, &deleted),
              ACCESS_DENIED);
    const std::vector<std::pair<const char*, NWCCODE>> attempts = {
        {"create directory", sim().CreateDirectory(guest, NW_NS_LONG, "SYS:PUBLIC\\X", 0xFB)},
        {"create file", sim().CreateFile(guest, NW_NS_LONG, "SYS:x.txt", 0, false, &file)},
        {"replace file", sim().CreateFile(guest, NW_NS_LONG, "SYS:readme.txt", 0, true, &file)},
        {"delete directory", sim().DeleteDirectory(guest, NW_NS_LONG, "SYS:HOME\\MBROWN")},
        {"erase", sim().EraseFile(guest, NW_NS_LONG, SA_FILES, "SYS:readme.txt")},
        {"rename", sim().MoveEntry(guest, NW_NS_LONG, SA_FILES, "SYS:readme.txt", "SYS:r.txt")},
        {"move", sim().MoveEntry(guest, NW_NS_LONG, SA_FILES, "SYS:readme.txt", "SYS:HOME\\r")},
        {"attributes", sim().ModifyEntryInfo(guest, NW_NS_LONG, 0x8006, "SYS:readme.txt",
                                             DM_ATTRIBUTES, &record)},
        {"mask", sim().ModifyEntryInfo(guest, NW_NS_LONG, 0x8006, "SYS:readme.txt",
                                       DM_INHERITED_RIGHTS_MASK, &record)},
        {"owner", sim().ModifyEntryInfo(guest, NW_NS_LONG, 0x8016, "SYS:readme.txt", DM_CREATOR_ID,
                                        &record)},
        {"open for writing",
         sim().OpenFile(guest, NW_NS_LONG, SA_FILES, "SYS:readme.txt", AR_WRITE, &file)},
        {"trustee", sim().AddTrusteeToEntry(guest, NW_NS_LONG, "SYS:", guestId, TR_ALL)},
        {"space restriction", sim().SetDirSpaceRestriction(guest, dir, 1)},
        {"user restriction", sim().SetObjectVolumeRestriction(guest, 0, guestId, 1)},
        {"purge", sim().PurgeSalvageableFile(guest, dir, 1)},
        {"salvage", sim().RecoverSalvageableFile(guest, dir, NW_NS_LONG, 1, nullptr)},
    };
    const std::vector<NWCCODE> expected = {
        NO_CREATE_PRIVILEGES, NO_CREATE_PRIVILEGES, NO_WRITE_PRIVILEGES,  NO_DELETE_PRIVILEGES,
        NO_DELETE_PRIVILEGES, NO_MODIFY_PRIVILEGES, NO_DELETE_PRIVILEGES, NO_MODIFY_PRIVILEGES,
        NO_MODIFY_PRIVILEGES, NO_MODIFY_PRIVILEGES, NO_WRITE_PRIVILEGES,  NO_MODIFY_PRIVILEGES,
        NO_MODIFY_PRIVILEGES, NO_MODIFY_PRIVILEGES, NO_DELETE_PRIVILEGES, NO_CREATE_PRIVILEGES};
    ASSERT_EQ(attempts.size(), expected.size());
    for (std::size_t i = 0; i < attempts.size(); ++i)
        EXPECT_EQ(attempts[i].second, expected[i]) << attempts[i].first;
    EXPECT_EQ(sim().DeallocDirHandle(guest, dir), SUCCESSFUL);

    EXPECT_TRUE(exists("volumes/FS1/SYS/readme.txt"));
    EXPECT_TRUE(exists("volumes/FS1/SYS/HOME/MBROWN"));
    EXPECT_FALSE(exists("volumes/FS1/SYS/x.txt"));
    EXPECT_FALSE(exists("volumes/FS1/SYS/PUBLIC/X"));
    EXPECT_EQ(read("volumes/FS1/SYS/readme.txt"), "test file volumes/FS1/SYS/readme.txt\n");
    EXPECT_EQ(info("SYS:readme.txt").attributes, 0u);
    EXPECT_EQ(info("SYS:readme.txt").inheritedRightsMask, TR_ALL);
    nuint32 it = 0;
    TRUSTEE_SET set;
    EXPECT_EQ(sim().ScanEntryTrustees(admin, NW_NS_LONG, "SYS:", &it, &set), FAILURE);
}

}  // namespace
