// Deleted files: scan, purge and salvage of the very file asked for.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "volume_network.h"

namespace {

using namespace nw;
using testnet::VolumeTest;

class Salvage : public VolumeTest {
protected:
    void SetUp() override {
        VolumeTest::SetUp();
        ASSERT_EQ(sim().AllocTempDirHandle(admin, NW_NS_LONG, "SYS:PUBLIC", &publicDir),
                  SUCCESSFUL);
    }
    void TearDown() override {
        EXPECT_EQ(sim().DeallocDirHandle(admin, publicDir), SUCCESSFUL);
        VolumeTest::TearDown();
    }

    // name -> sequence of the deleted files kept in a directory (the last of a name wins).
    std::vector<NW_DELETED_FILE> scan(NWDIR_HANDLE dir, nuint8 nameSpace = NW_NS_LONG) {
        std::vector<NW_DELETED_FILE> found;
        nuint32 sequence = 0xFFFFFFFF;
        NW_DELETED_FILE deleted;
        NWCCODE rc;
        while ((rc = sim().ScanSalvageableFiles(admin, dir, nameSpace, &sequence, &deleted)) ==
               SUCCESSFUL) {
            found.push_back(deleted);
        }
        EXPECT_EQ(rc, FAILURE);
        return found;
    }
    void makeAndErase(const char* path, const std::string& text) {
        NW_FILE_HANDLE file = 0;
        ASSERT_EQ(sim().CreateFile(admin, NW_NS_LONG, path, 0, false, &file), SUCCESSFUL);
        nuint32 written = 0;
        ASSERT_EQ(sim().WriteFile(file, static_cast<nuint32>(text.size()), text.data(), &written),
                  SUCCESSFUL);
        ASSERT_EQ(sim().CloseFile(file), SUCCESSFUL);
        ASSERT_EQ(sim().EraseFile(admin, NW_NS_LONG, SA_FILES, path), SUCCESSFUL);
    }

