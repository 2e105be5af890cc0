// Bad input over the wire: frames with a wrong signature or length, truncated requests, requests
// larger than the agreed buffer, requests on a wrong connection, a flood of connections, clients
// that say nothing; and a server that stops with clients attached. Each gets its NetWare answer
// or its connection closed, and the server goes on serving the others.
#include <thread>

#include "ncp/frame.h"
#include "servednetwork.h"
#include "testnetwork.h"

namespace nw::nwsimd::testing {
namespace {

using namespace ncp;

class WireBadInput : public WireTest {
protected:
    void SetUp() override {
        ServerOptions options;
        options.idleTimeout = 500ms;
        serve(kNetwork, networkFiles(), options);
        bystander = client("JSMITH", "jpass");
    }

    // The bystander is still served.
    void stillServed() {
        auto info = bystander->call<call::GetFileServerInfo>();
        EXPECT_TRUE(info.ok());
    }

    std::unique_ptr<WireClient> bystander;
};

TEST_F(WireBadInput, AWrongSignatureWordClosesTheConnection) {
    expectReports({"Unknown type"});
    auto wire = client();
    Bytes frame = frameRequest(
        encodeRequest(
            {.sequence = 9, .connection = wire->connection(), .function = 23, .subfunction = 17},
            {}),
        4096);
    frame[0] = 'X';  // "XmdT"
    ASSERT_TRUE(wire->sendRaw(frame));
    EXPECT_TRUE(wire->closedByServer());
    stillServed();
}

TEST_F(WireBadInput, ALengthTooSmallOrTooLargeClosesTheConnection) {
    expectReports({"Malformed"});
    auto wire = client();
    Bytes frame = frameRequest(
        encodeRequest(
            {.sequence = 9, .connection = wire->connection(), .function = 23, .subfunction = 17},
            {}),
        4096);
    frame[7] = 8;  // shorter than a frame header
    ASSERT_TRUE(wire->sendRaw(frame));
    EXPECT_TRUE(wire->closedByServer());

    // Larger than the agreed buffer (4,096 bytes until 97 agrees on another).
    auto big = client();
    Bytes request = encodeRequest({.sequence = big->nextSequence(),
                                   .connection = big->connection(),
                                   .function = 23,
                                   .subfunction = 28},
                                  Bytes(6000, 0));
    ASSERT_TRUE(big->sendMessage(request));
    EXPECT_TRUE(big->closedByServer());
    stillServed();
}

TEST_F(WireBadInput, ALargerBufferOnceAgreed) {
    auto wire = client();
    ASSERT_EQ(wire->negotiate(16384), 16384);
    Bytes request = encodeRequest({.sequence = wire->nextSequence(),
                                   .connection = wire->connection(),
                                   .task = wire->task(),
                                   .function = 23,
                                   .subfunction = 17},
                                  Bytes(9000, 0));
    ASSERT_TRUE(wire->sendMessage(request));
    auto reply = wire->receiveReply();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->header.completion, 0);  // bytes after the layout are ignored
}

TEST_F(WireBadInput, TruncatedRequestsAnswer0x7E) {
    expectReports({"Get Station's Logged Info[Malformed Packet]"});
    auto wire = client();
    // 23/28 needs a 4-byte connection number; 2 bytes come.
    Bytes request = encodeRequest({.sequence = wire->nextSequence(),
                                   .connection = wire->connection(),
                                   .task = wire->task(),
                                   .function = 23,
                                   .subfunction = 28},
                                  Bytes{2, 0});
    ASSERT_TRUE(wire->sendMessage(request));
    auto reply = wire->receiveReply();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->header.completion, completion::kBoundaryCheckFailed);
    EXPECT_TRUE(wire->call<call::GetFileServerInfo>({}).ok());
}

TEST_F(WireBadInput, RequestsOnAnotherConnectionNumberOrBeforeAttaching) {
    expectReports({"Bad Connection Status", "Bad Connection Status"});
    WireClient early(port());
    auto before = early.call<call::GetFileServerInfo>();
    EXPECT_EQ(before.status, status::kBadConnection);
    ASSERT_TRUE(early.attach());
    EXPECT_TRUE(early.call<call::GetFileServerInfo>().ok());

    auto wire = client();
    Bytes request = encodeRequest({.sequence = wire->nextSequence(),
                                   .connection = 2,  // MBROWN's station, not this session's
                                   .task = wire->task(),
                                   .function = 23,
                                   .subfunction = 17},
                                  {});
    ASSERT_TRUE(wire->sendMessage(request));
    auto reply = wire->receiveReply();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->header.status, status::kBadConnection);
    EXPECT_TRUE(wire->call<call::GetFileServerInfo>().ok());
}

TEST_F(WireBadInput, AFloodOfConnectionsFillsTheTableAndLeavesNoTrace) {
    // 8 slots: the file's stations 2, 4, 6 and the bystander's leave 4 (numbers 0 and up to 7).
    std::vector<std::unique_ptr<WireClient>> flood;
    int attached = 0, refused = 0;
    for (int i = 0; i < 200; ++i) {
        auto wire = std::make_unique<WireClient>(port());
        ASSERT_TRUE(wire->connected());
        auto number = wire->attach();
        if (number) {
            ++attached;
        } else {
            ++refused;
            EXPECT_TRUE(wire->closedByServer());
        }
        flood.push_back(std::move(wire));
    }
    EXPECT_EQ(attached, 3);  // 3, 5 and 7
    EXPECT_EQ(refused, 197);
    // Each refusal: completion 0xF9 with the "no connection slots" status, which Wireshark
    // reports as a bad connection status.
    expectReports(std::vector<std::string>(197, "Error: Bad Connection Status"));
    stillServed();
    flood.clear();
    // Every station the flood took is given back.
    for (int i = 0; i < 200; ++i) {
        auto info = bystander->call<call::GetFileServerInfo>();
        ASSERT_TRUE(info.ok());
        if (info.reply->connectionsInUse == 4)
            break;
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(bystander->call<call::GetFileServerInfo>().reply->connectionsInUse, 4);
}

TEST_F(WireBadInput, SilentClientsAreClosedLoggedInOnesStay) {
    WireClient silent(port());  // connects and says nothing
    auto attached = client();   // attached, never logs in
    auto idle = client("OPER", "op");
    EXPECT_TRUE(silent.closedByServer(3s));
    EXPECT_TRUE(attached->closedByServer(3s));
    std::this_thread::sleep_for(600ms);
    EXPECT_TRUE(idle->call<call::GetLoginStatus>().ok());
    stillServed();

    // Logged out, it is a session like any other that is not logged in.
    EXPECT_EQ(idle->call<call::Logout>().completion, 0);
    EXPECT_TRUE(idle->closedByServer(3s));
    stillServed();
}

TEST_F(WireBadInput, AServerThatStopsClosesEveryConnection) {
    auto a = client("ADMIN", "secret");
    auto b = client();
    stopServer();
    EXPECT_TRUE(a->closedByServer());
    EXPECT_TRUE(b->closedByServer());
    EXPECT_FALSE(WireClient(port()).connected());
    bystander.reset();
}

}  // namespace
}  // namespace nw::nwsimd::testing
