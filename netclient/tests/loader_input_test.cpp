// The loader facing hostile input: deep or huge documents, files that are no files, bytes that
// are no text, code pages that are not 8-bit, and values that would disturb a terminal.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "netclient/sim/simclient.h"
#include "netclient/testing/testnet.h"

namespace {

using namespace nw;

std::string loadError(std::string_view json) {
    testnet::ScratchFolder folder({"volumes/FS1/SYS/"});
    try {
        sim::SimClient::fromText(json, folder.path(), "net.json");
    } catch (const sim::LoadError& error) {
        return error.what();
    }
    return "(loaded)";
}

std::string fileError(const std::filesystem::path& file) {
    try {
        sim::SimClient::load(file);
    } catch (const sim::LoadError& error) {
        return error.what();
    }
    return "(loaded)";
}

// A network whose servers[0] holds `depth` levels of nesting below "deep" (arrays or objects).
std::string nested(std::size_t depth, bool objects) {
    std::string open = objects ? R"({"a": )" : "[";
    std::string close = objects ? "}" : "]";
    std::string inner;
    for (std::size_t i = 0; i < depth; ++i)
        inner += open;
    inner += "1";
    for (std::size_t i = 0; i < depth; ++i)
        inner += close;
    return R"({"workstation": {}, "servers": [{"name": "FS1", "deep": )" + inner + "}]}";
}

TEST(LoaderInput, NestingDeeperThan256LevelsIsRefusedWithItsPath) {
    // The document, servers, servers[0] and "deep" take 3 levels; 253 more reach the limit.
    EXPECT_NE(loadError(nested(253, false)).find("servers[0].deep: unknown key"),
              std::string::npos);
    std::string message = loadError(nested(254, false));
    std::string path = "servers[0].deep";
    for (int i = 0; i < 253; ++i)
        path += "[0]";
    EXPECT_EQ(message.rfind("net.json: " + path + ": nested too deeply", 0), 0u) << message;
    // 100,000 levels (a 200 KB file) stop at the limit, in little memory and time.
    message = loadError(nested(100000, true));
    EXPECT_EQ(message.rfind("net.json: servers[0].deep.a.a.a", 0), 0u) << message.substr(0, 80);
    EXPECT_NE(message.find(".a: nested too deeply"), std::string::npos);
}

TEST(LoaderInput, NulBytesAreRefusedWhereTheyStand) {
    std::string json = R"({"workstation": {}, "servers": []})";
    std::string trailing = json + std::string("\0garbage", 8);
    EXPECT_EQ(loadError(trailing),
              "net.json: not valid JSON: a NUL byte at line 1, column 35 (a network file is UTF-8 "
              "text)");
    std::string inside = json;
    inside.insert(18, std::string("\n \0", 3));
    EXPECT_NE(loadError(inside).find("a NUL byte at line 2, column 2"), std::string::npos)
        << loadError(inside);
}

TEST(LoaderInput, OnlyRegularFilesUpTo1GiBAreRead) {
    testnet::ScratchFolder folder({"folder/"});
    EXPECT_EQ(fileError(folder.path() / "folder"),
              (folder.path() / "folder").string() + ": is a folder; expected a network file");
    // A named pipe without a writer fails at once instead of waiting.
    std::filesystem::path pipe = folder.path() / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_NE(fileError(pipe).find(": is not a regular file"), std::string::npos);
    EXPECT_NE(fileError("/dev/zero").find("/dev/zero: is not a regular file"), std::string::npos);
    // A sparse file one byte over the limit is refused before any of it is read.
    std::filesystem::path big = folder.path() / "big.json";
    int fd = ::open(big.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, (off_t{1} << 30) + 1), 0);
    ::close(fd);
    EXPECT_NE(fileError(big).find("big.json: is larger than 1 GiB"), std::string::npos);
    EXPECT_NE(fileError(folder.path() / "missing.json").find("missing.json: cannot be read: "),
              std::string::npos);
}

TEST(LoaderInput, OnlyEightBitCodePagesAreAccepted) {
    auto withCodePage = [](const std::string& name) {
        return loadError(R"({"workstation": {"codePage": ")" + name + R"("}, "servers": []})");
    };
    for (const char* refused : {"UTF-8", "UTF-16", "UCS-4", "UTF-7", "SHIFT_JIS", "ISO-2022-JP",
                                "EBCDIC-US", "CP1252//TRANSLIT", "CP1252//IGNORE"}) {
        EXPECT_NE(withCodePage(refused).find("workstation.codePage: expected an 8-bit code page"),
                  std::string::npos)
            << refused;
    }
    for (const char* accepted : {"CP850", "ISO-8859-15", "KOI8-R", "windows-1252"})
        EXPECT_EQ(withCodePage(accepted), "(loaded)") << accepted;
}

TEST(LoaderInput, ControlCharactersInMessagesAreEscaped) {
    // In an unknown key, in a bad value, in a parse error.
    EXPECT_EQ(loadError("{\"workstation\": {}, \"servers\": [], \"\\u001b[2J\": 1}"),
              "net.json: \\u001b[2J: unknown key (expected one of: workstation, servers, trees, "
              "state)");
    EXPECT_NE(loadError(R"({"workstation": {}, "servers": [{"name": "\u001b]0;x\u0007"}]})")
                  .find(R"(got "\u001b]0;x\u0007")"),
              std::string::npos);
    EXPECT_EQ(loadError("{\"workstation\": {}, \"servers\": [\"\x1b\"]}").find('\x1b'),
              std::string::npos);
    // A long value is cut on a character boundary, not inside one.
    std::string name = std::string(56, 'A') + "\u00e9\u00e9\u00e9";
    EXPECT_NE(loadError(R"({"workstation": {}, "servers": [{"name": ")" + name + R"("}]})")
                  .find("got \"" + std::string(56, 'A') + "...\""),
              std::string::npos);
}

}  // namespace
