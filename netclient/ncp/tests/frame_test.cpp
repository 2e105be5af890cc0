// TCP framing and the frame reader's reassembly and stream errors.
#include <gtest/gtest.h>

#include <random>

#include "ncp/frame.h"
#include "ncp/header.h"

namespace nw::ncp {
namespace {

Bytes sampleRequestMessage(std::uint8_t sequence, std::size_t dataSize) {
    RequestHeader h;
    h.sequence = sequence;
    h.connection = 3;
    h.function = 87;
    h.subfunction = 20;
    return encodeRequest(h, Bytes(dataSize, sequence));
}

TEST(NcpFrame, FramesCountTheirWholeLength) {
    const Bytes m = sampleRequestMessage(1, 3);
    const Bytes f = frameRequest(m, 4096);
    ASSERT_EQ(f.size(), 16 + m.size());
    EXPECT_EQ(Bytes(f.begin(), f.begin() + 16),
              (Bytes{'D', 'm', 'd', 'T', 0, 0, 0, static_cast<std::uint8_t>(f.size()), 0, 0, 0, 1,
                     0, 0, 0x10, 0}));
    Signature sig{1, 2, 3, 4, 5, 6, 7, 8};
    const Bytes r = frameReply(m, sig);
    EXPECT_EQ(Bytes(r.begin(), r.begin() + 8),
              (Bytes{'t', 'N', 'c', 'P', 0, 0, 0, static_cast<std::uint8_t>(r.size())}));
    EXPECT_EQ(Bytes(r.begin() + 8, r.begin() + 16), Bytes(sig.begin(), sig.end()));
}

TEST(NcpFrame, ReaderReassemblesFramesCutAnywhere) {
    Bytes stream;
    std::vector<Bytes> messages;
    for (std::uint8_t i = 0; i < 5; ++i) {
        messages.push_back(sampleRequestMessage(i, i * 300u));
        const Bytes f = frameRequest(messages.back(), 512);
        stream.insert(stream.end(), f.begin(), f.end());
    }
    std::mt19937 rng(7);
    for (int trial = 0; trial < 50; ++trial) {
        FrameReader reader(Direction::Requests, 65536);
        std::vector<Bytes> got;
        std::size_t at = 0;
        while (at < stream.size()) {
            // byte by byte on the first trial, random cuts after that
            const std::size_t n = trial == 0 ? 1 : 1 + rng() % 700;
            const std::size_t take = std::min(n, stream.size() - at);
            reader.feed(ByteView(stream).subspan(at, take));
            at += take;
            Frame f;
            FrameReader::Result r;
            while ((r = reader.next(f)) == FrameReader::Result::Frame) {
                EXPECT_EQ(f.version, 1u);
                EXPECT_EQ(f.replyBufferSize, 512u);
                got.push_back(f.message);
            }
            ASSERT_EQ(r, FrameReader::Result::NeedMore);
        }
        EXPECT_EQ(got, messages);
        EXPECT_EQ(reader.buffered(), 0u);
    }
}

TEST(NcpFrame, StreamErrorsAreReportedAndFinal) {
    const Bytes good = frameRequest(sampleRequestMessage(1, 4), 512);
    {
        FrameReader reader(Direction::Requests, 65536);
        reader.feed(Bytes{'D', 'm', 'X'});  // judged as soon as the signature bytes arrive
        Frame f;
        EXPECT_EQ(reader.next(f), FrameReader::Result::BadSignature);
        reader.feed(good);
        EXPECT_EQ(reader.next(f), FrameReader::Result::BadSignature);
    }
    {
        FrameReader reader(Direction::Replies, 65536);
        reader.feed(good);  // a request where replies are expected
        Frame f;
        EXPECT_EQ(reader.next(f), FrameReader::Result::BadSignature);
    }
    {
        Bytes shortLength = good;
        shortLength[7] = 16 + 5;  // less than a request header
        FrameReader reader(Direction::Requests, 65536);
        reader.feed(shortLength);
        Frame f;
        EXPECT_EQ(reader.next(f), FrameReader::Result::BadLength);
    }
    {
        FrameReader reader(Direction::Requests, 1000);
        reader.feed(frameRequest(sampleRequestMessage(1, 2000), 512));
        Frame f;
        EXPECT_EQ(reader.next(f), FrameReader::Result::TooLarge);
    }
}

TEST(NcpFrame, LengthTopBitsAreMaskedOff) {
    Bytes f = frameReply(encodeReply(ReplyHeader{}, {}));
    f[4] |= 0x80;  // the "signed" flag Wireshark knows
    f[4] |= 0x10;
    FrameReader reader(Direction::Replies, 1000);
    reader.feed(f);
    Frame out;
    ASSERT_EQ(reader.next(out), FrameReader::Result::Frame);
    EXPECT_EQ(out.length, f.size());
}

TEST(NcpFrame, SignedFramesHandTheSignatureOver) {
    const Signature sig{9, 8, 7, 6, 5, 4, 3, 2};
    const Bytes m = encodeReply(ReplyHeader{}, Bytes{1, 2});
    FrameReader reader(Direction::Replies, 1000);
    reader.setSigned(true);
    reader.feed(frameReply(m, sig));
    Frame out;
    ASSERT_EQ(reader.next(out), FrameReader::Result::Frame);
    ASSERT_TRUE(out.signature);
    EXPECT_EQ(*out.signature, sig);
    EXPECT_EQ(out.message, m);
    // An unsigned frame is then too short to hold a signature and a reply header.
    reader.feed(frameReply(encodeReply(ReplyHeader{}, {})));
    EXPECT_EQ(reader.next(out), FrameReader::Result::BadLength);
}

}  // namespace
}  // namespace nw::ncp
