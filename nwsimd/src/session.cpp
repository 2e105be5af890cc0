// A session: frames in, the station's requests dispatched, replies out.
#include "session.h"

#include <sys/random.h>

#include <algorithm>

#include "handlers.h"
#include "ncp/login.h"
#include "server.h"

namespace nw::nwsimd {

namespace {

// The buffer size (the largest request) until 33 or 97 agree on another.
constexpr std::size_t kDefaultBuffer = 4096;
constexpr std::size_t kFrameOverhead = ncp::kRequestFrameHeader + ncp::kSignatureSize;
// A session stops reading while this much of its replies waits to be written.
constexpr std::size_t kMaxQueued = 1 << 20;

std::uint32_t ipv4Of(const asio::ip::address& address) {
    if (address.is_v4())
        return address.to_v4().to_uint();
    if (address.is_v6() && address.to_v6().is_v4_mapped())
        return asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6()).to_uint();
    return 0;
}

void fillRandom(std::uint8_t* out, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::getrandom(out, size, 0);
        if (n <= 0)
            continue;
        out += n;
        size -= static_cast<std::size_t>(n);
    }
}

}  // namespace

Session::Session(NcpServer& server, sim::Server& modelServer, asio::ip::tcp::socket socket)
    : server_(server),
      modelServer_(modelServer),
      socket_(std::move(socket)),
      idleTimer_(server.io()),
      reader_(ncp::Direction::Requests, kDefaultBuffer + kFrameOverhead) {
    owner_ = (std::uint64_t{1} << 32) | server_.nextSessionId();
    std::error_code ec;
    auto peer = socket_.remote_endpoint(ec);
    if (!ec) {
        peerIpv4_ = ipv4Of(peer.address());
        peerPort_ = peer.port();
    }
    auto local = socket_.local_endpoint(ec);
    std::uint16_t localPort = 0;
    if (!ec) {
        localIpv4_ = ipv4Of(local.address());
        localPort = local.port();
    }
    socket_.set_option(asio::ip::tcp::no_delay(true), ec);
    if (ncp::PcapWriter* capture = server_.capture()) {
        conversation_ = std::make_unique<ncp::TcpConversation>(
            *capture, peerPort_, localPort, 1460,
            peerIpv4_ != 0 ? peerIpv4_ : ncp::kLoopbackAddress,
            localIpv4_ != 0 ? localIpv4_ : ncp::kLoopbackAddress);
        conversation_->open();
    }
    caller_ = model().caller(modelServer_, nullptr, false);
}

Session::~Session() = default;

sim::ServerModel& Session::model() {
    return server_.model();
}

void Session::start() {
    armIdleTimer();
    read();
}

void Session::armIdleTimer() {
    idleTimer_.expires_after(server_.options().idleTimeout);
    idleTimer_.async_wait([self = shared_from_this()](std::error_code ec) {
        if (ec || self->closed_)
            return;
        // A logged-in session may stay idle; one that has not logged in goes.
        if (self->station_ != nullptr && self->station_->object != nullptr)
            return;
        self->server_.log(self->modelServer_.name +
                          ": closing a session that is not logged in and sent nothing for a while");
        self->close();
    });
}

void Session::read() {
    if (closed_ || reading_ || closing_ || outgoingBytes_ > kMaxQueued)
        return;
    reading_ = true;
    auto onRead = [self = shared_from_this()](std::error_code ec, std::size_t n) {
        self->reading_ = false;
        if (self->closed_)
            return;
        if (ec) {
            self->close();
            return;
        }
        self->receive(ncp::ByteView(self->readBuffer_.data(), n));
        self->read();
    };
    socket_.async_read_some(asio::buffer(readBuffer_), std::move(onRead));
}

void Session::receive(ncp::ByteView bytes) {
    if (closed_ || closing_)
        return;
    if (conversation_)
        conversation_->clientSends(bytes);
    reader_.feed(bytes);
    ncp::Frame frame;
    for (;;) {
        auto result = reader_.next(frame);
        if (result == ncp::FrameReader::Result::NeedMore)
            return;
        if (result != ncp::FrameReader::Result::Frame) {
            // A stream that cannot be resynchronised: a wrong signature word, a length too small
            // for a frame or above the agreed buffer.
            server_.log(modelServer_.name + ": closing a session after a bad frame");
            close();
            return;
        }
        handleFrame(frame);
        if (closed_ || closing_)
            return;
    }
}

