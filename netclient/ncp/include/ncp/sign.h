// NCP packet signatures (negotiated with function 97, started after login).
//
// Both sides derive an 8-byte sign root from the password hash and the login key. Each request
// is signed over (root, BE32 frame length, first 52 NCP bytes from the function byte) with an
// MD4-style compression that also advances a running state; its reply is signed the same way
// over the bytes from the completion code, from the state the request left, without advancing
// it. The 8-byte signature sits between the framing header and the NCP message.
//
// No published vectors exist for signatures; both sides here use the same code, so the tests
// check consistency and tampering, not interoperability.
#pragma once

#include <array>
#include <cstdint>

#include "ncp/bytes.h"
#include "ncp/frame.h"
#include "ncp/login.h"

namespace nw::ncp {

Signature signRoot(const PasswordHash& hash, const LoginKey& key);

class PacketSigner {
public:
    explicit PacketSigner(const Signature& root);

    // The signature of a request; advances the running state. `message` is the NCP request
    // (header onward) and frameLength the whole frame's length with the signature.
    Signature signRequest(std::uint32_t frameLength, ByteView message);
    // The signature of the reply to the last request; the state stays.
    Signature signReply(std::uint32_t frameLength, ByteView message) const;

private:
    Signature root_;
    std::array<std::uint8_t, 16> state_;
};

// Signed frames: the client signs requests and checks replies, the server checks requests and
// signs replies. A check that fails leaves the signer as it was.
Bytes frameSignedRequest(PacketSigner& signer, ByteView message, std::uint32_t replyBufferSize);
bool verifySignedRequest(PacketSigner& signer, const Frame& frame);
Bytes frameSignedReply(const PacketSigner& signer, ByteView message);
bool verifySignedReply(const PacketSigner& signer, const Frame& frame);

}  // namespace nw::ncp
