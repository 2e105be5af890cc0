#include "errors.h"

#include <cstdio>

namespace varnook::cli {

namespace {

const char* KnownText(nw::NWCCODE code) {
    switch (code) {
        case nw::INVALID_CONNECTION:
            return "invalid connection";
        case nw::NWE_BUFFER_OVERFLOW:
            return "buffer overflow";
        case nw::NWE_NO_MORE_ENTRIES:
            return "no more entries";
        case nw::NWE_PARAM_INVALID:
            return "invalid parameter";
        case nw::INVALID_DRIVE:
            return "not a NetWare drive";
        case nw::NWE_REQUESTER_FAILURE:
            return "the NetWare client could not be initialised";
        case nw::NWE_REPLY_TIMEOUT:
            return "the server did not answer in time";
        case nw::NWE_BAD_REPLY:
            return "the server's reply is no valid NCP answer";
        case nw::NWE_CONNECTION_LOST:
            return "the connection to the server was lost";
        case nw::NWE_CONNECT_FAILED:
            return "the server could not be reached";
        case nw::NWE_NO_PASSWORD:
            return "no password";
        case nw::NWE_NOT_SUPPORTED_OVER_WIRE:
            return "not supported over the wire yet";
        case nw::INTRUDER_LOCKOUT:
            return "the account is locked";
        case nw::WRONG_PASSWORD:
            return "wrong password";
        case nw::USER_INFO_AUTHENTICATED:
            return "connection is authenticated";
        case nw::VOLUME_DOES_NOT_EXIST:
            return "volume does not exist";
        case nw::INVALID_PATH:
            return "invalid path";
        case nw::INVALID_NAME_SPACE:
            return "the volume has no such name space";
        case nw::NO_CONSOLE_PRIVILEGES:
            return "no console operator privileges";
        case nw::INVALID_PARAMETERS:
            return "invalid parameters";
        case nw::MESSAGE_QUEUE_FULL:
            return "message queue full";
        case nw::BAD_STATION_NUMBER:
            return "bad station number";
        case nw::FAILURE:
            return "failure";
        default:
            return nullptr;
    }
}

}  // namespace

std::string NetWareCodeText(nw::NWCCODE code) {
    char hex[24];
    if (code < 0) {
        std::snprintf(hex, sizeof hex, "%d", static_cast<int>(code));
    } else {
        std::snprintf(hex, sizeof hex, "0x%04X", static_cast<unsigned>(code));
    }
    const char* text = KnownText(code);
    return text != nullptr ? std::string(hex) + " (" + text + ")" : std::string(hex);
}

CliError NetWareError(nw::NWCCODE code, const std::string& what) {
    const bool missing = code == nw::BAD_STATION_NUMBER || code == nw::INVALID_PATH ||
                         code == nw::VOLUME_DOES_NOT_EXIST;
    return CliError(missing ? kExitNotFound : kExitNetWare,
                    what + ": NetWare error " + NetWareCodeText(code), code);
}

}  // namespace varnook::cli
