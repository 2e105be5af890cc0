// Runs varnook-cli in-process on a network made in code, with a clock that moves only when the
// command waits, so watched queries and waits take no real time.
#pragma once

#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli.h"
#include "netclient/client.h"

namespace varnook::cli::test {

struct CliRun {
    int code = -1;
    std::string out;
    std::string err;
    nlohmann::json json() const;                    // out parsed as one document
    std::vector<nlohmann::json> jsonLines() const;  // out as one document per line
};

class Harness {
public:
    explicit Harness(nw::Client& client) : client_(client) {}

    CliRun run(const std::vector<std::string>& args);

    // Runs before the n-th wait (from 1) returns; answer false to interrupt the wait.
    std::function<bool(int n)> onSleep;
    // What the terminal answers a question; nullopt: there is no terminal.
    std::optional<bool> answer;
    std::vector<std::string> questions;
    // Standard output refuses every byte, as a full disk does.
    bool outputFull = false;
    // Makes the volume control of the volume commands (the tests' own, on their network).
    std::function<vnk::com::ComPtr<vnk::com::IDispatch>()> volumeControl;
    int sleeps = 0;
    std::chrono::milliseconds slept{0};

private:
    nw::Client& client_;
};

// Two servers. FS1 has drives F: (\\FS1\SYS) and G: (\\FS1\DATA\SHARED); the workstation is
// a console operator there (station 1); JSMITH (12, one lock) and the authenticated MBROWN (14)
// have "DATA:SHARED\Quarterly Report.xls" open, LCHEN (15) refuses messages (and has "Notes,
// final.txt" open) and station 20 is attached without a user. OLD runs NetWare 3.10 with a volume
// of DOS names only, where HSCHMIDT (9) holds a lock on LEDGER.DBF; the workstation's GUEST has no
// console rights there.
extern const char* const kSmallNetwork;
std::vector<std::string> SmallNetworkFiles();

}  // namespace varnook::cli::test
