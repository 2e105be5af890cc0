// The ScanControl of the windows: between the steps of a scan it lets pending window events run
// at least every interval (so the window stays responsive and can be closed), and answers whether
// the scan is still wanted.
#pragma once

#include <chrono>
#include <functional>

#include "core/scanhooks.h"

namespace varnook {

class EventPacer : public ScanControl {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kInterval{20};

    // stillWanted is asked after every step (and after each yield); beforeYield runs before
    // pending events do (a window shows its rows and progress there).
    EventPacer(std::function<bool()> stillWanted, std::function<void()> beforeYield = {},
               std::chrono::milliseconds interval = kInterval)
        : stillWanted_(std::move(stillWanted)),
          beforeYield_(std::move(beforeYield)),
          interval_(interval),
          last_(Clock::now()) {}

    bool keepGoing() override;
    // Lets pending events run now.
    void yieldNow();

private:
    std::function<bool()> stillWanted_;
    std::function<void()> beforeYield_;
    std::chrono::milliseconds interval_;
    Clock::time_point last_;
};

}  // namespace varnook
