#include "platform/regfile.h"

#include <gtest/gtest.h>

#include "platform/registry.h"

using namespace vnk::reg;

namespace {

// A string literal with the NULs inside it.
template <std::size_t N>
std::string bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

ParseResult parse(const std::string& body) {
    return parseRegFile("Windows Registry Editor Version 5.00\r\n\r\n" + body);
}

TEST(RegFile, ReadsEveryKindOfLine) {
    const ParseResult r = parse(
        "[HKEY_LOCAL_MACHINE\\Software\\Kelm]\r\n"
        "\"Name\"=\"a \\\"quoted\\\" C:\\\\path\"\r\n"
        "@=\"default\"\r\n"
        "\"Dw\"=dword:0000001E\r\n"
        "\"Bin\"=hex:01,ff,\\\r\n"
        "  10\r\n"
        "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
        "\"Q\"=hex(b):01,00,00,00,00,00,00,00\r\n"
        "\"Gone\"=-\r\n"
        "[-HKCU\\Software\\Old]\r\n");
    ASSERT_TRUE(r.ok()) << r.error << " at line " << r.errorLine;
    ASSERT_EQ(r.ops.size(), 9u);
    EXPECT_EQ(r.ops[0].kind, OpKind::CreateKey);
    EXPECT_EQ(r.ops[0].key, "HKEY_LOCAL_MACHINE\\Software\\Kelm");
    EXPECT_EQ(r.ops[1].name, "Name");
    EXPECT_EQ(r.ops[1].data, std::string("a \"quoted\" C:\\path\0", 19));
    EXPECT_EQ(r.ops[2].name, "");
    EXPECT_EQ(r.ops[3].type, vnk::win::REG_DWORD);
    EXPECT_EQ(r.ops[3].data, std::string("\x1e\0\0\0", 4));
    EXPECT_EQ(r.ops[4].data, "\x01\xff\x10");
    EXPECT_EQ(r.ops[5].type, vnk::win::REG_MULTI_SZ);
    EXPECT_EQ(r.ops[5].data, std::string("a\0b\0\0", 5)) << "UTF-16 text becomes UTF-8";
    EXPECT_EQ(r.ops[6].type, vnk::win::REG_QWORD);
    EXPECT_EQ(r.ops[7].kind, OpKind::DeleteValue);
    EXPECT_EQ(r.ops[8].kind, OpKind::DeleteKey);
}

TEST(RegFile, BlanksBeforeAClosingBackslashBelongToNoKeyName) {
    // Found by the fuzzer: "[HKCU\\Ca \\]" read as "Ca " but was written back as "[HKCU\\Ca ]",
    // which reads as "Ca", so an export and re-import named another key.
    const ParseResult r = parse("[HKCU\\Ca \\]\r\n[HKCU\\Cb ]\r\n");
    ASSERT_TRUE(r.ok()) << r.error;
    ASSERT_EQ(r.ops.size(), 2u);
    EXPECT_EQ(r.ops[0].key, "HKCU\\Ca");
    EXPECT_EQ(r.ops[1].key, "HKCU\\Cb");
    EXPECT_EQ(parseRegFile(formatOps(r.ops)).ops, r.ops);
}

TEST(RegFile, ReportsTheLineOfAnError) {
    struct Case {
        const char* body;
        int line;
    };
    for (const Case& c :
         {Case{"\"v\"=\"x\"\r\n", 3}, Case{"[HKLM\\A]\r\n\"v\"=dword:123456789\r\n", 4},
          Case{"[HKLM\\A]\r\n\"v\"=hex:1,2,zz\r\n", 4}, Case{"[HKLM\\A]\r\n\"v=\"x\"\r\n", 4},
          Case{"[HKLM\\A\r\n", 3}, Case{"[HKEY_NOWHERE\\A]\r\n", 3}, Case{"[HKLM\\A\\\\B]\r\n", 3},
          Case{"[HKLM\\A]\r\n\"v\"=hex(1):41\r\n", 4}, Case{"[HKLM\\A]\r\n\"v\"=hex:01,\\\r\n", 4},
          Case{"[HKLM\\A]\r\nrubbish\r\n", 4}}) {
        const ParseResult r = parse(c.body);
        EXPECT_FALSE(r.ok()) << c.body;
        EXPECT_EQ(r.errorLine, c.line) << c.body << ": " << r.error;
        EXPECT_TRUE(r.ops.empty());
    }
    EXPECT_FALSE(parseRegFile("").ok());
    EXPECT_FALSE(parseRegFile("REGEDIT5\r\n").ok());
}

// What the registry cannot hold is refused while reading, with its line, so an import applies
// nothing of such a file.
TEST(RegFile, RefusesWhatTheRegistryCannotHold) {
    std::string deep = "HKCU";
    for (std::size_t i = 0; i < vnk::win::MAX_KEY_DEPTH; ++i) {
        deep += "\\k";
    }
    EXPECT_TRUE(parse("[" + deep + "]\r\n").ok()) << "512 levels are allowed";
    struct Case {
        std::string body;
        std::string error;
    };
    for (const Case& c : {
             Case{"[" + deep + "\\k]\r\n", "deeper than 512 levels"},
             Case{"[HKCR" + deep.substr(4, deep.size() - 6) + "]\r\n", "deeper than 512 levels"},
             Case{"[HKLM\\" + std::string(256, 'n') + "]\r\n", "longer than 255 characters"},
             Case{"[HKLM\\A]\r\n\"" + std::string(16384, 'v') + "\"=\"x\"\r\n",
                  "longer than 16383 characters"},
             Case{bytes("[HKLM\\A\0B]\r\n"), "NUL"},
             Case{bytes("[HKLM\\A]\r\n\"a\0b\"=\"x\"\r\n"), "NUL"},
         }) {
        const ParseResult r = parse("; first\r\n" + c.body);
        EXPECT_FALSE(r.ok()) << c.body.substr(0, 60);
        EXPECT_NE(r.error.find(c.error), std::string::npos) << r.error;
        EXPECT_EQ(r.errorLine,
                  c.body.front() == '[' && c.body.find("\r\n\"") == std::string::npos ? 4 : 5)
            << r.error;
    }
    // Characters, not bytes, count.
    std::string wide = "[HKLM\\";
    for (int i = 0; i < 255; ++i) {
        wide += "\xC3\xA9";
    }
    EXPECT_TRUE(parse(wide + "]\r\n").ok());
}

TEST(RegFile, Utf16AndCodePageFiles) {
    const std::string text =
        "Windows Registry Editor Version "
        "5.00\r\n\r\n[HKCU\\Caf\xC3\xA9]\r\n\"n\"=\"\xE2\x82\xAC\"\r\n";
    const ParseResult utf16 = parseRegFile(encodeUtf16Le(text));
    ASSERT_TRUE(utf16.ok()) << utf16.error;
    EXPECT_EQ(utf16.ops[0].key, "HKCU\\Caf\xC3\xA9");
    EXPECT_EQ(utf16.ops[1].data, std::string("\xE2\x82\xAC\0", 4));
    // An old-style file in the workstation code page.
    const ParseResult ansi = parseRegFile("REGEDIT4\n\n[HKCU\\Caf\xE9]\n");
    ASSERT_TRUE(ansi.ok()) << ansi.error;
    EXPECT_EQ(ansi.ops[0].key, "HKCU\\Caf\xC3\xA9");
    EXPECT_FALSE(parseRegFile("\xFF\xFE\x41").ok()) << "half a UTF-16 character";
}

TEST(RegFile, WritingThenReadingGivesTheSameOperations) {
    std::vector<Op> ops;
    ops.push_back({OpKind::CreateKey, "HKEY_LOCAL_MACHINE\\Software\\K", "", 0, "", 0});
    auto set = [&](std::string name, vnk::win::DWORD type, std::string data) {
        ops.push_back({OpKind::SetValue, "HKEY_LOCAL_MACHINE\\Software\\K", std::move(name), type,
                       std::move(data), 0});
    };
    set("plain", vnk::win::REG_SZ, std::string("text \"q\" \\ \xC3\xA9\0", 15));
    set("no nul", vnk::win::REG_SZ, "abc");
    set("two lines", vnk::win::REG_SZ, std::string("a\r\nb\0", 5));
    set("", vnk::win::REG_EXPAND_SZ, std::string("%PATH%\0", 7));
    set("d", vnk::win::REG_DWORD, std::string("\x78\x56\x34\x12", 4));
    set("short dword", vnk::win::REG_DWORD, "\x01");
    set("big", vnk::win::REG_BINARY, std::string(100, '\xAB'));
    set("odd type", 0x1234, "xyz");
    ops.push_back({OpKind::DeleteValue, "HKEY_LOCAL_MACHINE\\Software\\K", "old", 0, "", 0});
    ops.push_back({OpKind::DeleteKey, "HKEY_CURRENT_USER\\Gone", "", 0, "", 0});
    const std::string text = formatOps(ops);
    const ParseResult back = parseRegFile(encodeUtf16Le(text));
    ASSERT_TRUE(back.ok()) << back.error << " at line " << back.errorLine << "\n" << text;
    EXPECT_EQ(back.ops, ops);
    EXPECT_NE(text.find("\"d\"=dword:12345678"), std::string::npos);
    for (std::size_t pos = 0; (pos = text.find("\r\n", pos)) != std::string::npos; pos += 2) {
        const std::size_t start = text.rfind("\r\n", pos - 1);
        EXPECT_LE(pos - (start == std::string::npos ? 0 : start + 2), 80u) << "lines stay short";
    }
}

}  // namespace
