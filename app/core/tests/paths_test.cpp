#include "core/paths.h"

#include <gtest/gtest.h>

#include <vector>

namespace varnook {
namespace {

struct Parsed {
    int16_t result;
    std::string server;
    std::string prefix;
};
Parsed Parse(const std::string& text) {
    Parsed p{};
    p.result = ParsePath(text, p.server, p.prefix);
    return p;
}

TEST(ParsePath, VolumeRootAndDirectoryMappings) {
    const Parsed root = Parse("f: [\\\\FS1\\SYS]");
    EXPECT_EQ(root.result, 0);
    EXPECT_EQ(root.server, "FS1");
    EXPECT_EQ(root.prefix, "SYS:\\");

    const Parsed deep = Parse("g: [\\\\FS1\\DATA\\SHARED\\REPORTS]");
    EXPECT_EQ(deep.result, 0);
    EXPECT_EQ(deep.server, "FS1");
    EXPECT_EQ(deep.prefix, "DATA:\\SHARED\\REPORTS\\");
}

TEST(ParsePath, TextsNotInTheBracketedFormFailWithEmptyOutputs) {
    for (const char* bad : {"", "f:", "f: [FS1]", "\\", "\\\\", "f: [\\\\FS1]", "f: [\\\\FS1\\]",
                            "f: [\\\\\\SYS]", "f: [\\\\FS1\\SYS", "x\\y]", "\\\\FS1\\SYS\\DIR"}) {
        const Parsed p = Parse(bad);
        EXPECT_NE(p.result, 0) << bad;
        EXPECT_EQ(p.server, "") << bad;
        EXPECT_EQ(p.prefix, "") << bad;
    }
}

TEST(ParsePath, OutputsAreReplacedNotAppended) {
    std::string server = "OLD";
    std::string prefix = "OLD:\\";
    ASSERT_EQ(ParsePath("f: [\\\\FS2\\VOL1]", server, prefix), 0);
    EXPECT_EQ(server, "FS2");
    EXPECT_EQ(prefix, "VOL1:\\");
}

TEST(VolumePath, JoinsPrefixFolderAndName) {
    // Drive mapped to the volume root, current folder one level down.
    EXPECT_EQ(VolumePathOfFile("SYS:\\", "F:\\PUBLIC", "a.txt"), "SYS:\\PUBLIC\\a.txt");
    // Drive mapped below the root; a file in the drive root gets no extra separator.
    EXPECT_EQ(VolumePathOfFile("DATA:\\SHARED\\", "G:\\", "Q.xls"), "DATA:\\SHARED\\Q.xls");
    EXPECT_EQ(VolumePathOfFile("DATA:\\SHARED\\", "G:\\A\\B", "Q.xls"),
              "DATA:\\SHARED\\A\\B\\Q.xls");
    EXPECT_EQ(VolumePathOfFile("", "G:\\A", "Q.xls"), "Q.xls");
}

TEST(VolumePath, FullPathOfABrowserFile) {
    EXPECT_EQ(FullFilePath("F:\\", "a.txt"), "F:\\a.txt");
    EXPECT_EQ(FullFilePath("F:\\DATA", "a.txt"), "F:\\DATA\\a.txt");
    EXPECT_EQ(PathBelowDriveRoot("F:\\"), "");
    EXPECT_EQ(PathBelowDriveRoot("F:\\DATA\\SUB"), "DATA\\SUB");
}

TEST(ByteArrayToString, StopsAtNulOrTheEnd) {
    std::string s = "old";
    const std::vector<uint8_t> zeroFirst = {0, 'A', 'B'};
    ByteArrayToString(s, zeroFirst);
    EXPECT_EQ(s, "");
    const std::vector<uint8_t> noNul = {'F', 'S', '1', 0xE9};
    ByteArrayToString(s, noNul);
    EXPECT_EQ(s, "FS1\xE9");
    const std::vector<uint8_t> mid = {'A', 0, 'B'};
    ByteArrayToString(s, mid);
    EXPECT_EQ(s, "A");
}

TEST(TranslatePath, LengthPrefixedComponents) {
    const std::vector<uint8_t> src = {3, 'S', 'Y', 'S', 6, 'P', 'U', 'B', 'L', 'I', 'C'};
    std::string out;
    TranslatePath(out, src, static_cast<uint8_t>(src.size()));
    EXPECT_EQ(out, "\\SYS\\PUBLIC");
    TranslatePath(out, src, 0);
    EXPECT_EQ(out, "");
    TranslatePath(out, src, 1);
    EXPECT_EQ(out, "");
}

TEST(TranslatePath, NeverReadsPastTheBuffer) {
    // A count beyond the buffer and a length byte beyond the count.
    const std::vector<uint8_t> src = {200, 'A', 'B'};
    std::string out;
    TranslatePath(out, src, 255);
    EXPECT_EQ(out, "\\AB");
    TranslatePath(out, {}, 10);
    EXPECT_EQ(out, "");
}

TEST(LocalPaths, JoinWithOneSlash) {
    EXPECT_EQ(JoinLocal("/opt/varnook/bin", "Varnook.log"), "/opt/varnook/bin/Varnook.log");
    EXPECT_EQ(JoinLocal("/", "Varnook.log"), "/Varnook.log");
}

TEST(ReadRefNo, SkipsBlanksAndStopsAtTheFirstNonDigit) {
    EXPECT_EQ(ReadRefNo(" 5"), 5u);
    EXPECT_EQ(ReadRefNo("  12x3"), 12u);
    EXPECT_EQ(ReadRefNo(""), 0u);
    EXPECT_EQ(ReadRefNo("abc"), 0u);
    EXPECT_EQ(ReadRefNo(" 4294967295"), 4294967295u);
    EXPECT_EQ(ReadRefNo(" 99999999999"), 4294967295u);
}

}  // namespace
}  // namespace varnook
