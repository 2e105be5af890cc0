// The volume control operations through both doors of one network, with the same assertions:
// in-process, and over the wire to nwsimd on loopback. Each test also checks that every handle
// it opened was released and, over the wire, that Wireshark finds nothing wrong in the traffic.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "netclient/testing/doors.h"
#include "netclient/volume.h"

namespace nw {
namespace {

using testnet::Door;
using testnet::DoorNetwork;

// Every kind of entry, hidden and system ones too.
constexpr nuint16 kAny = SA_ALL | SA_FILES;

constexpr const char* kNetwork = R"({
  "workstation": { "connections": [
    { "server": "FS1", "user": "ADMIN", "station": 1, "consoleOperator": true },
    { "server": "FS1", "user": "GUEST", "station": 2 } ] },
  "servers": [ {
    "name": "FS1", "users": ["ADMIN", "GUEST", "JSMITH"],
    "volumes": [
      { "name": "SYS", "removable": true,
        "blocks": { "total": 1000, "free": 400, "purgeable": 10, "sectorsPerBlock": 8,
                    "badSectors": 6 },
        "entries": [
          { "path": "HOME", "spaceLimit": 400,
            "trustees": [ { "object": "JSMITH", "rights": "RF" } ] },
          { "path": "DOCS\\A.TXT", "trustees": [ { "object": "GUEST", "rights": "C" } ] } ],
        "userRestrictions": [ { "user": "JSMITH", "limit": 1024 } ],
        "deletedFiles": [
          { "directory": "HOME", "name": "Old Notes.txt", "content": "first",
            "deletedBy": "JSMITH", "deleted": "2026-01-01T10:00:00" },
          { "directory": "HOME", "name": "Old Notes.txt", "content": "second one",
            "deletedBy": "JSMITH", "deleted": "2026-01-02T10:00:00" } ] },
      { "name": "DATA", "mounted": false },
      { "name": "DOSV", "nameSpaces": [0] } ] } ]
})";
const std::vector<std::string> kFiles = {"volumes/FS1/SYS/HOME/", "volumes/FS1/SYS/DOCS/A.TXT",
                                         "volumes/FS1/SYS/README.TXT", "volumes/FS1/DATA/",
                                         "volumes/FS1/DOSV/README.TXT"};

class VolumeOps : public ::testing::TestWithParam<Door> {
protected:
    VolumeOps() : net(DoorNetwork::open(GetParam(), kNetwork, kFiles)) { conn = net->open(1); }
    ~VolumeOps() override {
        client().NWCCCloseConn(conn);
        EXPECT_EQ(net->openHandleCount(), 0u) << "a handle was left open";
        const std::vector<std::string> complaints = net->trafficComplaints();
        EXPECT_TRUE(complaints.empty()) << "Wireshark: " << complaints.front();
    }
    Client& client() { return net->client(); }

    NW_ENTRY_INFO entry(const char* path, NWCCODE expected = SUCCESSFUL) {
        NW_ENTRY_INFO info;
        EXPECT_EQ(client().GetEntryInfo(conn, NW_NS_LONG, kAny, path, &info), expected) << path;
        return info;
    }
    std::string readAll(NW_FILE_HANDLE file, std::size_t bytes) {
        std::string data(bytes, '\0');
        nuint32 got = 0;
        EXPECT_EQ(client().ReadFile(file, static_cast<nuint32>(bytes), &got, data.data()),
                  SUCCESSFUL);
        data.resize(got);
        return data;
    }

    std::unique_ptr<DoorNetwork> net;
    NWCONN_HANDLE conn = 0;
};

