// Bindery password hash and login answer (published vectors) and packet signatures.
#include <gtest/gtest.h>

#include "ncp/header.h"
#include "ncp/login.h"
#include "ncp/sign.h"

namespace nw::ncp {
namespace {

TEST(NcpLogin, PasswordHashMatchesThePublishedVectors) {
    EXPECT_EQ(passwordHash(0x05000026, "HELLO123"),
              (PasswordHash{0xa3, 0xc2, 0xa1, 0x66, 0x47, 0x6a, 0x77, 0x4d, 0x52, 0xed, 0xba, 0x3d,
                            0xd1, 0x97, 0x4b, 0x56}));
    EXPECT_EQ(passwordHash(0x05000026, "HORSE BATTERY STABLE NETWARE"),
              (PasswordHash{0x74, 0x57, 0x7f, 0x98, 0x07, 0x90, 0x06, 0xf3, 0x53, 0x9a, 0x8e, 0x94,
                            0xeb, 0xde, 0xe9, 0x19}));
    // The empty password (no published vector; derived from the same steps).
    EXPECT_EQ(passwordHash(0x05000026, ""),
              (PasswordHash{0xae, 0xbe, 0xe3, 0xab, 0x11, 0x2a, 0x9c, 0x62, 0xf6, 0x77, 0x7b, 0xb1,
                            0x25, 0x6b, 0xd6, 0x9d}));
    // The salt matters: another object id, another hash.
    EXPECT_NE(passwordHash(0x05000027, "HELLO123"), passwordHash(0x05000026, "HELLO123"));
}

TEST(NcpLogin, LoginAnswerMatchesThePublishedVectors) {
    EXPECT_EQ(loginAnswer({0x98, 0x32, 0x35, 0x67, 0xdd, 0x2f, 0xaa, 0x80, 0xab, 0xdc, 0xb0, 0xc0,
                           0x1e, 0x21, 0x46, 0x34},
                          {0x12, 0x34, 0x56, 0x78, 0x9a, 0x7b, 0x44, 0x93}),
              (LoginAnswer{0x2f, 0x75, 0xfd, 0xb5, 0xb5, 0xde, 0xee, 0xd3}));
    EXPECT_EQ(loginAnswer({0xad, 0x5c, 0x42, 0x40, 0x47, 0xc4, 0x4e, 0x11, 0x6e, 0x7e, 0xff, 0xe7,
                           0x6d, 0xf7, 0xb3, 0x25},
                          {0xce, 0xcc, 0xf3, 0x6a, 0xac, 0x49, 0x55, 0x7a}),
              (LoginAnswer{0x23, 0xbf, 0x57, 0x8c, 0x63, 0x4f, 0x0f, 0x37}));
    // Hash and answer chained from a password.
    EXPECT_EQ(loginAnswer(passwordHash(0x05000026, "HORSE BATTERY STABLE NETWARE"),
                          {0x3f, 0xb1, 0x7e, 0x62, 0xfc, 0x11, 0xf8, 0x6f}),
              (LoginAnswer{0x97, 0x78, 0xd5, 0x36, 0x73, 0x1d, 0x29, 0x74}));
}

TEST(NcpLogin, AnswersCompareWhole) {
    LoginAnswer a{1, 2, 3, 4, 5, 6, 7, 8};
    LoginAnswer b = a;
    EXPECT_TRUE(sameAnswer(a, b));
    b[7] ^= 1;
    EXPECT_FALSE(sameAnswer(a, b));
}

Bytes message(std::uint8_t sequence, std::uint8_t function) {
    RequestHeader h;
    h.sequence = sequence;
    h.function = function;
    h.subfunction = 17;
    return encodeRequest(h, {});
}

TEST(NcpSign, BothSidesAgreeAndTheStateMovesWithEachRequest) {
    const Signature root = signRoot(passwordHash(0x05000026, "HELLO123"),
                                    {0x3f, 0xb1, 0x7e, 0x62, 0xfc, 0x11, 0xf8, 0x6f});
    PacketSigner client(root);
    PacketSigner server(root);
    for (std::uint8_t seq = 1; seq <= 3; ++seq) {
        const Bytes rq = message(seq, 23);
        FrameReader serverIn(Direction::Requests, 4096);
        serverIn.setSigned(true);
        serverIn.feed(frameSignedRequest(client, rq, 4096));
        Frame f;
        ASSERT_EQ(serverIn.next(f), FrameReader::Result::Frame);
        ASSERT_TRUE(verifySignedRequest(server, f));

        const Bytes rp = encodeReply(ReplyHeader{}, Bytes{1});
        FrameReader clientIn(Direction::Replies, 4096);
        clientIn.setSigned(true);
        clientIn.feed(frameSignedReply(server, rp));
        ASSERT_EQ(clientIn.next(f), FrameReader::Result::Frame);
        EXPECT_TRUE(verifySignedReply(client, f));
    }
    // The same request signed again later gets another signature: the state advanced.
    PacketSigner fresh(root);
    const Bytes rq = message(1, 23);
    EXPECT_NE(fresh.signRequest(40, rq), client.signRequest(40, rq));
}

TEST(NcpSign, TamperedOrUnsignedFramesFailAndLeaveTheStateAlone) {
    const Signature root = signRoot(passwordHash(1, "X"), {1, 2, 3, 4, 5, 6, 7, 8});
    PacketSigner client(root);
    PacketSigner server(root);
    Bytes frame = frameSignedRequest(client, message(1, 23), 4096);
    frame.back() ^= 0x01;  // the subfunction byte
    FrameReader in(Direction::Requests, 4096);
    in.setSigned(true);
    in.feed(frame);
    Frame f;
    ASSERT_EQ(in.next(f), FrameReader::Result::Frame);
    EXPECT_FALSE(verifySignedRequest(server, f));
    f.signature.reset();
    EXPECT_FALSE(verifySignedRequest(server, f));
    // The server's state did not move: the intact frame still verifies.
    PacketSigner replay(root);
    FrameReader in2(Direction::Requests, 4096);
    in2.setSigned(true);
    in2.feed(frameSignedRequest(replay, message(1, 23), 4096));
    ASSERT_EQ(in2.next(f), FrameReader::Result::Frame);
    EXPECT_TRUE(verifySignedRequest(server, f));
    // A different password gives a different root.
    EXPECT_NE(signRoot(passwordHash(1, "Y"), {1, 2, 3, 4, 5, 6, 7, 8}), root);
}

}  // namespace
}  // namespace nw::ncp
