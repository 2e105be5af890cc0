// One of the main window's refresh timers. It holds its setting from the moment the preferences
// are read but only starts ticking once the start-up has finished (arm). A timer whose interval is
// below one second stays off, and a tick is skipped while the previous one is still running.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

#include "core/preferences.h"

namespace varnook {

class RefreshTimer : public QObject {
    Q_OBJECT
public:
    RefreshTimer(const QString& name, std::function<void()> tick, QObject* parent = nullptr);

    // Interval and enabled state from the preferences.
    void apply(const TimerSetting& setting);
    // Turns the timer on or off, keeping its interval; on only when the interval is usable. A
    // timer that runs already goes on at its pace.
    void setEnabled(bool on);
    // Lets the timer run (end of start-up).
    void arm();

    bool enabled() const { return setting_.enabled; }
    int interval() const { return setting_.intervalMs; }
    bool isActive() const { return timer_.isActive(); }
    // Runs one tick now, as the timer would (used by tests and benchmarks).
    void fire();

private:
    void update();

    QTimer timer_;
    std::function<void()> tick_;
    TimerSetting setting_;
    bool intervalUsable_ = false;
    bool armed_ = false;
    bool running_ = false;
};

}  // namespace varnook
