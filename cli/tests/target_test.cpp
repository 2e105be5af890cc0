#include "target.h"

#include <gtest/gtest.h>

#include "errors.h"
#include "harness.h"
#include "netclient/testing/testnet.h"

namespace varnook::cli {
namespace {

using Form = FileArgument::Form;

int UsageOf(const std::string& text) {
    try {
        ParseFileArgument(text);
    } catch (const CliError& e) {
        return e.exitCode();
    }
    return kExitOk;
}

TEST(ParseFileArgument, DrivePaths) {
    auto a = ParseFileArgument("F:\\DATA\\Sub\\Report.xls");
    EXPECT_EQ(a.form, Form::Drive);
    EXPECT_EQ(a.drive, 6);
    EXPECT_EQ(a.folder, "F:\\DATA\\Sub");
    EXPECT_EQ(a.fileName, "Report.xls");
    // Forward slashes, a lower-case letter and no root separator all name the same file.
    a = ParseFileArgument("g:/a.xls");
    EXPECT_EQ(a.drive, 7);
    EXPECT_EQ(a.folder, "G:\\");
    EXPECT_EQ(a.fileName, "a.xls");
    EXPECT_EQ(ParseFileArgument("G:a.xls").folder, "G:\\");
}

TEST(ParseFileArgument, NetWareAndUncPaths) {
    auto a = ParseFileArgument("FS1/DATA:SHARED\\Report 1.xls");
    EXPECT_EQ(a.form, Form::NetWare);
    EXPECT_EQ(a.server, "FS1");
    EXPECT_EQ(a.volumePath, "DATA:\\SHARED\\Report 1.xls");
    EXPECT_EQ(ParseFileArgument("FS1\\DATA:\\a.txt").volumePath, "DATA:\\a.txt");

    a = ParseFileArgument("\\\\FS1\\DATA\\SHARED\\Report.xls");
    EXPECT_EQ(a.form, Form::Unc);
    EXPECT_EQ(a.server, "FS1");
    EXPECT_EQ(a.volumePath, "DATA:\\SHARED\\Report.xls");
    EXPECT_EQ(ParseFileArgument("//FS1/DATA/a.txt").volumePath, "DATA:\\a.txt");
}

TEST(ParseFileArgument, TextsThatNameNoFileAreUsageErrors) {
    for (const char* bad :
         {"", "Report.xls", "F:", "F:\\", "DATA:SHARED\\a.xls", "FS1/DATA:", "\\\\FS1\\DATA",
          "\\\\FS1", "/FS1/DATA:", "F:\\..\\x", "FS1/:a", "FS1/DATA:.\\a"}) {
        EXPECT_EQ(UsageOf(bad), kExitUsage) << bad;
    }
}

TEST(FindServer, ExactNameFirstThenAnyCaseAndTheFirstRowOfTwo) {
    const std::vector<ServerRow> rows = {{"fs1", ServerRow::Login::Enabled, 1},
                                         {"FS1", ServerRow::Login::Enabled, 2},
                                         {"FS1", ServerRow::Login::Enabled, 3}};
    EXPECT_EQ(FindServer(rows, "FS1")->connRef, 2u);
    EXPECT_EQ(FindServer(rows, "Fs1")->connRef, 1u);
    EXPECT_EQ(FindServer(rows, "FS2"), nullptr);
}

class ResolveTest : public ::testing::Test {
protected:
    nw::testnet::TestNetwork net{test::kSmallNetwork, test::SmallNetworkFiles()};
    std::ostringstream out, err;
    Environment env{
        out,     err,     [this](const ClientSource&) -> nw::Client& { return net.client(); },
        nullptr, nullptr, nullptr,
        nullptr};
    Context ctx{env, Options{}};

    int ExitOf(const std::string& argument) {
        try {
            ResolveFile(ctx, argument);
        } catch (const CliError& e) {
            return e.exitCode();
        }
        return kExitOk;
    }

    void TearDown() override { EXPECT_EQ(net.client().openHandleCount(), 0u); }
};

TEST_F(ResolveTest, TheThreeFormsNameTheSameFile) {
    for (const char* form : {"G:\\Quarterly Report.xls", "fs1/DATA:SHARED/Quarterly Report.xls",
                             "\\\\FS1\\DATA\\SHARED\\Quarterly Report.xls"}) {
        const FileTarget t = ResolveFile(ctx, form);
        EXPECT_EQ(t.server, "FS1") << form;
        EXPECT_EQ(t.connRef, 1u) << form;
        EXPECT_EQ(t.volumePath.substr(t.volumePath.find(':')), ":\\SHARED\\Quarterly Report.xls")
            << form;
    }
    EXPECT_EQ(ResolveFile(ctx, "F:\\PUBLIC\\LOGIN.EXE").volumePath, "SYS:\\PUBLIC\\LOGIN.EXE");
    EXPECT_EQ(ResolveFile(ctx, "F:\\LOGIN.EXE").volumePath, "SYS:\\LOGIN.EXE");
}

TEST_F(ResolveTest, UnmappedDrivesAndUnknownServersAreNotFound) {
    EXPECT_EQ(ExitOf("H:\\a.txt"), kExitNotFound);
    EXPECT_EQ(ExitOf("C:\\a.txt"), kExitNotFound);
    EXPECT_EQ(ExitOf("FS9/SYS:a.txt"), kExitNotFound);
    EXPECT_EQ(ExitOf("\\\\FS9\\SYS\\a.txt"), kExitNotFound);
    EXPECT_EQ(ExitOf("FS1"), kExitUsage);
}

TEST_F(ResolveTest, ArgumentsTheCodePageCannotSpellAreUsageErrors) {
    EXPECT_EQ(ExitOf("G:\\\xe2\x82\xac.txt"), kExitOk);  // the euro sign is in Windows-1252
    EXPECT_EQ(ExitOf("G:\\\xe4\xb8\xad.txt"), kExitUsage);
}

}  // namespace
}  // namespace varnook::cli
