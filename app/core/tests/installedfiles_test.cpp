// Where the program keeps its logs and finds its help page, from a build tree and installed; and
// what it does before any window: --help, --version and the installation step.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/cmdline.h"
#include "core/installedfiles.h"
#include "core/setupstep.h"

namespace varnook {
namespace {

namespace fs = std::filesystem;

class InstalledFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "varnook-installed-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        root_ = tmpl;
        setenv("HOME", (root_ / "home").c_str(), 1);
        unsetenv("XDG_STATE_HOME");
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(root_, ec);
    }
    // A folder "bin" below root_/name, with a CMakeCache.txt beside it when it is a build tree.
    std::string ProgramFolder(const std::string& name, bool buildTree) {
        const fs::path bin = root_ / name / "bin";
        fs::create_directories(bin);
        if (buildTree) {
            std::ofstream(root_ / name / "CMakeCache.txt") << "# CMake\n";
        }
        return bin.string();
    }
    static unsigned Mode(const fs::path& p) {
        struct stat st {};
        return ::stat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
    }
    fs::path root_;
};

TEST_F(InstalledFilesTest, LogsStayInAWritableBuildTree) {
    const std::string bin = ProgramFolder("build", true);
    EXPECT_TRUE(IsBuildTreeFolder(bin));
    EXPECT_EQ(LogFolder(bin), bin);
    EXPECT_FALSE(fs::exists(root_ / "home"));
}

TEST_F(InstalledFilesTest, InstalledProgramLogsToTheUsersStateFolder) {
    const std::string bin = ProgramFolder("usr", false);
    EXPECT_FALSE(IsBuildTreeFolder(bin));
    const fs::path expected = root_ / "home/.local/state/varnook";
    EXPECT_EQ(LogFolder(bin), expected.string());
    EXPECT_TRUE(fs::is_directory(expected));
    EXPECT_EQ(Mode(expected), 0700u);
    EXPECT_EQ(Mode(root_ / "home/.local/state"), 0700u);

    // XDG_STATE_HOME when it is absolute; a relative one is ignored.
    setenv("XDG_STATE_HOME", (root_ / "state").c_str(), 1);
    EXPECT_EQ(LogFolder(bin), (root_ / "state/varnook").string());
    EXPECT_EQ(Mode(root_ / "state/varnook"), 0700u);
    setenv("XDG_STATE_HOME", "relative/state", 1);
    EXPECT_EQ(LogFolder(bin), expected.string());

    // An existing folder keeps the mode its owner gave it.
    fs::permissions(expected, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    EXPECT_EQ(LogFolder(bin), expected.string());
    EXPECT_EQ(Mode(expected), 0750u);
}

TEST_F(InstalledFilesTest, BuildTreeTheUserCannotWriteLogsToTheStateFolder) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root may write any folder";
    }
    const std::string bin = ProgramFolder("build", true);
    fs::permissions(bin, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(LogFolder(bin), (root_ / "home/.local/state/varnook").string());
}

TEST_F(InstalledFilesTest, HelpPageBesideTheProgramElseInShareVarnook) {
    const std::string bin = ProgramFolder("usr", false);
    EXPECT_EQ(HelpFilePath(bin), bin + "/Vnk.html");  // neither: the error names this one
    fs::create_directories(root_ / "usr/share/varnook");
    std::ofstream(root_ / "usr/share/varnook/Vnk.html") << "<html></html>";
    EXPECT_EQ(HelpFilePath(bin), (root_ / "usr/share/varnook/Vnk.html").string());
    std::ofstream(bin + "/Vnk.html") << "<html></html>";
    EXPECT_EQ(HelpFilePath(bin), bin + "/Vnk.html");
}

TEST(ProgramStart, HelpAndVersionAreAnsweredOtherArgumentsStart) {
    const auto version = InfoAnswer({"--version"});
    ASSERT_TRUE(version);
    EXPECT_EQ(*version, std::string("varnook ") + VARNOOK_VERSION_STRING + "\n");
    const auto help = InfoAnswer({"--version", "-h"});
    ASSERT_TRUE(help);
    EXPECT_EQ(help->rfind("Usage: varnook [/debug]\n", 0), 0u);
    EXPECT_FALSE(InfoAnswer({}));
    EXPECT_FALSE(InfoAnswer({"/debug"}));
    EXPECT_FALSE(InfoAnswer({"/DEBUG", "--versions"}));
}

TEST_F(InstalledFilesTest, InstallationStepRunsVarnookSetupBesideTheProgram) {
    const std::string bin = ProgramFolder("usr", false);
    EXPECT_EQ(RunInstallationStep(bin), 0);  // none there: nothing to do
    const std::string seen = (root_ / "arguments").string();
    const std::string setup = bin + "/varnook-setup";
    std::ofstream(setup) << "#!/bin/sh\necho \"$@\" > '" << seen << "'\nexit 3\n";
    fs::permissions(setup, fs::perms::owner_all);
    EXPECT_EQ(RunInstallationStep(bin), 3);
    std::ifstream in(seen);
    std::stringstream ss;
    ss << in.rdbuf();
    EXPECT_EQ(ss.str(), "--quiet\n");

    fs::permissions(setup, fs::perms::owner_read);  // not executable: not run
    fs::remove(seen);
    EXPECT_EQ(RunInstallationStep(bin), 0);
    EXPECT_FALSE(fs::exists(seen));
}

}  // namespace
}  // namespace varnook
