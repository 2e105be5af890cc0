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

#include "servednetwork.h"

extern char** environ;

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

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// nwsimd run with arguments, its runtime folder in the scratch folder; output to files.
class Program {
public:
    Program(const ScratchFolder& scratch, std::vector<std::string> args) : out_(scratch.path()) {
        std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + (out_ / "run").string(),
                                        "PATH=/usr/bin:/bin"};
        args.insert(args.begin(), NWSIMD_EXE);
        std::vector<char*> argv, envp;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, (out_ / "stdout").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, (out_ / "stderr").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        fs::create_directories(out_ / "run");
        ::chmod((out_ / "run").c_str(), 0700);
        if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Program() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    // Standard output once it holds `lines` lines (nullopt when the program ended first).
    std::optional<std::string> output(int lines) {
        for (int i = 0; i < 1000; ++i) {
            std::string text = readFile(out_ / "stdout");
            if (std::count(text.begin(), text.end(), '\n') >= lines)
                return text;
            if (ended())
                return std::nullopt;
            std::this_thread::sleep_for(10ms);
        }
        return std::nullopt;
    }
    std::string errors() const { return readFile(out_ / "stderr"); }
    fs::path runtime() const { return out_ / "run" / "varnook"; }

    void signal(int number) { ::kill(pid_, number); }
    // The exit status once the program has ended (-1 after 10 s or on a signal).
    int wait() {
        for (int i = 0; i < 1000 && !ended(); ++i)
            std::this_thread::sleep_for(10ms);
        return status_;
    }

private:
    bool ended() {
        if (pid_ <= 0)
            return true;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) != pid_)
            return false;
        pid_ = -1;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return true;
    }

    fs::path out_;
    pid_t pid_ = -1;
    int status_ = -1;
};

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

TEST(NwsimdProgram, RefusesARuntimeFolderThatIsALinkOrAnotherUsersOrTaken) {
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
    // A second nwsimd for a network of the same name while the first runs.
    Program first(scratch, {network});
    ASSERT_TRUE(first.output(2).has_value()) << first.errors();
    Program second(scratch, {network});
    EXPECT_EQ(second.wait(), 1);
    EXPECT_NE(second.errors().find("already"), std::string::npos) << second.errors();
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