TEST_P(VolumeOps, VolumeFiguresAndNameSpaces) {
    nuint16 sys = 0;
    ASSERT_EQ(client().GetVolumeNumber(conn, "sys", &sys), SUCCESSFUL);
    VOLUME_STATS stats;
    ASSERT_EQ(client().GetVolumeStats(conn, sys, &stats), SUCCESSFUL);
    EXPECT_EQ(stats.totalBlocks, 1000u);
    EXPECT_EQ(stats.freeBlocks, 400u);
    EXPECT_EQ(stats.sectorsPerBlock, 8);
    EXPECT_NE(stats.isRemovable, 0);
    EXPECT_STREQ(stats.volumeName, "SYS");
    EXPECT_EQ(client().GetVolumeStats(conn, 77, &stats), VOLUME_DOES_NOT_EXIST);

    EXTENDED_VOLUME_INFO info;
    ASSERT_EQ(client().GetExtendedVolumeInfo(conn, sys, 1, &info), SUCCESSFUL);
    EXPECT_EQ(info.sectorSize, 512u);
    EXPECT_EQ(info.totalBlocks, 1000u);
    EXPECT_EQ(info.badSectors, 6u);
    EXPECT_EQ(client().GetExtendedVolumeInfo(conn, sys, 2, &info), NWE_INFO_LEVEL_INVALID);
    EXPECT_EQ(client().GetExtendedVolumeInfo(conn, 77, 1, &info), VOLUME_DOES_NOT_EXIST);

    nuint16 dosv = 0;
    ASSERT_EQ(client().GetVolumeNumber(conn, "DOSV", &dosv), SUCCESSFUL);
    nuint8 count = 0;
    nuint8 list[NW_MAX_NAME_SPACE_LIST] = {};
    ASSERT_EQ(client().GetVolumeNameSpaces(conn, dosv, &count, list), SUCCESSFUL);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(list[0], NW_NS_DOS);
    EXPECT_EQ(client().GetVolumeNameSpaces(conn, 77, &count, list), VOLUME_DOES_NOT_EXIST);
}

TEST_P(VolumeOps, MountAndDismountForConsoleOperatorsOnly) {
    nuint16 data = 0;
    EXPECT_EQ(client().GetVolumeNumber(conn, "DATA", &data), VOLUME_DOES_NOT_EXIST);
    const NWCONN_HANDLE guest = net->open(2);
    EXPECT_EQ(client().MountVolume(guest, "DATA", &data), NO_CONSOLE_PRIVILEGES);
    ASSERT_EQ(client().MountVolume(conn, "DATA", &data), SUCCESSFUL);
    nuint16 found = 0;
    ASSERT_EQ(client().GetVolumeNumber(conn, "DATA", &found), SUCCESSFUL);
    EXPECT_EQ(found, data);
    NW_FILE_HANDLE file = 0;
    ASSERT_EQ(client().CreateFile(conn, NW_NS_LONG, "DATA:F.TXT", 0, false, &file), SUCCESSFUL);
    EXPECT_EQ(client().DismountVolume(guest, data), NO_CONSOLE_PRIVILEGES);
    ASSERT_EQ(client().DismountVolume(conn, data), SUCCESSFUL);
    // Its open files are gone; closing them still succeeds.
    nuint32 got = 0;
    char byte = 0;
    EXPECT_EQ(client().ReadFile(file, 1, &got, &byte), INVALID_FILE_HANDLE);
    EXPECT_EQ(client().CloseFile(file), SUCCESSFUL);
    EXPECT_EQ(client().GetVolumeNumber(conn, "DATA", &found), VOLUME_DOES_NOT_EXIST);
    EXPECT_EQ(client().DismountVolume(conn, data), VOLUME_DOES_NOT_EXIST);
    EXPECT_EQ(client().MountVolume(conn, "NOPE", &data), VOLUME_DOES_NOT_EXIST);
    client().NWCCCloseConn(guest);
}

