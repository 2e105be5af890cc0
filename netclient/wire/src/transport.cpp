#include "wire/transport.h"

namespace nw::wire {

namespace {

// Frames up to a search set's largest reply, its header and a signature, with room to spare.
constexpr std::size_t kMaxReplyFrame = Transport::kReplyBufferSize + 64;

std::string secondsText(std::chrono::milliseconds timeout) {
    const auto ms = timeout.count();
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

}  // namespace

std::string Address::text() const {
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

Transport::Transport(std::string label, const Address& address, const Timeouts& timeouts,
                     TrafficTap* tap, TcpSocket socket)
    : label_(std::move(label)),
      address_(address),
      timeouts_(timeouts),
      tap_(tap),
      socket_(std::move(socket)),
      reader_(ncp::Direction::Replies, kMaxReplyFrame) {}

Transport::~Transport() {
    if (tap_ != nullptr) {
        tap_->closed();
    }
}

std::unique_ptr<Transport> Transport::connect(const std::string& label, const Address& address,
                                              const Timeouts& timeouts, TrafficTap* tap,
                                              Failure& failure) {
    TcpSocket socket;
    Failure f = TcpSocket::connect(address.host, address.port, timeouts.connect, socket);
    if (f) {
        failure = {f.code, label + " (" + address.text() + "): " + f.text};
        return nullptr;
    }
    if (tap != nullptr) {
        tap->opened(socket.localPort(), socket.remotePort());
    }
    return std::unique_ptr<Transport>(
        new Transport(label, address, timeouts, tap, std::move(socket)));
}

Failure Transport::fail(const Failure& cause) {
    failure_ = {cause.code, label_ + " (" + address_.text() + "): " + cause.text};
    socket_.close();
    return failure_;
}

ncp::Bytes Transport::frameOf(ncp::RequestHeader& header, ncp::ByteView data) {
    header.sequence = sequence_++;
    if (header.type == ncp::type::kCreateConnection) {
        header.connection = 0xFFFF;
    }
    return ncp::frameRequest(ncp::encodeRequest(header, data), kReplyBufferSize);
}

void Transport::sendOnly(ncp::RequestHeader header, ncp::ByteView data) {
    if (failure_) {
        return;
    }
    const ncp::Bytes frame = frameOf(header, data);
    if (tap_ != nullptr) {
        tap_->sent(frame);
    }
    socket_.sendAll(frame, SteadyClock::now() + timeouts_.reply);
}

Failure Transport::exchange(ncp::RequestHeader header, ncp::ByteView data, RawReply& reply) {
    if (failure_) {
        return failure_;
    }
    const ncp::Bytes frame = frameOf(header, data);
    if (tap_ != nullptr) {
        tap_->sent(frame);
    }
    auto deadline = SteadyClock::now() + timeouts_.reply;
    if (Failure f = socket_.sendAll(frame, deadline)) {
        return fail(f);
    }
    int busy = 0;
    for (;;) {
        ncp::Frame got;
        switch (reader_.next(got)) {
            case ncp::FrameReader::Result::NeedMore: {
                incoming_.clear();
                if (Failure f = socket_.receive(incoming_, deadline)) {
                    if (f.code == NWE_REPLY_TIMEOUT) {
                        f.text = "no reply within " + secondsText(timeouts_.reply);
                    }
                    return fail(f);
                }
                reader_.feed(incoming_);
                continue;
            }
            case ncp::FrameReader::Result::Frame:
                break;
            case ncp::FrameReader::Result::TooLarge:
                return fail({NWE_BAD_REPLY, "a reply larger than announced"});
            default:
                return fail({NWE_BAD_REPLY, "the server answered something that is not NCP"});
        }
        if (tap_ != nullptr) {
            tap_->received(ncp::frameReply(got.message, got.signature));
        }
        const ncp::ParsedReply parsed = ncp::parseReply(got.message);
        if (parsed.error != ncp::ParseError::None) {
            return fail({NWE_BAD_REPLY, "the server answered a malformed NCP reply"});
        }
        if (parsed.header.type == ncp::type::kBusy) {
            // The server is still at work: wait for the real reply, within bounds.
            if (++busy > kMaxBusyReplies) {
                return fail({NWE_REPLY_TIMEOUT, "the server stays busy"});
            }
            deadline = SteadyClock::now() + timeouts_.reply;
            continue;
        }
        if (parsed.header.sequence != header.sequence ||
            (header.type != ncp::type::kCreateConnection &&
             parsed.header.connection != header.connection)) {
            return fail({NWE_BAD_REPLY, "a reply to another request"});
        }
        reply.header = parsed.header;
        reply.data.assign(parsed.data.begin(), parsed.data.end());
        ++roundTrips_;
        return {};
    }
}

}  // namespace nw::wire
