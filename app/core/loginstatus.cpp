#include "core/loginstatus.h"

#include "core/connhandle.h"
#include "core/strtext.h"

namespace varnook {

bool AsksToEnableLogins(const std::string& statusText) {
    return statusText == "Disabled";
}

std::string LoginSwitchQuestion(bool enable, const std::string& serverName) {
    return std::string("Are you sure you want to ") + (enable ? "enable" : "disable") +
           " logins on server " + serverName + " ?";
}

LoginSwitchOutcome SwitchServerLogins(nw::Client& client, nw::NWCONN_REF ref, bool enable) {
    LoginSwitchOutcome out;
    ConnHandle conn(client, ref);
    out.openResult = conn.result();
    if (conn.ok()) {
        out.result = enable ? client.NWEnableFileServerLogin(conn.get())
                            : client.NWDisableFileServerLogin(conn.get());
    }
    return out;
}

const char* LoginStatusAfterSwitch(bool enabled) {
    return enabled ? "Enabled" : "Disabled";
}

const char* LoginMenuCaptionAfterSwitch(bool enabled) {
    return enabled ? "Disable Logins" : "Enable Logins";
}

std::string LoginSwitchFailureText(bool enable, const std::string& serverName, nw::NWCCODE result) {
    std::string text = std::string("Could not ") + (enable ? "enable" : "disable") +
                       " logins on server " + serverName + " !\r\n";
    if (result == nw::NO_CONSOLE_PRIVILEGES) {
        return text + "No console operator privileges.";
    }
    return text + "Error code: " + StrText(result);
}

ConsoleRights CheckConsoleRights(nw::Client& client, nw::NWCONN_REF ref) {
    ConnHandle conn(client, ref);
    if (!conn.ok()) {
        return ConsoleRights::NotChecked;
    }
    switch (client.NWCheckConsolePrivileges(conn.get())) {
        case nw::NO_CONSOLE_PRIVILEGES:
            return ConsoleRights::Missing;
        case nw::INVALID_CONNECTION:
            return ConsoleRights::InvalidConnection;
        default:
            return ConsoleRights::Granted;
    }
}

std::string NoConsoleRightsWarning(const std::string& serverName) {
    return "You do not have console operator priviledges on server " + serverName +
           "\rSome functions may not run correctly.\r\rPlease contact your network "
           "administrator.";
}

std::string InvalidConnectionWarning() {
    return "Invalid connection handle.\rTry logging out, and logging in again";
}

}  // namespace varnook