TEST_P(VolumeOps, EntriesMadeChangedMovedAndRemoved) {
    EXPECT_EQ(entry("SYS:HOME").spaceRestriction, 100);  // 400 KB
    EXPECT_EQ(entry("SYS:README.TXT").spaceRestriction, NW_NO_DIRECTORY_RESTRICTION);
    entry("SYS:NOWHERE", INVALID_PATH);

    ASSERT_EQ(client().CreateDirectory(conn, NW_NS_LONG, "SYS:HOME\\New Folder", 0xFB), SUCCESSFUL);
    EXPECT_EQ(client().CreateDirectory(conn, NW_NS_LONG, "SYS:HOME\\New Folder", 0xFB),
              NAME_EXISTS);
    EXPECT_EQ(client().CreateDirectory(conn, NW_NS_LONG, "SYS:NOWHERE\\X", 0xFB), INVALID_PATH);
    NW_ENTRY_INFO made = entry("SYS:HOME\\New Folder");
    EXPECT_NE(made.attributes & A_DIRECTORY, 0u);
    EXPECT_STREQ(made.entryName, "New Folder");

    nuint16 rights = 0;
    ASSERT_EQ(client().GetEffectiveRights(conn, NW_NS_LONG, "SYS:HOME\\New Folder", &rights),
              SUCCESSFUL);
    EXPECT_NE(rights & TR_SUPERVISOR, 0);

    NW_ENTRY_INFO changed = made;
    changed.attributes |= A_HIDDEN;
    changed.inheritedRightsMask = TR_READ | TR_FILE_SCAN;
    ASSERT_EQ(client().ModifyEntryInfo(conn, NW_NS_LONG, SA_ALL, "SYS:HOME\\New Folder",
                                       DM_ATTRIBUTES | DM_INHERITED_RIGHTS_MASK, &changed),
              SUCCESSFUL);
    made = entry("SYS:HOME\\New Folder");
    EXPECT_NE(made.attributes & A_HIDDEN, 0u);
    EXPECT_EQ(made.inheritedRightsMask, TR_SUPERVISOR | TR_READ | TR_FILE_SCAN);

    ASSERT_EQ(
        client().MoveEntry(conn, NW_NS_LONG, kAny, "SYS:HOME\\New Folder", "SYS:Moved Folder"),
        SUCCESSFUL);
    entry("SYS:HOME\\New Folder", INVALID_PATH);
    EXPECT_EQ(client().MoveEntry(conn, NW_NS_LONG, kAny, "SYS:Moved Folder", "DOSV:X"),
              RENAMING_ACROSS_VOLUMES);
    EXPECT_EQ(client().MoveEntry(conn, NW_NS_LONG, kAny, "SYS:Moved Folder", "SYS:README.TXT"),
              NAME_EXISTS);

    // Each removal takes its own kind only, and leaves the other in place.
    EXPECT_EQ(client().EraseFile(conn, NW_NS_LONG, SA_ALL, "SYS:Moved Folder"), INVALID_PATH);
    EXPECT_EQ(client().DeleteDirectory(conn, NW_NS_LONG, "SYS:README.TXT"), INVALID_PATH);
    entry("SYS:README.TXT");
    ASSERT_EQ(client().DeleteDirectory(conn, NW_NS_LONG, "SYS:Moved Folder"), SUCCESSFUL);
    entry("SYS:Moved Folder", INVALID_PATH);
    ASSERT_EQ(client().EraseFile(conn, NW_NS_LONG, SA_ALL, "SYS:README.TXT"), SUCCESSFUL);
    entry("SYS:README.TXT", INVALID_PATH);
}

TEST_P(VolumeOps, DirectorySpaceRestrictionThroughAHandle) {
    NWDIR_HANDLE handle = 0;
    ASSERT_EQ(client().AllocTempDirHandle(conn, NW_NS_LONG, "SYS:HOME", &handle), SUCCESSFUL);
    ASSERT_EQ(client().SetDirSpaceRestriction(conn, handle, 123), SUCCESSFUL);
    EXPECT_EQ(entry("SYS:HOME").spaceRestriction, 123);
    ASSERT_EQ(client().SetDirSpaceRestriction(conn, handle, NW_NO_DIRECTORY_RESTRICTION),
              SUCCESSFUL);
    EXPECT_EQ(entry("SYS:HOME").spaceRestriction, NW_NO_DIRECTORY_RESTRICTION);
    EXPECT_EQ(client().SetDirSpaceRestriction(conn, 200, 5), BAD_DIRECTORY_HANDLE);
    EXPECT_EQ(client().DeallocDirHandle(conn, handle), SUCCESSFUL);
}

