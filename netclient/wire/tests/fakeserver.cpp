#include "fakeserver.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "ncp/frame.h"
#include "ncp/login.h"

namespace nw::wire::testing {

namespace {

std::string upper(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return s;
}

void sendAll(int fd, const ncp::Bytes& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return;
        }
        sent += static_cast<std::size_t>(n);
    }
}

}  // namespace

struct FakeServer::Peer {
    int fd = -1;
    ncp::FrameReader reader{ncp::Direction::Requests, 1 << 20};
    FakeSession session;
    bool closed = false;
};

FakeServer::FakeServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 64) != 0) {
        throw std::runtime_error("the fake server cannot listen");
    }
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    if (::pipe2(wake_, O_CLOEXEC) != 0) {
        throw std::runtime_error("the fake server cannot make its pipe");
    }
    setInfo("FS1", 5, 0);

    dispatcher_.on<ncp::call::GetBigPacketSize>([](FakeSession&, const auto& rq, auto& rp) {
        rp.acceptedMaxSize = rq.proposedMaxSize;
        return ncp::completion::kOk;
    });
    dispatcher_.on<ncp::call::GetFileServerInfo>([this](FakeSession&, const auto&, auto& rp) {
        rp = info_;
        return ncp::completion::kOk;
    });
    dispatcher_.on<ncp::call::GetBinderyObjectId>([this](FakeSession&, const auto& rq, auto& rp) {
        auto it = users_.find(upper(rq.objectName));
        if (it == users_.end() || rq.objectType != ncp::call::kObjectUser) {
            return std::uint8_t{0xFC};
        }
        rp.objectId = it->second.first;
        rp.objectType = ncp::call::kObjectUser;
        rp.objectName = it->first;
        return ncp::completion::kOk;
    });
    dispatcher_.on<ncp::call::GetLoginKey>([](FakeSession& s, const auto&, auto& rp) {
        for (std::size_t i = 0; i < s.key.size(); ++i) {
            s.key[i] = static_cast<std::uint8_t>(0x31 * (i + 1) + s.connection);
        }
        rp.key = s.key;
        return ncp::completion::kOk;
    });
    dispatcher_.on<ncp::call::KeyedObjectLogin>([this](FakeSession& s, const auto& rq, auto&) {
        auto it = users_.find(upper(rq.objectName));
        if (it == users_.end()) {
            return std::uint8_t{0xFF};
        }
        const ncp::PasswordHash hash =
            ncp::passwordHash(it->second.first, upper(it->second.second));
        if (!ncp::sameAnswer(ncp::loginAnswer(hash, s.key), rq.answer)) {
            return std::uint8_t{0xDE};
        }
        s.user = it->first;
        return ncp::completion::kOk;
    });
    thread_ = std::thread([this] { run(); });
}

FakeServer::~FakeServer() {
    stop();
    if (thread_.joinable()) {
        thread_.join();
    }
    ::close(wake_[0]);
    ::close(wake_[1]);
}

void FakeServer::stop() {
    if (stopping_.exchange(true)) {
        return;
    }
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_[1], &byte, 1);
    if (thread_.joinable()) {
        thread_.join();
    }
}

void FakeServer::setInfo(const std::string& name, std::uint8_t major, std::uint8_t minor,
                         std::uint16_t maxConnections) {
    std::lock_guard<std::mutex> lock(mutex_);
    info_.serverName = name;
    info_.osMajor = major;
    info_.osMinor = minor;
    info_.maxConnections = maxConnections;
    info_.maxVolumes = 2;
}

void FakeServer::addUser(const std::string& name, const std::string& password) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto id = static_cast<std::uint32_t>(0x01000001 + users_.size());
    users_[upper(name)] = {id, password};
}

void FakeServer::fault(Fault fault, std::uint8_t function, std::uint8_t subfunction, int count) {
    std::lock_guard<std::mutex> lock(mutex_);
    faults_.push_back({fault, ncp::callKey(function, subfunction), function == 0, count});
}

void FakeServer::refuse(std::uint8_t function, std::uint8_t subfunction, std::uint8_t completion) {
    std::lock_guard<std::mutex> lock(mutex_);
    refusals_[ncp::callKey(function, subfunction)] = completion;
}

int FakeServer::requests(std::uint8_t function, std::uint8_t subfunction) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = counts_.find(ncp::callKey(function, subfunction));
    return it == counts_.end() ? 0 : it->second;
}

int FakeServer::totalRequests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    int total = 0;
    for (const auto& [key, n] : counts_) {
        total += n;
    }
    return total;
}

int FakeServer::connectionsOpen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(
        std::count_if(peers_.begin(), peers_.end(), [](const auto& p) { return !p->closed; }));
}