void Session::handleFrame(ncp::Frame& frame) {
    // Only a session that is not logged in may be closed for idling.
    if (station_ == nullptr || station_->object == nullptr)
        armIdleTimer();
    replyBufferSize_ = frame.replyBufferSize;
    if (frameSigned_ && !ncp::verifySignedRequest(*signer_, frame)) {
        server_.log(modelServer_.name + ": closing a session whose request's signature is wrong");
        close();
        return;
    }
    message_ = std::move(frame.message);
    ncp::ParsedRequest request = ncp::parseRequest(message_);
    if (request.error != ncp::ParseError::None) {
        // Too short for its header, a length word past its end, or an unknown request type:
        // answered when the header can be read, else the stream is not NCP.
        if (message_.size() < ncp::kMinRequestMessage) {
            close();
            return;
        }
        std::uint8_t completion = request.error == ncp::ParseError::UnknownType
                                      ? ncp::completion::kUnknownRequest
                                      : ncp::completion::kBoundaryCheckFailed;
        reply(request.header, completion, 0);
        return;
    }
    handleRequest(request);
}

void Session::handleRequest(const ncp::ParsedRequest& request) {
    const ncp::RequestHeader& header = request.header;
    if (header.type == ncp::type::kCreateConnection) {
        attach(header);
        return;
    }
    if (cleared_) {
        // The station was cleared: say so once, then go.
        reply(header, ncp::completion::kOk, ncp::status::kBadConnection);
        closeAfterWriting();
        return;
    }
    if (station_ == nullptr || header.connection != station_->number) {
        reply(header, ncp::completion::kOk, ncp::status::kBadConnection);
        return;
    }
    if (header.type == ncp::type::kDestroyConnection) {
        reply(header, ncp::completion::kOk, 0);
        closeAfterWriting();
        return;
    }
    std::uint8_t completion = ncp::completion::kUnknownRequest;
    ncp::Bytes data;
    const auto& version = modelServer_.version;
    bool before311 = version[0] < 3 || (version[0] == 3 && version[1] < 11);
    if (!(before311 && newerThan311(header.function, header.subfunction))) {
        // The data run to the end of the frame: a length word that counts one byte short
        // (Nmap's 22/52 says 12 for its 13 bytes) is answered as servers answer it.
        ncp::ByteView fields = request.data;
        if (ncp::formOf(header.function) == ncp::Form::LengthWord && message_.size() > 10)
            fields = ncp::ByteView(message_).subspan(10);
        auto answer = dispatcher().dispatch(*this, header, fields);
        completion = answer.completion;
        data = std::move(answer.data);
    }
    if (closed_)
        return;
    std::uint8_t status = 0;
    if (station_ != nullptr && station_->pendingMessage)
        status = ncp::status::kMessagePending;
    reply(header, completion, status, data);
    if (signer_ && !frameSigned_) {
        // Signing starts with the first request after a successful login.
        frameSigned_ = true;
        reader_.setSigned(true);
    }
}

void Session::attach(const ncp::RequestHeader& header) {
    if (station_ == nullptr && !cleared_) {
        station_ = model().attachStation(modelServer_);
        if (station_ == nullptr) {
            server_.log(modelServer_.name + ": connection table full");
            ncp::RequestHeader refused = header;
            refused.connection = 0xFFFF;
            reply(refused, ncp::completion::kNoSlots, ncp::status::kNoSlots);
            closeAfterWriting();
            return;
        }
        station_->overIp = true;
        station_->address = {
            static_cast<nuint8>(peerIpv4_ >> 24), static_cast<nuint8>(peerIpv4_ >> 16),
            static_cast<nuint8>(peerIpv4_ >> 8),  static_cast<nuint8>(peerIpv4_),
            static_cast<nuint8>(peerPort_ >> 8),  static_cast<nuint8>(peerPort_)};
        std::weak_ptr<Session> weak = weak_from_this();
        station_->cleared = [weak] {
            if (auto self = weak.lock())
                self->onStationCleared();
        };
        refreshCaller();
    }
    ncp::RequestHeader answered = header;
    answered.connection = station_ != nullptr ? station_->number : 0xFFFF;
    reply(answered, station_ != nullptr ? ncp::completion::kOk : ncp::completion::kFailure,
          station_ != nullptr ? 0 : ncp::status::kBadConnection);
}

void Session::onStationCleared() {
    station_ = nullptr;
    cleared_ = true;
    model().releaseOwner(owner_);
    caller_ = model().caller(modelServer_, nullptr, false);
}

