#include "core/layout.h"

#include <gtest/gtest.h>

namespace varnook {
namespace {

MainControls Initial() {
    MainControls c;
    c.Label2 = {240, 0, 2000, 240};
    c.Label3 = {0, 0, 1000, 240};
    c.lstLoginIDs = {0, 240, 100, 100};
    c.lstviewServers = {120, 0, 100, 100};
    c.cmd_Exit = {0, 0, 1215, 375};
    c.cmd_scan = {0, 0, 1815, 375};
    return c;
}

TEST(MainLayout, MinimumSize) {
    EXPECT_FALSE(EnlargeToMinimum(6040, 4000, false));
    const auto both = EnlargeToMinimum(5000, 3000, false);
    ASSERT_TRUE(both);
    EXPECT_EQ(both->width, 6040);
    EXPECT_EQ(both->height, 4000);
    const auto wide = EnlargeToMinimum(9000, 3999, false);
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->width, 9000);
    EXPECT_EQ(wide->height, 4000);
    EXPECT_FALSE(EnlargeToMinimum(100, 100, true));
}

TEST(MainLayout, ProportionsAt12000By9000) {
    const MainControls c = LayoutMainWindow(Initial(), 12000, 8500, false);
    EXPECT_DOUBLE_EQ(c.lstFiles.width, 3920);
    EXPECT_DOUBLE_EQ(c.lstFiles.height, 5000);
    EXPECT_DOUBLE_EQ(c.lstviewServers.width, 12000 / 2.3);
    EXPECT_DOUBLE_EQ(c.lstviewServers.top, 240 + 5000 + 200);
    EXPECT_DOUBLE_EQ(c.lstviewServers.height, 8500 - 5440 - 1200);
    EXPECT_DOUBLE_EQ(c.Label2.top, 5440 - 240 - 30);
    EXPECT_DOUBLE_EQ(c.Dir1.left, 3970);
    EXPECT_DOUBLE_EQ(c.Dir1.height, 2 * (5000.0 / 3));
    EXPECT_DOUBLE_EQ(c.lstDrives.top, c.Dir1.height + 20);
    EXPECT_DOUBLE_EQ(c.lstDrives.height, 5000 - c.Dir1.height);
    EXPECT_DOUBLE_EQ(c.lstLoginIDs.left, 3970 + 3920 + 50);
    EXPECT_DOUBLE_EQ(c.lstLoginIDs.height, 5000 - 240 + 30);
    EXPECT_DOUBLE_EQ(c.Label3.left, c.lstLoginIDs.left);
    EXPECT_DOUBLE_EQ(c.cmd_Exit.left, 12000 - 1215 - 200);
    EXPECT_DOUBLE_EQ(c.cmd_Exit.top + c.cmd_Exit.height,
                     c.lstviewServers.top + c.lstviewServers.height);
    EXPECT_DOUBLE_EQ(c.cmd_scan.left, c.cmd_Exit.left - 1815 - 200);
    EXPECT_DOUBLE_EQ(c.cmd_scan.top, c.cmd_Exit.top);
}

TEST(MainLayout, ServerListStopsGrowingAndSecondColumnStays960) {
    for (double w : {6040.0, 9000.0, 23000.0, 40000.0}) {
        const MainControls c = LayoutMainWindow(Initial(), w, 9000, false);
        EXPECT_LE(c.lstviewServers.width, 10000);
        EXPECT_DOUBLE_EQ(c.serverColumn1, 960) << w;
        EXPECT_DOUBLE_EQ(c.lstFiles.width, w / 3 - 80);
    }
}

TEST(MainLayout, NegativeSizesAreNotApplied) {
    MainControls before = Initial();
    before.lstviewServers.height = 777;
    before.Label2.height = 300;
    // At the minimum height the server list's computed height is negative.
    const MainControls c = LayoutMainWindow(before, 6040, 4000, false);
    EXPECT_LT(4000 - c.lstviewServers.top - 1200, 0);
    EXPECT_DOUBLE_EQ(c.lstviewServers.height, 777);
}

TEST(MainLayout, HeightForServerList) {
    const double H = HeightForServerList(240, 1000);
    const MainControls c = LayoutMainWindow(Initial(), 9000, H, false);
    EXPECT_NEAR(c.lstviewServers.height, 1000, 1e-6);
}

TEST(MainLayout, NothingMovesWhenMinimisedOrNarrow) {
    const MainControls before = Initial();
    const MainControls a = LayoutMainWindow(before, 12000, 9000, true);
    const MainControls b = LayoutMainWindow(before, 2400, 9000, false);
    EXPECT_DOUBLE_EQ(a.lstFiles.width, before.lstFiles.width);
    EXPECT_DOUBLE_EQ(b.lstviewServers.top, before.lstviewServers.top);
}

TEST(ResultLayout, EachWindowHasItsOwnMinimum) {
    EXPECT_FALSE(EnlargeResultWindow(kOtherFilesRules, 2000, 2000, false));
    const auto other = EnlargeResultWindow(kOtherFilesRules, 1500, 2500, false);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->width, 2000);
    EXPECT_EQ(other->height, 2500);
    const auto all = EnlargeResultWindow(kAllFilesRules, 2499, 2399, false);
    ASSERT_TRUE(all);
    EXPECT_EQ(all->width, 2500);
    EXPECT_EQ(all->height, 2400);
    EXPECT_EQ(EnlargeResultWindow(kLoggedInRules, 3000, 1000, false)->height, 2000);
    EXPECT_FALSE(EnlargeResultWindow(kLoggedInRules, 100, 100, true));
}

TEST(ResultLayout, ListLabelsAndCentredButton) {
    ResultControls c;
    c.list = {50, 400, 1, 1};
    c.ok = {0, 0, 1200, 375};
    const ResultControls all = LayoutResultWindow(kAllFilesRules, c, 9000, 6000);
    EXPECT_EQ(all.caption.width, 8950);
    EXPECT_EQ(all.list.width, 8900);
    EXPECT_EQ(all.list.height, 4100);
    EXPECT_EQ(all.belowTop, 400 + 4100 + 50);
    EXPECT_EQ(all.ok.left, 4500 - 600);
    EXPECT_EQ(all.ok.top, 6000 - 375 - 450);
    // At the smallest heights the list's height would be negative: it keeps its size.
    const ResultControls small = LayoutResultWindow(kOtherFilesRules, c, 2000, 1700);
    EXPECT_EQ(small.list.height, 1);
    EXPECT_EQ(small.list.width, 1800);
    EXPECT_EQ(LayoutResultWindow(kLoggedInRules, c, 5000, 5000).ok.top, 5000 - 375 - 400);
}

}  // namespace
}  // namespace varnook
