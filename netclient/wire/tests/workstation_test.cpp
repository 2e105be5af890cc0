// The workstation file, the password file and the secret memory passwords live in.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <fstream>

#include "wire/passwords.h"
#include "wire/secret.h"
#include "wire/workstation.h"
#include "wirenet.h"

namespace nw::wire {
namespace {

using testing::ScratchDir;

WorkstationConfig parse(const std::string& json) {
    return parseWorkstation(json, "/etc/varnook", "ws.json");
}

std::string errorOf(const std::string& json) {
    try {
        parse(json);
    } catch (const WorkstationError& e) {
        return e.what();
    }
    return "(loaded)";
}

TEST(WorkstationFile, ReadsConnectionsDrivesCodePageAndPasswordFile) {
    const WorkstationConfig ws = parse(R"({
      "codePage": "ISO-8859-1",
      "passwordFile": "secret/passwords",
      "timeoutSeconds": 4,
      "connections": [
        { "server": "fs1", "address": "fs1.example.com", "user": "admin" },
        { "server": "FS1", "address": "10.0.0.5:40524", "user": "JSMITH" },
        { "server": "OLD", "address": "[::1]:524" } ],
      "drives": [ { "letter": "f", "target": "\\\\FS1\\DATA\\Projekte München\\" },
                  { "letter": "G", "target": "\\\\OLD\\SYS" } ]
    })");
    ASSERT_EQ(ws.connections.size(), 3u);
    EXPECT_EQ(ws.connections[0].server, "FS1");
    EXPECT_EQ(ws.connections[0].address.host, "fs1.example.com");
    EXPECT_EQ(ws.connections[0].address.port, 524);
    EXPECT_EQ(ws.connections[0].user, "ADMIN");
    EXPECT_EQ(ws.connections[1].address.port, 40524);  // the same server twice: two connections
    EXPECT_EQ(ws.connections[2].address.host, "::1");
    EXPECT_EQ(ws.connections[2].user, "");  // attached without logging in
    ASSERT_EQ(ws.drives.size(), 2u);
    EXPECT_EQ(ws.drives[0].letter, 'F');
    EXPECT_EQ(ws.drives[0].server, "FS1");
    EXPECT_EQ(ws.drives[0].volume, "DATA");
    EXPECT_EQ(ws.drives[0].path, "Projekte M\xFCnchen");  // in the code page
    EXPECT_EQ(ws.drives[1].path, "");
    EXPECT_EQ(ws.codePage, "ISO-8859-1");
    EXPECT_EQ(ws.passwordFile, std::filesystem::path("/etc/varnook/secret/passwords"));
    EXPECT_EQ(ws.replyTimeout, std::chrono::seconds(4));
    EXPECT_EQ(parse("{}").replyTimeout, std::chrono::seconds(10));
}

TEST(WorkstationFile, ErrorsNameTheFileThePathAndTheExpectation) {
    EXPECT_EQ(errorOf(R"({ "connections": [ { "server": "FS1", "adress": "x" } ] })"),
              "ws.json: connections[0].adress: unknown key (expected one of: server, address, "
              "user)");
    EXPECT_EQ(errorOf(R"({ "password": "x" })"),
              "ws.json: password: unknown key (expected one of: codePage, passwordFile, "
              "timeoutSeconds, connections, drives)");
    EXPECT_EQ(errorOf(R"({ "connections": [ { "server": "FS1", "address": "h:99999" } ] })"),
              "ws.json: connections[0].address: expected a server address \"HOST\" or "
              "\"HOST:PORT\" (port 1 to 65535, default 524), got \"h:99999\"");
    EXPECT_EQ(errorOf(R"({ "connections": [ { "server": "FS1" } ] })"),
              "ws.json: connections[0].address: missing; expected a server address \"HOST\" or "
              "\"HOST:PORT\" (port 1 to 65535, default 524)");
    EXPECT_EQ(errorOf(R"({ "drives": [ { "letter": "F", "target": "FS1\\SYS" } ] })"),
              "ws.json: drives[0].target: expected a mapping \"\\\\SERVER\\VOLUME\" or "
              "\"\\\\SERVER\\VOLUME\\DIR\", got \"FS1\\\\SYS\"");
    EXPECT_EQ(errorOf(R"({ "drives": [ { "letter": "F", "target": "\\\\A\\B" },
                                       { "letter": "f", "target": "\\\\A\\C" } ] })"),
              "ws.json: drives[1].letter: expected a letter no other drive has, got \"f\"");
    EXPECT_EQ(errorOf(R"({ "codePage": "KLINGON" })"),
              "ws.json: codePage: expected a code page that iconv knows, such as "
              "\"WINDOWS-1252\", got \"KLINGON\"");
    EXPECT_EQ(errorOf(R"({ "timeoutSeconds": 0 })"),
              "ws.json: timeoutSeconds: expected an integer from 1 to 3600, got 0");
    EXPECT_EQ(errorOf(R"({ "codePage": "X", "codePage": "Y" })"),
              "ws.json: codePage: duplicate key");
    EXPECT_EQ(errorOf(R"({ "connections": [ )").rfind("ws.json: not valid JSON: ", 0), 0u);
    EXPECT_EQ(errorOf(R"({ "connections": [ { "server": "F S", "address": "h" } ] })"),
              "ws.json: connections[0].server: expected a server name of 1 to 48 characters "
              "without blanks or any of \\/:;,*?\"<>|=[]+., got \"F S\"");
    EXPECT_THROW(loadWorkstationFile("/nonexistent/ws.json"), WorkstationError);
}

