#include "core/userchoice.h"

#include <gtest/gtest.h>

namespace varnook {
namespace {

using Rows = std::vector<int>;

UserListView List(std::vector<std::string> texts, std::vector<bool> selected, int current) {
    return {std::move(texts), std::move(selected), current};
}

TEST(ChooseUserRows, SelectedRowsInListOrder) {
    EXPECT_EQ(ChooseUserRows(List({" 12  A", " 14  B", " 15  C"}, {true, false, true}, 2)),
              (Rows{0, 2}));
}

TEST(ChooseUserRows, FirstRowWhenNothingIsSelectedOrNoRowIsCurrent) {
    EXPECT_EQ(ChooseUserRows(List({" 12  A", " 14  B"}, {false, false}, 1)), (Rows{0}));
    EXPECT_EQ(ChooseUserRows(List({" 12  A", " 14  B"}, {false, true}, -1)), (Rows{0}));
}

TEST(ChooseUserRows, PlaceholdersAndEmptyListsOfferNobody) {
    EXPECT_TRUE(ChooseUserRows(List({}, {}, -1)).empty());
    EXPECT_TRUE(ChooseUserRows(List({"<No users listed>"}, {true}, 0)).empty());
    EXPECT_TRUE(ChooseUserRows(List({"Not available!"}, {true}, 0)).empty());
    EXPECT_TRUE(ChooseUserRows(List({""}, {true}, 0)).empty());
}

TEST(CurrentUserRow, OnlyAUserRow) {
    EXPECT_EQ(CurrentUserRow(List({" 12  A", " 14  B"}, {}, 1)), 1);
    EXPECT_EQ(CurrentUserRow(List({" 12  A"}, {}, -1)), -1);
    EXPECT_EQ(CurrentUserRow(List({" 12  A"}, {}, 3)), -1);
    EXPECT_EQ(CurrentUserRow(List({"<No users listed>"}, {}, 0)), -1);
    EXPECT_EQ(CurrentUserRow(List({"Not available!"}, {}, 0)), -1);
}

TEST(ChosenConnectionText, NumberOnlyForTheMainList) {
    EXPECT_EQ(ChosenConnectionText(1, {12, "JSMITH"}), " 12  JSMITH");
    EXPECT_EQ(ChosenConnectionText(2, {12, "12   JSMITH"}), "12   JSMITH");
    EXPECT_EQ(TrimBlanks("  JSMITH   "), "JSMITH");
    EXPECT_EQ(TrimBlanks("   "), "");
}

}  // namespace
}  // namespace varnook
