#include "refreshtimer.h"

namespace varnook {

RefreshTimer::RefreshTimer(const QString& name, std::function<void()> tick, QObject* parent)
    : QObject(parent), tick_(std::move(tick)) {
    setObjectName(name);
    connect(&timer_, &QTimer::timeout, this, &RefreshTimer::fire);
}

void RefreshTimer::apply(const TimerSetting& setting) {
    setting_ = setting;
    intervalUsable_ = setting.intervalMs >= 1000;
    setting_.enabled = setting.enabled && intervalUsable_;
    update();
}

void RefreshTimer::setEnabled(bool on) {
    setting_.enabled = on && intervalUsable_;
    update();
}

void RefreshTimer::arm() {
    armed_ = true;
    update();
}

void RefreshTimer::update() {
    if (armed_ && setting_.enabled) {
        // A running timer keeps its pace: switching it on again (every drive refresh does) must
        // not start its interval anew, or a slower timer would never tick.
        if (!timer_.isActive() || timer_.interval() != setting_.intervalMs) {
            timer_.start(setting_.intervalMs);
        }
    } else {
        timer_.stop();
    }
}

void RefreshTimer::fire() {
    if (running_) {
        return;
    }
    running_ = true;
    tick_();
    running_ = false;
}

}  // namespace varnook
