// Clearing connections on a server, one result per connection. Free of widgets.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "netclient/client.h"

namespace varnook {

// The result column's text for NWClearConnectionNumber's code: "Cleared OK" (0), "Invalid
// connection" (0x8801), "No console privileges" (0x89C6), "Bad station no." (0x89FD), otherwise
// "Unknown error".
const char* ClearResultText(nw::NWCCODE result);

struct ClearOutcome {
    nw::NWCCODE openResult = nw::SUCCESSFUL;  // NWCCOpenConnByRef; nothing was cleared unless 0
    std::vector<nw::NWCCODE> results;         // one per connection, in the order given
};

// Opens one handle on ref and clears every connection number in turn, whatever the result of
// the one before; closes the handle. Any number of connections may be given.
ClearOutcome ClearConnections(nw::Client& client, nw::NWCONN_REF ref,
                              std::span<const uint16_t> connNumbers);

}  // namespace varnook