TEST_P(VolumeOps, FileWrittenReadBackAndCopiedOnTheServer) {
    // Larger than one request or reply, so that both are cut into several.
    std::string data(300001, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<char>(i * 7 + i / 251);
    }
    NW_FILE_HANDLE file = 0;
    ASSERT_EQ(client().CreateFile(conn, NW_NS_LONG, "SYS:HOME\\data.bin", 0, false, &file),
              SUCCESSFUL);
    nuint32 written = 0;
    ASSERT_EQ(client().WriteFile(file, static_cast<nuint32>(data.size()), data.data(), &written),
              SUCCESSFUL);
    EXPECT_EQ(written, data.size());
    nint64 position = 0;
    ASSERT_EQ(client().SeekFile(file, 0, SEEK_FROM_END, &position), SUCCESSFUL);
    EXPECT_EQ(position, static_cast<nint64>(data.size()));
    EXPECT_EQ(readAll(file, 10), "");  // at the end
    ASSERT_EQ(client().SeekFile(file, 0, SEEK_FROM_START, &position), SUCCESSFUL);
    EXPECT_TRUE(readAll(file, data.size() + 5) == data);
    // An odd offset: the server pads the reply by one byte.
    ASSERT_EQ(client().SeekFile(file, 12345, SEEK_FROM_START, &position), SUCCESSFUL);
    EXPECT_TRUE(readAll(file, 1001) == data.substr(12345, 1001));
    EXPECT_EQ(client().SeekFile(file, -1, SEEK_FROM_START, &position), INVALID_PARAMETERS);
    EXPECT_EQ(client().SeekFile(file, 0, 9, &position), INVALID_PARAMETERS);

    NW_FILE_HANDLE copy = 0;
    ASSERT_EQ(client().CreateFile(conn, NW_NS_LONG, "SYS:HOME\\copy.bin", 0, false, &copy),
              SUCCESSFUL);
    EXPECT_EQ(client().CreateFile(conn, NW_NS_LONG, "SYS:HOME\\copy.bin", 0, false, &file),
              NAME_EXISTS);
    nuint64 copied = 0;
    ASSERT_EQ(client().CopyFileData(conn, file, copy, 1, 0, data.size(), &copied), SUCCESSFUL);
    EXPECT_EQ(copied, data.size() - 1);  // the source ends first
    EXPECT_TRUE(readAll(copy, data.size()) == data.substr(1));
    EXPECT_EQ(client().CloseFile(copy), SUCCESSFUL);
    EXPECT_EQ(client().CloseFile(copy), INVALID_FILE_HANDLE);
    EXPECT_EQ(client().CopyFileData(conn, file, copy, 0, 0, 1, &copied), INVALID_FILE_HANDLE);
    EXPECT_EQ(client().CloseFile(file), SUCCESSFUL);

    ASSERT_EQ(client().OpenFile(conn, NW_NS_LONG, SA_ALL, "SYS:HOME\\copy.bin", AR_READ, &file),
              SUCCESSFUL);
    EXPECT_EQ(readAll(file, 4), data.substr(1, 4));
    EXPECT_EQ(client().CloseFile(file), SUCCESSFUL);
    EXPECT_EQ(client().OpenFile(conn, NW_NS_LONG, SA_ALL, "SYS:HOME\\copy.bin", 0, &file),
              NWE_PARAM_INVALID);
    EXPECT_EQ(client().OpenFile(conn, NW_NS_LONG, SA_ALL, "SYS:HOME\\none", AR_READ, &file),
              INVALID_PATH);
}

TEST_P(VolumeOps, ClosingTheConnectionHandleClosesItsFiles) {
    const NWCONN_HANDLE other = net->open(1);
    NW_FILE_HANDLE file = 0;
    ASSERT_EQ(client().CreateFile(other, NW_NS_LONG, "SYS:HOME\\open.txt", 0, false, &file),
              SUCCESSFUL);
    EXPECT_EQ(client().EraseFile(conn, NW_NS_LONG, SA_ALL, "SYS:HOME\\open.txt"), FILE_IN_USE);
    ASSERT_EQ(client().NWCCCloseConn(other), SUCCESSFUL);
    nuint32 got = 0;
    char byte = 0;
    EXPECT_EQ(client().ReadFile(file, 1, &got, &byte), INVALID_FILE_HANDLE);
    // The server let go of it too.
    EXPECT_EQ(client().EraseFile(conn, NW_NS_LONG, SA_ALL, "SYS:HOME\\open.txt"), SUCCESSFUL);
}

