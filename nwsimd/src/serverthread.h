// An NCP server running on a thread of its own, for tests and benchmarks: the model is loaded in
// the caller's thread, then only the server's thread touches it (run() executes code there).
#pragma once

#include <asio.hpp>

#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>

#include "server.h"

namespace nw::nwsimd {

class ServerThread {
public:
    // Starts listening (throws std::runtime_error as NcpServer::start does) and serving.
    explicit ServerThread(std::unique_ptr<sim::ServerModel> model, ServerOptions options = {});
    ~ServerThread();
    ServerThread(const ServerThread&) = delete;
    ServerThread& operator=(const ServerThread&) = delete;

    const std::vector<Endpoint>& endpoints() const { return server_->endpoints(); }
    // The port of a server of the network (the first one when server is empty).
    std::uint16_t port(std::string_view server = {}) const;

    // Runs fn on the server's thread and waits for it.
    void run(const std::function<void(NcpServer&, sim::ServerModel&)>& fn);
    // Stops the server (every session ends) and the thread; the destructor does it too.
    void stop();

private:
    asio::io_context io_;
    std::unique_ptr<sim::ServerModel> model_;
    std::unique_ptr<NcpServer> server_;
    std::optional<asio::executor_work_guard<asio::io_context::executor_type>> work_;
    std::thread thread_;
};

}  // namespace nw::nwsimd
