// Loopback sockets for the network benchmarks: a client connected to 127.0.0.1 and a sender
// that never waits for a full buffer's worth (TCP_NODELAY), as NCP's one-request-at-a-time
// exchanges want.
#pragma once

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

namespace bench {

// Turns Nagle's delay off on a connected socket.
inline void noDelay(int fd) {
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

// A socket connected to 127.0.0.1:port without Nagle's delay; -1 when the connection failed.
inline int connectLoopback(std::uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    noDelay(fd);
    return fd;
}

}  // namespace bench
