// Server information and the console operator's actions: 23/17, 23/205, 23/203, 23/204,
// 23/200, 23/254 and 23/210, broadcast messages (21/10, 21/0, 21/11, 21/1), and what Nmap's NCP
// scripts ask: 104/1 (tree name), 104/4 (bindery context), 123/17 (service addresses).
#include <vector>

#include "handlers.h"
#include "server.h"

namespace nw::nwsimd {

namespace {

using namespace ncp;

// The server's addresses as 123/17 lists them: where it listens (its session's local address
// when it listens on every address).
std::uint32_t listenIpv4(Session& s) {
    const Endpoint* endpoint = s.ncpServer().endpointOf(s.server());
    if (endpoint != nullptr) {
        std::error_code ec;
        auto address = asio::ip::make_address_v4(endpoint->host, ec);
        if (!ec && !address.is_unspecified())
            return address.to_uint();
    }
    return s.localIpv4();
}

template <class Numbers, class Results>
std::uint8_t broadcast(Session& s, const std::string& message, const Numbers& connections,
                       Results& results) {
    std::vector<nuint32> numbers(connections.begin(), connections.end());
    std::vector<nuint8> answers(numbers.size());
    NWCCODE rc = s.model().broadcast(s.caller(), message, numbers, answers);
    if (rc != SUCCESSFUL)
        return completionOf(rc);
    results.assign(answers.begin(), answers.end());
    return completion::kOk;
}

}  // namespace

void addServerCalls(CallDispatcher& d) {
    d.on<call::GetFileServerInfo>([](Session& s, const auto&, auto& rp) {
        const sim::Server& server = s.server();
        rp.serverName = server.name;
        rp.osMajor = server.version[0];
        rp.osMinor = server.version[1];
        rp.osRevision = server.version[2];
        rp.maxConnections = server.maxConnections;
        rp.connectionsInUse = server.stationCount;
        rp.peakConnections = server.peakStationCount;
        rp.maxVolumes = static_cast<std::uint16_t>(server.volumes.size());
        rp.sftLevel = server.sftLevel;
        rp.ttsLevel = server.ttsLevel;
        rp.productMajor = server.version[0];
        rp.productMinor = server.version[1];
        rp.productRevision = server.version[2];
        return completion::kOk;
    });
    d.on<call::GetLoginStatus>([](Session& s, const auto&, auto& rp) {
        rp.loginsAllowed = s.server().loginEnabled ? 1 : 0;
        return completion::kOk;
    });
    d.on<call::DisableLogin>([](Session& s, const auto&, auto&) {
        return completionOf(s.model().setLoginsEnabled(s.caller(), false));
    });
    d.on<call::EnableLogin>([](Session& s, const auto&, auto&) {
        return completionOf(s.model().setLoginsEnabled(s.caller(), true));
    });
    d.on<call::CheckConsolePrivileges>([](Session& s, const auto&, auto&) {
        return s.caller().consoleOperator ? completion::kOk : completion::kNoConsoleRights;
    });
    // Clearing the caller's own station ends this session after the reply (its hook runs).
    d.on<call::ClearConnection>([](Session& s, const auto& rq, auto&) {
        return completionOf(s.model().clearStation(s.caller(), rq.connection));
    });
    d.on<call::ClearConnectionOld>([](Session& s, const auto& rq, auto&) {
        return completionOf(s.model().clearStation(s.caller(), rq.connection));
    });

    d.on<call::SendBroadcast>([](Session& s, const auto& rq, auto& rp) {
        return broadcast(s, rq.message, rq.connections, rp.results);
    });
    d.on<call::SendBroadcastOld>([](Session& s, const auto& rq, auto& rp) {
        return broadcast(s, rq.message, rq.connections, rp.results);
    });
    d.on<call::GetBroadcast>([](Session& s, const auto&, auto& rp) {
        rp.message = s.model().takeMessage(*s.station());
        return completion::kOk;
    });
    d.on<call::GetBroadcastOld>([](Session& s, const auto&, auto& rp) {
        rp.message = s.model().takeMessage(*s.station());
        return completion::kOk;
    });

    d.on<call::PingNds>([](Session& s, const auto&, auto& rp) {
        if (s.server().tree.empty())
            return completion::kUnknownRequest;  // no directory services on this server
        rp.treeName = call::padTreeName(s.server().tree);
        return completion::kOk;
    });
    d.on<call::ReturnBinderyContext>([](Session& s, const auto&, auto& rp) {
        const std::string& name = s.server().directoryName;
        std::size_t dot = name.find('.');
        if (dot == std::string::npos)
            return completion::kUnknownRequest;
        rp.context = name.substr(dot + 1);
        return completion::kOk;
    });
    d.on<call::EnumerateServiceAddresses>([](Session& s, const auto& rq, auto& rp) {
        rp.serverUpTime = s.ncpServer().upTicks();
        rp.consoleVersion = s.server().version[0];
        rp.consoleRevision = s.server().version[1];
        if (rq.searchNumber == 0) {
            const Endpoint* endpoint = s.ncpServer().endpointOf(s.server());
            std::uint16_t port = endpoint != nullptr ? endpoint->port : 524;
            rp.addresses.push_back(call::tcpServiceAddress(listenIpv4(s), port));
        }
        return completion::kOk;
    });
}

}  // namespace nw::nwsimd
