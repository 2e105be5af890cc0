// Volumes and directory entries: figures, mounting, records and their changes, directory
// handles, searches, create, delete, erase, rename and move.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netclient/fault.h"
#include "volume_network.h"

namespace {

using namespace nw;
using testnet::VolumeTest;

using Volumes = VolumeTest;
using Entries = VolumeTest;

std::string nameOf(const NW_ENTRY_INFO& info) {
    return std::string(info.entryName, info.nameLength);
}

TEST_F(Volumes, NumbersFiguresAndNameSpaces) {
    nuint16 number = 99;
    EXPECT_EQ(sim().GetVolumeNumber(admin, "sys", &number), SUCCESSFUL);
    EXPECT_EQ(number, 0);
    EXPECT_EQ(sim().GetVolumeNumber(admin, "DATA", &number), VOLUME_DOES_NOT_EXIST);  // dismounted
    EXPECT_EQ(sim().GetVolumeNumber(admin, "NONE", &number), VOLUME_DOES_NOT_EXIST);

    VOLUME_STATS stats;
    ASSERT_EQ(sim().GetVolumeStats(admin, 0, &stats), SUCCESSFUL);
    EXPECT_EQ(stats.totalBlocks, 1000u);
    EXPECT_EQ(stats.freeBlocks, 400u);
    EXPECT_EQ(stats.purgeableBlocks,
              11u);  // 10 from the file, 1 for the 3 bytes of the deleted file
    EXPECT_EQ(stats.sectorsPerBlock, 8);
    EXPECT_NE(stats.isRemovable, 0);
    EXPECT_STREQ(stats.volumeName, "SYS");
    EXPECT_EQ(sim().GetVolumeStats(admin, 1, &stats), VOLUME_DOES_NOT_EXIST);
    EXPECT_EQ(sim().GetVolumeStats(admin, 200, &stats), VOLUME_DOES_NOT_EXIST);
    // Without figures in the file, the folder's file system gives them.
    ASSERT_EQ(sim().GetVolumeStats(admin, 2, &stats), SUCCESSFUL);
    EXPECT_GT(stats.totalBlocks, 0u);
    EXPECT_LE(stats.freeBlocks, stats.totalBlocks);
    EXPECT_EQ(stats.isRemovable, 0);

    EXTENDED_VOLUME_INFO extended;
    EXPECT_EQ(sim().GetExtendedVolumeInfo(admin, 0, 1, &extended), SUCCESSFUL);
    EXPECT_EQ(extended.badSectors, 6u);
    EXPECT_EQ(extended.sectorSize, 512u);
    EXPECT_EQ(extended.deletedFiles, 1u);
    EXPECT_EQ(sim().GetExtendedVolumeInfo(admin, 0, 2, &extended), NWE_INFO_LEVEL_INVALID);

    nuint8 count = 0, list[NW_MAX_NAME_SPACE_LIST];
    EXPECT_EQ(sim().GetVolumeNameSpaces(admin, 0, &count, list), SUCCESSFUL);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(list[0], NW_NS_DOS);
    EXPECT_EQ(list[1], NW_NS_LONG);
    EXPECT_EQ(sim().GetVolumeNameSpaces(admin, 2, &count, list), SUCCESSFUL);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(sim().GetVolumeStats(0x7777, 0, &stats), INVALID_CONNECTION);
}

TEST_F(Volumes, MountAndDismountNeedConsoleRightsAndHideTheEntries) {
    nuint16 number = 0;
    EXPECT_EQ(sim().MountVolume(jsmith, "DATA", &number), NO_CONSOLE_PRIVILEGES);
    EXPECT_EQ(sim().MountVolume(admin, "NOPE", &number), VOLUME_DOES_NOT_EXIST);
    EXPECT_EQ(sim().MountVolume(admin, "data", &number), SUCCESSFUL);
    EXPECT_EQ(number, 1);
    EXPECT_EQ(sim().MountVolume(admin, "DATA", &number), SUCCESSFUL);  // mounted already
    info("DATA:");

    NW_FILE_HANDLE file = 0;
    ASSERT_EQ(sim().OpenFile(admin, NW_NS_LONG, SA_FILES, "SYS:readme.txt", AR_READ, &file),
              SUCCESSFUL);
    NWDIR_HANDLE dir = 0;
    ASSERT_EQ(sim().AllocTempDirHandle(admin, NW_NS_LONG, "SYS:PUBLIC", &dir), SUCCESSFUL);
    EXPECT_EQ(sim().DismountVolume(jsmith, 0), NO_CONSOLE_PRIVILEGES);
    EXPECT_EQ(sim().DismountVolume(admin, 0), SUCCESSFUL);
    EXPECT_EQ(sim().DismountVolume(admin, 0), VOLUME_DOES_NOT_EXIST);
    NW_ENTRY_INFO record;
    EXPECT_EQ(sim().GetEntryInfo(admin, NW_NS_LONG, SA_ANY, "SYS:readme.txt", &record),
              VOLUME_DOES_NOT_EXIST);
    char byte = 0;
    nuint32 n = 0;
    EXPECT_EQ(sim().ReadFile(file, 1, &n, &byte), INVALID_FILE_HANDLE);
    SEARCH_SEQUENCE seq;
    EXPECT_EQ(sim().StartSearch(admin, dir, NW_NS_LONG, &seq), BAD_DIRECTORY_HANDLE);
    EXPECT_EQ(sim().CloseFile(file), SUCCESSFUL);
    EXPECT_EQ(sim().DeallocDirHandle(admin, dir), SUCCESSFUL);
    EXPECT_EQ(sim().MountVolume(admin, "SYS", &number), SUCCESSFUL);
    info("SYS:readme.txt");
}

TEST_F(Entries, RecordsComeFromTheDiskAndTheMetadata) {
    NW_ENTRY_INFO root = info("SYS:");
    EXPECT_EQ(root.attributes, A_DIRECTORY);
    EXPECT_EQ(nameOf(root), "SYS");
    EXPECT_EQ(root.inheritedRightsMask, TR_ALL);

    NW_ENTRY_INFO login = info("SYS:PUBLIC\\login.exe");
    EXPECT_EQ(login.attributes, A_READ_ONLY | A_SHAREABLE);
    EXPECT_EQ(login.creatorID, 777u);
    EXPECT_EQ(login.creationDate, (2020 - 1980) << 9 | 1 << 5 | 2);
    EXPECT_EQ(login.creationTime, 3 << 11 | 4 << 5 | 3);
    EXPECT_EQ(login.dataSize, std::string("test file volumes/FS1/SYS/PUBLIC/LOGIN.EXE\n").size());
    EXPECT_EQ(nameOf(login), "LOGIN.EXE");
    EXPECT_NE(login.modifyDate, 0);
    EXPECT_NE(login.lastAccessDate, 0);

    NW_ENTRY_INFO home = info("SYS:HOME");
    EXPECT_EQ(home.inheritedRightsMask, TR_FILE_SCAN | TR_SUPERVISOR);
    EXPECT_EQ(info("SYS:HOME/JSMITH").spaceRestriction, 100);
    EXPECT_EQ(home.spaceRestriction, NW_NO_DIRECTORY_RESTRICTION);
    // A file without metadata belongs to the server's first supervisor.
    nuint32 adminId = 0;
    ASSERT_EQ(sim().GetBinderyObjectID(admin, "ADMIN", BINDERY_USER, &adminId), SUCCESSFUL);
    EXPECT_EQ(info("SYS:readme.txt").creatorID, adminId);

    NW_ENTRY_INFO dos = info("DOS:LONGNA~1.TXT", 0, NW_NS_DOS);
    EXPECT_EQ(nameOf(dos), "LONGNA~1.TXT");
    NW_ENTRY_INFO record;
    EXPECT_EQ(sim().GetEntryInfo(admin, NW_NS_LONG, SA_ANY, "DOS:README.TXT", &record),
              INVALID_NAME_SPACE);
    EXPECT_EQ(sim().GetEntryInfo(admin, NW_NS_LONG, SA_ANY, "SYS:NOPE", &record), INVALID_PATH);
    EXPECT_EQ(sim().GetEntryInfo(admin, NW_NS_LONG, SA_ANY, "NOVOL:", &record),
              VOLUME_DOES_NOT_EXIST);
    EXPECT_EQ(sim().GetEntryInfo(admin, NW_NS_LONG, SA_DIRECTORIES, "SYS:readme.txt", &record),
              FAILURE);
    EXPECT_EQ(sim().GetEntryInfo(admin, NW_NS_LONG, SA_FILES, "SYS:HOME", &record), FAILURE);
    EXPECT_EQ(sim().GetEntryInfo(admin, NW_NS_LONG, SA_ANY, nullptr, &record), NWE_PARAM_INVALID);
}

TEST_F(Entries, ModificationsFollowTheMaskAndTheRights) {
    NW_ENTRY_INFO change = info("SYS:readme.txt");
    change.attributes = A_HIDDEN | A_SYSTEM | A_DIRECTORY | A_FILE_COMPRESSED;
    EXPECT_EQ(
        sim().ModifyEntryInfo(admin, NW_NS_LONG, 0x8006, "SYS:readme.txt", DM_ATTRIBUTES, &change),
        SUCCESSFUL);
    EXPECT_EQ(info("SYS:readme.txt").attributes, A_HIDDEN | A_SYSTEM);  // status bits stay
    // Hidden and system entries are found only when the search attributes include them.
    NW_ENTRY_INFO record;
    EXPECT_EQ(sim().GetEntryInfo(admin, NW_NS_LONG, SA_HIDDEN, "SYS:readme.txt", &record), FAILURE);
    EXPECT_EQ(sim().EraseFile(admin, NW_NS_LONG, SA_NORMAL, "SYS:readme.txt"), FAILURE);

    change.inheritedRightsMask = TR_READ;
    EXPECT_EQ(sim().ModifyEntryInfo(admin, NW_NS_LONG, 0x8006, "SYS:readme.txt",
                                    DM_INHERITED_RIGHTS_MASK, &change),
              SUCCESSFUL);
    EXPECT_EQ(info("SYS:readme.txt").inheritedRightsMask, TR_READ | TR_SUPERVISOR);

    change.creatorID = 4660;
    change.archiverID = 777;
    change.archiveDate = (2025 - 1980) << 9 | 6 << 5 | 30;
    change.archiveTime = 12 << 11;
    EXPECT_EQ(sim().ModifyEntryInfo(
                  admin, NW_NS_LONG, 0x8016, "SYS:readme.txt",
                  DM_CREATOR_ID | DM_ARCHIVER_ID | DM_ARCHIVE_DATE | DM_ARCHIVE_TIME, &change),
              SUCCESSFUL);
    record = info("SYS:readme.txt");
    EXPECT_EQ(record.creatorID, 4660u);
    EXPECT_EQ(record.archiverID, 777u);
    EXPECT_EQ(record.archiveDate, change.archiveDate);
    EXPECT_EQ(record.archiveTime, change.archiveTime);
    change.creatorID = 31337;
    EXPECT_EQ(
        sim().ModifyEntryInfo(admin, NW_NS_LONG, 0x8016, "SYS:readme.txt", DM_CREATOR_ID, &change),
        NO_SUCH_OBJECT);

    // The modify date is the file's own time on disk.
    change.modifyDate = (2001 - 1980) << 9 | 2 << 5 | 3;
    change.modifyTime = 4 << 11 | 5 << 5 | 3;
    EXPECT_EQ(sim().ModifyEntryInfo(admin, NW_NS_LONG, 0x8006, "SYS:readme.txt",
                                    DM_MODIFY_DATE | DM_MODIFY_TIME, &change),
              SUCCESSFUL);
    record = info("SYS:readme.txt");
    EXPECT_EQ(record.modifyDate, change.modifyDate);
    EXPECT_EQ(record.modifyTime, change.modifyTime);
    change.modifyDate = 15 << 5;  // month 15
    EXPECT_EQ(
        sim().ModifyEntryInfo(admin, NW_NS_LONG, 0x8006, "SYS:readme.txt", DM_MODIFY_DATE, &change),
        INVALID_PARAMETERS);

    // JSMITH may modify in his home but not change its mask or owner.
    NW_ENTRY_INFO notes = info("SYS:HOME\\JSMITH\\notes.txt");
    notes.attributes = A_READ_ONLY;
    EXPECT_EQ(sim().ModifyEntryInfo(jsmith, NW_NS_LONG, 0x8006, "SYS:HOME\\JSMITH\\notes.txt",
                                    DM_ATTRIBUTES, &notes),
              SUCCESSFUL);
    EXPECT_EQ(sim().ModifyEntryInfo(jsmith, NW_NS_LONG, 0x8006, "SYS:HOME\\JSMITH\\notes.txt",
                                    DM_INHERITED_RIGHTS_MASK, &notes),
              NO_MODIFY_PRIVILEGES);
    EXPECT_EQ(sim().ModifyEntryInfo(jsmith, NW_NS_LONG, 0x8016, "SYS:HOME\\JSMITH\\notes.txt",
                                    DM_CREATOR_ID, &notes),
              NO_MODIFY_PRIVILEGES);
    EXPECT_EQ(sim().ModifyEntryInfo(guest, NW_NS_LONG, 0x8006, "SYS:HOME\\JSMITH\\notes.txt",
                                    DM_ATTRIBUTES, &notes),
              NO_MODIFY_PRIVILEGES);
}

TEST_F(Entries, DirectoryHandlesAreCountedAndLimited) {
    NWDIR_HANDLE handle = 0;
    EXPECT_EQ(sim().AllocTempDirHandle(admin, NW_NS_LONG, "SYS:readme.txt", &handle), INVALID_PATH);
    EXPECT_EQ(sim().AllocTempDirHandle(admin, NW_NS_LONG, "SYS:NOPE", &handle), INVALID_PATH);
    std::vector<NWDIR_HANDLE> handles;
    while (sim().AllocTempDirHandle(admin, NW_NS_LONG, "SYS:", &handle) == SUCCESSFUL)
        handles.push_back(handle);
    EXPECT_EQ(handles.size(), 255u);
    EXPECT_EQ(sim().AllocTempDirHandle(admin, NW_NS_LONG, "SYS:", &handle),
              NO_MORE_DIRECTORY_HANDLES);
    EXPECT_EQ(sim().openDirHandleCount(), 255u);
    EXPECT_EQ(sim().DeallocDirHandle(admin, handles[0]), SUCCESSFUL);
    EXPECT_EQ(sim().DeallocDirHandle(admin, handles[0]), BAD_DIRECTORY_HANDLE);
    EXPECT_EQ(sim().DeallocDirHandle(jsmith, handles[1]), BAD_DIRECTORY_HANDLE);  // not its own
    // Closing the connection handle frees the rest.
    EXPECT_EQ(sim().NWCCCloseConn(admin), SUCCESSFUL);
    EXPECT_EQ(sim().openDirHandleCount(), 0u);
    admin = net.open(testnet::kAdmin);
}

TEST_F(Entries, SearchesGiveDirectoriesThenFilesWithTheirRecords) {
    for (const char* path : {"volumes/FS1/SYS/HOME/a.txt", "volumes/FS1/SYS/HOME/b.dat",
                             "volumes/FS1/SYS/HOME/ZDIR/"}) {
        std::filesystem::path target = net.folder() / path;
        if (target.filename().empty())
            std::filesystem::create_directories(target);
        else
            std::ofstream(target) << "x";
    }
    auto list = [&](NWCONN_HANDLE as, nuint16 attrs, const char* pattern, NWCCODE* end = nullptr) {
        std::vector<std::string> names;
        NWDIR_HANDLE handle = 0;
        EXPECT_EQ(sim().AllocTempDirHandle(as, NW_NS_LONG, "SYS:HOME", &handle), SUCCESSFUL);
        SEARCH_SEQUENCE seq;
        EXPECT_EQ(sim().StartSearch(as, handle, NW_NS_LONG, &seq), SUCCESSFUL);
        NW_ENTRY_INFO record;
        NWCCODE rc;
        while ((rc = sim().SearchNext(as, &seq, NW_NS_LONG, attrs, pattern, &record)) == SUCCESSFUL)
            names.push_back(nameOf(record));
        if (end != nullptr)
            *end = rc;
        EXPECT_EQ(sim().DeallocDirHandle(as, handle), SUCCESSFUL);
        return names;
    };
    EXPECT_EQ(list(admin, SA_DIRECTORIES, "*"),
              (std::vector<std::string>{"JSMITH", "MBROWN", "ZDIR"}));
    EXPECT_EQ(list(admin, SA_FILES, "*"), (std::vector<std::string>{"a.txt", "b.dat"}));
    EXPECT_EQ(list(admin, SA_FILES, "*.TXT"), (std::vector<std::string>{"a.txt"}));
    EXPECT_EQ(list(admin, SA_ALL | SA_FILES, "?DIR"), (std::vector<std::string>{"ZDIR"}));
    // GUEST has no File Scan right there; JSMITH sees it through the mask of HOME (F only).
    NWCCODE end = 0;
    EXPECT_EQ(list(guest, SA_FILES, "*", &end), std::vector<std::string>{});
    EXPECT_EQ(end, ACCESS_DENIED);
    EXPECT_EQ(list(jsmith, SA_FILES, "*", &end).size(), 0u);
    EXPECT_EQ(end, ACCESS_DENIED);  // HOME's mask lets only F through, but JSMITH had none above

    // An entry deleted during a search is not met; the search goes on where it stood.
    NWDIR_HANDLE dir = 0;
    ASSERT_EQ(sim().AllocTempDirHandle(admin, NW_NS_LONG, "SYS:HOME", &dir), SUCCESSFUL);
    SEARCH_SEQUENCE seq;
    NW_ENTRY_INFO record;
    ASSERT_EQ(sim().StartSearch(admin, dir, NW_NS_LONG, &seq), SUCCESSFUL);
    ASSERT_EQ(sim().SearchNext(admin, &seq, NW_NS_LONG, SA_FILES, "*", &record), SUCCESSFUL);
    EXPECT_EQ(nameOf(record), "a.txt");
    EXPECT_EQ(sim().EraseFile(admin, NW_NS_LONG, SA_FILES, "SYS:HOME\\b.dat"), SUCCESSFUL);
    EXPECT_EQ(sim().SearchNext(admin, &seq, NW_NS_LONG, SA_FILES, "*", &record), FAILURE);
    EXPECT_EQ(sim().StartSearch(admin, 0, NW_NS_LONG, &seq), BAD_DIRECTORY_HANDLE);
    EXPECT_EQ(sim().DeallocDirHandle(admin, dir), SUCCESSFUL);
}

TEST_F(Entries, DirectorySpaceRestrictions) {
    NWDIR_HANDLE dir = 0, root = 0;
    ASSERT_EQ(sim().AllocTempDirHandle(jsmith, NW_NS_LONG, "SYS:HOME\\JSMITH", &dir), SUCCESSFUL);
    EXPECT_EQ(sim().SetDirSpaceRestriction(jsmith, dir, 5), NO_MODIFY_PRIVILEGES);
    EXPECT_EQ(sim().DeallocDirHandle(jsmith, dir), SUCCESSFUL);
    ASSERT_EQ(sim().AllocTempDirHandle(admin, NW_NS_LONG, "SYS:HOME\\JSMITH", &dir), SUCCESSFUL);
    EXPECT_EQ(sim().SetDirSpaceRestriction(admin, dir, 0), SUCCESSFUL);
    EXPECT_EQ(info("SYS:HOME\\JSMITH").spaceRestriction, 0);
    EXPECT_EQ(sim().SetDirSpaceRestriction(admin, dir, -5), SUCCESSFUL);
    EXPECT_EQ(info("SYS:HOME\\JSMITH").spaceRestriction, NW_NO_DIRECTORY_RESTRICTION);
    ASSERT_EQ(sim().AllocTempDirHandle(admin, NW_NS_LONG, "SYS:", &root), SUCCESSFUL);
    EXPECT_EQ(sim().SetDirSpaceRestriction(admin, root, 5), DIRECTORY_ACTIVE);
    EXPECT_EQ(sim().SetDirSpaceRestriction(admin, 77, 5), BAD_DIRECTORY_HANDLE);
    EXPECT_EQ(sim().DeallocDirHandle(admin, dir), SUCCESSFUL);
    EXPECT_EQ(sim().DeallocDirHandle(admin, root), SUCCESSFUL);
}

TEST_F(Entries, CreateChecksNamesPlacesAndRights) {
    EXPECT_EQ(sim().CreateDirectory(admin, NW_NS_LONG, "SYS:New Folder", 0xFB), SUCCESSFUL);
    NW_ENTRY_INFO made = info("SYS:NEW FOLDER");
    EXPECT_EQ(made.attributes, A_DIRECTORY);
    EXPECT_EQ(made.inheritedRightsMask, 0xFB | TR_SUPERVISOR);
    EXPECT_TRUE(exists("volumes/FS1/SYS/New Folder"));
    EXPECT_EQ(sim().CreateDirectory(admin, NW_NS_LONG, "SYS:new folder", 0xFB), NAME_EXISTS);
    EXPECT_EQ(sim().CreateDirectory(admin, NW_NS_LONG, "SYS:readme.txt", 0xFB), NAME_EXISTS);
    EXPECT_EQ(sim().CreateDirectory(admin, NW_NS_LONG, "SYS:NOPE\\X", 0xFB), INVALID_PATH);
    EXPECT_EQ(sim().CreateDirectory(admin, NW_NS_LONG, "SYS:readme.txt\\X", 0xFB), INVALID_PATH);
    for (const char* bad : {"SYS:", "SYS:.", "SYS:..", "SYS:a*b", "SYS:a?", "SYS:a|b", "SYS:a\"",
                            "SYS:NEW FOLDER\\", "SYS:a<b>"}) {
        EXPECT_EQ(sim().CreateDirectory(admin, NW_NS_LONG, bad, 0xFB), INVALID_FILENAME) << bad;
    }
    EXPECT_EQ(sim().CreateDirectory(admin, NW_NS_DOS, "DOS:Long Name", 0xFB), INVALID_FILENAME);
    EXPECT_EQ(sim().CreateDirectory(admin, NW_NS_DOS, "DOS:sub", 0xFB), SUCCESSFUL);
    EXPECT_TRUE(exists("volumes/FS1/DOS/SUB"));  // DOS names are upper case
    EXPECT_EQ(sim().CreateDirectory(guest, NW_NS_LONG, "SYS:G", 0xFB), NO_CREATE_PRIVILEGES);
    EXPECT_EQ(sim().CreateDirectory(jsmith, NW_NS_LONG, "SYS:HOME\\JSMITH\\Work", 0xFB),
              SUCCESSFUL);
    nuint32 jsmithId = 0;
    ASSERT_EQ(sim().GetBinderyObjectID(admin, "JSMITH", BINDERY_USER, &jsmithId), SUCCESSFUL);
    EXPECT_EQ(info("SYS:HOME\\JSMITH\\Work").creatorID, jsmithId);

    NW_FILE_HANDLE file = 0;
    EXPECT_EQ(sim().CreateFile(jsmith, NW_NS_LONG, "SYS:HOME\\JSMITH\\Work\\Plan.txt",
                               A_SHAREABLE | A_DIRECTORY, false, &file),
              SUCCESSFUL);
    nuint32 written = 0;
    EXPECT_EQ(sim().WriteFile(file, 4, "plan", &written), SUCCESSFUL);
    EXPECT_EQ(sim().CloseFile(file), SUCCESSFUL);
    EXPECT_EQ(read("volumes/FS1/SYS/HOME/JSMITH/Work/Plan.txt"), "plan");
    EXPECT_EQ(info("SYS:HOME\\JSMITH\\Work\\PLAN.TXT").attributes, A_SHAREABLE);
    EXPECT_EQ(
        sim().CreateFile(jsmith, NW_NS_LONG, "SYS:HOME\\JSMITH\\Work\\plan.txt", 0, false, &file),
        NAME_EXISTS);
    EXPECT_EQ(sim().CreateFile(jsmith, NW_NS_LONG, "SYS:HOME\\JSMITH\\Work", 0, true, &file),
              NAME_EXISTS);
    // Replacing empties the file, with the Write right only.
    EXPECT_EQ(
        sim().CreateFile(jsmith, NW_NS_LONG, "SYS:HOME\\JSMITH\\Work\\plan.txt", 0, true, &file),
        SUCCESSFUL);
    EXPECT_EQ(sim().CloseFile(file), SUCCESSFUL);
    EXPECT_EQ(read("volumes/FS1/SYS/HOME/JSMITH/Work/Plan.txt"), "");
    EXPECT_EQ(sim().CreateFile(admin, NW_NS_LONG, "SYS:PUBLIC\\LOGIN.EXE", 0, true, &file),
              NO_WRITE_PRIVILEGES);  // read-only
    EXPECT_EQ(sim().CreateFile(guest, NW_NS_LONG, "SYS:g.txt", 0, false, &file),
              NO_CREATE_PRIVILEGES);
    EXPECT_FALSE(exists("volumes/FS1/SYS/g.txt"));
}

TEST_F(Entries, NewLongNamesTakeTheLowestFreeDosName) {
    auto make = [&](const char* path) {
        NW_FILE_HANDLE file = 0;
        ASSERT_EQ(sim().CreateFile(admin, NW_NS_LONG, path, 0, false, &file), SUCCESSFUL);
        EXPECT_EQ(sim().CloseFile(file), SUCCESSFUL);
    };
    make("SYS:Report One.txt");
    make("SYS:Report Two.txt");
    EXPECT_EQ(nameOf(info("SYS:Report Two.txt", 0, NW_NS_LONG)), "Report Two.txt");
    EXPECT_EQ(nameOf(info("SYS:REPORT~2.TXT", 0, NW_NS_DOS)), "REPORT~2.TXT");
    ASSERT_EQ(sim().EraseFile(admin, NW_NS_LONG, SA_FILES, "SYS:Report One.txt"), SUCCESSFUL);
    make("SYS:Report Three.txt");
    EXPECT_EQ(info("SYS:REPORT~1.TXT", 0, NW_NS_DOS).dirEntNum,
              info("SYS:Report Three.txt").dirEntNum);
    make("SYS:Report Four.txt");
    EXPECT_EQ(info("SYS:REPORT~3.TXT", 0, NW_NS_DOS).dirEntNum,
              info("SYS:Report Four.txt").dirEntNum);
}

TEST_F(Entries, DeleteRemovesOnlyEmptyDirectoriesItMay) {
    EXPECT_EQ(sim().DeleteDirectory(admin, NW_NS_LONG, "SYS:HOME"), DIRECTORY_NOT_EMPTY);
    EXPECT_EQ(sim().DeleteDirectory(admin, NW_NS_LONG, "SYS:"), DIRECTORY_ACTIVE);
    EXPECT_EQ(sim().DeleteDirectory(admin, NW_NS_LONG, "SYS:readme.txt"), INVALID_PATH);
    EXPECT_EQ(sim().DeleteDirectory(admin, NW_NS_LONG, "SYS:NOPE"), INVALID_PATH);
    EXPECT_EQ(sim().DeleteDirectory(jsmith, NW_NS_LONG, "SYS:HOME\\MBROWN"), NO_DELETE_PRIVILEGES);
    NWDIR_HANDLE dir = 0;
    ASSERT_EQ(sim().AllocTempDirHandle(admin, NW_NS_LONG, "SYS:HOME\\MBROWN", &dir), SUCCESSFUL);
    EXPECT_EQ(sim().DeleteDirectory(admin, NW_NS_LONG, "SYS:HOME\\MBROWN"), DIRECTORY_ACTIVE);
    EXPECT_EQ(sim().DeallocDirHandle(admin, dir), SUCCESSFUL);
    NW_ENTRY_INFO inhibit = info("SYS:HOME\\MBROWN");
    inhibit.attributes = A_DELETE_INHIBIT;
    ASSERT_EQ(sim().ModifyEntryInfo(admin, NW_NS_LONG, 0x8006, "SYS:HOME\\MBROWN", DM_ATTRIBUTES,
                                    &inhibit),
              SUCCESSFUL);
    EXPECT_EQ(sim().DeleteDirectory(admin, NW_NS_LONG, "SYS:HOME\\MBROWN"), NO_DELETE_PRIVILEGES);
    inhibit.attributes = 0;
    ASSERT_EQ(sim().ModifyEntryInfo(admin, NW_NS_LONG, 0x8006, "SYS:HOME\\MBROWN", DM_ATTRIBUTES,
                                    &inhibit),
              SUCCESSFUL);
    EXPECT_EQ(sim().DeleteDirectory(admin, NW_NS_LONG, "SYS:HOME\\MBROWN"), SUCCESSFUL);
    EXPECT_FALSE(exists("volumes/FS1/SYS/HOME/MBROWN"));
    NW_ENTRY_INFO record;
    EXPECT_EQ(sim().GetEntryInfo(admin, NW_NS_LONG, SA_ANY, "SYS:HOME\\MBROWN", &record),
              INVALID_PATH);
    // A directory made again under that name starts without the old metadata.
    EXPECT_EQ(sim().CreateDirectory(admin, NW_NS_LONG, "SYS:HOME\\MBROWN", 0xFB), SUCCESSFUL);
    EXPECT_EQ(info("SYS:HOME\\MBROWN").attributes, A_DIRECTORY);
}

TEST_F(Entries, EraseKeepsTheFileForSalvageUnlessItIsPurgedAtOnce) {
    EXPECT_EQ(sim().EraseFile(admin, NW_NS_LONG, SA_FILES, "SYS:HOME"), INVALID_PATH);
    EXPECT_EQ(sim().EraseFile(admin, NW_NS_LONG, SA_FILES, "SYS:PUBLIC\\LOGIN.EXE"),
              NO_DELETE_PRIVILEGES);  // read-only
    EXPECT_EQ(sim().EraseFile(guest, NW_NS_LONG, SA_FILES, "SYS:readme.txt"), NO_DELETE_PRIVILEGES);
    NW_FILE_HANDLE file = 0;
    ASSERT_EQ(sim().OpenFile(admin, NW_NS_LONG, SA_FILES, "SYS:readme.txt", AR_READ, &file),
              SUCCESSFUL);
    EXPECT_EQ(sim().EraseFile(admin, NW_NS_LONG, SA_FILES, "SYS:readme.txt"), FILE_IN_USE);
    EXPECT_EQ(sim().CloseFile(file), SUCCESSFUL);
    EXPECT_EQ(sim().EraseFile(admin, NW_NS_LONG, SA_FILES, "SYS:readme.txt"), SUCCESSFUL);
    EXPECT_FALSE(exists("volumes/FS1/SYS/readme.txt"));
    EXPECT_EQ(sim().EraseFile(admin, NW_NS_LONG, SA_FILES, "SYS:readme.txt"), INVALID_PATH);
    EXTENDED_VOLUME_INFO extended;
    ASSERT_EQ(sim().GetExtendedVolumeInfo(admin, 0, 1, &extended), SUCCESSFUL);
    EXPECT_EQ(extended.deletedFiles, 2u);

    NW_FILE_HANDLE made = 0;
    ASSERT_EQ(sim().CreateFile(admin, NW_NS_LONG, "SYS:gone.tmp", A_IMMEDIATE_PURGE, false, &made),
              SUCCESSFUL);
    EXPECT_EQ(sim().CloseFile(made), SUCCESSFUL);
    EXPECT_EQ(sim().EraseFile(admin, NW_NS_LONG, SA_FILES, "SYS:gone.tmp"), SUCCESSFUL);
    ASSERT_EQ(sim().GetExtendedVolumeInfo(admin, 0, 1, &extended), SUCCESSFUL);
    EXPECT_EQ(extended.deletedFiles, 2u);  // purged at once

    // The deleted files' bytes lie outside every volume folder.
    for (auto& entry : std::filesystem::recursive_directory_iterator(net.folder() / "volumes")) {
        EXPECT_NE(entry.path().filename(), "readme.txt");
    }
}

TEST_F(Entries, RenameAndMoveKeepTheMetadataBelow) {
    NW_ENTRY_INFO record;
    EXPECT_EQ(
        sim().MoveEntry(guest, NW_NS_LONG, SA_DIRECTORIES, "SYS:HOME\\JSMITH", "SYS:HOME\\John"),
        NO_MODIFY_PRIVILEGES);
    EXPECT_EQ(
        sim().MoveEntry(admin, NW_NS_LONG, SA_DIRECTORIES, "SYS:HOME\\JSMITH", "SYS:HOME\\John"),
        SUCCESSFUL);
    EXPECT_TRUE(exists("volumes/FS1/SYS/HOME/John/notes.txt"));
    EXPECT_EQ(info("SYS:HOME\\JOHN").spaceRestriction, 100);
    EXPECT_EQ(rights(jsmith, "SYS:HOME\\John\\notes.txt") & TR_WRITE, TR_WRITE);
    EXPECT_EQ(sim().GetEntryInfo(admin, NW_NS_LONG, SA_ANY, "SYS:HOME\\JSMITH", &record),
              INVALID_PATH);

    // Into another directory: the trustee assignments travel along.
    EXPECT_EQ(sim().MoveEntry(admin, NW_NS_LONG, SA_DIRECTORIES, "SYS:HOME\\John", "SYS:John"),
              SUCCESSFUL);
    EXPECT_EQ(rights(jsmith, "SYS:John\\notes.txt") & TR_WRITE, TR_WRITE);
    // Case only.
    EXPECT_EQ(sim().MoveEntry(admin, NW_NS_LONG, SA_DIRECTORIES, "SYS:John", "SYS:JOHN"),
              SUCCESSFUL);
    EXPECT_TRUE(exists("volumes/FS1/SYS/JOHN"));

    EXPECT_EQ(sim().MoveEntry(admin, NW_NS_LONG, SA_FILES, "SYS:readme.txt", "SYS:HOME"),
              NAME_EXISTS);
    EXPECT_EQ(sim().MoveEntry(admin, NW_NS_LONG, SA_DIRECTORIES, "SYS:HOME", "SYS:HOME\\MBROWN\\H"),
              INVALID_PATH);  // into itself
    EXPECT_EQ(sim().MoveEntry(admin, NW_NS_LONG, SA_FILES, "SYS:readme.txt", "DOS:README2.TXT"),
              RENAMING_ACROSS_VOLUMES);
    EXPECT_EQ(sim().MoveEntry(admin, NW_NS_LONG, SA_FILES, "SYS:readme.txt", "SYS:NOPE\\x"),
              INVALID_PATH);
    EXPECT_EQ(sim().MoveEntry(admin, NW_NS_LONG, SA_FILES, "SYS:readme.txt", "SYS:a:b"),
              INVALID_FILENAME);
    EXPECT_EQ(sim().MoveEntry(admin, NW_NS_LONG, SA_FILES, "SYS:", "SYS:x"), DIRECTORY_ACTIVE);
    EXPECT_EQ(sim().MoveEntry(admin, NW_NS_LONG, SA_FILES, "SYS:HOME", "SYS:x"), FAILURE);
    EXPECT_EQ(sim().MoveEntry(guest, NW_NS_LONG, SA_FILES, "SYS:readme.txt", "SYS:r.txt"),
              NO_MODIFY_PRIVILEGES);
    EXPECT_EQ(sim().MoveEntry(jsmith, NW_NS_LONG, SA_FILES, "SYS:PUBLIC\\LOGIN.EXE",
                              "SYS:JOHN\\LOGIN.EXE"),
              NO_DELETE_PRIVILEGES);
    EXPECT_EQ(sim().MoveEntry(jsmith, NW_NS_LONG, SA_FILES, "SYS:JOHN\\notes.txt",
                              "SYS:PUBLIC\\notes.txt"),
              NO_CREATE_PRIVILEGES);
    NW_ENTRY_INFO inhibit = info("SYS:readme.txt");
    inhibit.attributes = A_RENAME_INHIBIT;
    ASSERT_EQ(
        sim().ModifyEntryInfo(admin, NW_NS_LONG, 0x8006, "SYS:readme.txt", DM_ATTRIBUTES, &inhibit),
        SUCCESSFUL);
    EXPECT_EQ(sim().MoveEntry(admin, NW_NS_LONG, SA_FILES, "SYS:readme.txt", "SYS:r.txt"),
              NO_MODIFY_PRIVILEGES);
}

TEST_F(Entries, FilesReadWriteSeekAndCopyOnTheServer) {
    NW_FILE_HANDLE file = 0;
    EXPECT_EQ(sim().OpenFile(guest, NW_NS_LONG, SA_FILES, "SYS:readme.txt", AR_READ, &file),
              ACCESS_DENIED);
    EXPECT_EQ(sim().OpenFile(jsmith, NW_NS_LONG, SA_FILES, "SYS:PUBLIC\\LOGIN.EXE",
                             AR_READ | AR_WRITE, &file),
              NO_WRITE_PRIVILEGES);
    EXPECT_EQ(sim().OpenFile(admin, NW_NS_LONG, SA_FILES, "SYS:PUBLIC\\LOGIN.EXE", AR_WRITE, &file),
              NO_WRITE_PRIVILEGES);  // read-only
    EXPECT_EQ(sim().OpenFile(admin, NW_NS_LONG, SA_FILES, "SYS:HOME", AR_READ, &file),
              INVALID_PATH);
    ASSERT_EQ(sim().OpenFile(jsmith, NW_NS_LONG, SA_FILES, "SYS:PUBLIC\\LOGIN.EXE", AR_READ, &file),
              SUCCESSFUL);
    // The file shows as open by JSMITH's station.
    OPEN_FILE_CONN_CTRL ctrl;
    OPEN_FILE_CONN open;
    nint16 it = 0;
    EXPECT_EQ(sim().NWScanOpenFilesByConn2(admin, 2, &it, &ctrl, &open), SUCCESSFUL);
    EXPECT_STREQ(open.fileName, "LOGIN.EXE");

    char buffer[64] = {};
    nuint32 n = 0;
    EXPECT_EQ(sim().ReadFile(file, 4, &n, buffer), SUCCESSFUL);
    EXPECT_EQ(std::string(buffer, n), "test");
    nint64 position = 0;
    EXPECT_EQ(sim().SeekFile(file, 1, SEEK_FROM_CURRENT, &position), SUCCESSFUL);
    EXPECT_EQ(position, 5);
    EXPECT_EQ(sim().ReadFile(file, 4, &n, buffer), SUCCESSFUL);
    EXPECT_EQ(std::string(buffer, n), "file");
    EXPECT_EQ(sim().SeekFile(file, -100, SEEK_FROM_CURRENT, &position), INVALID_PARAMETERS);
    EXPECT_EQ(sim().SeekFile(file, 0, 9, &position), INVALID_PARAMETERS);
    EXPECT_EQ(sim().SeekFile(file, 0, SEEK_FROM_END, &position), SUCCESSFUL);
    EXPECT_EQ(sim().ReadFile(file, 10, &n, buffer), SUCCESSFUL);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(sim().WriteFile(file, 1, "x", &n), NO_WRITE_PRIVILEGES);

    NW_FILE_HANDLE copy = 0;
    ASSERT_EQ(sim().CreateFile(jsmith, NW_NS_LONG, "SYS:HOME\\JSMITH\\login.copy", 0, false, &copy),
              SUCCESSFUL);
    nuint64 copied = 0;
    EXPECT_EQ(sim().CopyFileData(jsmith, copy, file, 0, 0, 100, &copied), NO_WRITE_PRIVILEGES);
    EXPECT_EQ(sim().CopyFileData(jsmith, file, copy, 0, 0, 1000, &copied), SUCCESSFUL);
    EXPECT_EQ(copied, position);  // the source ends first
    EXPECT_EQ(sim().CopyFileData(jsmith, file, 0x5555, 0, 0, 1, &copied), INVALID_FILE_HANDLE);
    EXPECT_EQ(sim().CloseFile(file), SUCCESSFUL);
    EXPECT_EQ(sim().CloseFile(copy), SUCCESSFUL);
    EXPECT_EQ(sim().CloseFile(copy), INVALID_FILE_HANDLE);
    EXPECT_EQ(read("volumes/FS1/SYS/HOME/JSMITH/login.copy"),
              read("volumes/FS1/SYS/PUBLIC/LOGIN.EXE"));
    it = 0;
    EXPECT_EQ(sim().NWScanOpenFilesByConn2(admin, 2, &it, &ctrl, &open), FAILURE);
}

TEST_F(Entries, TheFaultDecoratorCoversTheVolumeOperations) {
    FaultInjectingClient faulty(sim());
    faulty.fail(Op::SearchNext, DIRECTORY_IO_ERROR, {.skip = 1, .times = 1});
    NWDIR_HANDLE dir = 0;
    ASSERT_EQ(faulty.AllocTempDirHandle(admin, NW_NS_LONG, "SYS:", &dir), SUCCESSFUL);
    SEARCH_SEQUENCE seq;
    NW_ENTRY_INFO record;
    ASSERT_EQ(faulty.StartSearch(admin, dir, NW_NS_LONG, &seq), SUCCESSFUL);
    EXPECT_EQ(faulty.SearchNext(admin, &seq, NW_NS_LONG, SA_ANY, "*", &record), SUCCESSFUL);
    EXPECT_EQ(faulty.SearchNext(admin, &seq, NW_NS_LONG, SA_ANY, "*", &record), DIRECTORY_IO_ERROR);
    EXPECT_EQ(faulty.calls(Op::SearchNext), 2);
    EXPECT_STREQ(opName(Op::RecoverSalvageableFile), "RecoverSalvageableFile");
    EXPECT_EQ(faulty.DeallocDirHandle(admin, dir), SUCCESSFUL);
}

}  // namespace
