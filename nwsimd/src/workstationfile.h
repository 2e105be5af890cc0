// The workstation file of a served network, for the wire back end of Varnook and varnook-cli:
// the network file's workstation (its connections, drives and code page) with the addresses the
// servers listen on and the password file of this start, written as
// <runtime folder>/<network>.workstation.json (0600, removed when nwsimd ends). With it,
// VARNOOK_WORKSTATION=that file reaches the served network; the demo is reached so.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "server.h"
#include "servermodel.h"

namespace nw::nwsimd {

// What the file names of the workstation, read before its stations leave the tables.
struct WorkstationView {
    struct Connection {
        std::string server;  // UTF-8
        std::string user;    // UTF-8; empty: attached only
    };
    struct Drive {
        char letter = 'F';
        std::string target;  // UTF-8
    };
    std::string codePage;
    std::vector<Connection> connections;
    std::vector<Drive> drives;
};
WorkstationView workstationOf(const sim::ServerModel& model);

class WorkstationFile {
public:
    // Throws std::runtime_error when the file cannot be written.
    WorkstationFile(const std::filesystem::path& folder, const std::filesystem::path& networkFile,
                    const WorkstationView& workstation, const std::vector<Endpoint>& endpoints,
                    const std::filesystem::path& passwordFile);
    ~WorkstationFile();
    WorkstationFile(const WorkstationFile&) = delete;
    WorkstationFile& operator=(const WorkstationFile&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace nw::nwsimd
