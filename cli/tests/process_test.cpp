// The installed program itself: the process client, the network file, and the man page and
// completion that ship beside it.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <csignal>
#include <fstream>
#include <regex>
#include <set>
#include <thread>

#include "errors.h"
#include "harness.h"
#include "netclient/testing/doors.h"
#include "netclient/testing/testnet.h"
#include "spawn.h"

namespace varnook::cli::test {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs varnook-cli with the arguments and NWSIM_NETWORK (when not empty), output into files.
CliRun RunProgram(const std::vector<std::string>& args, const std::string& network,
                  const fs::path& scratch) {
    const fs::path out = scratch / "stdout.txt";
    const fs::path err = scratch / "stderr.txt";
    std::vector<std::pair<std::string, std::string>> env{{"XDG_DATA_HOME", scratch.string()}};
    if (!network.empty()) {
        env.emplace_back("NWSIM_NETWORK", network);
    }
    CliRun r;
    r.code = SpawnProgram(VARNOOK_CLI_EXE, args, env, out.string(), err.string()).code;
    r.out = ReadFile(out);
    r.err = ReadFile(err);
    return r;
}

class ProgramTest : public ::testing::Test {
protected:
    nw::testnet::ScratchFolder scratch{SmallNetworkFiles()};
    std::string network = scratch.write("network.json", kSmallNetwork).string();
};

TEST_F(ProgramTest, AnswersFromTheNetworkFileNamedByTheEnvironmentOrTheOption) {
    CliRun r = RunProgram({"servers", "--json"}, network, scratch.path());
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(r.json()["servers"][0]["server"], "FS1");
    r = RunProgram({"--network", network, "drives", "--csv"}, "", scratch.path());
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "drive,server,volumePath,mapping");
}

