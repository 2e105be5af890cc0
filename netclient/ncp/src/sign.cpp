#include "ncp/sign.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace nw::ncp {

namespace {

using State = std::array<std::uint8_t, 16>;
using Block64 = std::array<std::uint8_t, 64>;

constexpr State kInitialState = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                                 0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};

std::uint32_t le32At(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void putLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

std::uint32_t rotl(std::uint32_t v, int n) {
    return (v << n) | (v >> (32 - n));
}

// One MD4 compression of a 64-byte block onto a 16-byte state (three rounds, no padding).
State compress(const State& in, const Block64& block) {
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i) {
        x[i] = le32At(block.data() + 4 * i);
    }
    std::uint32_t a = le32At(in.data()), b = le32At(in.data() + 4), c = le32At(in.data() + 8),
                  d = le32At(in.data() + 12);
    const std::uint32_t a0 = a, b0 = b, c0 = c, d0 = d;
    auto f = [](std::uint32_t x1, std::uint32_t y, std::uint32_t z) {
        return (x1 & y) | (~x1 & z);
    };
    auto g = [](std::uint32_t x1, std::uint32_t y, std::uint32_t z) {
        return (x1 & y) | (x1 & z) | (y & z);
    };
    auto h = [](std::uint32_t x1, std::uint32_t y, std::uint32_t z) { return x1 ^ y ^ z; };
    static constexpr int kR1[4] = {3, 7, 11, 19};
    for (int i = 0; i < 16; ++i) {
        const std::uint32_t t = rotl(a + f(b, c, d) + x[i], kR1[i % 4]);
        a = d;
        d = c;
        c = b;
        b = t;
    }
    static constexpr int kR2[4] = {3, 5, 9, 13};
    static constexpr int kOrder2[16] = {0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15};
    for (int i = 0; i < 16; ++i) {
        const std::uint32_t t = rotl(a + g(b, c, d) + x[kOrder2[i]] + 0x5A827999u, kR2[i % 4]);
        a = d;
        d = c;
        c = b;
        b = t;
    }
    static constexpr int kR3[4] = {3, 9, 11, 15};
    static constexpr int kOrder3[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
    for (int i = 0; i < 16; ++i) {
        const std::uint32_t t = rotl(a + h(b, c, d) + x[kOrder3[i]] + 0x6ED9EBA1u, kR3[i % 4]);
        a = d;
        d = c;
        c = b;
        b = t;
    }
    State out{};
    putLe32(out.data(), a0 + a);
    putLe32(out.data() + 4, b0 + b);
    putLe32(out.data() + 8, c0 + c);
    putLe32(out.data() + 12, d0 + d);
    return out;
}

Block64 packetBlock(const Signature& root, std::uint32_t frameLength, ByteView afterHeader) {
    Block64 block{};
    std::copy(root.begin(), root.end(), block.begin());
    for (int i = 0; i < 4; ++i) {
        block[8 + i] = static_cast<std::uint8_t>(frameLength >> (24 - 8 * i));
    }
    const std::size_t n = std::min<std::size_t>(52, afterHeader.size());
    std::copy_n(afterHeader.begin(), n, block.begin() + 12);
    return block;
}

// The bytes a signature covers: after the 6-byte header (function byte or completion code on).
ByteView signedPart(ByteView message) {
    return message.size() > 6 ? message.subspan(6) : ByteView{};
}

Signature first8(const State& s) {
    Signature out{};
    std::copy_n(s.begin(), 8, out.begin());
    return out;
}

}  // namespace

Signature signRoot(const PasswordHash& hash, const LoginKey& key) {
    Block64 block{};
    std::copy(hash.begin(), hash.end(), block.begin());
    std::copy(key.begin(), key.end(), block.begin() + 16);
    constexpr std::string_view kText = "Authorized NetWare Client";
    std::memcpy(block.data() + 24, kText.data(), kText.size());
    return first8(compress(kInitialState, block));
}

PacketSigner::PacketSigner(const Signature& root) : root_(root), state_(kInitialState) {}

Signature PacketSigner::signRequest(std::uint32_t frameLength, ByteView message) {
    state_ = compress(state_, packetBlock(root_, frameLength, signedPart(message)));
    return first8(state_);
}

Signature PacketSigner::signReply(std::uint32_t frameLength, ByteView message) const {
    return first8(compress(state_, packetBlock(root_, frameLength, signedPart(message))));
}

Bytes frameSignedRequest(PacketSigner& signer, ByteView message, std::uint32_t replyBufferSize) {
    const auto length =
        static_cast<std::uint32_t>(kRequestFrameHeader + kSignatureSize + message.size());
    return frameRequest(message, replyBufferSize, signer.signRequest(length, message));
}

bool verifySignedRequest(PacketSigner& signer, const Frame& frame) {
    if (!frame.signature) {
        return false;
    }
    PacketSigner trial = signer;
    if (trial.signRequest(frame.length, frame.message) != *frame.signature) {
        return false;
    }
    signer = trial;
    return true;
}

Bytes frameSignedReply(const PacketSigner& signer, ByteView message) {
    const auto length =
        static_cast<std::uint32_t>(kReplyFrameHeader + kSignatureSize + message.size());
    return frameReply(message, signer.signReply(length, message));
}

bool verifySignedReply(const PacketSigner& signer, const Frame& frame) {
    return frame.signature && signer.signReply(frame.length, frame.message) == *frame.signature;
}

}  // namespace nw::ncp
