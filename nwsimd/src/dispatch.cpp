// The dispatcher of every call nwsimd answers, and what the families share.
#include <algorithm>

#include "handlers.h"

namespace nw::nwsimd {

const CallDispatcher& dispatcher() {
    static const CallDispatcher calls = [] {
        CallDispatcher d;
        addSessionCalls(d);
        addServerCalls(d);
        addConnectionCalls(d);
        addFileCalls(d);
        addVolumeCalls(d);
        addDirectoryCalls(d);
        return d;
    }();
    return calls;
}

bool newerThan311(std::uint8_t function, std::uint8_t subfunction) {
    switch (ncp::callKey(function, subfunction)) {
        case ncp::callKey(23, 254):  // clear connection (23/210 before)
        case ncp::callKey(21, 10):   // send broadcast message (21/0)
        case ncp::callKey(21, 11):   // get broadcast message (21/1)
        case ncp::callKey(23, 28):   // station's logged info (23/22)
        case ncp::callKey(23, 26):   // internet address (23/19)
        case ncp::callKey(23, 236):  // connections using a file (23/220)
        case ncp::callKey(23, 235):  // a connection's open files (23/219)
        case ncp::callKey(23, 238):  // physical locks by file (23/222)
            return true;
        default:
            return false;
    }
}

std::size_t batchLimit(const Session& session, std::size_t fixed, std::size_t record) {
    // Reply frame header and NCP reply header come on top of the data.
    constexpr std::size_t kHeaders = 8 + 8;
    constexpr std::size_t kMaxReply = 65536;
    std::size_t limit = session.replyBufferSize() == 0
                            ? kMaxReply
                            : std::min<std::size_t>(session.replyBufferSize(), kMaxReply);
    if (limit <= kHeaders + fixed + record)
        return 1;
    return std::max<std::size_t>(1, (limit - kHeaders - fixed) / record);
}

}  // namespace nw::nwsimd
