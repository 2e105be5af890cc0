// NCP over TCP framing (port 524): one frame per NCP message.
//
// Request frame: "DmdT", BE32 length of the whole frame, BE32 version 1, BE32 largest reply the
// client accepts, [8-byte signature], NCP request. Reply frame: "tNcP", BE32 length of the whole
// frame, [8-byte signature], NCP reply. The length counts the header and the signature.
// Senders write 0 in its top 4 bits; readers mask them off (0x0FFFFFFF), as the clients that
// talked to real servers do.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "ncp/bytes.h"

namespace nw::ncp {

inline constexpr std::uint32_t kRequestSignature = 0x446D6454;  // "DmdT"
inline constexpr std::uint32_t kReplySignature = 0x744E6350;    // "tNcP"
inline constexpr std::uint32_t kFrameLengthMask = 0x0FFFFFFF;
inline constexpr std::size_t kRequestFrameHeader = 16;
inline constexpr std::size_t kReplyFrameHeader = 8;
inline constexpr std::size_t kSignatureSize = 8;
// Smallest NCP messages: a request header (6 bytes; 0x2222 adds the function byte) and a reply
// header with completion and status (8 bytes).
inline constexpr std::size_t kMinRequestMessage = 6;
inline constexpr std::size_t kMinReplyMessage = 8;

using Signature = std::array<std::uint8_t, kSignatureSize>;

Bytes frameRequest(ByteView message, std::uint32_t replyBufferSize,
                   const std::optional<Signature>& signature = std::nullopt);
Bytes frameReply(ByteView message, const std::optional<Signature>& signature = std::nullopt);

enum class Direction : std::uint8_t { Requests, Replies };

struct Frame {
    Bytes message;                      // the NCP message (header onward)
    std::uint32_t length = 0;           // the frame length as sent, masked
    std::uint32_t version = 0;          // requests only
    std::uint32_t replyBufferSize = 0;  // requests only
    std::optional<Signature> signature;
};

// Reassembles frames from a TCP byte stream cut at arbitrary places.
//
// feed() appends received bytes; next() returns one complete frame at a time. A frame with the
// wrong signature, a length too small for its header, or a length above the caller's maximum is
// a stream error: the reader stops there for good (a TCP stream cannot be resynchronised) and
// the caller closes the connection.
class FrameReader {
public:
    enum class Result : std::uint8_t {
        NeedMore,      // no complete frame yet
        Frame,         // `out` holds the next frame
        BadSignature,  // the stream does not start with the expected "DmdT"/"tNcP"
        BadLength,     // length smaller than the smallest legal frame
        TooLarge,      // length above maxFrame
    };

    FrameReader(Direction direction, std::size_t maxFrame);

    // The largest frame accepted from now on (a server raises it once a buffer size is agreed).
    void setMaxFrame(std::size_t maxFrame) { maxFrame_ = maxFrame; }

    // Frames carry an 8-byte signature from now on (packet signing became active).
    void setSigned(bool on) { signed_ = on; }
    bool isSigned() const { return signed_; }

    void feed(ByteView bytes);
    Result next(Frame& out);
    // Bytes received but not yet returned as frames.
    std::size_t buffered() const { return buffer_.size() - start_; }

private:
    Direction direction_;
    std::size_t maxFrame_;
    bool signed_ = false;
    Bytes buffer_;
    std::size_t start_ = 0;
    std::optional<Result> failed_;
};

}  // namespace nw::ncp
