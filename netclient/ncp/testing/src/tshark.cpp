#include "ncp/testing/tshark.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace nw::ncp::testing {

namespace {

std::string quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

// Runs a shell command; its standard output, its exit status.
int run(const std::string& command, std::string& out) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return -1;
    }
    std::array<char, 4096> buf{};
    std::size_t n = 0;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) {
        out.append(buf.data(), n);
    }
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

bool tsharkAvailable() {
    // Asked once per test program: starting tshark takes a good part of a second.
    static const bool available = [] {
        std::string out;
        return run("tshark --version 2>/dev/null", out) == 0;
    }();
    return available;
}

TsharkReport tsharkReport(const std::string& capturePath, std::uint16_t port) {
    static const char* const kFilter =
        "ncp && (_ws.malformed || _ws.expert.group == 0x07000000"
        " || (ncp.type == 0x2222 && !ncp.func)"
        " || (ncp.type == 0x3333 && !ncp.func && !data)"
        " || ncp.no_request_record_found || ncp.connection_status.bad"
        " || ncp.type.unsupported || ncp.value_too_large || ncp.invalid_offset)";
    const std::string errFile = capturePath + ".tshark-errors";
    std::ostringstream cmd;
    cmd << "tshark -r " << quoted(capturePath)
        << " -o ncp.desegment:TRUE -o ncp.eid_2_expert:FALSE -d tcp.port==" << port << ",ncp"
        << " -Y " << quoted(kFilter) << " -T fields -e frame.number -e _ws.col.Info"
        << " 2>" << quoted(errFile);
    TsharkReport report;
    std::string out;
    const int status = run(cmd.str(), out);
    {
        std::ifstream err(errFile);
        std::ostringstream text;
        text << err.rdbuf();
        report.errors = text.str();
    }
    std::error_code ec;
    std::filesystem::remove(errFile, ec);
    report.ran = status == 0;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty()) {
            report.lines.push_back(line);
        }
    }
    return report;
}

std::vector<int> reportedFrames(const TsharkReport& report) {
    std::vector<int> frames;
    for (const std::string& line : report.lines) {
        frames.push_back(std::atoi(line.c_str()));
    }
    return frames;
}

}  // namespace nw::ncp::testing
