// NCP request and reply headers.
#include <gtest/gtest.h>

#include "ncp/header.h"

namespace nw::ncp {
namespace {

TEST(NcpHeader, FunctionsCarryTheirSubfunctionInOneOfThreeForms) {
    EXPECT_EQ(formOf(23), Form::LengthWord);
    EXPECT_EQ(formOf(123), Form::LengthWord);
    EXPECT_EQ(formOf(87), Form::NoLength);
    EXPECT_EQ(formOf(104), Form::NoLength);
    EXPECT_EQ(formOf(72), Form::Plain);
    EXPECT_EQ(formOf(33), Form::Plain);

    RequestHeader h;
    h.sequence = 9;
    h.connection = 0x0203;
    h.task = 4;
    h.function = 23;
    h.subfunction = 17;
    EXPECT_EQ(encodeRequest(h, {}), (Bytes{0x22, 0x22, 9, 0x03, 4, 0x02, 23, 0, 1, 17}));
    h.function = 87;
    h.subfunction = 22;
    const Bytes data{0xAA};
    EXPECT_EQ(encodeRequest(h, data), (Bytes{0x22, 0x22, 9, 0x03, 4, 0x02, 87, 22, 0xAA}));
    h.function = 25;
    EXPECT_EQ(encodeRequest(h, {}), (Bytes{0x22, 0x22, 9, 0x03, 4, 0x02, 25}));
}

TEST(NcpHeader, RequestsParseBackWithTheirSixteenBitConnection) {
    RequestHeader h;
    h.sequence = 200;
    h.connection = 0x1234;
    h.function = 22;
    h.subfunction = 5;
    const Bytes data{3, 'S', 'Y', 'S'};
    const Bytes m = encodeRequest(h, data);
    ParsedRequest p = parseRequest(m);
    ASSERT_EQ(p.error, ParseError::None);
    EXPECT_EQ(p.header.connection, 0x1234);
    EXPECT_EQ(p.header.sequence, 200);
    EXPECT_EQ(p.header.subfunction, 5);
    EXPECT_EQ(Bytes(p.data.begin(), p.data.end()), data);
}

TEST(NcpHeader, LengthWordLimitsTheDataAndMayNotClaimMore) {
    // 23/17 with a length word of 1 and two stray bytes after it: the bytes are not data.
    const Bytes extra{0x22, 0x22, 1, 1, 1, 0, 23, 0, 1, 17, 0xEE, 0xEE};
    ParsedRequest p = parseRequest(extra);
    EXPECT_EQ(p.error, ParseError::None);
    EXPECT_TRUE(p.data.empty());
    const Bytes claims{0x22, 0x22, 1, 1, 1, 0, 23, 0, 9, 17};
    EXPECT_EQ(parseRequest(claims).error, ParseError::BadLengthWord);
    const Bytes zero{0x22, 0x22, 1, 1, 1, 0, 23, 0, 0};
    EXPECT_EQ(parseRequest(zero).error, ParseError::BadLengthWord);
    const Bytes cut{0x22, 0x22, 1, 1, 1, 0, 87};
    EXPECT_EQ(parseRequest(cut).error, ParseError::TooShort);
    const Bytes noFunction{0x22, 0x22, 1, 1, 1, 0};
    EXPECT_EQ(parseRequest(noFunction).error, ParseError::TooShort);
    const Bytes garbage{0x54, 0x00, 1, 1, 1, 0, 1};
    EXPECT_EQ(parseRequest(garbage).error, ParseError::UnknownType);
}

TEST(NcpHeader, CreateConnectionAcceptsAnyPayloadAndConnection) {
    for (const Bytes& m : {Bytes{0x11, 0x11, 0, 0xFF, 1, 0xFF},
                           Bytes{0x11, 0x11, 1, 0xFF, 1, 0xFF, 0x01, 0x10, 0, 0, 0},
                           Bytes{0x11, 0x11, 0, 0, 1, 0, 0}}) {
        ParsedRequest p = parseRequest(m);
        EXPECT_EQ(p.error, ParseError::None);
        EXPECT_EQ(p.header.type, type::kCreateConnection);
    }
}

TEST(NcpHeader, RepliesEchoTheRequestAndCarryCompletionAndStatus) {
    RequestHeader rq;
    rq.sequence = 5;
    rq.connection = 0x0102;
    rq.task = 3;
    const Bytes data{7};
    const Bytes m = encodeReply(replyTo(rq, 0xFB, status::kMessagePending), data);
    EXPECT_EQ(m, (Bytes{0x33, 0x33, 5, 0x02, 3, 0x01, 0xFB, 0x40, 7}));
    ParsedReply p = parseReply(m);
    ASSERT_EQ(p.error, ParseError::None);
    EXPECT_EQ(p.header.completion, 0xFB);
    EXPECT_EQ(p.header.status, status::kMessagePending);
    EXPECT_EQ(p.header.connection, 0x0102);

    ReplyHeader busy = replyTo(rq);
    busy.type = type::kBusy;
    EXPECT_EQ(parseReply(encodeReply(busy, {})).header.type, type::kBusy);
    EXPECT_EQ(parseReply(Bytes{0x33, 0x33, 5, 2, 3, 1, 0}).error, ParseError::TooShort);
    EXPECT_EQ(parseReply(Bytes{0x22, 0x22, 5, 2, 3, 1, 0, 0}).error, ParseError::UnknownType);
}

}  // namespace
}  // namespace nw::ncp
