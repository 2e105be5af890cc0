// One NCP service connection over one TCP connection: set-up (0x1111, buffer size, server
// information), typed calls, the connection status of every reply, and the way out (0x5555).
//
// A call answers a completion code: 0, a server's code as 0x89cc, or a transport failure's
// requester code (the session is finished then; failure() says why). A reply whose status says
// the connection is no longer valid (0x01, cleared) answers INVALID_CONNECTION and finishes the
// session as cleared; one that says the server is going down (0x10) answers
// NWE_CONNECTION_LOST. A reply that does not decode as its call describes answers
// NWE_BAD_REPLY and finishes the session: a server answering garbage is not trusted further.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "ncp/calls.h"
#include "ncp/codec.h"
#include "wire/transport.h"

namespace nw::wire {

template <class R>
struct Outcome {
    NWCCODE code = SUCCESSFUL;
    R reply{};
    bool ok() const { return code == SUCCESSFUL; }
};

class Session {
public:
    // Connects, creates the service connection, negotiates the buffer size (97, else 33) and
    // reads the server's information (23/17). Null with the failure on any error.
    static std::unique_ptr<Session> attach(const std::string& label, const Address& address,
                                           const Timeouts& timeouts, TrafficTap* tap,
                                           Failure& failure);
    // Ends the service connection (0x5555) when it is still usable.
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    template <class C>
    Outcome<typename C::Reply> call(const typename C::Request& request) {
        Outcome<typename C::Reply> out;
        std::optional<ncp::Bytes> data = ncp::encodeFields(request);
        if (!data) {
            out.code = NWE_PARAM_INVALID;
            return out;
        }
        ncp::Bytes replyData;
        out.code = rawCall(C::function, C::subfunction, *data, replyData);
        if (out.code == SUCCESSFUL) {
            std::optional<typename C::Reply> reply;
            if constexpr (ncp::HasReplyContext<C>) {
                reply = ncp::decodeReply<C>(replyData, request);
            } else {
                reply = ncp::decodeReply<C>(replyData);
            }
            if (!reply) {
                out.code = badReply(C::name);
            } else {
                out.reply = std::move(*reply);
            }
        } else if (out.code == (0x8900 | ncp::completion::kUnknownRequest)) {
            unknown_.insert(ncp::callKey(C::function, C::subfunction));
        }
        return out;
    }

    // False once the server answered 0xFB to call C (it does not know it): callers use the
    // older form from then on without asking again.
    template <class C>
    bool knows() const {
        return unknown_.count(ncp::callKey(C::function, C::subfunction)) == 0;
    }

    // The session can carry calls (no transport failure, not cleared).
    bool usable() const { return !failure_ && !cleared_; }
    // The server reported this connection as no longer valid (cleared by a console operator).
    bool cleared() const { return cleared_; }
    void markCleared();
    const Failure& failure() const { return failure_; }

    std::uint16_t connectionNumber() const { return connection_; }
    std::uint16_t bufferSize() const { return bufferSize_; }
    const ncp::call::GetFileServerInfo::Reply& server() const { return server_; }
    // Servers before NetWare 3.11 know only the older forms of several calls.
    bool before311() const;
    std::uint64_t roundTrips() const { return transport_->roundTrips(); }
    void setReplyTimeout(std::chrono::milliseconds timeout) {
        transport_->setReplyTimeout(timeout);
    }

private:
    Session(std::string label, std::unique_ptr<Transport> transport);
    NWCCODE rawCall(std::uint8_t function, std::uint8_t subfunction, ncp::ByteView data,
                    ncp::Bytes& replyData);
    NWCCODE badReply(const char* call);
    NWCCODE statusFailure(std::uint8_t status);

    std::string label_;
    std::unique_ptr<Transport> transport_;
    std::uint16_t connection_ = 0;
    std::uint16_t bufferSize_ = 512;
    ncp::call::GetFileServerInfo::Reply server_;
    std::set<std::uint16_t> unknown_;
    bool cleared_ = false;
    Failure failure_;
};

}  // namespace nw::wire
