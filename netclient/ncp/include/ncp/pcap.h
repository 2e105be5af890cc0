// A capture writer for NCP conversations: classic pcap, Ethernet/IPv4/TCP (127.0.0.1 unless the
// addresses are given), with a
// SYN handshake, correct sequence and acknowledgement numbers and checksums, and each side's
// bytes cut into segments. Tests and the server write what they send and receive with it, and
// Wireshark's dissector judges the result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>

#include "ncp/bytes.h"

namespace nw::ncp {

class PcapWriter {
public:
    // Writes the file header at once.
    explicit PcapWriter(std::ostream& out);

    // One Ethernet frame with an IPv4/TCP packet from srcPort to dstPort (both on 127.0.0.1).
    void tcpPacket(std::uint16_t srcPort, std::uint16_t dstPort, std::uint32_t seq,
                   std::uint32_t ack, std::uint8_t flags, ByteView payload);
    // The same between two IPv4 addresses (host order).
    void tcpPacket(std::uint32_t srcAddress, std::uint16_t srcPort, std::uint32_t dstAddress,
                   std::uint16_t dstPort, std::uint32_t seq, std::uint32_t ack, std::uint8_t flags,
                   ByteView payload);
    // Packets written so far (the frame number of the last one, counting from 1).
    std::size_t packets() const { return packets_; }

private:
    std::ostream& out_;
    std::uint64_t clockMicros_ = 1'700'000'000'000'000ULL;
    std::uint16_t ipId_ = 1;
    std::size_t packets_ = 0;
};

namespace tcp_flag {
inline constexpr std::uint8_t kFin = 0x01;
inline constexpr std::uint8_t kSyn = 0x02;
inline constexpr std::uint8_t kPsh = 0x08;
inline constexpr std::uint8_t kAck = 0x10;
}  // namespace tcp_flag

inline constexpr std::uint32_t kLoopbackAddress = 0x7F000001;

// One TCP connection in a capture. open() writes the handshake, clientSends()/serverSends()
// the bytes of each side cut into segments of at most `segment` bytes, close() the FIN
// exchange (also run by the destructor when still open). Wireshark tells NCP sessions apart by
// address and connection number, so a capture of several clients that take the same connection
// number one after the other should give them different client addresses.
class TcpConversation {
public:
    TcpConversation(PcapWriter& writer, std::uint16_t clientPort, std::uint16_t serverPort = 524,
                    std::size_t segment = 1460, std::uint32_t clientAddress = kLoopbackAddress,
                    std::uint32_t serverAddress = kLoopbackAddress);
    ~TcpConversation();
    TcpConversation(const TcpConversation&) = delete;
    TcpConversation& operator=(const TcpConversation&) = delete;

    void open();
    void clientSends(ByteView bytes) { send(true, bytes); }
    void serverSends(ByteView bytes) { send(false, bytes); }
    void close();

private:
    void send(bool fromClient, ByteView bytes);
    void packet(bool fromClient, std::uint32_t seq, std::uint32_t ack, std::uint8_t flags,
                ByteView payload);

    PcapWriter& writer_;
    std::uint32_t clientAddress_;
    std::uint32_t serverAddress_;
    std::uint16_t clientPort_;
    std::uint16_t serverPort_;
    std::size_t segment_;
    std::uint32_t clientSeq_;
    std::uint32_t serverSeq_;
    bool open_ = false;
};

}  // namespace nw::ncp
