#include "core/broadcast.h"

#include <array>
#include <limits>

#include "core/connhandle.h"

namespace varnook {

const char* BroadcastResultText(uint8_t result) {
    switch (result) {
        case nw::NW_BROADCAST_SENT:
            return "Sent OK";
        case nw::NW_BROADCAST_NO_SUCH_CONNECTION:
            return "Invalid connection";
        case nw::NW_BROADCAST_NOT_LOGGED_IN:
            return "Not logged in to server";
        case nw::NW_BROADCAST_REFUSES_MESSAGES:
            return "Not accepting messages";
        case nw::NW_BROADCAST_HAS_MESSAGE:
            return "Already has message";
        default:
            return "Unknown error";
    }
}

std::string BroadcastErrorText(nw::NWCCODE result) {
    std::string text = "Error " + std::to_string(result);
    switch (result) {
        case nw::INVALID_CONNECTION:
            return text + " - Invalid connection";
        case nw::INVALID_PARAMETERS:
            return text + "- Invalid parameters";
        case nw::MESSAGE_QUEUE_FULL:
            return text + "- Message Q full";
        case nw::BAD_STATION_NUMBER:
            return text + "- Bad station no";
        default:
            return text + "- Unknown error";
    }
}

BroadcastOutcome SendBroadcast(nw::Client& client, nw::NWCONN_REF ref, const std::string& message,
                               std::span<const uint16_t> connNumbers) {
    BroadcastOutcome out;
    if (connNumbers.size() > std::numeric_limits<nw::nuint16>::max()) {
        out.result = nw::INVALID_PARAMETERS;
        return out;
    }
    ConnHandle conn(client, ref);
    out.openResult = conn.result();
    if (!conn.ok()) {
        return out;
    }
    std::vector<nw::nuint8> results(connNumbers.size() + 1, 0);
    out.result = client.NWSendBroadcastMessage(conn.get(), message.c_str(),
                                               static_cast<nw::nuint16>(connNumbers.size()),
                                               connNumbers.data(), results.data());
    if (out.result == nw::SUCCESSFUL) {
        results.resize(connNumbers.size());
        out.results = std::move(results);
    }
    return out;
}

size_t BroadcastMessageLimit(nw::Client& client, nw::NWCONN_REF ref) {
    ConnHandle conn(client, ref);
    if (!conn.ok()) {
        return nw::NW_MAX_BROADCAST_MESSAGE_LEN;
    }
    std::array<char, nw::NW_MAX_SERVER_NAME_LEN + 1> name{};
    nw::nuint8 major = 0, minor = 0, revision = 0, sft = 0, tts = 0;
    nw::nuint16 maxConns = 0, maxUsed = 0, inUse = 0, volumes = 0;
    if (client.NWGetFileServerInformation(conn.get(), name.data(), &major, &minor, &revision,
                                          &maxConns, &maxUsed, &inUse, &volumes, &sft,
                                          &tts) != nw::SUCCESSFUL) {
        return nw::NW_MAX_BROADCAST_MESSAGE_LEN;
    }
    const bool current = major > 3 || (major == 3 && minor >= 11);
    return current ? nw::NW_MAX_BROADCAST_MESSAGE_LEN : nw::NW_MAX_BROADCAST_MESSAGE_LEN_OLD;
}

}  // namespace varnook
