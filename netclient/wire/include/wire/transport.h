// One NCP session's TCP connection: framing, sequence numbers, one request outstanding at a
// time, "busy" replies waited out, deadlines, and every failure as a clear code and text.
//
// After any failure the transport is finished: the connection is closed and every later
// exchange answers the same failure. A new transport is the only way on.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "ncp/bytes.h"
#include "ncp/frame.h"
#include "ncp/header.h"
#include "wire/failure.h"
#include "wire/socket.h"

namespace nw::wire {

// host:port of a server; "FS1.example.com", "10.0.0.5:524", "[::1]:40524".
struct Address {
    std::string host;
    std::uint16_t port = 524;
    std::string text() const;
};

struct Timeouts {
    std::chrono::milliseconds connect{3000};
    std::chrono::milliseconds reply{10000};
};

// Sees the bytes of a transport, for captures of what went over the wire.
class TrafficTap {
public:
    virtual ~TrafficTap() = default;
    virtual void opened(std::uint16_t /*localPort*/, std::uint16_t /*remotePort*/) {}
    virtual void sent(ncp::ByteView frame) = 0;
    virtual void received(ncp::ByteView frame) = 0;
    virtual void closed() {}
};

// A reply as it arrived: its header and the data after the connection status byte.
struct RawReply {
    ncp::ReplyHeader header;
    ncp::Bytes data;
};

class Transport {
public:
    // The largest reply this client accepts, announced in every request frame: the biggest
    // reply of any call (a directory search set) fits.
    static constexpr std::uint32_t kReplyBufferSize = 66560;

    // Connects within timeouts.connect. label names the server in failure texts ("FS1").
    static std::unique_ptr<Transport> connect(const std::string& label, const Address& address,
                                              const Timeouts& timeouts, TrafficTap* tap,
                                              Failure& failure);
    ~Transport();
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    // Sends one request and waits for its reply. The header's sequence is set here (0x1111
    // requests keep the connection number 0xFFFF); frames of type 0x9999 are skipped while the
    // server works, each granting another reply timeout, up to kMaxBusyReplies of them. A reply
    // whose sequence or connection does not match is a failure (NWE_BAD_REPLY), as is any frame
    // that is not an NCP reply.
    Failure exchange(ncp::RequestHeader header, ncp::ByteView data, RawReply& reply);

    // Sends a request without waiting for its reply (0x5555 on the way out). Best effort.
    void sendOnly(ncp::RequestHeader header, ncp::ByteView data);

    bool finished() const { return bool(failure_); }
    const Failure& failure() const { return failure_; }
    // Request/reply exchanges completed on this transport.
    std::uint64_t roundTrips() const { return roundTrips_; }
    std::uint16_t localPort() const { return socket_.localPort(); }
    void setReplyTimeout(std::chrono::milliseconds timeout) { timeouts_.reply = timeout; }

    static constexpr int kMaxBusyReplies = 64;

private:
    Transport(std::string label, const Address& address, const Timeouts& timeouts, TrafficTap* tap,
              TcpSocket socket);
    Failure fail(const Failure& cause);
    ncp::Bytes frameOf(ncp::RequestHeader& header, ncp::ByteView data);

    std::string label_;
    Address address_;
    Timeouts timeouts_;
    TrafficTap* tap_;
    TcpSocket socket_;
    ncp::FrameReader reader_;
    ncp::Bytes incoming_;
    std::uint8_t sequence_ = 0;
    std::uint64_t roundTrips_ = 0;
    Failure failure_;
};

}  // namespace nw::wire
