// Sending a broadcast message to chosen connections of a server. Free of widgets.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "netclient/client.h"

namespace varnook {

// The result column's text for a connection's result byte: "Sent OK" (0), "Invalid connection"
// (1), "Not logged in to server" (2), "Not accepting messages" (3), "Already has message" (4),
// otherwise "Unknown error".
const char* BroadcastResultText(uint8_t result);

// The message for a request the server rejected as a whole: "Error " and the code in plain
// decimal, then " - Invalid connection" (0x8801), "- Invalid parameters" (0x89FB), "- Message Q
// full" (0x89FC), "- Bad station no" (0x89FD) or "- Unknown error".
std::string BroadcastErrorText(nw::NWCCODE result);

struct BroadcastOutcome {
    nw::NWCCODE openResult = nw::SUCCESSFUL;  // NWCCOpenConnByRef; nothing was sent unless 0
    nw::NWCCODE result = nw::SUCCESSFUL;      // NWSendBroadcastMessage's overall result
    std::vector<uint8_t> results;             // when result is 0: one byte per connection
};

// Sends message (workstation code page, not empty) to every connection number with one
// NWSendBroadcastMessage call on one handle, which is closed again. Any number of connections
// up to 65535 may be given; more are refused with INVALID_PARAMETERS before anything is sent.
BroadcastOutcome SendBroadcast(nw::Client& client, nw::NWCONN_REF ref, const std::string& message,
                               std::span<const uint16_t> connNumbers);

// The longest message, in bytes of the workstation code page, that the server of ref takes:
// 250 for NetWare 3.11 and later, 58 before. 250 when the server cannot be asked.
size_t BroadcastMessageLimit(nw::Client& client, nw::NWCONN_REF ref);

}  // namespace varnook