TEST_P(VolumeOps, RightsRefusedAsTheServerDecides) {
    const NWCONN_HANDLE guest = net->open(2);
    NW_FILE_HANDLE file = 0;
    EXPECT_EQ(client().CreateFile(guest, NW_NS_LONG, "SYS:HOME\\x.txt", 0, false, &file),
              NO_CREATE_PRIVILEGES);
    EXPECT_EQ(client().OpenFile(guest, NW_NS_LONG, SA_ALL, "SYS:DOCS\\A.TXT", AR_READ, &file),
              ACCESS_DENIED);
    nuint16 rights = 0;
    ASSERT_EQ(client().GetEffectiveRights(guest, NW_NS_LONG, "SYS:DOCS\\A.TXT", &rights),
              SUCCESSFUL);
    EXPECT_EQ(rights, TR_CREATE);
    client().NWCCCloseConn(guest);
}

TEST_P(VolumeOps, DirectoryAuthenticationRefusedWithoutATree) {
    EXPECT_EQ(client().AuthenticateConnToDirectory(conn), ERR_FAILED_AUTHENTICATION);
}

TEST_P(VolumeOps, BadPathsAndHandlesAnswerClearly) {
    NW_ENTRY_INFO info;
    EXPECT_EQ(client().GetEntryInfo(conn, NW_NS_LONG, SA_ALL, "SYS:HOME", nullptr),
              NWE_PARAM_INVALID);
    EXPECT_NE(client().GetEntryInfo(conn, NW_NS_LONG, SA_ALL, "SYS:..\\..\\etc", &info),
              SUCCESSFUL);
    EXPECT_EQ(client().GetEntryInfo(0x7777, NW_NS_LONG, SA_ALL, "SYS:HOME", &info),
              INVALID_CONNECTION);
    nuint32 got = 0;
    char byte = 0;
    EXPECT_EQ(client().ReadFile(0x7777, 1, &got, &byte), INVALID_FILE_HANDLE);
    EXPECT_EQ(client().CloseFile(0x7777), INVALID_FILE_HANDLE);
}

TEST_P(VolumeOps, BinderyNamesIdentifiersAndScan) {
    nuint32 jsmith = 0;
    ASSERT_EQ(client().GetBinderyObjectID(conn, "jsmith", BINDERY_USER, &jsmith), SUCCESSFUL);
    std::string name;
    nuint16 type = 0;
    ASSERT_EQ(client().GetBinderyObjectName(conn, jsmith, name, &type), SUCCESSFUL);
    EXPECT_EQ(name, "JSMITH");
    EXPECT_EQ(type, BINDERY_USER);
    nuint32 id = 0;
    EXPECT_EQ(client().GetBinderyObjectID(conn, "NOBODY", BINDERY_USER, &id), NO_SUCH_OBJECT);
    EXPECT_EQ(client().GetBinderyObjectName(conn, 0x0BADF00D, name, &type), NO_SUCH_OBJECT);

    std::vector<std::string> users;
    nuint32 last = 0xFFFFFFFF;
    while (client().ScanBinderyObjects(conn, "*", BINDERY_USER, &last, name, &type) == SUCCESSFUL) {
        ASSERT_EQ(type, BINDERY_USER);
        users.push_back(name);
        ASSERT_LT(users.size(), 10u);
    }
    std::sort(users.begin(), users.end());
    EXPECT_EQ(users, (std::vector<std::string>{"ADMIN", "GUEST", "JSMITH"}));
    last = 0xFFFFFFFF;
    EXPECT_EQ(client().ScanBinderyObjects(conn, "J*", BINDERY_ANY, &last, name, &type), SUCCESSFUL);
    EXPECT_EQ(name, "JSMITH");
    EXPECT_EQ(client().ScanBinderyObjects(conn, "J*", BINDERY_ANY, &last, name, &type), FAILURE);
}