void Session::refreshCaller() {
    const sim::BinderyObject* object = station_ != nullptr ? station_->object : nullptr;
    caller_ =
        model().caller(modelServer_, station_, model().isConsoleOperator(modelServer_, object));
}

// ---- Replies ------------------------------------------------------------------------------------

void Session::reply(const ncp::RequestHeader& header, std::uint8_t completion, std::uint8_t status,
                    const ncp::Bytes& data) {
    ncp::ReplyHeader answer = ncp::replyTo(header, completion, status);
    ncp::Bytes message =
        ncp::encodeReply(answer, completion == ncp::completion::kOk ? data : ncp::Bytes{});
    if (frameSigned_)
        send(ncp::frameSignedReply(*signer_, message));
    else
        send(ncp::frameReply(message));
}

void Session::send(ncp::Bytes frame) {
    if (closed_)
        return;
    if (conversation_)
        conversation_->serverSends(frame);
    outgoingBytes_ += frame.size();
    outgoing_.push_back(std::move(frame));
    write();
}

void Session::write() {
    if (writing_ || outgoing_.empty() || closed_)
        return;
    writing_ = true;
    asio::async_write(socket_, asio::buffer(outgoing_.front()),
                      [self = shared_from_this()](std::error_code ec, std::size_t) {
                          self->writing_ = false;
                          if (self->closed_)
                              return;
                          if (ec) {
                              self->close();
                              return;
                          }
                          self->outgoingBytes_ -= self->outgoing_.front().size();
                          self->outgoing_.pop_front();
                          if (!self->outgoing_.empty()) {
                              self->write();
                          } else if (self->closing_) {
                              self->close();
                              return;
                          }
                          self->read();
                      });
}

void Session::closeAfterWriting() {
    closing_ = true;
    if (!writing_ && outgoing_.empty())
        close();
}

void Session::close() {
    if (closed_)
        return;
    closed_ = true;
    std::error_code ec;
    idleTimer_.cancel();
    if (station_ != nullptr) {
        model().releaseOwner(owner_);
        station_->cleared = nullptr;
        model().removeStation(*station_);
        station_ = nullptr;
    } else {
        model().releaseOwner(owner_);
    }
    socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ec);
    socket_.close(ec);
    if (conversation_) {
        conversation_->close();
        conversation_.reset();
    }
    server_.sessionEnded(*this);
}

// ---- Set-up and login ---------------------------------------------------------------------------

std::uint16_t Session::negotiate(std::uint16_t proposed, bool wantsSigning, bool& willSign) {
    std::uint16_t accepted = std::max<std::uint16_t>(proposed, 512);
    reader_.setMaxFrame(std::max<std::size_t>(accepted, kDefaultBuffer) + kFrameOverhead);
    // A client that can sign says so with the signature bit; levels 1 to 3 then sign.
    willSign = server_.options().signingLevel >= 1 && wantsSigning;
    signingAgreed_ = willSign;
    return accepted;
}

ncp::LoginKey Session::newLoginKey() {
    ncp::LoginKey key{};
    fillRandom(key.data(), key.size());
    loginKey_ = key;
    return key;
}

NWCCODE Session::login(const sim::BinderyObject& object, const ncp::LoginAnswer& answer) {
    if (!loginKey_)
        return sim::BAD_PASSWORD;
    ncp::LoginKey key = *loginKey_;
    loginKey_.reset();
    if (server_.options().signingLevel >= 3 && !signingAgreed_)
        return 0x89AC;  // packet signature required
    ncp::PasswordHash hash = object.passwordHash.value_or(ncp::passwordHash(object.id, ""));
    bool right = ncp::sameAnswer(ncp::loginAnswer(hash, key), answer);
    const sim::BinderyObject* before = station_->object;
    NWCCODE rc = model().login(*station_, object, right);
    if (rc != SUCCESSFUL)
        return rc;
    if (before != nullptr && before != &object)
        model().releaseOwner(owner_);
    loggedIn(object);
    if (signingAgreed_) {
        // Every frame after this reply carries a signature.
        signer_.emplace(ncp::signRoot(hash, key));
    }
    return SUCCESSFUL;
}

void Session::loggedIn(const sim::BinderyObject& object) {
    if (station_ == nullptr)
        return;
    station_->object = &object;
    refreshCaller();
}

void Session::logout() {
    if (station_ == nullptr)
        return;
    model().releaseOwner(owner_);
    model().logout(*station_);
    refreshCaller();
    armIdleTimer();
}

}  // namespace nw::nwsimd
