// Servers and actions over the wire: server information, the login switch and console rights,
// clearing stations, broadcast messages, and several clients on one model at once.
#include <atomic>
#include <latch>
#include <set>
#include <thread>

#include "servednetwork.h"
#include "testnetwork.h"

namespace nw::nwsimd::testing {
namespace {

using namespace ncp;

class WireActions : public WireTest {
protected:
    void SetUp() override { serve(kNetwork, networkFiles()); }
};

TEST_F(WireActions, ServerInformationAsTheNetworkFileHasIt) {
    auto wire = client();
    auto info = wire->call<call::GetFileServerInfo>();
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info.reply->serverName, "FS1");
    EXPECT_EQ(info.reply->osMajor, 4);
    EXPECT_EQ(info.reply->osMinor, 11);
    EXPECT_EQ(info.reply->maxConnections, 8);
    EXPECT_EQ(info.reply->connectionsInUse, 4);  // 2, 4, 6 and this session
    EXPECT_EQ(info.reply->maxVolumes, 2);
    EXPECT_EQ(info.reply->sftLevel, 2);
    EXPECT_EQ(info.reply->ttsLevel, 1);
    auto ping = wire->call<call::PingNds>();
    ASSERT_TRUE(ping.ok());
    EXPECT_EQ(ping.reply->treeName, call::padTreeName("ACMETREE"));
    auto context = wire->call<call::ReturnBinderyContext>();
    ASSERT_TRUE(context.ok());
    EXPECT_EQ(context.reply->context, "SALES.ACME");
    auto addresses = wire->call<call::EnumerateServiceAddresses>({0});
    ASSERT_TRUE(addresses.ok());
    ASSERT_EQ(addresses.reply->addresses.size(), 1u);
    EXPECT_EQ(addresses.reply->addresses[0], call::tcpServiceAddress(kLoopbackAddress, port()));
}

TEST_F(WireActions, ConsoleOperatorsSwitchLoginsAndEveryClientSeesIt) {
    auto admin = client("ADMIN", "secret");  // a supervisor
    auto oper = client("OPER", "op");        // listed in consoleOperators
    auto user = client("JSMITH", "jpass");
    auto anonymous = client();
    EXPECT_EQ(admin->call<call::CheckConsolePrivileges>().completion, 0);
    EXPECT_EQ(oper->call<call::CheckConsolePrivileges>().completion, 0);
    EXPECT_EQ(user->call<call::CheckConsolePrivileges>().completion, completion::kNoConsoleRights);
    EXPECT_EQ(anonymous->call<call::CheckConsolePrivileges>().completion,
              completion::kNoConsoleRights);

    EXPECT_EQ(user->call<call::DisableLogin>().completion, completion::kNoConsoleRights);
    EXPECT_EQ(admin->call<call::DisableLogin>().completion, 0);
    auto status = user->call<call::GetLoginStatus>();
    ASSERT_TRUE(status.ok());
    EXPECT_EQ(status.reply->loginsAllowed, 0);
    EXPECT_EQ(oper->call<call::EnableLogin>().completion, 0);
    status = anonymous->call<call::GetLoginStatus>();
    ASSERT_TRUE(status.ok());
    EXPECT_EQ(status.reply->loginsAllowed, 1);
}

TEST_F(WireActions, ClearingAWireStationEndsItsSession) {
    expectReports({"Bad Connection Status"});
    auto admin = client("ADMIN", "secret");
    auto user = client("JSMITH", "jpass");
    std::uint16_t cleared = user->connection();
    EXPECT_EQ(user->call<call::ClearConnection>({admin->connection()}).completion,
              completion::kNoConsoleRights);
    EXPECT_EQ(admin->call<call::ClearConnection>({cleared}).completion, 0);
    EXPECT_EQ(admin->call<call::ClearConnection>({cleared}).completion,
              completionOf(BAD_STATION_NUMBER));
    // The cleared client's next request: the "bad connection" status, then the end.
    auto answer = user->call<call::GetFileServerInfo>();
    EXPECT_EQ(answer.status, status::kBadConnection);
    EXPECT_FALSE(answer.reply.has_value());
    EXPECT_TRUE(user->closedByServer());
    // The number is free again, and a station of the file can be cleared too.
    EXPECT_EQ(client()->connection(), cleared);
    EXPECT_EQ(admin->call<call::ClearConnectionOld>({2}).completion, 0);
    EXPECT_EQ(admin->call<call::GetStationInfo>({2}).completion, completionOf(BAD_STATION_NUMBER));
}

TEST_F(WireActions, BroadcastMessagesReachOtherClients) {
    auto admin = client("ADMIN", "secret");
    auto user = client("JSMITH", "jpass");
    auto anonymous = client();
    auto sent = admin->call<call::SendBroadcast>(
        {{user->connection(), anonymous->connection(), 99, 2}, "Server going down at 18:00"});
    ASSERT_TRUE(sent.ok());
    EXPECT_EQ(sent.reply->results, (std::vector<std::uint32_t>{
                                       call::broadcast::kSent, call::broadcast::kNotLoggedIn,
                                       call::broadcast::kIllegalStation, call::broadcast::kSent}));
    // Every reply to the station carries "message pending" until it reads the message.
    auto info = user->call<call::GetFileServerInfo>();
    EXPECT_EQ(info.completion, 0);
    EXPECT_EQ(info.status, status::kMessagePending);
    auto again = admin->call<call::SendBroadcast>({{user->connection()}, "second"});
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.reply->results,
              std::vector<std::uint32_t>{call::broadcast::kAlreadyHasMessage});
    auto message = user->call<call::GetBroadcast>();
    EXPECT_EQ(message.status, 0);
    ASSERT_TRUE(message.reply.has_value());
    EXPECT_EQ(message.reply->message, "Server going down at 18:00");
    auto none = user->call<call::GetBroadcastOld>();
    ASSERT_TRUE(none.ok());
    EXPECT_EQ(none.reply->message, "");