TEST_P(VolumeOps, TrusteesScannedAddedAndRemoved) {
    nuint32 jsmith = 0;
    nuint32 guest = 0;
    ASSERT_EQ(client().GetBinderyObjectID(conn, "JSMITH", BINDERY_USER, &jsmith), SUCCESSFUL);
    ASSERT_EQ(client().GetBinderyObjectID(conn, "GUEST", BINDERY_USER, &guest), SUCCESSFUL);
    auto trustees = [&](const char* path) {
        std::vector<std::pair<nuint32, nuint16>> found;
        nuint32 iter = 0;
        TRUSTEE_SET set;
        NWCCODE rc = SUCCESSFUL;
        while ((rc = client().ScanEntryTrustees(conn, NW_NS_LONG, path, &iter, &set)) ==
               SUCCESSFUL) {
            for (nuint16 i = 0; i < set.count; ++i)
                found.emplace_back(set.trustees[i].objectID, set.trustees[i].objectRights);
        }
        EXPECT_EQ(rc, FAILURE);
        return found;
    };
    using List = std::vector<std::pair<nuint32, nuint16>>;
    EXPECT_EQ(trustees("SYS:HOME"), (List{{jsmith, TR_READ | TR_FILE_SCAN}}));
    EXPECT_EQ(trustees("SYS:README.TXT"), List{});
    nuint32 iter = 0;
    TRUSTEE_SET set;
    EXPECT_EQ(client().ScanEntryTrustees(conn, NW_NS_LONG, "SYS:NOWHERE", &iter, &set),
              INVALID_PATH);

    ASSERT_EQ(client().AddTrusteeToEntry(conn, NW_NS_LONG, "SYS:HOME", guest, TR_READ), SUCCESSFUL);
    EXPECT_EQ(trustees("SYS:HOME"), (List{{jsmith, TR_READ | TR_FILE_SCAN}, {guest, TR_READ}}));
    EXPECT_EQ(client().AddTrusteeToEntry(conn, NW_NS_LONG, "SYS:HOME", 0x0BADF00D, TR_READ),
              NO_SUCH_OBJECT);
    ASSERT_EQ(client().DeleteTrusteeFromEntry(conn, NW_NS_LONG, "SYS:HOME", jsmith), SUCCESSFUL);
    EXPECT_EQ(trustees("SYS:HOME"), (List{{guest, TR_READ}}));
    EXPECT_EQ(client().DeleteTrusteeFromEntry(conn, NW_NS_LONG, "SYS:HOME", jsmith),
              TRUSTEE_NOT_FOUND);

    // Without Access Control the server refuses.
    const NWCONN_HANDLE asGuest = net->open(2);
    EXPECT_EQ(client().AddTrusteeToEntry(asGuest, NW_NS_LONG, "SYS:DOCS\\A.TXT", guest, TR_ALL),
              NO_MODIFY_PRIVILEGES);
    client().NWCCCloseConn(asGuest);
}

