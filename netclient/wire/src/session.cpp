#include "wire/session.h"

namespace nw::wire {

namespace {

// The buffer size this client proposes: big enough for the file data calls, which are not
// limited by the frame's reply size.
constexpr std::uint16_t kProposedBufferSize = 4096;
constexpr std::uint16_t kOldBufferSize = 1024;
// 0x1111 gets a task number like every request; this client uses one task for everything.
constexpr std::uint8_t kTask = 1;

}  // namespace

Session::Session(std::string label, std::unique_ptr<Transport> transport)
    : label_(std::move(label)), transport_(std::move(transport)) {}

Session::~Session() {
    if (usable()) {
        ncp::RequestHeader header{
            .type = ncp::type::kDestroyConnection, .connection = connection_, .task = kTask};
        const std::uint8_t zero = 0;
        transport_->sendOnly(header, ncp::ByteView(&zero, 1));
    }
}

std::unique_ptr<Session> Session::attach(const std::string& label, const Address& address,
                                         const Timeouts& timeouts, TrafficTap* tap,
                                         Failure& failure) {
    std::unique_ptr<Transport> transport =
        Transport::connect(label, address, timeouts, tap, failure);
    if (transport == nullptr) {
        return nullptr;
    }
    std::unique_ptr<Session> session(new Session(label, std::move(transport)));
    RawReply created;
    const ncp::RequestHeader create{.type = ncp::type::kCreateConnection, .task = kTask};
    if (Failure f = session->transport_->exchange(create, {}, created)) {
        failure = f;
        return nullptr;
    }
    if (created.header.completion != 0 || (created.header.status & ncp::status::kNoSlots) != 0) {
        failure = {NWE_CONNECT_FAILED,
                   label + " (" + address.text() + "): the server has no free connection slot"};
        return nullptr;
    }
    session->connection_ = created.header.connection;

    const auto big = session->call<ncp::call::GetBigPacketSize>({kProposedBufferSize, 0});
    if (big.ok()) {
        session->bufferSize_ =
            big.reply.acceptedMaxSize != 0 ? big.reply.acceptedMaxSize : kProposedBufferSize;
    } else if (session->usable()) {
        const auto old = session->call<ncp::call::NegotiateBufferSize>({kOldBufferSize});
        if (old.ok()) {
            session->bufferSize_ = old.reply.bufferSize;
        }
    }
    const auto info = session->call<ncp::call::GetFileServerInfo>({});
    if (!info.ok()) {
        failure = session->usable()
                      ? Failure{info.code, label + " (" + address.text() +
                                               "): the server refused its information"}
                      : session->failure();
        return nullptr;
    }
    session->server_ = info.reply;
    return session;
}

bool Session::before311() const {
    return server_.osMajor < 3 || (server_.osMajor == 3 && server_.osMinor < 11);
}

void Session::markCleared() {
    cleared_ = true;
}

NWCCODE Session::badReply(const char* call) {
    failure_ = {NWE_BAD_REPLY, label_ + ": the reply to \"" + std::string(call) +
                                   "\" does not decode; the connection is dropped"};
    return NWE_BAD_REPLY;
}

NWCCODE Session::statusFailure(std::uint8_t status) {
    if ((status & ncp::status::kBadConnection) != 0) {
        cleared_ = true;
        failure_ = {INVALID_CONNECTION, label_ + ": the server cleared this connection"};
        return INVALID_CONNECTION;
    }
    failure_ = {NWE_CONNECTION_LOST, label_ + ": the server is going down"};
    return NWE_CONNECTION_LOST;
}

NWCCODE Session::rawCall(std::uint8_t function, std::uint8_t subfunction, ncp::ByteView data,
                         ncp::Bytes& replyData) {
    if (failure_) {
        return failure_.code;
    }
    const ncp::RequestHeader header{
        .connection = connection_, .task = kTask, .function = function, .subfunction = subfunction};
    RawReply reply;
    if (Failure f = transport_->exchange(header, data, reply)) {
        failure_ = f;
        return f.code;
    }
    const std::uint8_t bad = ncp::status::kBadConnection | ncp::status::kServerDown;
    if ((reply.header.status & bad) != 0) {
        return statusFailure(reply.header.status);
    }
    if (reply.header.completion != 0) {
        return 0x8900 | reply.header.completion;
    }
    replyData = std::move(reply.data);
    return SUCCESSFUL;
}

}  // namespace nw::wire
