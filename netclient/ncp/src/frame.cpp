#include "ncp/frame.h"

#include <algorithm>

namespace nw::ncp {

Bytes frameRequest(ByteView message, std::uint32_t replyBufferSize,
                   const std::optional<Signature>& signature) {
    Bytes out;
    const std::size_t sig = signature ? kSignatureSize : 0;
    out.reserve(kRequestFrameHeader + sig + message.size());
    Writer w(out);
    w.be32(kRequestSignature);
    w.be32(static_cast<std::uint32_t>((kRequestFrameHeader + sig + message.size()) &
                                      kFrameLengthMask));
    w.be32(1);
    w.be32(replyBufferSize);
    if (signature) {
        w.bytes(*signature);
    }
    w.bytes(message);
    return out;
}

Bytes frameReply(ByteView message, const std::optional<Signature>& signature) {
    Bytes out;
    const std::size_t sig = signature ? kSignatureSize : 0;
    out.reserve(kReplyFrameHeader + sig + message.size());
    Writer w(out);
    w.be32(kReplySignature);
    w.be32(
        static_cast<std::uint32_t>((kReplyFrameHeader + sig + message.size()) & kFrameLengthMask));
    if (signature) {
        w.bytes(*signature);
    }
    w.bytes(message);
    return out;
}

FrameReader::FrameReader(Direction direction, std::size_t maxFrame)
    : direction_(direction), maxFrame_(maxFrame) {}

void FrameReader::feed(ByteView bytes) {
    if (failed_) {
        return;
    }
    // Drop what was handed out before growing, so the buffer holds at most one frame plus
    // what arrived with it.
    if (start_ > 0 && (start_ == buffer_.size() || start_ >= 65536)) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

FrameReader::Result FrameReader::next(Frame& out) {
    if (failed_) {
        return *failed_;
    }
    const bool requests = direction_ == Direction::Requests;
    const std::size_t header = requests ? kRequestFrameHeader : kReplyFrameHeader;
    ByteView avail(buffer_.data() + start_, buffer_.size() - start_);
    // The signature word can be judged as soon as its bytes arrive.
    const std::uint32_t expected = requests ? kRequestSignature : kReplySignature;
    for (std::size_t i = 0; i < std::min<std::size_t>(4, avail.size()); ++i) {
        if (avail[i] != static_cast<std::uint8_t>(expected >> (24 - 8 * i))) {
            failed_ = Result::BadSignature;
            return *failed_;
        }
    }
    if (avail.size() < 8) {
        return Result::NeedMore;
    }
    Reader r(avail);
    r.skip(4);
    const std::uint32_t length = r.be32() & kFrameLengthMask;
    const std::size_t sig = signed_ ? kSignatureSize : 0;
    const std::size_t minimum = header + sig + (requests ? kMinRequestMessage : kMinReplyMessage);
    if (length < minimum) {
        failed_ = Result::BadLength;
        return *failed_;
    }
    if (length > maxFrame_) {
        failed_ = Result::TooLarge;
        return *failed_;
    }
    if (avail.size() < length) {
        return Result::NeedMore;
    }
    out = Frame{};
    out.length = length;
    if (requests) {
        out.version = r.be32();
        out.replyBufferSize = r.be32();
    }
    if (signed_) {
        Signature s;
        r.bytes(s);
        out.signature = s;
    }
    ByteView message = r.take(length - header - sig);
    out.message.assign(message.begin(), message.end());
    start_ += length;
    return Result::Frame;
}

}  // namespace nw::ncp
