// Encoding and decoding of described calls, for both sides.
//
// A call description is a struct with
//   static constexpr std::uint8_t function, subfunction;  (subfunction 0 for plain functions)
//   static constexpr const char* name;
//   struct Request, struct Reply   (each with a static fields(io, m), see io.h)
// and optionally
//   static void replyContext(const Request&, Reply&);
// for replies whose layout depends on the request (an odd read offset, the request's flags):
// it copies what the reply's layout needs into members of the Reply that are not on the wire.
//
// Decoding ignores bytes after the described fields (as Wireshark does); it fails when the
// message is shorter than the layout or a field is malformed.
#pragma once

#include <optional>
#include <type_traits>

#include "ncp/bytes.h"
#include "ncp/header.h"
#include "ncp/io.h"

namespace nw::ncp {

template <class C>
concept HasReplyContext = requires(const typename C::Request& rq, typename C::Reply& rp) {
    C::replyContext(rq, rp);
};

// The request's data (after the subfunction); nullopt when a value does not fit its field.
template <class M>
std::optional<Bytes> encodeFields(const M& m) {
    Bytes out;
    Encoder io(out);
    M::fields(io, m);
    if (!io.ok()) {
        return std::nullopt;
    }
    return out;
}

template <class M>
bool decodeFields(ByteView data, M& m) {
    Decoder io(data);
    M::fields(io, m);
    return io.ok();
}

// A whole request message for call C; header.function and header.subfunction are set from C.
template <class C>
std::optional<Bytes> encodeRequest(RequestHeader header, const typename C::Request& request) {
    header.type = type::kRequest;
    header.function = C::function;
    header.subfunction = C::subfunction;
    std::optional<Bytes> data = encodeFields(request);
    if (!data) {
        return std::nullopt;
    }
    return encodeRequest(header, *data);
}

template <class C>
std::optional<typename C::Request> decodeRequest(ByteView data) {
    typename C::Request request{};
    if (!decodeFields(data, request)) {
        return std::nullopt;
    }
    return request;
}

// A reply whose request-dependent members are filled from the request.
template <class C>
typename C::Reply replyFor(const typename C::Request& request) {
    typename C::Reply reply{};
    if constexpr (HasReplyContext<C>) {
        C::replyContext(request, reply);
    }
    return reply;
}

// A successful reply message (completion code 0) carrying the reply's fields.
template <class C>
std::optional<Bytes> encodeReply(ReplyHeader header, const typename C::Reply& reply) {
    std::optional<Bytes> data = encodeFields(reply);
    if (!data) {
        return std::nullopt;
    }
    return encodeReply(header, *data);
}

template <class C>
std::optional<typename C::Reply> decodeReply(ByteView data, const typename C::Request& request) {
    typename C::Reply reply = replyFor<C>(request);
    if (!decodeFields(data, reply)) {
        return std::nullopt;
    }
    return reply;
}

template <class C>
std::optional<typename C::Reply> decodeReply(ByteView data) {
    static_assert(!HasReplyContext<C>, "this reply's layout depends on its request");
    typename C::Reply reply{};
    if (!decodeFields(data, reply)) {
        return std::nullopt;
    }
    return reply;
}

}  // namespace nw::ncp
