#include "core/loginstatus.h"

#include <gtest/gtest.h>

#include "actionnet.h"
#include "core/servers.h"
#include "netclient/fault.h"

namespace varnook {
namespace {

using test::ActionNetwork;
using test::kFs1;
using test::kOld;

VARNOOK_ACTION_TESTS(SwitchServerLoginsTest);
VARNOOK_ACTION_TESTS(CheckConsoleRightsTest);

ServerRow::Login LoginOf(nw::Client& client, nw::NWCONN_REF ref) {
    for (const ServerRow& row : ScanServers(client)) {
        if (row.connRef == ref) {
            return row.login;
        }
    }
    return ServerRow::Login::Unknown;
}

TEST(LoginSwitch, OnlyDisabledAsksToEnable) {
    EXPECT_TRUE(AsksToEnableLogins("Disabled"));
    EXPECT_FALSE(AsksToEnableLogins("Enabled"));
    EXPECT_FALSE(AsksToEnableLogins("Unknown"));
    EXPECT_FALSE(AsksToEnableLogins(""));
    EXPECT_FALSE(AsksToEnableLogins("disabled"));
    EXPECT_EQ(LoginSwitchQuestion(true, "FS1"),
              "Are you sure you want to enable logins on server FS1 ?");
    EXPECT_EQ(LoginSwitchQuestion(false, "FS1"),
              "Are you sure you want to disable logins on server FS1 ?");
}

TEST_P(SwitchServerLoginsTest, RefusedWithoutConsoleRights) {
    const LoginSwitchOutcome out = SwitchServerLogins(net.client(), kOld, false);
    EXPECT_EQ(out.result, nw::NO_CONSOLE_PRIVILEGES);
    EXPECT_EQ(LoginOf(net.client(), kOld), ServerRow::Login::Enabled);
    EXPECT_EQ(SwitchServerLogins(net.client(), kFs1, false).result, nw::SUCCESSFUL);
    EXPECT_EQ(LoginOf(net.client(), kFs1), ServerRow::Login::Disabled);
    EXPECT_EQ(SwitchServerLogins(net.client(), 99, true).openResult, nw::INVALID_CONNECTION);
    EXPECT_EQ(net.openHandleCount(), 0u);

    EXPECT_EQ(LoginSwitchFailureText(false, "OLD", nw::NO_CONSOLE_PRIVILEGES),
              "Could not disable logins on server OLD !\r\nNo console operator privileges.");
    EXPECT_EQ(LoginSwitchFailureText(true, "OLD", nw::FAILURE),
              "Could not enable logins on server OLD !\r\nError code:  35327");
}

TEST_P(CheckConsoleRightsTest, EachAnswer) {
    EXPECT_EQ(CheckConsoleRights(net.client(), kFs1), ConsoleRights::Granted);
    EXPECT_EQ(CheckConsoleRights(net.client(), kOld), ConsoleRights::Missing);
    EXPECT_EQ(CheckConsoleRights(net.client(), 99), ConsoleRights::NotChecked);
    nw::FaultInjectingClient faulty(net.client());
    faulty.fail(nw::Op::NWCheckConsolePrivileges, nw::INVALID_CONNECTION);
    EXPECT_EQ(CheckConsoleRights(faulty, kFs1), ConsoleRights::InvalidConnection);
    faulty.fail(nw::Op::NWCheckConsolePrivileges, nw::FAILURE);
    EXPECT_EQ(CheckConsoleRights(faulty, kFs1), ConsoleRights::Granted);
    EXPECT_EQ(net.openHandleCount(), 0u);
}

TEST(ConsoleWarnings, TextsWithTheirLineBreaks) {
    EXPECT_EQ(NoConsoleRightsWarning("OLD"),
              "You do not have console operator priviledges on server OLD\rSome functions may "
              "not run correctly.\r\rPlease contact your network administrator.");
    // The two sentences never run together.
    EXPECT_EQ(InvalidConnectionWarning(),
              "Invalid connection handle.\rTry logging out, and logging in again");
}

}  // namespace
}  // namespace varnook
