// The workstation file: what this workstation is connected to, for the wire back end. JSON like
// the network file; every error names the file, the JSON path and what was expected there.
//
//   {
//     "codePage": "WINDOWS-1252",
//     "passwordFile": "passwords",
//     "timeoutSeconds": 10,
//     "connections": [ { "server": "FS1", "address": "fs1.example.com:524", "user": "ADMIN" } ],
//     "drives": [ { "letter": "F", "target": "\\\\FS1\\DATA\\SHARED" } ]
//   }
//
// Passwords are never stored in it (see passwords.h).
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "wire/transport.h"

namespace nw::wire {

class WorkstationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct WorkstationConnection {
    std::string server;  // upper case, workstation code page
    Address address;
    std::string user;  // upper case; empty: attached without logging in
};

struct WorkstationDrive {
    char letter = 'F';
    std::string target;  // "\\SERVER\VOLUME\DIR", workstation code page
    std::string server;  // upper case
    std::string volume;  // upper case
    std::string path;    // "DIR\SUB" below the volume root; empty for the root
};

struct WorkstationConfig {
    std::filesystem::path file;
    std::string codePage = "WINDOWS-1252";
    std::vector<WorkstationConnection> connections;
    std::vector<WorkstationDrive> drives;
    std::optional<std::filesystem::path> passwordFile;  // absolute (made so from the file's folder)
    std::chrono::milliseconds replyTimeout{10000};
};

// Reads and checks a workstation file. Throws WorkstationError.
WorkstationConfig loadWorkstationFile(const std::filesystem::path& file);
// The same for JSON text; relative paths are taken from folder, fileName names it in errors.
WorkstationConfig parseWorkstation(std::string_view json, const std::filesystem::path& folder,
                                   const std::string& fileName);

// "host", "host:port", "[v6]:port" to an address (port 524 when none is given); nullopt for a
// text that is none of these.
std::optional<Address> parseAddress(std::string_view text);

}  // namespace nw::wire
