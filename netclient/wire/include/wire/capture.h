// A capture of one session's traffic as a pcap file (Ethernet/IPv4/TCP on 127.0.0.1 with the
// session's real ports), for Wireshark's dissector to judge. Debugging aid and test check; the
// traffic holds no password, only what the server sees.
#pragma once

#include <filesystem>
#include <fstream>
#include <memory>

#include "ncp/pcap.h"
#include "wire/transport.h"

namespace nw::wire {

class PcapTap final : public TrafficTap {
public:
    explicit PcapTap(const std::filesystem::path& file);
    ~PcapTap() override;

    void opened(std::uint16_t localPort, std::uint16_t remotePort) override;
    void sent(ncp::ByteView frame) override;
    void received(ncp::ByteView frame) override;
    void closed() override;

private:
    std::ofstream out_;
    std::unique_ptr<ncp::PcapWriter> writer_;
    std::unique_ptr<ncp::TcpConversation> conversation_;
};

}  // namespace nw::wire