TEST_P(VolumeOps, UserSpaceRestrictions) {
    nuint16 sys = 0;
    ASSERT_EQ(client().GetVolumeNumber(conn, "SYS", &sys), SUCCESSFUL);
    nuint32 jsmith = 0;
    nuint32 guest = 0;
    ASSERT_EQ(client().GetBinderyObjectID(conn, "JSMITH", BINDERY_USER, &jsmith), SUCCESSFUL);
    ASSERT_EQ(client().GetBinderyObjectID(conn, "GUEST", BINDERY_USER, &guest), SUCCESSFUL);
    VOLUME_RESTRICTIONS found;
    ASSERT_EQ(client().ScanVolumeRestrictions(conn, sys, 0, &found), SUCCESSFUL);
    ASSERT_EQ(found.numberOfEntries, 1);
    EXPECT_EQ(found.resInfo[0].objectID, jsmith);
    EXPECT_EQ(found.resInfo[0].restriction, 256u);  // 1024 KB
    ASSERT_EQ(client().ScanVolumeRestrictions(conn, sys, 1, &found), SUCCESSFUL);
    EXPECT_EQ(found.numberOfEntries, 0);

    ASSERT_EQ(client().SetObjectVolumeRestriction(conn, sys, guest, 50), SUCCESSFUL);
    nuint32 restriction = 0;
    nuint32 inUse = 0;
    ASSERT_EQ(client().GetObjectVolumeRestriction(conn, sys, guest, &restriction, &inUse),
              SUCCESSFUL);
    EXPECT_EQ(restriction, 50u);
    ASSERT_EQ(client().RemoveObjectVolumeRestriction(conn, sys, guest), SUCCESSFUL);
    ASSERT_EQ(client().GetObjectVolumeRestriction(conn, sys, guest, &restriction, &inUse),
              SUCCESSFUL);
    EXPECT_EQ(restriction, NW_NO_VOLUME_RESTRICTION);
    EXPECT_EQ(client().RemoveObjectVolumeRestriction(conn, sys, guest), TRUSTEE_NOT_FOUND);
    EXPECT_EQ(client().GetObjectVolumeRestriction(conn, sys, 0x0BADF00D, &restriction, &inUse),
              NO_SUCH_OBJECT);

    const NWCONN_HANDLE asGuest = net->open(2);
    EXPECT_EQ(client().SetObjectVolumeRestriction(asGuest, sys, guest, 5), NO_MODIFY_PRIVILEGES);
    client().NWCCCloseConn(asGuest);
}

TEST_P(VolumeOps, DeletedFilesScannedRecoveredAndPurged) {
    NWDIR_HANDLE home = 0;
    ASSERT_EQ(client().AllocTempDirHandle(conn, NW_NS_LONG, "SYS:HOME", &home), SUCCESSFUL);
    std::vector<std::pair<nuint32, std::string>> deleted;
    nuint32 sequence = 0xFFFFFFFF;
    NW_DELETED_FILE file;
    while (client().ScanSalvageableFiles(conn, home, NW_NS_LONG, &sequence, &file) == SUCCESSFUL) {
        deleted.emplace_back(sequence, file.entryName);
        ASSERT_LT(deleted.size(), 5u);
    }
    ASSERT_EQ(deleted.size(), 2u);
    EXPECT_EQ(deleted[0].second, "Old Notes.txt");

    EXPECT_EQ(
        client().RecoverSalvageableFile(conn, home, NW_NS_LONG, deleted[1].first, "Recovered.txt"),
        SUCCESSFUL);
    EXPECT_EQ(entry("SYS:HOME\\Recovered.txt").dataSize, 10u);  // "second one"
    ASSERT_EQ(client().PurgeSalvageableFile(conn, home, deleted[0].first), SUCCESSFUL);
    EXPECT_EQ(client().PurgeSalvageableFile(conn, home, deleted[0].first), FAILURE);
    sequence = 0xFFFFFFFF;
    EXPECT_EQ(client().ScanSalvageableFiles(conn, home, NW_NS_LONG, &sequence, &file), FAILURE);
    EXPECT_EQ(client().ScanSalvageableFiles(conn, 200, NW_NS_LONG, &sequence, &file),
              BAD_DIRECTORY_HANDLE);
    EXPECT_EQ(client().PurgeSalvageableFile(conn, 200, 1), BAD_DIRECTORY_HANDLE);

    // An erased file comes back under its old name.
    ASSERT_EQ(client().EraseFile(conn, NW_NS_LONG, kAny, "SYS:HOME\\Recovered.txt"), SUCCESSFUL);
    sequence = 0xFFFFFFFF;
    ASSERT_EQ(client().ScanSalvageableFiles(conn, home, NW_NS_LONG, &sequence, &file), SUCCESSFUL);
    EXPECT_STREQ(file.entryName, "Recovered.txt");
    ASSERT_EQ(client().RecoverSalvageableFile(conn, home, NW_NS_LONG, sequence, nullptr),
              SUCCESSFUL);
    entry("SYS:HOME\\Recovered.txt");
    EXPECT_EQ(client().DeallocDirHandle(conn, home), SUCCESSFUL);
}

INSTANTIATE_TEST_SUITE_P(Doors, VolumeOps, testnet::kBothDoors, testnet::doorName);

}  // namespace
}  // namespace nw
