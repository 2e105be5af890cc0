#include "core/drives.h"

#include <gtest/gtest.h>

namespace varnook {
namespace {

using Entries = std::vector<std::string>;

TEST(EnumerateDrives, LettersAToZWithTheDriveListLabel) {
    const Entries texts = {"c: [Local Disk]", "f: [\\\\FS1\\SYS]", "G: [\\\\FS1\\DATA]"};
    const Entries found =
        EnumerateDrives([](int d) { return d == 6 || d == 7 || d == 26 ? 0 : 0x883C; }, texts);
    EXPECT_EQ(found, (Entries{"F:   [\\\\FS1\\SYS]", "G:   [\\\\FS1\\DATA]", "Z:   "}));
}

TEST(MergeDriveList, NewDrivesAppendedStaleOnesRemoved) {
    const auto u = MergeDriveList({"F:   a", "G:   b", "H:   c", "K:   d"}, 3,
                                  {"F:   a", "K:   d", "E:   new"});
    EXPECT_EQ(u.entries, (Entries{"F:   a", "K:   d", "E:   new"}));
    // The selection keeps its index, not its text; index 3 no longer exists: the last entry.
    EXPECT_EQ(u.selected, 2);
}

TEST(MergeDriveList, SelectionKeepsItsIndex) {
    const auto u = MergeDriveList({"F:   a", "G:   b", "H:   c"}, 1, {"G:   b", "H:   c"});
    EXPECT_EQ(u.entries, (Entries{"G:   b", "H:   c"}));
    EXPECT_EQ(u.selected, 1);  // now "H:   c"
}

TEST(MergeDriveList, NoSelectionStaysNoSelectionAndEmptyListSelectsFirst) {
    EXPECT_EQ(MergeDriveList({"F:   a"}, -1, {"F:   a", "G:   b"}).selected, -1);
    EXPECT_EQ(MergeDriveList({}, 0, {"F:   a", "G:   b"}).selected, 0);
    EXPECT_EQ(MergeDriveList({"F:   a"}, 0, {}).selected, -1);
}

TEST(SortWithoutRegardToCase, CaseTwinsInByteOrder) {
    Entries names = {"beta.txt", "Alpha.doc", ".hidden", "gamma with blanks.xls", "alpha.doc"};
    SortWithoutRegardToCase(names);
    EXPECT_EQ(names,
              (Entries{".hidden", "Alpha.doc", "alpha.doc", "beta.txt", "gamma with blanks.xls"}));
}

TEST(DriveNumber, FromTheFirstLetter) {
    EXPECT_EQ(DriveNumber("f: [x]"), 6);
    EXPECT_EQ(DriveNumber("A:"), 1);
    EXPECT_EQ(DriveNumber(""), 0);
    EXPECT_EQ(DriveNumber("1"), 0);
}

}  // namespace
}  // namespace varnook
