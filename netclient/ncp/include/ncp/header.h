// NCP request and reply headers: the bytes after the TCP framing header (and its signature).
//
// Request: type BE16, sequence, connection low byte, task, connection high byte, function, then
// depending on the function either nothing, a subfunction byte, or a BE16 length word counting
// the subfunction byte and the data after it, then the subfunction. Reply: type BE16 (0x3333,
// or 0x9999 while the server is busy), sequence, connection low, task, connection high,
// completion code, connection status, data.
#pragma once

#include <cstdint>
#include <optional>

#include "ncp/bytes.h"

namespace nw::ncp {

namespace type {
inline constexpr std::uint16_t kCreateConnection = 0x1111;
inline constexpr std::uint16_t kRequest = 0x2222;
inline constexpr std::uint16_t kReply = 0x3333;
inline constexpr std::uint16_t kDestroyConnection = 0x5555;
inline constexpr std::uint16_t kBurst = 0x7777;
inline constexpr std::uint16_t kBusy = 0x9999;
}  // namespace type

// Connection status bits of a reply. Wireshark flags anything but 0 and kMessagePending.
namespace status {
inline constexpr std::uint8_t kBadConnection = 0x01;  // not (or no longer) a valid connection
inline constexpr std::uint8_t kNoSlots = 0x04;        // 0x1111 refused: server full
inline constexpr std::uint8_t kServerDown = 0x10;
inline constexpr std::uint8_t kMessagePending = 0x40;  // a broadcast message waits (21/11)
}  // namespace status

// Completion codes this codec's users answer most (the byte; clients see 0x89xx).
namespace completion {
inline constexpr std::uint8_t kOk = 0x00;
inline constexpr std::uint8_t kBoundaryCheckFailed = 0x7E;  // request shorter than its layout
inline constexpr std::uint8_t kNoConsoleRights = 0xC6;
inline constexpr std::uint8_t kBadStation = 0xFD;
inline constexpr std::uint8_t kNoSlots = 0xF9;
inline constexpr std::uint8_t kUnknownRequest = 0xFB;
inline constexpr std::uint8_t kFailure = 0xFF;
}  // namespace completion

// How a function carries its subfunction.
enum class Form : std::uint8_t {
    Plain,       // function only (25, 33, 66, 72, ...)
    LengthWord,  // function, BE16 length, subfunction (17, 21, 22, 23, 123, 131, ...)
    NoLength,    // function, subfunction (87, 104, ...)
};

constexpr Form formOf(std::uint8_t function) {
    switch (function) {
        case 17:
        case 21:
        case 22:
        case 23:
        case 35:
        case 36:
        case 90:
        case 114:
        case 123:
        case 131:
            return Form::LengthWord;
        case 32:
        case 34:
        case 86:
        case 87:
        case 88:
        case 89:
        case 92:
        case 94:
        case 104:
        case 111:
        case 128:
            return Form::NoLength;
        default:
            return Form::Plain;
    }
}

struct RequestHeader {
    std::uint16_t type = type::kRequest;
    std::uint8_t sequence = 0;
    std::uint16_t connection = 0;  // 16 bits: low byte at 3, high byte at 5
    std::uint8_t task = 1;
    std::uint8_t function = 0;
    std::uint8_t subfunction = 0;  // meaningful when formOf(function) != Form::Plain
};

struct ReplyHeader {
    std::uint16_t type = type::kReply;
    std::uint8_t sequence = 0;
    std::uint16_t connection = 0;
    std::uint8_t task = 0;
    std::uint8_t completion = 0;
    std::uint8_t status = 0;
};

// The reply header that answers a request: same sequence, connection and task.
ReplyHeader replyTo(const RequestHeader& request, std::uint8_t completion = 0,
                    std::uint8_t connStatus = 0);

// A whole NCP request message: header, subfunction (with its length word where the function has
// one) and data. 0x1111 and 0x5555 carry `data` right after the 6 header bytes.
Bytes encodeRequest(const RequestHeader& header, ByteView data);
Bytes encodeReply(const ReplyHeader& header, ByteView data);

enum class ParseError : std::uint8_t {
    None,
    TooShort,       // fewer bytes than the header needs
    BadLengthWord,  // the length word claims more bytes than the message holds, or 0
    UnknownType,    // not 0x1111, 0x2222 or 0x5555 (requests), 0x3333 or 0x9999 (replies)
};

struct ParsedRequest {
    RequestHeader header;
    ByteView data;  // after the subfunction (or the function, or the 6 header bytes)
    ParseError error = ParseError::None;
};

struct ParsedReply {
    ReplyHeader header;
    ByteView data;  // from offset 8
    ParseError error = ParseError::None;
};

// Splits a request message into header and data. Bytes beyond a length word's count are
// ignored; a 0x1111 request is accepted with any payload and connection number.
ParsedRequest parseRequest(ByteView message);
ParsedReply parseReply(ByteView message);

}  // namespace nw::ncp
