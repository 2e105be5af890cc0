// Paths of the 87 family, both directions, and the server's guard against leaving a volume.
#include <gtest/gtest.h>

#include "ncp/paths.h"

namespace nw::ncp::paths {
namespace {

using Names = std::vector<std::string>;

TEST(NcpPaths, TextBecomesWireComponents) {
    EXPECT_EQ(toComponents("SYS:DATA\\REPORT.XLS"), (Names{"SYS", "DATA", "REPORT.XLS"}));
    EXPECT_EQ(toComponents("SYS:"), (Names{"SYS"}));
    EXPECT_EQ(toComponents("DATA/./SUB//x"), (Names{"DATA", "SUB", "x"}));
    EXPECT_EQ(toComponents("..\\X"), (Names{"", "X"}));
    EXPECT_EQ(toComponents("A\xFF"
                           "B"),
              (Names{"A\xFF\xFF"
                     "B"}));
    EXPECT_FALSE(toComponents(":DATA"));
    EXPECT_FALSE(toComponents(std::string("A\0B", 3)));
    EXPECT_FALSE(toComponents(std::string(256, 'x')));

    std::optional<HandlePath> p = fromVolumePath("DATA:Quarterly Report.xls");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->handleFlag, handle_flag::kNone);
    EXPECT_EQ(p->components, (Names{"DATA", "Quarterly Report.xls"}));
    EXPECT_FALSE(fromVolumePath("no volume"));
    std::optional<HandlePath> r = fromDirBase(1, 0x1A0, "SUB\\f.txt");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->handleFlag, handle_flag::kDirBase);
    EXPECT_EQ(r->dirBase, 0x1A0u);
    EXPECT_FALSE(fromDirBase(1, 0x1A0, "SYS:x"));
}

TEST(NcpPaths, ParentStepsStayInsideTheVolume) {
    Resolved r = resolve({"A", "B", "", "C"}, 0);
    EXPECT_EQ(r.error, PathError::None);
    EXPECT_EQ(r.names, (Names{"A", "C"}));
    r = resolve({"", "", "X"}, 2);
    EXPECT_EQ(r.error, PathError::None);
    EXPECT_EQ(r.up, 2u);
    EXPECT_EQ(r.names, (Names{"X"}));
    EXPECT_EQ(resolve({"", "", "", "X"}, 2).error, PathError::AboveRoot);
    EXPECT_EQ(resolve({"A", "", ""}, 0).error, PathError::AboveRoot);
    EXPECT_TRUE(resolve({"A", "", ""}, 0).names.empty());
}

TEST(NcpPaths, NamesThatCouldNameSomethingElseAreRefused) {
    for (const std::string& bad :
         {std::string(".."), std::string("."), std::string("a/b"), std::string("a\\b"),
          std::string("C:x"), std::string("a\0b", 3), std::string("a\xFF*"), std::string("\xFF")}) {
        EXPECT_EQ(resolve({"OK", bad}, 0).error, PathError::BadName) << bad;
    }
    Resolved r = resolve({"A\xFF\xFF"
                          "B"},
                         0);
    EXPECT_EQ(r.error, PathError::None);
    EXPECT_EQ(r.names, (Names{"A\xFF"
                              "B"}));
}

}  // namespace
}  // namespace nw::ncp::paths
