// What nwsimd tells its clients while it runs, in the user's runtime folder
// ($XDG_RUNTIME_DIR/varnook, else /tmp/varnook-<uid>): the servers' addresses
// (<network>.servers.json) and the passwords it gave the workstation's users at start
// (<network>.passwords). The folder is the user's alone (0700); one that belongs to someone
// else, is a link or is open to others is refused. Both formats are documented in the README
// ("Serving a network over NCP").
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "server.h"
#include "servermodel.h"

namespace nw::nwsimd {

// The runtime folder, made 0700 when missing. Throws std::runtime_error when it cannot be made
// or is not the user's own private folder.
std::filesystem::path runtimeFolder();

// A password nwsimd chose for a user of a server.
struct GivenPassword {
    std::string server;
    std::string user;
    std::string password;
};

// Gives every user that a workstation connection of the network file logs in as, and that has
// no password in the file, a random password (its hash replaces the empty one). Call before
// dropping the workstation's stations.
std::vector<GivenPassword> givePasswords(sim::ServerModel& model);

// The runtime files of one network served by this process; removed when destroyed.
class RuntimeFiles {
public:
    // Writes <network>.servers.json and, when there are given passwords, <network>.passwords
    // (0600, written whole before they appear). Throws std::runtime_error when another live
    // process announces the same network name there, or a file cannot be written.
    RuntimeFiles(const std::filesystem::path& folder, const std::filesystem::path& networkFile,
                 const std::vector<Endpoint>& endpoints,
                 const std::vector<GivenPassword>& passwords);
    ~RuntimeFiles();
    RuntimeFiles(const RuntimeFiles&) = delete;
    RuntimeFiles& operator=(const RuntimeFiles&) = delete;

    const std::filesystem::path& serversFile() const { return serversFile_; }
    const std::filesystem::path& passwordFile() const { return passwordFile_; }

private:
    std::filesystem::path serversFile_;
    std::filesystem::path passwordFile_;
};

}  // namespace nw::nwsimd
