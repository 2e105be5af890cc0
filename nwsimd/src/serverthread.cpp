// An NCP server on a thread of its own (see serverthread.h).
#include "serverthread.h"

#include <future>

namespace nw::nwsimd {

ServerThread::ServerThread(std::unique_ptr<sim::ServerModel> model, ServerOptions options)
    : model_(std::move(model)) {
    server_ = std::make_unique<NcpServer>(io_, *model_, std::move(options));
    server_->start();
    work_.emplace(io_.get_executor());
    thread_ = std::thread([this] { io_.run(); });
}

ServerThread::~ServerThread() {
    stop();
}

std::uint16_t ServerThread::port(std::string_view server) const {
    for (const Endpoint& endpoint : server_->endpoints()) {
        if (server.empty() || endpoint.server == server)
            return endpoint.port;
    }
    return 0;
}

void ServerThread::run(const std::function<void(NcpServer&, sim::ServerModel&)>& fn) {
    if (!thread_.joinable()) {
        fn(*server_, *model_);
        return;
    }
    std::promise<void> done;
    asio::post(io_, [&] {
        fn(*server_, *model_);
        done.set_value();
    });
    done.get_future().wait();
}

void ServerThread::stop() {
    if (!thread_.joinable())
        return;
    asio::post(io_, [this] {
        server_->stop();
        work_.reset();
    });
    thread_.join();
}

}  // namespace nw::nwsimd
