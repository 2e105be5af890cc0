// Directory-services messages over the 104/2 fragment protocol.
//
// A request message is: flags LE32, verb LE32, reply buffer size LE32, verb data. Its first
// fragment carries, after the fragment handle, the largest reply fragment the client takes and
// the message size (bytes from the flags on), then as much of the message as fits; further
// fragments carry the server's handle and the rest. While the request is incomplete the server
// answers each fragment with an empty reply fragment holding its handle. The reply message is:
// directory completion code LE32 (0 or a negative directory error), then the verb's reply data;
// the server cuts it into reply fragments of at most the client's size, and the client fetches
// each next one by sending a 104/2 with just the handle of the previous one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "ncp/bytes.h"
#include "ncp/calls/nds.h"

namespace nw::ncp::nds {

namespace verb {
inline constexpr std::uint32_t kResolveName = 1;
inline constexpr std::uint32_t kReadEntryInfo = 2;
inline constexpr std::uint32_t kRead = 3;
inline constexpr std::uint32_t kList = 5;
inline constexpr std::uint32_t kSearch = 6;
inline constexpr std::uint32_t kCloseIteration = 50;
inline constexpr std::uint32_t kGetServerAddress = 53;
}  // namespace verb

// Directory error codes (negative, LE32 on the wire).
namespace error {
inline constexpr std::int32_t kNoSuchEntry = -601;
inline constexpr std::int32_t kNoSuchAttribute = -603;
inline constexpr std::int32_t kNoAccess = -672;
inline constexpr std::int32_t kInvalidRequest = -641;
inline constexpr std::int32_t kInvalidIteration = -668;
}  // namespace error

struct Message {
    std::uint32_t flags = 0;
    std::uint32_t verb = 0;
    std::uint32_t replyBufferSize = 0;
    Bytes data;
};

// Client side: the 104/2 requests that carry `message` (the first with handle 0xFFFFFFFF; the
// caller puts the server's handle into each later one). pieceSize bounds the bytes after the
// handle in each fragment.
std::vector<call::NdsFragment::Request> requestFragments(const Message& message,
                                                         std::uint32_t maxReplyFragment,
                                                         std::size_t pieceSize);

// Client side: collects reply fragments.
class ReplyAssembler {
public:
    explicit ReplyAssembler(std::size_t maxMessage) : maxMessage_(maxMessage) {}
    enum class Status : std::uint8_t { NeedMore, Complete, Error };
    // One reply fragment. NeedMore: send a 104/2 with nextHandle() and no data.
    Status add(const call::NdsFragment::Reply& fragment);
    std::uint32_t nextHandle() const { return handle_; }
    std::int32_t completion() const { return completion_; }
    const Bytes& data() const { return data_; }

private:
    std::size_t maxMessage_;
    Bytes buffer_;
    Bytes data_;
    std::uint32_t handle_ = call::kNoFragmentHandle;
    std::int32_t completion_ = 0;
};

// Server side: one connection's fragment state (one message in each direction at a time).
class FragmentServer {
public:
    // maxMessage bounds a request message; larger ones are refused.
    explicit FragmentServer(std::size_t maxMessage) : maxMessage_(maxMessage) {}

    struct Step {
        enum class Kind : std::uint8_t {
            Reply,    // send `reply` (an intermediate or a further reply fragment)
            Message,  // `message` is complete: run the verb, then answer() it
            Error,    // unknown handle or a malformed fragment: answer completion 0xFF
        } kind = Kind::Error;
        call::NdsFragment::Reply reply;
        Message message;
    };
    Step onFragment(const call::NdsFragment::Request& fragment);
    // The first reply fragment of the answer to the message onFragment() returned.
    call::NdsFragment::Reply answer(std::int32_t completion, ByteView data);
    // 104/3: drops the message with this handle, whichever direction.
    void close(std::uint32_t handle);

private:
    call::NdsFragment::Reply nextReplyFragment();
    std::uint32_t newHandle() { return nextHandle_++ & 0x7FFFFFFF; }

    std::size_t maxMessage_;
    std::uint32_t nextHandle_ = 1;
    // The request being received.
    std::uint32_t requestHandle_ = call::kNoFragmentHandle;
    std::uint32_t requestSize_ = 0;
    Bytes request_;
    // The reply being sent.
    std::uint32_t replyHandle_ = call::kNoFragmentHandle;
    std::uint32_t maxReplyFragment_ = 0;
    Bytes reply_;
    std::size_t replySent_ = 0;
};

}  // namespace nw::ncp::nds
