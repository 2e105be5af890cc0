// A TCP connection with deadlines: connecting, sending and receiving never wait longer than the
// caller allows, and every way the connection can end maps to a Failure.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "ncp/bytes.h"
#include "wire/failure.h"

namespace nw::wire {

using SteadyClock = std::chrono::steady_clock;

class TcpSocket {
public:
    TcpSocket() = default;
    ~TcpSocket();
    TcpSocket(TcpSocket&& other) noexcept;
    TcpSocket& operator=(TcpSocket&& other) noexcept;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // Resolves host (a name, an IPv4 or IPv6 address) and connects to the first address that
    // answers within timeout. NWE_CONNECT_FAILED with the reason otherwise.
    static Failure connect(const std::string& host, std::uint16_t port,
                           std::chrono::milliseconds timeout, TcpSocket& out);

    bool isOpen() const { return fd_ >= 0; }
    // Sends every byte before the deadline: NWE_CONNECTION_LOST when the peer has gone,
    // NWE_REPLY_TIMEOUT when it takes nothing in time.
    Failure sendAll(ncp::ByteView data, SteadyClock::time_point deadline);
    // Appends what arrives before the deadline (at least one byte): NWE_CONNECTION_LOST for
    // a closed or reset connection, NWE_REPLY_TIMEOUT when nothing came.
    Failure receive(ncp::Bytes& into, SteadyClock::time_point deadline);
    void close();

    std::uint16_t localPort() const;
    std::uint16_t remotePort() const;

private:
    explicit TcpSocket(int fd) : fd_(fd) {}
    // Waits for events on the socket until the deadline; false on timeout.
    bool wait(short events, SteadyClock::time_point deadline, short& revents) const;

    int fd_ = -1;
};

}  // namespace nw::wire
