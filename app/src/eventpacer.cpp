#include "eventpacer.h"

#include <QCoreApplication>

namespace varnook {

bool EventPacer::keepGoing() {
    if (Clock::now() - last_ >= interval_) {
        yieldNow();
    }
    return stillWanted_();
}

void EventPacer::yieldNow() {
    if (beforeYield_) {
        beforeYield_();
    }
    QCoreApplication::processEvents();
    last_ = Clock::now();
}

}  // namespace varnook
