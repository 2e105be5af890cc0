#include "wire/socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace nw::wire {

namespace {

std::string errnoText(int error) {
    return std::strerror(error);
}

int millisecondsUntil(SteadyClock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    if (left.count() <= 0) {
        return 0;
    }
    return left.count() > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(left.count());
}

std::string secondsText(std::chrono::milliseconds timeout) {
    const auto ms = timeout.count();
    if (ms % 1000 == 0) {
        return std::to_string(ms / 1000) + " s";
    }
    return std::to_string(ms) + " ms";
}

// Connects one resolved address within the deadline; 0 or the errno of the failure (ETIMEDOUT
// when the deadline passed).
int connectOne(const addrinfo& address, SteadyClock::time_point deadline, int& fdOut) {
    const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                            address.ai_protocol);
    if (fd < 0) {
        return errno;
    }
    if (::connect(fd, address.ai_addr, address.ai_addrlen) != 0 && errno != EINPROGRESS) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    pollfd p{fd, POLLOUT, 0};
    int ready = 0;
    do {
        ready = ::poll(&p, 1, millisecondsUntil(deadline));
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) {
        ::close(fd);
        return ready == 0 ? ETIMEDOUT : errno;
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::close(fd);
        return error;
    }
    // Requests are small and answered one at a time: send each at once.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    fdOut = fd;
    return 0;
}

std::uint16_t portOf(int fd, bool local) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    const int rc = local ? ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length)
                         : ::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length);
    if (rc != 0) {
        return 0;
    }
    if (address.ss_family == AF_INET) {
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    }
    if (address.ss_family == AF_INET6) {
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    }
    return 0;
}

}  // namespace

TcpSocket::~TcpSocket() {
    close();
}

TcpSocket::TcpSocket(TcpSocket&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

void TcpSocket::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

Failure TcpSocket::connect(const std::string& host, std::uint16_t port,
                           std::chrono::milliseconds timeout, TcpSocket& out) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    const int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    if (rc != 0) {
        return {NWE_CONNECT_FAILED, "cannot resolve the name: " + std::string(gai_strerror(rc))};
    }
    const auto deadline = SteadyClock::now() + timeout;
    int lastError = ECONNREFUSED;
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        int fd = -1;
        lastError = connectOne(*a, deadline, fd);
        if (lastError == 0) {
            ::freeaddrinfo(found);
            out = TcpSocket(fd);
            return {};
        }
        if (lastError == ETIMEDOUT) {
            break;
        }
    }
    ::freeaddrinfo(found);
    if (lastError == ETIMEDOUT) {
        return {NWE_CONNECT_FAILED, "no answer to the connection within " + secondsText(timeout)};
    }
    return {NWE_CONNECT_FAILED, "cannot connect: " + errnoText(lastError)};
}

bool TcpSocket::wait(short events, SteadyClock::time_point deadline, short& revents) const {
    pollfd p{fd_, events, 0};
    for (;;) {
        const int ready = ::poll(&p, 1, millisecondsUntil(deadline));
        if (ready > 0) {
            revents = p.revents;
            return true;
        }
        if (ready == 0) {
            return false;
        }
        if (errno != EINTR) {
            revents = POLLERR;
            return true;
        }
    }
}

Failure TcpSocket::sendAll(ncp::ByteView data, SteadyClock::time_point deadline) {
    if (fd_ < 0) {
        return {NWE_CONNECTION_LOST, "the connection is closed"};
    }
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n =
            ::send(fd_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            short revents = 0;
            if (!wait(POLLOUT, deadline, revents)) {
                return {NWE_REPLY_TIMEOUT, "the server takes no data"};
            }
            continue;
        }
        const int error = n < 0 ? errno : EPIPE;
        return {NWE_CONNECTION_LOST, "sending failed: " + errnoText(error)};
    }
    return {};
}

Failure TcpSocket::receive(ncp::Bytes& into, SteadyClock::time_point deadline) {
    if (fd_ < 0) {
        return {NWE_CONNECTION_LOST, "the connection is closed"};
    }
    std::array<std::uint8_t, 65536> buffer;
    for (;;) {
        const ssize_t n = ::recv(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (n > 0) {
            into.insert(into.end(), buffer.begin(), buffer.begin() + n);
            return {};
        }
        if (n == 0) {
            return {NWE_CONNECTION_LOST, "the server closed the connection"};
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return {NWE_CONNECTION_LOST, errno == ECONNRESET
                                             ? std::string("the server reset the connection")
                                             : "receiving failed: " + errnoText(errno)};
        }
        short revents = 0;
        if (!wait(POLLIN, deadline, revents)) {
            return {NWE_REPLY_TIMEOUT, "no reply"};
        }
    }
}

std::uint16_t TcpSocket::localPort() const {
    return fd_ >= 0 ? portOf(fd_, true) : 0;
}

std::uint16_t TcpSocket::remotePort() const {
    return fd_ >= 0 ? portOf(fd_, false) : 0;
}

}  // namespace nw::wire
