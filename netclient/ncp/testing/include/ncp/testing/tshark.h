// Wireshark's judgement of a capture, for the NCP tests of the codec, the server and the client.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nw::ncp::testing {

// True when tshark can be run (tests skip the check otherwise).
bool tsharkAvailable();

struct TsharkReport {
    bool ran = false;                // tshark started and exited 0
    std::vector<std::string> lines;  // one per reported frame: "NUMBER<TAB>INFO"
    std::string errors;              // tshark's own messages when it failed
};

// Runs the check of the protocol reference over a capture: frames that are malformed, unknown
// NCP functions and their replies, replies without a request, bad connection status, unknown
// NCP types and overruns. `port` is the server's TCP port in the capture.
TsharkReport tsharkReport(const std::string& capturePath, std::uint16_t port = 524);

// The frame numbers of the report's lines.
std::vector<int> reportedFrames(const TsharkReport& report);

}  // namespace nw::ncp::testing
