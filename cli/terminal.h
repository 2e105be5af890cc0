// Asking for a password on the terminal, without echo.
#pragma once

#include <string>

#include "netclient/passwords.h"

namespace varnook::cli {

// Asks on the controlling terminal (/dev/tty), so that piped input and output stay untouched:
// "Password for JSMITH on FS1: ", typed without echo, into the entry. False with the reason
// when there is no terminal, or the input ends or is interrupted. Names are shown in UTF-8
// from codePage.
bool AskPasswordOnTerminal(const nw::PasswordQuestion& question, nw::PasswordEntry& entry,
                           std::string& why, const std::string& codePage);

}  // namespace varnook::cli