TEST_F(ProgramTest, AnUnusableNetworkIsANetWareErrorWithItsCode) {
    const std::string broken = scratch.write("broken.json", "{ \"servers\": 5 }").string();
    const CliRun r = RunProgram({"servers"}, broken, scratch.path());
    EXPECT_EQ(r.code, kExitNetWare);
    EXPECT_NE(r.err.find("0x88FF"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
}

TEST_F(ProgramTest, AnAnswerLostToAFullDiskOrAClosedOutputIsAFailure) {
    const fs::path err = scratch.path() / "stderr.txt";
    for (const char* out : {"/dev/full", kClosedOutput}) {
        const int code =
            SpawnProgram(VARNOOK_CLI_EXE, {"open-files", "FS1", "--json"},
                         {{"NWSIM_NETWORK", network}, {"XDG_DATA_HOME", scratch.path().string()}},
                         out, err.string())
                .code;
        EXPECT_EQ(code, kExitOutput) << out;
        EXPECT_NE(ReadFile(err).find("could not be written"), std::string::npos) << ReadFile(err);
    }
}

// Whether the process has a handler of its own for `signal` yet.
bool Catches(pid_t pid, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("SigCgt:", 0) == 0) {
            return ((std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1) != 0;
        }
    }
    return false;
}

TEST_F(ProgramTest, CtrlCDuringAWaitExitsAsShellsExpect) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("NWSIM_NETWORK", network.c_str(), 1);
        ::setenv("XDG_DATA_HOME", scratch.path().c_str(), 1);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execl(VARNOOK_CLI_EXE, VARNOOK_CLI_EXE, "--wait-free", "G:\\Quarterly Report.xls",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(pid, 0);
    for (int i = 0; i < 1000 && !Catches(pid, SIGINT); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(::kill(pid, SIGINT), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), kExitInterrupted);
}

// Every command the parser knows is in the man page and the bash completion.
TEST_F(ProgramTest, ManPageAndCompletionKnowEveryCommandAndOption) {
    const CliRun help = RunProgram({"--help"}, "", scratch.path());
    ASSERT_EQ(help.code, kExitOk);
    const std::string subcommands = help.out.substr(help.out.find("Subcommands:"));
    std::set<std::string> commands;
    const std::regex line(R"(\n  ([a-z-]+) )");
    for (std::sregex_iterator it(subcommands.begin(), subcommands.end(), line), end; it != end;
         ++it) {
        commands.insert((*it)[1]);
    }
    ASSERT_GE(commands.size(), 2u);
    std::set<std::string> options;
    const std::regex option(R"(  (--[a-z-]+))");
    for (std::sregex_iterator it(help.out.begin(), help.out.end(), option), end; it != end; ++it) {
        options.insert((*it)[1]);
    }
    const std::string man = ReadFile(fs::path(VARNOOK_CLI_SOURCE) / "varnook-cli.1");
    const std::string completion = ReadFile(fs::path(VARNOOK_CLI_SOURCE) / "varnook-cli.bash");
    for (const std::string& c : commands) {
        EXPECT_TRUE(man.find("\n.B " + c + "\n") != std::string::npos ||
                    man.find("\n.BI \"" + c + " ") != std::string::npos)
            << c << " is missing in the man page";
        EXPECT_NE(completion.find(" " + c + " "), std::string::npos)
            << c << " is missing in the completion";
    }
    for (const std::string& o : options) {
        std::string escaped;
        for (char ch : o) {
            escaped += ch == '-' ? std::string("\\-") : std::string(1, ch);
        }
        EXPECT_NE(man.find(escaped), std::string::npos) << o << " is missing in the man page";
        EXPECT_NE(completion.find(o), std::string::npos) << o << " is missing in the completion";
    }
}

// Over the wire, to nwsimd: the passwords of the workstation file's password file, a wrong one
// from --password-file, and none at all with no terminal to ask on. No password is ever shown.
TEST(ProgramOverTheWire, PasswordsFromTheFileAndTheMessagesWhenTheyAreWrongOrMissing) {
    auto net =
        nw::testnet::DoorNetwork::open(nw::testnet::Door::Wire, kSmallNetwork, SmallNetworkFiles());
    nw::testnet::ScratchFolder scratch;
    const std::string workstation = net->workstationFile().string();
    std::string given = ReadFile(net->workstationFile().parent_path() / "passwords");
    ASSERT_NE(given.find("FS1 ADMIN "), std::string::npos);
    given = given.substr(given.find("FS1 ADMIN ") + 10);
    given = given.substr(0, given.find('\n'));

    CliRun r = RunProgram({"--workstation", workstation, "connections", "FS1"}, "", scratch.path());
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_NE(r.out.find("ADMIN"), std::string::npos) << r.out;

    // The traffic a capture holds carries no password either.
    const fs::path captures = scratch.path() / "captures";
    fs::create_directory(captures);
    EXPECT_EQ(SpawnProgram(VARNOOK_CLI_EXE, {"--workstation", workstation, "connections", "FS1"},
                           {{"XDG_DATA_HOME", scratch.path().string()},
                            {"VARNOOK_NCP_CAPTURE", captures.string()}})
                  .code,
              kExitOk);
    int captured = 0;
    for (const fs::directory_entry& file : fs::directory_iterator(captures)) {
        ++captured;
        EXPECT_EQ(ReadFile(file.path()).find(given), std::string::npos) << file.path();
    }
    EXPECT_GT(captured, 0);

    const fs::path wrong = scratch.write("wrong", "FS1 ADMIN X" + given + "\n");
    ::chmod(wrong.c_str(), 0600);
    r = RunProgram(
        {"--workstation", workstation, "--password-file", wrong.string(), "connections", "FS1"}, "",
        scratch.path());
    EXPECT_EQ(r.code, kExitNetWare);
    EXPECT_NE(r.err.find("NetWare error 0x89DE (wrong password)"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("wrong password for ADMIN on FS1"), std::string::npos) << r.err;
    EXPECT_EQ((r.out + r.err).find(given), std::string::npos) << "a password was shown";

    const fs::path none = scratch.write("none", "# nobody\n");
    ::chmod(none.c_str(), 0600);
    r = RunProgram({"--workstation", workstation, "--password-file", none.string(), "who-has",
                    "G:\\Quarterly Report.xls"},
                   "", scratch.path());
    EXPECT_EQ(r.code, kExitNetWare);
    EXPECT_NE(r.err.find("no password for ADMIN on FS1"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("no terminal"), std::string::npos) << r.err;

    const fs::path open = scratch.write("open", "FS1 ADMIN " + given + "\n");
    ::chmod(open.c_str(), 0644);
    r = RunProgram(
        {"--workstation", workstation, "--password-file", open.string(), "connections", "FS1"}, "",
        scratch.path());
    EXPECT_EQ(r.code, kExitNetWare);
    EXPECT_NE(r.err.find("may be read by others (mode 0644)"), std::string::npos) << r.err;
    EXPECT_EQ((r.out + r.err).find(given), std::string::npos) << "a password was shown";

    EXPECT_EQ(RunProgram({"--workstation", workstation, "--network", workstation, "servers"}, "",
                         scratch.path())
                  .code,
              kExitUsage);
}

}  // namespace
}  // namespace varnook::cli::test
