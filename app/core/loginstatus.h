// Switching a server's logins on and off, and the console operator check of the start-up. Free
// of widgets.
#pragma once

#include <string>

#include "netclient/client.h"

namespace varnook {

// The switch a server row asks for: enabling when its status text is exactly "Disabled";
// every other text (also "Enabled", "Unknown" or an empty cell) asks for disabling.
bool AsksToEnableLogins(const std::string& statusText);

// "Are you sure you want to enable logins on server <name> ?" (or "disable").
std::string LoginSwitchQuestion(bool enable, const std::string& serverName);

struct LoginSwitchOutcome {
    nw::NWCCODE openResult = nw::SUCCESSFUL;  // NWCCOpenConnByRef; nothing was switched unless 0
    nw::NWCCODE result = nw::SUCCESSFUL;      // NWEnableFileServerLogin / NWDisableFileServerLogin
};

// Opens one handle on ref, switches the server's logins, closes the handle.
LoginSwitchOutcome SwitchServerLogins(nw::Client& client, nw::NWCONN_REF ref, bool enable);

// After a successful switch: the server row's status text ("Enabled" / "Disabled") and the
// menu entry's caption ("Disable Logins" / "Enable Logins").
const char* LoginStatusAfterSwitch(bool enabled);
const char* LoginMenuCaptionAfterSwitch(bool enabled);

// The text for a refused switch: "Could not enable logins on server <name> !", a line break, and
// "No console operator privileges." for 0x89C6 or else "Error code: " and the code as Str text.
std::string LoginSwitchFailureText(bool enable, const std::string& serverName, nw::NWCCODE result);

enum class ConsoleRights {
    Granted,            // NWCheckConsolePrivileges answered anything but the two codes below
    Missing,            // 0x89C6
    InvalidConnection,  // 0x8801
    NotChecked,         // the connection could not be opened
};

// Opens one handle on ref, asks NWCheckConsolePrivileges, closes the handle.
ConsoleRights CheckConsoleRights(nw::Client& client, nw::NWCONN_REF ref);

// The start-up warning without console operator rights on the named server.
std::string NoConsoleRightsWarning(const std::string& serverName);
// The start-up warning for an invalid connection (title "Critical error"): its two sentences on
// two lines.
std::string InvalidConnectionWarning();

}  // namespace varnook