TEST(WorkstationFile, Addresses) {
    EXPECT_EQ(parseAddress("host")->port, 524);
    EXPECT_EQ(parseAddress("host:1")->port, 1);
    EXPECT_EQ(parseAddress("[fe80::1]:8")->host, "fe80::1");
    EXPECT_EQ(parseAddress("::1")->host, "::1");
    EXPECT_FALSE(parseAddress(""));
    EXPECT_FALSE(parseAddress("host:"));
    EXPECT_FALSE(parseAddress("host:0"));
    EXPECT_FALSE(parseAddress("host:x"));
    EXPECT_FALSE(parseAddress("[::1"));
    EXPECT_FALSE(parseAddress("a b"));
    // Stray brackets: accepted, these would have been written back as an address that does
    // not read again.
    for (const char* bad : {"_::1]:40524", "[[::1]", "::1[", "host]"}) {
        EXPECT_FALSE(parseAddress(bad)) << bad;
    }
    for (const char* good : {"[fe80::1]", "fe80::1", "[::1]:524"}) {
        const std::optional<Address> parsed = parseAddress(good);
        ASSERT_TRUE(parsed) << good;
        EXPECT_EQ(parseAddress(parsed->text())->host, parsed->host) << good;
    }
}

TEST(PasswordFile, LinesServerUserPassword) {
    ScratchDir dir;
    const auto file =
        dir.write("pw", "# comment\n\nFS1 ADMIN two words  \r\nfs2\tjsmith x\nFS3 NOPASS\n");
    auto lookup = [&](const std::string& server, const std::string& user) -> std::string {
        Secret out;
        bool found = false;
        std::string why;
        if (!readPasswordFile(file, server, user, out, found, why)) {
            return "error: " + why;
        }
        return found ? "[" + std::string(out.text()) + "]" : "absent";
    };
    EXPECT_EQ(lookup("FS1", "admin"), "[two words  ]");
    EXPECT_EQ(lookup("FS2", "JSMITH"), "[x]");
    EXPECT_EQ(lookup("FS3", "NOPASS"), "[]");
    EXPECT_EQ(lookup("FS1", "JSMITH"), "absent");
}

TEST(PasswordFile, RefusedUnlessTheUsersOwnAndPrivate) {
    ScratchDir dir;
    Secret out;
    bool found = false;
    std::string why;
    EXPECT_FALSE(
        readPasswordFile(dir.write("group", "FS1 A b\n", 0640), "FS1", "A", out, found, why));
    EXPECT_NE(why.find("mode 0640"), std::string::npos) << why;
    EXPECT_TRUE(
        readPasswordFile(dir.write("readonly", "FS1 A b\n", 0400), "FS1", "A", out, found, why));
    std::filesystem::create_symlink(dir.path() / "readonly", dir.path() / "link");
    EXPECT_FALSE(readPasswordFile(dir.path() / "link", "FS1", "A", out, found, why));
    EXPECT_NE(why.find("symbolic link"), std::string::npos) << why;
    EXPECT_FALSE(readPasswordFile(dir.path(), "FS1", "A", out, found, why));
    EXPECT_FALSE(readPasswordFile(dir.path() / "missing", "FS1", "A", out, found, why));
    if (::getuid() == 0) {
        // root owns everything it writes; a file of another owner is made with chown.
        const auto other = dir.write("other", "FS1 A b\n");
        ASSERT_EQ(::chown(other.c_str(), 65534, 65534), 0);
        EXPECT_FALSE(readPasswordFile(other, "FS1", "A", out, found, why));
        EXPECT_NE(why.find("belongs to another user"), std::string::npos) << why;
    }
}

// The flags of the mapping that holds an address, as /proc/self/smaps lists them.
std::string mappingFlags(const void* address) {
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    while (std::getline(smaps, line)) {
        unsigned long start = 0, end = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx", &start, &end) == 2 &&
            line.find("VmFlags") == std::string::npos) {
            inside = at >= start && at < end;
        } else if (inside && line.rfind("VmFlags:", 0) == 0) {
            return line;
        }
    }
    return "";
}

TEST(SecretMemory, IsLeftOutOfCoreDumpsAndWiped) {
    Secret secret;
    ASSERT_TRUE(secret.append("hunter2", 7));
    EXPECT_TRUE(secret.excludedFromDumps());
    // "dd": do not include the area in a core dump.
    EXPECT_NE(mappingFlags(secret.data()).find(" dd"), std::string::npos)
        << mappingFlags(secret.data());
    const std::uint8_t* where = secret.data();
    secret.clear();
    EXPECT_EQ(secret.size(), 0u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(where), 7), std::string(7, '\0'));
    Secret moved = std::move(secret);
    EXPECT_TRUE(moved.append("x", 1));
    EXPECT_FALSE(moved.append(std::string(moved.capacity(), 'y').data(), moved.capacity()));
}

}  // namespace
}  // namespace nw::wire
