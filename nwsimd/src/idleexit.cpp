#include "idleexit.h"

#include <algorithm>

namespace nw::nwsimd {

IdleExit::IdleExit(asio::io_context& io, NcpServer& server, std::chrono::milliseconds idle,
                   std::function<void()> stop)
    : timer_(io),
      server_(server),
      idle_(idle),
      stop_(std::move(stop)),
      lastBusy_(std::chrono::steady_clock::now()) {
    arm();
}

void IdleExit::arm() {
    timer_.expires_after(std::min<std::chrono::milliseconds>(idle_, std::chrono::seconds(1)));
    timer_.async_wait([this](std::error_code ec) {
        if (ec) {
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (server_.sessionCount() != 0) {
            lastBusy_ = now;
        } else if (now - lastBusy_ >= idle_) {
            server_.log(
                "no client for " +
                std::to_string(std::chrono::duration_cast<std::chrono::seconds>(idle_).count()) +
                " s; stopping");
            stop_();
            return;
        }
        arm();
    });
}

}  // namespace nw::nwsimd
