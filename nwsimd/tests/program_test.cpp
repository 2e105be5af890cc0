// The nwsimd program: what it announces (standard output, the runtime file, the password file),
// that it serves and ends cleanly on SIGTERM, and what it refuses.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "program.h"
#include "servednetwork.h"

namespace nw::nwsimd::testing {
namespace {

namespace fs = std::filesystem;
using namespace ncp;

constexpr const char* kProgramNetwork = R"({
  "workstation": { "connections": [ { "server": "FS1", "user": "ADMIN", "station": 1 } ] },
  "servers": [ { "name": "FS1", "users": ["ADMIN", { "name": "JSMITH", "password": "jpass" }],
                 "volumes": [ { "name": "SYS" } ],
                 "connections": [ { "number": 2, "user": "JSMITH" } ] },
               { "name": "FS2", "volumes": [ { "name": "SYS" } ] } ]
})";

TEST(NwsimdProgram, AnnouncesItsServersServesAndCleansUpOnSigterm) {
    ScratchFolder scratch;
    scratch.add("net/volumes/FS1/SYS/");
    scratch.add("net/volumes/FS2/SYS/");
    scratch.add("net/lab.json", kProgramNetwork);
    Program nwsimd(scratch, {(scratch.path() / "net/lab.json").string()});
    std::optional<std::string> out = nwsimd.output(2);
    ASSERT_TRUE(out.has_value()) << nwsimd.errors();
    EXPECT_NE(nwsimd.errors().find("packet signing level 1"), std::string::npos);

    // Standard output and the runtime file name the same addresses.
    fs::path servers = nwsimd.runtime() / "lab.servers.json";
    nlohmann::json runtime = nlohmann::json::parse(readFile(servers));
    ASSERT_EQ(runtime["servers"].size(), 2u);
    std::string fs1 = runtime["servers"][0]["address"];
    EXPECT_EQ(runtime["servers"][0]["name"], "FS1");
    EXPECT_EQ(*out, "FS1 " + fs1 + "\nFS2 " + std::string(runtime["servers"][1]["address"]) + "\n");
    EXPECT_EQ(runtime["network"], (scratch.path() / "net/lab.json").string());
    std::uint16_t port = runtime["servers"][0]["port"];
    struct stat st {};
    ASSERT_EQ(::stat(nwsimd.runtime().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(servers.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // The workstation's user got a password of this start; the file's password stays.
    fs::path passwordFile = runtime["passwordFile"].get<std::string>();
    ASSERT_EQ(::stat(passwordFile.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    std::istringstream lines(readFile(passwordFile));
    std::string server, user, password;
    lines >> server >> user >> password;
    EXPECT_EQ(server, "FS1");
    EXPECT_EQ(user, "ADMIN");
    EXPECT_EQ(password.size(), 16u);
    WireClient admin(port);
    ASSERT_TRUE(admin.attach());
    EXPECT_EQ(admin.connection(), 1);  // the workstation's station is not in the table
    EXPECT_EQ(admin.login("ADMIN", ""), completionOf(sim::BAD_PASSWORD));
    EXPECT_EQ(admin.login("ADMIN", password), 0);
    WireClient other(port);
    ASSERT_TRUE(other.attach());
    EXPECT_EQ(other.login("JSMITH", "jpass"), 0);

    nwsimd.signal(SIGTERM);
    EXPECT_EQ(nwsimd.wait(), 0) << nwsimd.errors();
    EXPECT_FALSE(fs::exists(servers));
    EXPECT_FALSE(fs::exists(passwordFile));
    EXPECT_TRUE(admin.closedByServer());
}

TEST(NwsimdProgram, RefusesATakenRuntimeFolderOrStateLock) {
    ScratchFolder scratch;
    scratch.add("net/volumes/FS1/SYS/");
    scratch.add("net/volumes/FS2/SYS/");
    scratch.add("net/lab.json", kProgramNetwork);
    scratch.add("elsewhere/");
    std::string network = (scratch.path() / "net/lab.json").string();
    {
        fs::create_directories(scratch.path() / "run");
        fs::create_directory_symlink(scratch.path() / "elsewhere", scratch.path() / "run/varnook");
        Program nwsimd(scratch, {network});
        EXPECT_EQ(nwsimd.wait(), 1);
        EXPECT_NE(nwsimd.errors().find("a link or a file is refused"), std::string::npos)
            << nwsimd.errors();
        fs::remove(scratch.path() / "run/varnook");
    }
    if (::getuid() == 0) {
        fs::create_directories(scratch.path() / "run/varnook");
        ASSERT_EQ(::chown((scratch.path() / "run/varnook").c_str(), 65534, 65534), 0);
        Program nwsimd(scratch, {network});
        EXPECT_EQ(nwsimd.wait(), 1);
        EXPECT_NE(nwsimd.errors().find("belongs to another user"), std::string::npos)
            << nwsimd.errors();
        fs::remove(scratch.path() / "run/varnook");
    }
    // While one nwsimd serves the network, a second one for the same network finds the state
    // folder's lock taken; one for another network of the same name finds its runtime file.
    Program first(scratch, {network});
    ASSERT_TRUE(first.output(2).has_value()) << first.errors();
    Program sameNetwork(scratch, {network});
    EXPECT_EQ(sameNetwork.wait(), 1);
    EXPECT_NE(sameNetwork.errors().find("holds the lock on this network's state"),
              std::string::npos)
        << sameNetwork.errors();
    EXPECT_NE(sameNetwork.errors().find("(nwsimd)"), std::string::npos) << sameNetwork.errors();
    EXPECT_TRUE(fs::exists(first.runtime() / "lab.servers.json"));  // the first's stays

    scratch.add("copy/volumes/FS1/SYS/");
    scratch.add("copy/volumes/FS2/SYS/");
    scratch.add("copy/lab.json", kProgramNetwork);
    Program sameName(scratch, {(scratch.path() / "copy/lab.json").string()});
    EXPECT_EQ(sameName.wait(), 1);
    EXPECT_NE(sameName.errors().find("already"), std::string::npos) << sameName.errors();
}

TEST(NwsimdProgram, HelpAndBadNetworkFiles) {
    ScratchFolder scratch;
    Program help(scratch, {"--help"});
    EXPECT_EQ(help.wait(), 0);
    EXPECT_NE(readFile(scratch.path() / "stdout").find("--capture"), std::string::npos);

    scratch.add("bad.json", R"({"workstation": {}, "servers": [{"name": "FS1", "listen": "x"}]})");
    Program bad(scratch, {(scratch.path() / "bad.json").string()});
    EXPECT_EQ(bad.wait(), 2);
    EXPECT_NE(bad.errors().find("servers[0].listen"), std::string::npos) << bad.errors();

    Program missing(scratch, {});
    EXPECT_EQ(missing.wait(), 2);
}

}  // namespace
}  // namespace nw::nwsimd::testing
