// Fuzzes the reply decoder of every described call (what the client decodes from a server).
// The first byte picks the request-dependent layout variants (odd read offset, names present);
// whatever decodes must encode again and decode to the same reply.
#include <cstddef>
#include <cstdint>

#include "ncp/calls.h"

namespace {

template <class Req>
void vary(Req& rq, std::uint8_t pick) {
    if constexpr (requires { rq.returnInfoMask; }) {
        rq.returnInfoMask = (pick & 1) ? 0x0FFF : 0x0FFE;
    }
    if constexpr (requires { rq.offset; }) {
        rq.offset = pick & 1;
    }
    if constexpr (requires { rq.flags; }) {
        rq.flags = pick & 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nw::ncp;
    if (size < 1) {
        return 0;
    }
    const ByteView input(data + 1, size - 1);
    AllCalls::forEach([&](auto tag) {
        using C = typename decltype(tag)::type;
        typename C::Request request{};
        vary(request, data[0]);
        std::optional<typename C::Reply> reply = decodeReply<C>(input, request);
        if (!reply) {
            return;
        }
        std::optional<Bytes> again = encodeFields(*reply);
        if (!again) {
            __builtin_trap();
        }
        std::optional<typename C::Reply> back = decodeReply<C>(*again, request);
        if (!back || !(*back == *reply)) {
            __builtin_trap();
        }
    });
    return 0;
}
