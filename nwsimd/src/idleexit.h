// Ends a server that has had no client for a while (the per-user demo server: it goes away when
// nobody has used it for 15 minutes, and the next program that needs it starts it again).
#pragma once

#include <asio.hpp>

#include <chrono>
#include <functional>

#include "server.h"

namespace nw::nwsimd {

class IdleExit {
public:
    // Looks at the server's sessions every second; once none has been there for `idle`, logs
    // it and runs stop (which stops the server and whatever else keeps the io_context busy).
    IdleExit(asio::io_context& io, NcpServer& server, std::chrono::milliseconds idle,
             std::function<void()> stop);
    // Stops looking (the server is stopping for another reason).
    void cancel() { timer_.cancel(); }

private:
    void arm();

    asio::steady_timer timer_;
    NcpServer& server_;
    std::chrono::milliseconds idle_;
    std::function<void()> stop_;
    std::chrono::steady_clock::time_point lastBusy_;
};

}  // namespace nw::nwsimd
