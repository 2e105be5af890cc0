// A small blocking NCP client on the codec, for the server's tests: one TCP connection to
// 127.0.0.1, requests of described calls, raw bytes for the bad-input cases.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "ncp/calls.h"
#include "ncp/frame.h"
#include "ncp/header.h"
#include "ncp/login.h"
#include "ncp/sign.h"

namespace nw::nwsimd::testing {

using namespace std::chrono_literals;

// What a request got back.
template <class C>
struct Answer {
    std::uint8_t completion = 0xFF;
    std::uint8_t status = 0;
    std::optional<typename C::Reply> reply;  // decoded when completion is 0
    bool ok() const { return completion == 0 && status == 0 && reply.has_value(); }
};

class WireClient {
    using Bytes = ncp::Bytes;
    using ByteView = ncp::ByteView;
    using RequestHeader = ncp::RequestHeader;

public:
    explicit WireClient(std::uint16_t port);
    ~WireClient();
    WireClient(const WireClient&) = delete;
    WireClient& operator=(const WireClient&) = delete;

    bool connected() const { return fd_ >= 0; }
    std::uint16_t connection() const { return connection_; }

    // 0x1111: the connection number the server assigns (its completion is kept in
    // lastCompletion); nullopt when no reply came.
    std::optional<std::uint16_t> attach();
    // 0x5555 and its reply's completion.
    std::optional<std::uint8_t> destroy();
    // 97 (asks to sign when sign is true); the accepted size.
    std::uint16_t negotiate(std::uint16_t size = 4096, bool sign = false);
    // 23/53 + 23/23 + 23/24 with the password (upper-cased as clients do); the completion.
    std::uint8_t login(const std::string& user, const std::string& password);

    template <class C>
    Answer<C> call(const typename C::Request& request, std::uint32_t replyBuffer = 65536) {
        Answer<C> answer;
        RequestHeader header{.sequence = sequence_++, .connection = connection_, .task = task_};
        std::optional<Bytes> message = ncp::encodeRequest<C>(header, request);
        if (!message || !sendMessage(*message, replyBuffer))
            return answer;
        std::optional<ncp::ParsedReply> reply = receiveReply();
        if (!reply)
            return answer;
        answer.completion = reply->header.completion;
        answer.status = reply->header.status;
        if (answer.completion == 0)
            answer.reply = ncp::decodeReply<C>(reply->data, request);
        return answer;
    }
    template <class C>
    Answer<C> call() {
        return call<C>(typename C::Request{});
    }

    // A request message as given (header included), framed.
    bool sendMessage(const Bytes& message, std::uint32_t replyBuffer = 65536);
    // Raw bytes on the connection.
    bool sendRaw(ByteView bytes);
    // The next reply (0x9999 skipped); nullopt on a closed connection or after the timeout.
    std::optional<ncp::ParsedReply> receiveReply(std::chrono::milliseconds timeout = 5s);
    // Did the server close the connection (within the timeout)?
    bool closedByServer(std::chrono::milliseconds timeout = 5s);

    std::uint8_t nextSequence() const { return sequence_; }
    std::uint8_t task() const { return task_; }
    bool signing() const { return signing_; }

private:
    int fd_ = -1;
    std::uint16_t connection_ = 0xFFFF;
    std::uint8_t sequence_ = 0;
    std::uint8_t task_ = 1;
    ncp::FrameReader reader_;
    ncp::Frame frame_;
    std::optional<ncp::PacketSigner> signer_;
    bool wantsSigning_ = false;  // the server agreed to sign from the login on
    bool signing_ = false;
};

}  // namespace nw::nwsimd::testing
