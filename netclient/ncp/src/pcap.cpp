#include "ncp/pcap.h"

#include <algorithm>

namespace nw::ncp {

namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;
constexpr std::size_t kEthernetHeader = 14;
constexpr std::size_t kIpHeader = 20;
constexpr std::size_t kTcpHeader = 20;

void writeLe32(std::ostream& out, std::uint32_t v) {
    const char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
    out.write(b, 4);
}

void writeLe16(std::ostream& out, std::uint16_t v) {
    const char b[2] = {static_cast<char>(v), static_cast<char>(v >> 8)};
    out.write(b, 2);
}

// Internet checksum over `bytes`, starting from a partial sum.
std::uint16_t checksum(ByteView bytes, std::uint32_t sum = 0) {
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        sum += static_cast<std::uint32_t>(bytes[i] << 8 | bytes[i + 1]);
    }
    if (bytes.size() % 2 != 0) {
        sum += static_cast<std::uint32_t>(bytes.back() << 8);
    }
    while (sum >> 16) {
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return static_cast<std::uint16_t>(~sum);
}

}  // namespace

PcapWriter::PcapWriter(std::ostream& out) : out_(out) {
    writeLe32(out_, 0xA1B2C3D4);
    writeLe16(out_, 2);
    writeLe16(out_, 4);
    writeLe32(out_, 0);       // time zone
    writeLe32(out_, 0);       // accuracy
    writeLe32(out_, 262144);  // snapshot length
    writeLe32(out_, 1);       // Ethernet
}

void PcapWriter::tcpPacket(std::uint16_t srcPort, std::uint16_t dstPort, std::uint32_t seq,
                           std::uint32_t ack, std::uint8_t flags, ByteView payload) {
    tcpPacket(kLoopback, srcPort, kLoopback, dstPort, seq, ack, flags, payload);
}

void PcapWriter::tcpPacket(std::uint32_t srcAddress, std::uint16_t srcPort,
                           std::uint32_t dstAddress, std::uint16_t dstPort, std::uint32_t seq,
                           std::uint32_t ack, std::uint8_t flags, ByteView payload) {
    Bytes frame;
    frame.reserve(kEthernetHeader + kIpHeader + kTcpHeader + payload.size());
    Writer w(frame);
    w.zeros(12);  // both MAC addresses 00:00:00:00:00:00, as on loopback
    w.be16(0x0800);

    const std::size_t ipStart = frame.size();
    w.u8(0x45);
    w.u8(0);
    w.be16(static_cast<std::uint16_t>(kIpHeader + kTcpHeader + payload.size()));
    w.be16(ipId_++);
    w.be16(0x4000);  // don't fragment
    w.u8(64);
    w.u8(6);
    w.be16(0);
    w.be32(srcAddress);
    w.be32(dstAddress);
    w.patchBe16(ipStart + 10, checksum(ByteView(frame).subspan(ipStart, kIpHeader)));

    const std::size_t tcpStart = frame.size();
    w.be16(srcPort);
    w.be16(dstPort);
    w.be32(seq);
    w.be32(ack);
    w.u8(static_cast<std::uint8_t>((kTcpHeader / 4) << 4));
    w.u8(flags);
    w.be16(65535);
    w.be16(0);
    w.be16(0);
    w.bytes(payload);
    const std::size_t tcpLength = frame.size() - tcpStart;
    const std::uint32_t pseudo = (srcAddress >> 16) + (srcAddress & 0xFFFF) + (dstAddress >> 16) +
                                 (dstAddress & 0xFFFF) + 6 + static_cast<std::uint32_t>(tcpLength);
    w.patchBe16(tcpStart + 16, checksum(ByteView(frame).subspan(tcpStart), pseudo));

    clockMicros_ += 10;
    ++packets_;
    writeLe32(out_, static_cast<std::uint32_t>(clockMicros_ / 1'000'000));
    writeLe32(out_, static_cast<std::uint32_t>(clockMicros_ % 1'000'000));
    writeLe32(out_, static_cast<std::uint32_t>(frame.size()));
    writeLe32(out_, static_cast<std::uint32_t>(frame.size()));
    out_.write(reinterpret_cast<const char*>(frame.data()),
               static_cast<std::streamsize>(frame.size()));
}

TcpConversation::TcpConversation(PcapWriter& writer, std::uint16_t clientPort,
                                 std::uint16_t serverPort, std::size_t segment,
                                 std::uint32_t clientAddress, std::uint32_t serverAddress)
    : writer_(writer),
      clientAddress_(clientAddress),
      serverAddress_(serverAddress),
      clientPort_(clientPort),
      serverPort_(serverPort),
      segment_(std::max<std::size_t>(1, segment)),
      clientSeq_(1000u * clientPort),
      serverSeq_(7000u * clientPort + 1) {}

TcpConversation::~TcpConversation() {
    close();
}

void TcpConversation::open() {
    packet(true, clientSeq_++, 0, tcp_flag::kSyn, {});
    packet(false, serverSeq_++, clientSeq_, tcp_flag::kSyn | tcp_flag::kAck, {});
    packet(true, clientSeq_, serverSeq_, tcp_flag::kAck, {});
    open_ = true;
}

void TcpConversation::send(bool fromClient, ByteView bytes) {
    std::uint32_t& seq = fromClient ? clientSeq_ : serverSeq_;
    const std::uint32_t ack = fromClient ? serverSeq_ : clientSeq_;
    while (!bytes.empty()) {
        const std::size_t n = std::min(segment_, bytes.size());
        const bool last = n == bytes.size();
        packet(fromClient, seq, ack,
               static_cast<std::uint8_t>(tcp_flag::kAck | (last ? tcp_flag::kPsh : 0)),
               bytes.first(n));
        seq += static_cast<std::uint32_t>(n);
        bytes = bytes.subspan(n);
    }
    // The other side acknowledges what it received.
    packet(!fromClient, fromClient ? serverSeq_ : clientSeq_, seq, tcp_flag::kAck, {});
}

void TcpConversation::close() {
    if (!open_) {
        return;
    }
    open_ = false;
    packet(true, clientSeq_++, serverSeq_, tcp_flag::kFin | tcp_flag::kAck, {});
    packet(false, serverSeq_++, clientSeq_, tcp_flag::kFin | tcp_flag::kAck, {});
    packet(true, clientSeq_, serverSeq_, tcp_flag::kAck, {});
}

void TcpConversation::packet(bool fromClient, std::uint32_t seq, std::uint32_t ack,
                             std::uint8_t flags, ByteView payload) {
    if (fromClient) {
        writer_.tcpPacket(clientAddress_, clientPort_, serverAddress_, serverPort_, seq, ack, flags,
                          payload);
    } else {
        writer_.tcpPacket(serverAddress_, serverPort_, clientAddress_, clientPort_, seq, ack, flags,
                          payload);
    }
}

}  // namespace nw::ncp
