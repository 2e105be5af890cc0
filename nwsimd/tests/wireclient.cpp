// The tests' blocking NCP client (see wireclient.h).
#include "wireclient.h"

#include "ncp/pcap.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace nw::nwsimd::testing {

namespace {

// Every client comes from an address of its own (127.0.0.2 and up): Wireshark tells NCP sessions
// apart by address and connection number, so a client that takes the connection number of an
// earlier one from the same address would have its 0x1111 reply taken for the old session's.
// Tasks and sequence numbers differ as well.
std::atomic<unsigned> clients{0};

}  // namespace

WireClient::WireClient(std::uint16_t port) : reader_(ncp::Direction::Replies, 1 << 20) {
    unsigned n = clients.fetch_add(1);
    task_ = static_cast<std::uint8_t>(n % 254 + 1);
    sequence_ = static_cast<std::uint8_t>(n * 16);
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(ncp::kLoopbackAddress + 1 + n % 250);
    if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ >= 0 &&
        ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
    int one = 1;
    if (fd_ >= 0)
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

WireClient::~WireClient() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool WireClient::sendRaw(ByteView bytes) {
    const std::uint8_t* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::send(fd_, data, left, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

bool WireClient::sendMessage(const Bytes& message, std::uint32_t replyBuffer) {
    if (signing_)
        return sendRaw(ncp::frameSignedRequest(*signer_, message, replyBuffer));
    return sendRaw(ncp::frameRequest(message, replyBuffer));
}

std::optional<ncp::ParsedReply> WireClient::receiveReply(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        auto result = reader_.next(frame_);
        if (result == ncp::FrameReader::Result::Frame) {
            if (signing_ && !ncp::verifySignedReply(*signer_, frame_))
                return std::nullopt;
            ncp::ParsedReply reply = ncp::parseReply(frame_.message);
            if (reply.error != ncp::ParseError::None)
                return std::nullopt;
            if (reply.header.type == ncp::type::kBusy)
                continue;
            return reply;
        }
        if (result != ncp::FrameReader::Result::NeedMore)
            return std::nullopt;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            return std::nullopt;
        std::uint8_t buffer[65536];
        ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0)
            return std::nullopt;
        reader_.feed(ByteView(buffer, static_cast<std::size_t>(n)));
    }
}

bool WireClient::closedByServer(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            return false;
        std::uint8_t buffer[4096];
        ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
            return true;
    }
}

std::optional<std::uint16_t> WireClient::attach() {
    RequestHeader header{.type = ncp::type::kCreateConnection,
                         .sequence = sequence_,
                         .connection = 0xFFFF,
                         .task = task_};
    if (!sendMessage(ncp::encodeRequest(header, {})))
        return std::nullopt;
    std::optional<ncp::ParsedReply> reply = receiveReply();
    if (!reply || reply->header.completion != 0)
        return std::nullopt;
    connection_ = reply->header.connection;
    ++sequence_;
    return connection_;
}

std::optional<std::uint8_t> WireClient::destroy() {
    RequestHeader header{.type = ncp::type::kDestroyConnection,
                         .sequence = sequence_++,
                         .connection = connection_,
                         .task = task_};
    const std::uint8_t zero = 0;
    if (!sendMessage(ncp::encodeRequest(header, ByteView(&zero, 1))))
        return std::nullopt;
    std::optional<ncp::ParsedReply> reply = receiveReply();
    if (!reply)
        return std::nullopt;
    return reply->header.completion;
}

std::uint16_t WireClient::negotiate(std::uint16_t size, bool sign) {
    ncp::call::GetBigPacketSize::Request request{
        size, static_cast<std::uint8_t>(sign ? ncp::call::security::kSignature : 0)};
    auto answer = call<ncp::call::GetBigPacketSize>(request);
    if (!answer.ok())
        return 0;
    wantsSigning_ = (answer.reply->securityFlag & ncp::call::security::kSignature) != 0;
    return answer.reply->acceptedMaxSize;
}

std::uint8_t WireClient::login(const std::string& user, const std::string& password) {
    std::string upper = password;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    auto id = call<ncp::call::GetBinderyObjectId>({ncp::call::kObjectUser, user});
    if (!id.ok())
        return id.completion;
    auto key = call<ncp::call::GetLoginKey>();
    if (!key.ok())
        return key.completion;
    ncp::PasswordHash hash = ncp::passwordHash(id.reply->objectId, upper);
    ncp::call::KeyedObjectLogin::Request request;
    request.answer = ncp::loginAnswer(hash, key.reply->key);
    request.objectName = user;
    auto answer = call<ncp::call::KeyedObjectLogin>(request);
    if (answer.completion == 0 && wantsSigning_) {
        signer_.emplace(ncp::signRoot(hash, key.reply->key));
        signing_ = true;
        reader_.setSigned(true);
    }
    return answer.completion;
}

}  // namespace nw::nwsimd::testing
