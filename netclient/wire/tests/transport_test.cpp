// The transport and the session against a scripted server: set-up, busy replies, and every way
// a server can fail to answer properly, each ending in a clear code and text, never a hang.
#include <gtest/gtest.h>

#include <chrono>

#include "fakeserver.h"
#include "wire/session.h"

namespace nw::wire {
namespace {

using testing::FakeServer;
using namespace std::chrono_literals;

Timeouts quick() {
    Timeouts t;
    t.connect = 2000ms;
    t.reply = 300ms;
    return t;
}

std::unique_ptr<Session> attach(const FakeServer& server, Failure& failure,
                                Timeouts timeouts = quick()) {
    return Session::attach("FS1", {"127.0.0.1", server.port()}, timeouts, nullptr, failure);
}

TEST(WireSession, AttachesNegotiatesAndReadsTheServer) {
    FakeServer server;
    server.setInfo("FS1", 4, 11, 1000);
    Failure failure;
    auto session = attach(server, failure);
    ASSERT_TRUE(session) << failure.text;
    EXPECT_EQ(session->server().serverName, "FS1");
    EXPECT_EQ(session->server().maxConnections, 1000);
    EXPECT_EQ(session->bufferSize(), 4096);
    EXPECT_NE(session->connectionNumber(), 0);
    EXPECT_FALSE(session->before311());
    // Calls keep going on the same connection, in order.
    for (int i = 0; i < 300; ++i) {
        ASSERT_TRUE(session->call<ncp::call::GetFileServerInfo>({}).ok());
    }
    EXPECT_EQ(server.requests(23, 17), 301);
    EXPECT_EQ(server.connectionsAccepted(), 1);
}

TEST(WireSession, OlderServersNegotiateWithFunction33AndUseOldForms) {
    FakeServer server;
    server.setInfo("OLD", 3, 10);
    server.refuse(97, 0, ncp::completion::kUnknownRequest);
    server.on<ncp::call::NegotiateBufferSize>([](auto&, const auto& rq, auto& rp) {
        rp.bufferSize = std::min<std::uint16_t>(rq.bufferSize, 512);
        return ncp::completion::kOk;
    });
    Failure failure;
    auto session = attach(server, failure);
    ASSERT_TRUE(session) << failure.text;
    EXPECT_EQ(session->bufferSize(), 512);
    EXPECT_TRUE(session->before311());
    EXPECT_FALSE(session->knows<ncp::call::GetBigPacketSize>());
}

TEST(WireSession, BusyRepliesAreWaitedOut) {
    FakeServer server;
    Failure failure;
    auto session = attach(server, failure);
    ASSERT_TRUE(session);
    server.busyReplies(5);
    EXPECT_TRUE(session->call<ncp::call::GetFileServerInfo>({}).ok());
    EXPECT_TRUE(session->usable());
}

TEST(WireSession, AServerThatStopsAnsweringTimesOut) {
    FakeServer server;
    Failure failure;
    auto session = attach(server, failure);
    ASSERT_TRUE(session);
    server.fault(FakeServer::Fault::Silence);
    const auto start = std::chrono::steady_clock::now();
    const auto out = session->call<ncp::call::GetLoginStatus>({});
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(out.code, NWE_REPLY_TIMEOUT);
    EXPECT_GE(took, 290ms);
    EXPECT_LT(took, 3s);
    EXPECT_FALSE(session->usable());
    EXPECT_EQ(session->failure().text,
              "FS1 (127.0.0.1:" + std::to_string(server.port()) + "): no reply within 300 ms");
    // Finished for good: no further request leaves.
    EXPECT_EQ(session->call<ncp::call::GetLoginStatus>({}).code, NWE_REPLY_TIMEOUT);
    EXPECT_EQ(server.requests(23, 205), 1);
}

TEST(WireSession, EachBrokenReplyEndsTheSessionWithItsCode) {
    struct Case {
        FakeServer::Fault fault;
        NWCCODE code;
        const char* text;
        bool cleared;
    };
    const Case cases[] = {
        {FakeServer::Fault::Garbage, NWE_BAD_REPLY, "something that is not NCP", false},
        {FakeServer::Fault::Close, NWE_CONNECTION_LOST, "closed the connection", false},
        {FakeServer::Fault::WrongSequence, NWE_BAD_REPLY, "a reply to another request", false},
        {FakeServer::Fault::BadData, NWE_BAD_REPLY, "does not decode", false},
        {FakeServer::Fault::ServerDown, NWE_CONNECTION_LOST, "going down", false},
        {FakeServer::Fault::Cleared, INVALID_CONNECTION, "cleared this connection", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        FakeServer server;
        Failure failure;
        auto session = attach(server, failure);
        ASSERT_TRUE(session);
        server.fault(c.fault, 23, 17);
        EXPECT_EQ(session->call<ncp::call::GetFileServerInfo>({}).code, c.code);
        EXPECT_FALSE(session->usable());
        EXPECT_EQ(session->cleared(), c.cleared);
        EXPECT_NE(session->failure().text.find(c.text), std::string::npos)
            << session->failure().text;
    }
}

TEST(WireSession, ServerErrorsAreCompletionCodesAndKeepTheSession) {
    FakeServer server;
    server.refuse(23, 200, 0xC6);
    Failure failure;
    auto session = attach(server, failure);
    ASSERT_TRUE(session);
    EXPECT_EQ(session->call<ncp::call::CheckConsolePrivileges>({}).code, NO_CONSOLE_PRIVILEGES);
    EXPECT_TRUE(session->usable());
    // An unknown call is remembered, so that callers take the older form from then on.
    EXPECT_EQ(session->call<ncp::call::ConnectionsUsingFile>({}).code, INVALID_PARAMETERS);
    EXPECT_FALSE(session->knows<ncp::call::ConnectionsUsingFile>());
    EXPECT_TRUE(session->knows<ncp::call::CheckConsolePrivileges>());
}

TEST(WireSession, ConnectingFailsClearly) {
    int port = 0;
    {
        FakeServer gone;
        port = gone.port();
    }
    Failure failure;
    auto session = Session::attach("FS9", {"127.0.0.1", static_cast<std::uint16_t>(port)}, quick(),
                                   nullptr, failure);
    EXPECT_FALSE(session);
    EXPECT_EQ(failure.code, NWE_CONNECT_FAILED);
    EXPECT_NE(failure.text.find("FS9 (127.0.0.1:"), std::string::npos) << failure.text;

    session = Session::attach("FS9", {"no-such-host.invalid", 524}, quick(), nullptr, failure);
    EXPECT_FALSE(session);
    EXPECT_EQ(failure.code, NWE_CONNECT_FAILED);
    EXPECT_NE(failure.text.find("cannot resolve"), std::string::npos) << failure.text;
}

TEST(WireSession, AServerThatAcceptsButNeverAnswersTheCreateTimesOut) {
    FakeServer server;
    server.fault(FakeServer::Fault::Silence, 0, 0, 1);
    Failure failure;
    Timeouts t = quick();
    auto session = attach(server, failure, t);
    // The 0x1111 is a request too; silence there is the reply timeout.
    EXPECT_FALSE(session);
    EXPECT_EQ(failure.code, NWE_REPLY_TIMEOUT);
}

}  // namespace
}  // namespace nw::wire
