// Exit codes and the errors that end a command.
#pragma once

#include <stdexcept>
#include <string>

#include "netclient/types.h"

namespace varnook::cli {

// What the program answers to its caller.
enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 1,          // bad arguments
    kExitNotFound = 2,       // no such server, drive, file or station; a wait that timed out
    kExitNetWare = 3,        // the NetWare client or server refused
    kExitOutput = 4,         // the answer could not be written (a full disk, a closed output)
    kExitInterrupted = 130,  // Ctrl-C ended a wait (128 + SIGINT, as shells report it)
};

// Ends a command: the exit code and the message for standard error. code is the NetWare
// completion code behind the error, 0 when there is none.
class CliError : public std::runtime_error {
public:
    CliError(int exitCode, const std::string& message, nw::NWCCODE code = 0)
        : std::runtime_error(message), exitCode_(exitCode), code_(code) {}
    int exitCode() const { return exitCode_; }
    nw::NWCCODE code() const { return code_; }

private:
    int exitCode_;
    nw::NWCCODE code_;
};

// A NetWare completion code as administrators read it: "0x89C6 (no console operator
// privileges)". Codes without a known text give the number alone.
std::string NetWareCodeText(nw::NWCCODE code);

// The error for a failed NetWare operation: "<what>: NetWare error 0x8801 (invalid
// connection)". Codes that mean a missing station, path or volume end with kExitNotFound, all
// others with kExitNetWare.
CliError NetWareError(nw::NWCCODE code, const std::string& what);

}  // namespace varnook::cli
