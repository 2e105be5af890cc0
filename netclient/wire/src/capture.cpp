#include "wire/capture.h"

namespace nw::wire {

PcapTap::PcapTap(const std::filesystem::path& file)
    : out_(file, std::ios::binary | std::ios::trunc) {
    writer_ = std::make_unique<ncp::PcapWriter>(out_);
}

PcapTap::~PcapTap() {
    closed();
}

void PcapTap::opened(std::uint16_t localPort, std::uint16_t remotePort) {
    conversation_ = std::make_unique<ncp::TcpConversation>(*writer_, localPort, remotePort);
    conversation_->open();
}

void PcapTap::sent(ncp::ByteView frame) {
    if (conversation_) {
        conversation_->clientSends(frame);
        out_.flush();
    }
}

void PcapTap::received(ncp::ByteView frame) {
    if (conversation_) {
        conversation_->serverSends(frame);
        out_.flush();
    }
}

void PcapTap::closed() {
    if (conversation_) {
        conversation_->close();
        conversation_.reset();
        out_.flush();
    }
}

}  // namespace nw::wire
