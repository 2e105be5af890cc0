#include "core/clearconn.h"

#include "core/connhandle.h"

namespace varnook {

const char* ClearResultText(nw::NWCCODE result) {
    switch (result) {
        case nw::SUCCESSFUL:
            return "Cleared OK";
        case nw::INVALID_CONNECTION:
            return "Invalid connection";
        case nw::NO_CONSOLE_PRIVILEGES:
            return "No console privileges";
        case nw::BAD_STATION_NUMBER:
            return "Bad station no.";
        default:
            return "Unknown error";
    }
}

ClearOutcome ClearConnections(nw::Client& client, nw::NWCONN_REF ref,
                              std::span<const uint16_t> connNumbers) {
    ClearOutcome out;
    ConnHandle conn(client, ref);
    out.openResult = conn.result();
    if (!conn.ok()) {
        return out;
    }
    out.results.reserve(connNumbers.size());
    for (const uint16_t number : connNumbers) {
        out.results.push_back(client.NWClearConnectionNumber(conn.get(), number));
    }
    return out;
}

}  // namespace varnook
