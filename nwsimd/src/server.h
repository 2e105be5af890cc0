// The NCP door on the simulator's server model: every server of a network listens on its own TCP
// address and answers NCP requests from the model, with the rights of the object logged in on
// each session.
//
// One io_context thread owns the model: every session's reads, writes and timers run on it, and
// nothing waits for a client (sockets are asynchronous), so a slow or stuck client delays no one.
#pragma once

#include <asio.hpp>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ncp/pcap.h"
#include "servermodel.h"

namespace nw::nwsimd {

class Session;

struct ServerOptions {
    // A session that is not logged in and sends nothing for this long is closed (a logged-in
    // session may stay idle).
    std::chrono::milliseconds idleTimeout{30'000};
    // Packet signature level: 0 never signs; 1 and 2 sign when the client sets the signature
    // bit of 97 (a client that does not set it cannot sign); 3 also refuses the login of a
    // client that did not set it.
    int signingLevel = 1;
    // Write everything sent and received as a capture (empty: none).
    std::filesystem::path capture;
    // Where log lines go (default: standard error).
    std::function<void(const std::string&)> log;
};

// Where a server of the network listens.
struct Endpoint {
    std::string server;
    std::string host;
    std::uint16_t port = 0;
    std::string address() const { return host + ":" + std::to_string(port); }
};

class NcpServer {
public:
    NcpServer(asio::io_context& io, sim::ServerModel& model, ServerOptions options = {});
    ~NcpServer();
    NcpServer(const NcpServer&) = delete;
    NcpServer& operator=(const NcpServer&) = delete;

    // Opens one listener per server of the network on its listen address (default 127.0.0.1,
    // a free port) and starts accepting. Throws std::runtime_error naming the server and the
    // address when one cannot be opened.
    void start();
    // Closes the listeners and every session (their stations leave the tables); the io_context
    // then runs out of work.
    void stop();
    const std::vector<Endpoint>& endpoints() const { return endpoints_; }

    sim::ServerModel& model() { return model_; }
    const ServerOptions& options() const { return options_; }
    asio::io_context& io() { return io_; }
    void log(const std::string& line) const;

    // Seconds since start, for the calls that report the server's up time (in ticks).
    std::uint32_t upTicks() const;
    // The listen address of a server of the network.
    const Endpoint* endpointOf(const sim::Server& server) const;

    // Sessions call these.
    void sessionEnded(Session& session);
    std::uint64_t nextSessionId() { return ++sessionIds_; }
    ncp::PcapWriter* capture() { return capture_.get(); }
    std::size_t sessionCount() const { return sessions_.size(); }

private:
    struct Listener {
        sim::Server* server = nullptr;
        asio::ip::tcp::acceptor acceptor;
        asio::steady_timer retry;
    };
    void accept(Listener& listener);

    asio::io_context& io_;
    sim::ServerModel& model_;
    ServerOptions options_;
    std::vector<std::unique_ptr<Listener>> listeners_;
    std::vector<Endpoint> endpoints_;
    std::unordered_map<Session*, std::shared_ptr<Session>> sessions_;
    std::uint64_t sessionIds_ = 0;
    std::chrono::steady_clock::time_point started_;
    std::ofstream captureFile_;
    std::unique_ptr<ncp::PcapWriter> capture_;
    bool stopped_ = false;
};

}  // namespace nw::nwsimd
