#include "harness.h"

#include <gtest/gtest.h>

namespace varnook::cli::test {

nlohmann::json CliRun::json() const {
    try {
        return nlohmann::json::parse(out);
    } catch (const nlohmann::json::exception& e) {
        ADD_FAILURE() << "not one JSON document: " << e.what() << "\n" << out;
        return nullptr;
    }
}

std::vector<nlohmann::json> CliRun::jsonLines() const {
    std::vector<nlohmann::json> docs;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        docs.push_back(nlohmann::json::parse(line));
    }
    return docs;
}

namespace {

// A stream buffer that takes nothing.
class FullBuffer final : public std::streambuf {
protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
    std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

}  // namespace

CliRun Harness::run(const std::vector<std::string>& args) {
    std::ostringstream written;
    FullBuffer full;
    std::ostream out(outputFull ? static_cast<std::streambuf*>(&full) : written.rdbuf());
    std::ostringstream err;
    const auto start = std::chrono::steady_clock::time_point{} + std::chrono::hours(1);
    Environment env{out,
                    err,
                    [this](const ClientSource&) -> nw::Client& { return client_; },
                    [this](std::chrono::milliseconds d) {
                        ++sleeps;
                        slept += d;
                        return onSleep ? onSleep(sleeps) : true;
                    },
                    [this, start] { return start + slept; },
                    [this] { return "2026-05-01T10:00:" + std::to_string(10 + sleeps); },
                    [this](const std::string& question) {
                        questions.push_back(question);
                        return answer;
                    },
                    [this](const ClientSource&) { return volumeControl(); }};
    CliRun r;
    r.code = Run(args, env);
    r.out = written.str();
    r.err = err.str();
    return r;
}

const char* const kSmallNetwork = R"({
  "workstation": {
    "drives": [ { "letter": "F", "target": "\\\\FS1\\SYS" },
                { "letter": "G", "target": "\\\\FS1\\DATA\\SHARED" } ],
    "connections": [ { "server": "FS1", "user": "ADMIN", "station": 1, "consoleOperator": true },
                     { "server": "OLD", "user": "GUEST", "station": 2 } ]
  },
  "servers": [ {
    "name": "FS1", "maxConnections": 40,
    "volumes": [ { "name": "SYS" }, { "name": "DATA" } ],
    "connections": [
      { "number": 12, "user": "JSMITH", "loginTime": "2026-12-07T08:15:30",
        "address": { "network": "0000C0A8", "node": "00001B2C3D4E", "socket": "0003" },
        "bytesRead": 4294967296,
        "openFiles": [ { "path": "DATA:SHARED\\Quarterly Report.xls",
                         "locks": [ { "start": 0, "end": 511, "type": 254, "task": 1 } ] },
                       { "path": "SYS:PUBLIC\\LOGIN.EXE" } ] },
      { "number": 14, "user": "MBROWN", "status": "authenticated",
        "openFiles": [ { "path": "DATA:SHARED\\Quarterly Report.xls" } ] },
      { "number": 15, "user": "LCHEN", "messages": "refuse",
        "openFiles": [ { "path": "DATA:SHARED\\Notes, final.txt" } ] },
      { "number": 20 }
    ]
  }, {
    "name": "OLD", "version": [3, 10, 0], "volumes": [ { "name": "SYS", "nameSpaces": [0] } ],
    "connections": [ { "number": 9, "user": "HSCHMIDT",
                       "openFiles": [ { "path": "SYS:LEDGER.DBF",
                                        "locks": [ { "start": 8, "end": 15, "type": 255 } ] } ] } ]
  } ]
})";

std::vector<std::string> SmallNetworkFiles() {
    return {"volumes/FS1/DATA/SHARED/Quarterly Report.xls", "volumes/FS1/DATA/SHARED/free.txt",
            "volumes/FS1/DATA/SHARED/Notes, final.txt", "volumes/FS1/SYS/PUBLIC/LOGIN.EXE",
            "volumes/OLD/SYS/LEDGER.DBF"};
}

}  // namespace varnook::cli::test
