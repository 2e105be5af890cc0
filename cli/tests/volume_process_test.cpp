// The volume commands of the installed program: the control created by its ProgID through the
// component runtime (registered with regsvr in a private registry), and the man page and
// completion knowing every volume command and option.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>

#include "errors.h"
#include "harness.h"
#include "netclient/testing/testnet.h"
#include "platform/testing/temp_registry.h"
#include "spawn.h"
#include "volume_fixture.h"

namespace varnook::cli::test {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class VolumeProgramTest : public ::testing::Test {
protected:
    CliRun Run(const std::vector<std::string>& args,
               const std::string& program = VARNOOK_CLI_EXE) {
        const fs::path out = scratch.path() / "stdout.txt";
        const fs::path err = scratch.path() / "stderr.txt";
        CliRun r;
        r.code = SpawnProgram(program, args, environment, out.string(), err.string()).code;
        r.out = ReadFile(out);
        r.err = ReadFile(err);
        return r;
    }
    bool Register() {
        return SpawnProgram(VARNOOK_REGSVR, {"/s", VOLMARRA_LIBRARY}, environment).code == 0;
    }

    vnk::testing::TempRegistry registry;
    nw::testnet::ScratchFolder scratch{VolumeNetworkFiles()};
    std::vector<std::pair<std::string, std::string>> environment{
        {"VARNOOK_REGISTRY_DIR", registry.dir()},
        {"XDG_DATA_HOME", scratch.path().string()},
        {"NWSIM_NETWORK", scratch.write("network.json", kVolumeNetwork).string()}};
};

TEST_F(VolumeProgramTest, TheControlComesFromTheRegistry) {
    // A copy of the program with no installation step beside it cannot register the control.
    const fs::path lone = scratch.path() / "lone" / "varnook-cli";
    fs::create_directories(lone.parent_path());
    fs::copy_file(VARNOOK_CLI_EXE, lone);
    CliRun r = Run({"volume", "ls", "\\\\FS1\\SYS\\DOCS"}, lone.string());
    EXPECT_EQ(r.code, kExitNetWare);
    EXPECT_NE(r.err.find("VolmarraLib.VolmarraCtrl.1 cannot be created"), std::string::npos);
    EXPECT_NE(r.err.find("varnook-setup"), std::string::npos) << r.err;

    ASSERT_TRUE(Register());
    r = Run({"volume", "ls", "\\\\FS1\\SYS\\DOCS", "--csv"});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
              "name,type,attributes,size,owner,created,modified");
    EXPECT_NE(r.out.find("\nA.TXT,file,"), std::string::npos) << r.out;
    r = Run({"volume", "ls", "\\\\FS1\\SYS\\NOPE"});
    EXPECT_EQ(r.code, kExitNotFound);
    EXPECT_NE(r.err.find("0xCE17"), std::string::npos) << r.err;
}

// A user's first volume command runs the installation step beside the program, which registers
// the control in that user's registry.
TEST_F(VolumeProgramTest, TheFirstVolumeCommandRegistersTheControl) {
    const CliRun r = Run({"volume", "ls", "\\\\FS1\\SYS\\DOCS", "--csv"});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_NE(r.out.find("\nA.TXT,file,"), std::string::npos) << r.out;
}

// Every volume command and option the parser knows is in the man page and the completion.
TEST_F(VolumeProgramTest, ManPageAndCompletionKnowEveryVolumeCommand) {
    const CliRun help = Run({"volume", "--help"});
    ASSERT_EQ(help.code, kExitOk);
    std::set<std::string> commands;
    const std::regex line(R"(\n  ([a-z]+) )");
    for (std::sregex_iterator it(help.out.begin(), help.out.end(), line), end; it != end; ++it) {
        commands.insert((*it)[1]);
    }
    ASSERT_EQ(commands.size(), 16u) << help.out;
    const std::string man = ReadFile(fs::path(VARNOOK_CLI_SOURCE) / "varnook-cli.1");
    const std::string completion = ReadFile(fs::path(VARNOOK_CLI_SOURCE) / "varnook-cli.bash");
    for (const std::string& c : commands) {
        EXPECT_NE(man.find("\n.BI \"volume " + c + " "), std::string::npos) << c;
        EXPECT_NE(completion.find(" " + c + " "), std::string::npos) << c;
        const CliRun sub = Run({"volume", c, "--help"});
        EXPECT_EQ(sub.code, kExitOk) << c;
        const std::regex option(R"(  (--[a-z]+) )");
        for (std::sregex_iterator it(sub.out.begin(), sub.out.end(), option), end; it != end;
             ++it) {
            const std::string o = (*it)[1];
            if (o != "--help") {
                EXPECT_NE(man.find("\\-\\-" + o.substr(2)), std::string::npos) << o;
                EXPECT_NE(completion.find(o), std::string::npos) << c << " " << o;
            }
        }
    }
}

}  // namespace
}  // namespace varnook::cli::test
