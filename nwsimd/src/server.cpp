// Listeners and the sessions they start.
#include "server.h"

#include <iostream>
#include <stdexcept>

#include "session.h"

namespace nw::nwsimd {

namespace {

// "HOST:PORT" of a server's listen key; empty: 127.0.0.1 on a free port.
asio::ip::tcp::endpoint listenEndpoint(const sim::Server& server) {
    if (server.listen.empty())
        return {asio::ip::make_address_v4("127.0.0.1"), 0};
    std::size_t colon = server.listen.rfind(':');
    auto port = static_cast<std::uint16_t>(std::stoul(server.listen.substr(colon + 1)));
    return {asio::ip::make_address_v4(server.listen.substr(0, colon)), port};
}

}  // namespace

NcpServer::NcpServer(asio::io_context& io, sim::ServerModel& model, ServerOptions options)
    : io_(io),
      model_(model),
      options_(std::move(options)),
      started_(std::chrono::steady_clock::now()) {}

NcpServer::~NcpServer() {
    stop();
}

void NcpServer::log(const std::string& line) const {
    if (options_.log)
        options_.log(line);
    else
        std::cerr << "nwsimd: " << line << std::endl;
}

std::uint32_t NcpServer::upTicks() const {
    auto elapsed = std::chrono::steady_clock::now() - started_;
    // NetWare counts in ticks of about 1/18.2 s.
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() * 182 / 10000);
}

const Endpoint* NcpServer::endpointOf(const sim::Server& server) const {
    for (const Endpoint& endpoint : endpoints_) {
        if (endpoint.server == server.name)
            return &endpoint;
    }
    return nullptr;
}

void NcpServer::start() {
    if (!options_.capture.empty()) {
        captureFile_.open(options_.capture, std::ios::binary | std::ios::trunc);
        if (!captureFile_)
            throw std::runtime_error("cannot write the capture " + options_.capture.string());
        capture_ = std::make_unique<ncp::PcapWriter>(captureFile_);
    }
    for (const auto& server : model_.net().servers) {
        auto endpoint = listenEndpoint(*server);
        auto listener = std::make_unique<Listener>(
            Listener{server.get(), asio::ip::tcp::acceptor(io_), asio::steady_timer(io_)});
        std::error_code ec;
        listener->acceptor.open(endpoint.protocol(), ec);
        if (!ec)
            listener->acceptor.set_option(asio::ip::tcp::acceptor::reuse_address(true), ec);
        if (!ec)
            listener->acceptor.bind(endpoint, ec);
        if (!ec)
            listener->acceptor.listen(asio::socket_base::max_listen_connections, ec);
        if (ec) {
            throw std::runtime_error(server->name + ": cannot listen on " +
                                     endpoint.address().to_string() + ":" +
                                     std::to_string(endpoint.port()) + ": " + ec.message());
        }
        auto local = listener->acceptor.local_endpoint();
        endpoints_.push_back({server->name, local.address().to_string(), local.port()});
        listeners_.push_back(std::move(listener));
    }
    for (auto& listener : listeners_)
        accept(*listener);
}

void NcpServer::accept(Listener& listener) {
    listener.acceptor.async_accept(
        [this, &listener](std::error_code ec, asio::ip::tcp::socket socket) {
            if (stopped_ || ec == asio::error::operation_aborted)
                return;
            if (ec) {
                // Out of descriptors, most likely: wait a little instead of spinning, and go on
                // serving the sessions there are.
                log(listener.server->name + ": accepting failed: " + ec.message());
                listener.retry.expires_after(std::chrono::milliseconds(100));
                listener.retry.async_wait([this, &listener](std::error_code waited) {
                    if (!waited && !stopped_)
                        accept(listener);
                });
                return;
            }
            auto session = std::make_shared<Session>(*this, *listener.server, std::move(socket));
            sessions_.emplace(session.get(), session);
            session->start();
            accept(listener);
        });
}

void NcpServer::sessionEnded(Session& session) {
    // Keep the session alive until its handlers have returned.
    auto it = sessions_.find(&session);
    if (it == sessions_.end())
        return;
    std::shared_ptr<Session> keep = std::move(it->second);
    sessions_.erase(it);
    asio::post(io_, [keep] {});
}

void NcpServer::stop() {
    if (stopped_)
        return;
    stopped_ = true;
    for (auto& listener : listeners_) {
        std::error_code ec;
        listener->acceptor.close(ec);
        listener->retry.cancel();
    }
    std::vector<std::shared_ptr<Session>> open;
    for (auto& [raw, session] : sessions_)
        open.push_back(session);
    for (auto& session : open)
        session->close();
    sessions_.clear();
    if (capture_) {
        captureFile_.flush();
    }
}

}  // namespace nw::nwsimd