    // An empty message, a message over the server's limit, no station: nothing is stored.
    EXPECT_EQ(admin->call<call::SendBroadcast>({{user->connection()}, ""}).completion,
              completionOf(INVALID_PARAMETERS));
    EXPECT_EQ(
        admin->call<call::SendBroadcast>({{user->connection()}, std::string(251, 'x')}).completion,
        completionOf(INVALID_PARAMETERS));
    EXPECT_EQ(admin->call<call::SendBroadcast>({{}, "x"}).completion,
              completionOf(INVALID_PARAMETERS));
    EXPECT_EQ(user->call<call::GetFileServerInfo>().status, 0);
}

TEST_F(WireActions, ManyClientsAtOnceEachSeeTheirOwnStation) {
    inModel([](sim::ServerModel& model) { model.net().servers[0]->maxConnections = 64; });
    constexpr int kClients = 40;
    std::atomic<int> failures{0};
    std::latch attached(kClients);
    std::vector<std::thread> threads;
    std::vector<std::uint16_t> numbers(kClients);
    for (int i = 0; i < kClients; ++i) {
        threads.emplace_back([&, i] {
            WireClient wire(port());
            auto number = wire.attach();
            bool in = number && wire.login("JSMITH", "jpass") == 0;
            attached.arrive_and_wait();  // every station is taken before any is given back
            if (!in) {
                ++failures;
                return;
            }
            numbers[i] = *number;
            for (int n = 0; n < 25; ++n) {
                auto info = wire.call<call::GetStationInfo>({*number});
                if (!info.ok() || info.reply->objectName != "JSMITH")
                    ++failures;
            }
            if (wire.destroy() != 0)
                ++failures;
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(std::set<std::uint16_t>(numbers.begin(), numbers.end()).size(),
              static_cast<std::size_t>(kClients));
}

}  // namespace
}  // namespace nw::nwsimd::testing
