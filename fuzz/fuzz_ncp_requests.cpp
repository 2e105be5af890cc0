// Fuzzes the request decoder of every described call (what the server decodes from a client):
// the input is one request message. Whatever decodes must encode again and decode to the same
// request; the paths of the 87 family go through the server's path guard, whose names must be
// plain; the dispatcher path (header, table, decode) must answer without crashing.
#include <cstddef>
#include <cstdint>

#include "ncp/calls.h"
#include "ncp/paths.h"

namespace {

struct NoContext {};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nw::ncp;
    const ByteView input(data, size);
    // Every call's decoder on the raw bytes, as the data after a subfunction.
    AllCalls::forEach([&](auto tag) {
        using C = typename decltype(tag)::type;
        std::optional<typename C::Request> request = decodeRequest<C>(input);
        if (!request) {
            return;
        }
        std::optional<Bytes> again = encodeFields(*request);
        if (!again) {
            __builtin_trap();
        }
        std::optional<typename C::Request> back = decodeRequest<C>(*again);
        if (!back || !(*back == *request)) {
            __builtin_trap();
        }
        if constexpr (requires { request->path.components; }) {
            const paths::Resolved r = paths::resolve(request->path.components, 3);
            if (r.error == paths::PathError::None) {
                for (const std::string& n : r.names) {
                    if (n.empty() || n == "." || n == ".." ||
                        n.find_first_of(std::string("/\\:\0", 4)) != std::string::npos) {
                        __builtin_trap();
                    }
                }
                if (r.up > 3) {
                    __builtin_trap();
                }
            }
        }
    });
    // The way a server meets it: a whole message through the header parser and the table.
    static const Dispatcher<NoContext> dispatcher = [] {
        Dispatcher<NoContext> d;
        AllCalls::forEach([&](auto tag) {
            using C = typename decltype(tag)::type;
            d.template on<C>([](NoContext&, const typename C::Request&, typename C::Reply&) {
                return completion::kOk;
            });
        });
        return d;
    }();
    ParsedRequest parsed = parseRequest(input);
    if (parsed.error == ParseError::None && parsed.header.type == type::kRequest) {
        NoContext ctx;
        auto answer = dispatcher.dispatch(ctx, parsed.header, parsed.data);
        const bool known = findCall(parsed.header.function, parsed.header.subfunction) != nullptr;
        if (known != (answer.completion != completion::kUnknownRequest)) {
            __builtin_trap();
        }
    }
    return 0;
}
