// The wire client's typed call on a handle: the request goes over the handle's session, and a
// failure that ends the session settles the connection's state at once.
#pragma once

#include "ncp/paths.h"
#include "state.h"
#include "wire/wireclient.h"

namespace nw::wire {

template <class C>
Outcome<typename C::Reply> WireClient::call(Handle& handle, const typename C::Request& request) {
    Connection& connection = *handle.connection;
    Outcome<typename C::Reply> out = connection.session->template call<C>(request);
    if (!connection.session->usable()) {
        settle(connection);
    }
    return out;
}

// The completion code of a server's error byte, as client libraries report it.
inline constexpr NWCCODE serverCode(std::uint8_t completion) {
    return 0x8900 | completion;
}

inline constexpr NWCCODE kUnknownCall = 0x8900 | ncp::completion::kUnknownRequest;

// A volume path ("VOL:DIR\\FILE") in its wire form; none for a null or unusable path.
inline std::optional<ncp::HandlePath> volumePath(const char* path) {
    return path != nullptr ? ncp::paths::fromVolumePath(path) : std::nullopt;
}

}  // namespace nw::wire