    NWDIR_HANDLE publicDir = 0;
};

std::string nameOf(const NW_DELETED_FILE& deleted) {
    return std::string(deleted.entryName, deleted.nameLength);
}

TEST_F(Salvage, ScansTheDeletedFilesWithTheirRecords) {
    std::vector<NW_DELETED_FILE> kept = scan(publicDir);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(nameOf(kept[0]), "Old Notes.txt");
    EXPECT_EQ(+kept[0].dataSize, 3u);
    EXPECT_EQ(+kept[0].deletorID, 777u);
    EXPECT_EQ(+kept[0].deletedDate, (2026 - 1980) << 9 | 1 << 5 | 1);
    EXPECT_EQ(+kept[0].deletedTime, 10 << 11);
    EXPECT_EQ(nameOf(scan(publicDir, NW_NS_DOS)[0]), "OLDNOT~1.TXT");

    // A file erased here joins the list with what it was.
    NW_ENTRY_INFO before = info("SYS:PUBLIC\\LOGIN.EXE");
    NW_ENTRY_INFO clear = before;
    clear.attributes = A_SHAREABLE;
    ASSERT_EQ(sim().ModifyEntryInfo(admin, NW_NS_LONG, 0x8006, "SYS:PUBLIC\\LOGIN.EXE",
                                    DM_ATTRIBUTES, &clear),
              SUCCESSFUL);
    ASSERT_EQ(sim().EraseFile(admin, NW_NS_LONG, SA_FILES, "SYS:PUBLIC\\LOGIN.EXE"), SUCCESSFUL);
    kept = scan(publicDir);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(nameOf(kept[1]), "LOGIN.EXE");
    EXPECT_EQ(+kept[1].creatorID, 777u);
    EXPECT_EQ(+kept[1].creationDate, before.creationDate);
    EXPECT_EQ(+kept[1].modifyDate, before.modifyDate);
    EXPECT_EQ(+kept[1].attributes, A_SHAREABLE);
    EXPECT_EQ(+kept[1].dataSize, before.dataSize);
    EXPECT_GT(+kept[1].sequence, +kept[0].sequence);

    nuint32 sequence = 0xFFFFFFFF;
    NW_DELETED_FILE deleted;
    EXPECT_EQ(sim().ScanSalvageableFiles(admin, 200, NW_NS_LONG, &sequence, &deleted),
              BAD_DIRECTORY_HANDLE);
    NWDIR_HANDLE home = 0;
    ASSERT_EQ(sim().AllocTempDirHandle(admin, NW_NS_LONG, "SYS:HOME", &home), SUCCESSFUL);
    EXPECT_EQ(sim().ScanSalvageableFiles(admin, home, NW_NS_LONG, &sequence, &deleted), FAILURE);
    EXPECT_EQ(sim().DeallocDirHandle(admin, home), SUCCESSFUL);
}

TEST_F(Salvage, SalvageAndPurgeActOnTheVeryFileAskedFor) {
    makeAndErase("SYS:PUBLIC\\dup.txt", "first");
    makeAndErase("SYS:PUBLIC\\dup.txt", "second");
    std::vector<NW_DELETED_FILE> kept = scan(publicDir);
    ASSERT_EQ(kept.size(), 3u);
    nuint32 first = kept[1].sequence, second = kept[2].sequence;
    ASSERT_NE(first, second);

    EXPECT_EQ(sim().RecoverSalvageableFile(admin, publicDir, NW_NS_LONG, second, "dup.txt"),
              SUCCESSFUL);
    EXPECT_EQ(read("volumes/FS1/SYS/PUBLIC/dup.txt"), "second");
    EXPECT_EQ(sim().RecoverSalvageableFile(admin, publicDir, NW_NS_LONG, first, nullptr),
              NAME_EXISTS);
    EXPECT_EQ(sim().RecoverSalvageableFile(admin, publicDir, NW_NS_LONG, first, "a:b"),
              INVALID_FILENAME);
    EXPECT_EQ(sim().RecoverSalvageableFile(admin, publicDir, NW_NS_LONG, first, "dup (1).txt"),
              SUCCESSFUL);
    EXPECT_EQ(read("volumes/FS1/SYS/PUBLIC/dup (1).txt"), "first");
    EXPECT_EQ(sim().RecoverSalvageableFile(admin, publicDir, NW_NS_LONG, first, nullptr), FAILURE);
    info("SYS:PUBLIC\\DUP (1).TXT");

    VOLUME_STATS before;
    ASSERT_EQ(sim().GetVolumeStats(admin, 0, &before), SUCCESSFUL);
    EXPECT_EQ(sim().PurgeSalvageableFile(admin, publicDir, kept[0].sequence), SUCCESSFUL);
    EXPECT_EQ(sim().PurgeSalvageableFile(admin, publicDir, kept[0].sequence), FAILURE);
    EXPECT_TRUE(scan(publicDir).empty());
    VOLUME_STATS after;
    ASSERT_EQ(sim().GetVolumeStats(admin, 0, &after), SUCCESSFUL);
    EXPECT_EQ(after.purgeableBlocks, before.purgeableBlocks - 1);
}

TEST_F(Salvage, DeletedFilesOfARemovedDirectoryStaySalvageableFromTheRoot) {
    ASSERT_EQ(sim().CreateDirectory(admin, NW_NS_LONG, "SYS:TMP", 0xFB), SUCCESSFUL);
    makeAndErase("SYS:TMP\\scratch.txt", "kept");
    ASSERT_EQ(sim().DeleteDirectory(admin, NW_NS_LONG, "SYS:TMP"), SUCCESSFUL);
    NWDIR_HANDLE root = 0;
    ASSERT_EQ(sim().AllocTempDirHandle(admin, NW_NS_LONG, "SYS:", &root), SUCCESSFUL);
    std::vector<NW_DELETED_FILE> kept = scan(root);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(nameOf(kept[0]), "scratch.txt");
    EXPECT_EQ(sim().RecoverSalvageableFile(admin, root, NW_NS_LONG, kept[0].sequence, nullptr),
              SUCCESSFUL);
    EXPECT_EQ(read("volumes/FS1/SYS/scratch.txt"), "kept");
    EXPECT_EQ(sim().DeallocDirHandle(admin, root), SUCCESSFUL);
}

TEST_F(Salvage, OnADosOnlyVolumeTheDosNameGivesTheOldLongName) {
    NWDIR_HANDLE dos = 0;
    ASSERT_EQ(sim().AllocTempDirHandle(admin, NW_NS_DOS, "DOS:", &dos), SUCCESSFUL);
    ASSERT_EQ(sim().EraseFile(admin, NW_NS_DOS, SA_FILES, "DOS:LONGNA~1.TXT"), SUCCESSFUL);
    std::vector<NW_DELETED_FILE> kept = scan(dos, NW_NS_DOS);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(nameOf(kept[0]), "LONGNA~1.TXT");
    EXPECT_EQ(sim().RecoverSalvageableFile(admin, dos, NW_NS_DOS, kept[0].sequence, "LONGNA~1.TXT"),
              SUCCESSFUL);
    EXPECT_TRUE(exists("volumes/FS1/DOS/Long Name.txt"));
    EXPECT_EQ(sim().DeallocDirHandle(admin, dos), SUCCESSFUL);
}

}  // namespace
