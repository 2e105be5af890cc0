#include "core/locklayout.h"

#include <gtest/gtest.h>

namespace varnook {
namespace {

TEST(LockInfoMinimumSize, SnapsBackUnlessMinimised) {
    EXPECT_FALSE(LockInfoMinimumSize(2500, 2000, false));
    const auto narrow = LockInfoMinimumSize(1000, 5000, false);
    ASSERT_TRUE(narrow);
    EXPECT_EQ(narrow->width, 2500);
    EXPECT_EQ(narrow->height, 5000);
    const auto low = LockInfoMinimumSize(6000, 1500, false);
    ASSERT_TRUE(low);
    EXPECT_EQ(low->width, 6000);
    EXPECT_EQ(low->height, 2000);
    EXPECT_FALSE(LockInfoMinimumSize(100, 100, true));
}

TEST(LayoutLockInfo, ProportionsOfTheWindow) {
    LockInfoControls c;
    c.cmdOK = {0, 0, 1200, 375};
    c.lstvFileLock = {50, 780, 0, 0};
    const LockInfoControls l = LayoutLockInfo(c, 7100, 4000, false);
    EXPECT_EQ(l.lblLockFileName.width, 7000);
    EXPECT_EQ(l.cmdOK.left, 2950);
    EXPECT_EQ(l.cmdOK.top, 3175);
    EXPECT_EQ(l.lstvFileLock.width, 7000);
    EXPECT_EQ(l.lstvFileLock.height, 1900);
    EXPECT_EQ(l.lstvFileLock.top, 780);
    EXPECT_EQ(l.columns[0], 1400);
    EXPECT_EQ(l.columns[2], 1400);
    EXPECT_EQ(l.columns[3], 1000);
    // At the smallest height the list shrinks to nothing rather than a negative height.
    EXPECT_EQ(LayoutLockInfo(c, 2500, 2000, false).lstvFileLock.height, 0);
    EXPECT_EQ(LayoutLockInfo(c, 7100, 4000, true).cmdOK.left, 0);
}

}  // namespace
}  // namespace varnook