void FakeServer::run() {
    std::vector<pollfd> fds;
    while (!stopping_) {
        fds.clear();
        fds.push_back({listener_, POLLIN, 0});
        fds.push_back({wake_[0], POLLIN, 0});
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (const auto& peer : peers_) {
                fds.push_back({peer->closed ? -1 : peer->fd, POLLIN, 0});
            }
        }
        if (::poll(fds.data(), fds.size(), 1000) <= 0) {
            continue;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                std::lock_guard<std::mutex> lock(mutex_);
                auto peer = std::make_unique<Peer>();
                peer->fd = fd;
                peers_.push_back(std::move(peer));
                ++accepted_;
            }
        }
        for (std::size_t i = 2; i < fds.size(); ++i) {
            if (fds[i].fd >= 0 && fds[i].revents != 0) {
                serve(*peers_[i - 2]);
            }
        }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& peer : peers_) {
        if (!peer->closed) {
            ::close(peer->fd);
            peer->closed = true;
        }
    }
    ::close(listener_);
}

void FakeServer::serve(Peer& peer) {
    std::uint8_t buffer[65536];
    const ssize_t n = ::recv(peer.fd, buffer, sizeof buffer, 0);
    if (n <= 0) {
        std::lock_guard<std::mutex> lock(mutex_);
        ::close(peer.fd);
        peer.closed = true;
        return;
    }
    peer.reader.feed(ncp::ByteView(buffer, static_cast<std::size_t>(n)));
    ncp::Frame frame;
    while (!peer.closed && peer.reader.next(frame) == ncp::FrameReader::Result::Frame) {
        if (!answer(peer, frame)) {
            std::lock_guard<std::mutex> lock(mutex_);
            ::close(peer.fd);
            peer.closed = true;
        }
    }
}

bool FakeServer::answer(Peer& peer, const ncp::Frame& frame) {
    const ncp::ParsedRequest request = ncp::parseRequest(frame.message);
    if (request.error != ncp::ParseError::None) {
        return false;
    }
    const ncp::RequestHeader& h = request.header;
    std::unique_lock<std::mutex> lock(mutex_);
    const std::uint16_t key = ncp::callKey(h.function, h.subfunction);
    if (h.type == ncp::type::kRequest) {
        ++counts_[key];
    }
    Fault planned = Fault::None;
    for (PlannedFault& f : faults_) {
        if (f.count > 0 && (f.any || (f.key == key && h.type == ncp::type::kRequest))) {
            planned = f.fault;
            --f.count;
            break;
        }
    }
    ncp::ReplyHeader reply = ncp::replyTo(h);
    ncp::Bytes data;
    switch (planned) {
        case Fault::Silence:
            return true;
        case Fault::Close:
            return false;
        case Fault::Garbage:
            sendAll(peer.fd, ncp::Bytes{'H', 'T', 'T', 'P', '/', '1', '.', '1', ' ', '4', '0', '0',
                                        '\r', '\n', '\r', '\n'});
            return true;
        case Fault::Cleared:
            reply.status = ncp::status::kBadConnection;
            sendAll(peer.fd, ncp::frameReply(ncp::encodeReply(reply, {})));
            return true;
        case Fault::ServerDown:
            reply.status = ncp::status::kServerDown;
            sendAll(peer.fd, ncp::frameReply(ncp::encodeReply(reply, {})));
            return true;
        case Fault::WrongSequence:
            reply.sequence = static_cast<std::uint8_t>(reply.sequence + 7);
            sendAll(peer.fd, ncp::frameReply(ncp::encodeReply(reply, {})));
            return true;
        case Fault::BadData:
            sendAll(peer.fd, ncp::frameReply(ncp::encodeReply(reply, ncp::Bytes{0x01})));
            return true;
        case Fault::None:
            break;
    }
    if (h.type == ncp::type::kCreateConnection) {
        peer.session.connection = nextConnection_++;
        reply.connection = peer.session.connection;
    } else if (h.type == ncp::type::kDestroyConnection) {
        lock.unlock();
        sendAll(peer.fd, ncp::frameReply(ncp::encodeReply(reply, {})));
        return false;
    } else if (auto refusal = refusals_.find(key); refusal != refusals_.end()) {
        reply.completion = refusal->second;
    } else {
        ncp::Dispatcher<FakeSession>::Answer a =
            dispatcher_.dispatch(peer.session, h, request.data);
        reply.completion = a.completion;
        data = std::move(a.data);
    }
    lock.unlock();
    for (int i = busy_; i > 0; --i) {
        ncp::ReplyHeader busy = reply;
        busy.type = ncp::type::kBusy;
        sendAll(peer.fd, ncp::frameReply(ncp::encodeReply(busy, {})));
    }
    sendAll(peer.fd, ncp::frameReply(ncp::encodeReply(reply, data)));
    return true;
}

}  // namespace nw::wire::testing
