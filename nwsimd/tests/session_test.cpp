// Sessions over the wire: stations at 0x1111 and 0x5555, buffer sizes, logins (right and wrong
// passwords, intruder detection, the login switch), logout, packet signatures, unknown calls and
// the older servers' answers to newer calls.
#include <atomic>
#include <thread>

#include "ncp/paths.h"
#include "servednetwork.h"
#include "testnetwork.h"

namespace nw::nwsimd::testing {
namespace {

using namespace ncp;

class WireSession : public WireTest {
protected:
    void SetUp() override { serve(kNetwork, networkFiles()); }

    // Waits until the server answers 23/28 for a station number with completion `expected`.
    bool stationAnswers(WireClient& asker, std::uint32_t number, std::uint8_t expected) {
        for (int i = 0; i < 200; ++i) {
            if (asker.call<call::GetStationInfo>({number}).completion == expected)
                return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
};

TEST_F(WireSession, StationsAreTheLowestFreeNumbersAndComeBackWhenSessionsEnd) {
    // The workstation's station 1 is left out of the table; 2, 4 and 6 are the file's.
    auto a = client();
    auto b = client();
    auto c = client();
    EXPECT_EQ(a->connection(), 1);
    EXPECT_EQ(b->connection(), 3);
    EXPECT_EQ(c->connection(), 5);
    auto info = a->call<call::GetFileServerInfo>();
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info.reply->connectionsInUse, 6);

    a.reset();  // closes its TCP connection without 0x5555
    EXPECT_TRUE(stationAnswers(*b, 1, completionOf(BAD_STATION_NUMBER)));
    auto d = client();
    EXPECT_EQ(d->connection(), 1);
    EXPECT_EQ(c->destroy(), 0);  // 0x5555 ends the session too
    EXPECT_TRUE(c->closedByServer());
    EXPECT_TRUE(stationAnswers(*b, 5, completionOf(BAD_STATION_NUMBER)));
    EXPECT_EQ(client()->connection(), 5);
}

TEST_F(WireSession, BufferSizesAreAgreedAndSigningOnlyWhenAsked) {
    auto wire = client();
    EXPECT_EQ(wire->negotiate(8192, false), 8192);
    auto big = wire->call<call::GetBigPacketSize>({1024, call::security::kSignature});
    ASSERT_TRUE(big.ok());
    EXPECT_EQ(big.reply->acceptedMaxSize, 1024);
    EXPECT_EQ(big.reply->securityFlag, call::security::kSignature);
    auto small = wire->call<call::NegotiateBufferSize>({100});
    ASSERT_TRUE(small.ok());
    EXPECT_EQ(small.reply->bufferSize, 512);
}

TEST_F(WireSession, RightAndWrongPasswords) {
    auto wire = client();
    EXPECT_EQ(wire->login("JSMITH", "wrong"), completionOf(sim::BAD_PASSWORD));
    auto level = wire->call<call::GetBinderyAccessLevel>();
    ASSERT_TRUE(level.ok());
    EXPECT_EQ(level.reply->objectId, 0u);

    EXPECT_EQ(wire->login("jsmith", "JPass"), 0);  // names and passwords in any case
    level = wire->call<call::GetBinderyAccessLevel>();
    ASSERT_TRUE(level.ok());
    EXPECT_NE(level.reply->objectId, 0u);
    EXPECT_EQ(level.reply->accessLevel, 0x11);

    EXPECT_EQ(wire->login("NOBODY", "x"), completionOf(NO_SUCH_OBJECT));
    // A login answer without a key, or with a key used before, logs nobody in.
    call::KeyedObjectLogin::Request replay;
    replay.objectName = "ADMIN";
    EXPECT_EQ(wire->call<call::KeyedObjectLogin>(replay).completion,
              completionOf(sim::BAD_PASSWORD));

    auto guest = client();
    EXPECT_EQ(guest->login("GUEST", ""), 0);  // no password in the file: the empty one
    auto admin = client();
    EXPECT_EQ(admin->login("ADMIN", "secret"), 0);
    level = admin->call<call::GetBinderyAccessLevel>();
    EXPECT_EQ(level.reply->accessLevel, 0x33);
}

TEST_F(WireSession, IntruderDetectionLocksTheAccountForAWhile) {
    static std::atomic<std::int64_t> seconds{0};
    inModel([](sim::ServerModel& model) {
        model.intruderDetection = {3, std::chrono::seconds(60), std::chrono::seconds(600)};
        model.clock = [] {
            return std::chrono::steady_clock::time_point(std::chrono::seconds(seconds.load()));
        };
    });
    seconds = 1000;
    auto wire = client();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(wire->login("JSMITH", "guess"), completionOf(sim::BAD_PASSWORD));
    EXPECT_EQ(wire->login("JSMITH", "jpass"), completionOf(sim::LOGIN_LOCKED));
    auto other = client();
    EXPECT_EQ(other->login("JSMITH", "jpass"), completionOf(sim::LOGIN_LOCKED));
    EXPECT_EQ(other->login("ADMIN", "secret"), 0);  // the lock holds one account only
    seconds = 1000 + 601;
    EXPECT_EQ(wire->login("JSMITH", "jpass"), 0);

    // Failures spread wider than the window do not add up.
    auto third = client();
    EXPECT_EQ(third->login("OPER", "a"), completionOf(sim::BAD_PASSWORD));
    EXPECT_EQ(third->login("OPER", "b"), completionOf(sim::BAD_PASSWORD));
    seconds += 120;
    EXPECT_EQ(third->login("OPER", "c"), completionOf(sim::BAD_PASSWORD));
    EXPECT_EQ(third->login("OPER", "op"), 0);
}

TEST_F(WireSession, LoginsDisabledRefuseUsersButNotConsoleOperators) {
    inModel([](sim::ServerModel& model) { model.net().servers[0]->loginEnabled = false; });
    auto wire = client();
    EXPECT_EQ(wire->login("JSMITH", "jpass"), completionOf(sim::LOGINS_DISABLED));
    EXPECT_EQ(wire->login("OPER", "op"), 0);
    EXPECT_EQ(client()->login("ADMIN", "secret"), 0);
}

TEST_F(WireSession, LogoutKeepsTheStationAndDropsTheRights) {
    auto wire = client("ADMIN", "secret");
    EXPECT_EQ(wire->call<call::CheckConsolePrivileges>().completion, 0);
    auto handle =
        wire->call<call::AllocShortDirHandle>({0, 0, *paths::fromVolumePath("DATA:SHARED")});
    ASSERT_TRUE(handle.ok());
    EXPECT_EQ(wire->call<call::Logout>().completion, 0);
    EXPECT_EQ(wire->call<call::CheckConsolePrivileges>().completion, completion::kNoConsoleRights);
    // The handle went with the login.
    EXPECT_EQ(wire->call<call::DeallocDirHandle>({handle.reply->dirHandle}).completion,
              completionOf(BAD_DIRECTORY_HANDLE));
    auto info = wire->call<call::GetStationInfo>({wire->connection()});
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info.reply->objectName, "NOT_LOGGED_IN");
}

TEST_F(WireSession, SignedSessionsWhenTheClientAsks) {
    WireClient wire(port());
    ASSERT_TRUE(wire.attach());
    ASSERT_EQ(wire.negotiate(4096, true), 4096);
    ASSERT_EQ(wire.login("ADMIN", "secret"), 0);
    EXPECT_TRUE(wire.signing());
    auto status = wire.call<call::GetLoginStatus>();
    ASSERT_TRUE(status.ok());
    EXPECT_EQ(status.reply->loginsAllowed, 1);
    EXPECT_TRUE(wire.call<call::GetFileServerInfo>().ok());
}

TEST_F(WireSession, UnknownCallsAnswer0xFBAndTheSessionGoesOn) {
    expectReports({"Unknown Function 23 199", "Original Request Packet not Found"});
    auto wire = client();
    RequestHeader header{.sequence = wire->nextSequence(),
                         .connection = wire->connection(),
                         .task = wire->task(),
                         .function = 23,
                         .subfunction = 199};
    ASSERT_TRUE(wire->sendMessage(encodeRequest(header, {})));
    auto reply = wire->receiveReply();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->header.completion, completion::kUnknownRequest);
    EXPECT_EQ(reply->header.status, 0);
    EXPECT_TRUE(wire->call<call::GetFileServerInfo>().ok());
}

using WireOlderServer = WireTest;

TEST_F(WireOlderServer, AnswersTheNewerFormsWith0xFBAndTheOlderOnes) {
    serve(R"({"workstation": {}, "servers": [{"name": "OLD", "version": [3, 10, 0],
                "users": [{"name": "ADMIN", "password": "a"}],
                "volumes": [{"name": "SYS"}],
                "connections": [{"number": 2, "user": "ADMIN",
                                 "openFiles": [{"path": "SYS:F.TXT"}]}]}]})",
          {"volumes/OLD/SYS/F.TXT"});
    auto wire = client("ADMIN", "a");
    EXPECT_EQ(wire->call<call::GetStationInfo>({2}).completion, completion::kUnknownRequest);
    EXPECT_EQ(wire->call<call::ConnectionOpenFiles>({2, 0}).completion,
              completion::kUnknownRequest);
    EXPECT_EQ(wire->call<call::SendBroadcast>({{2}, "hello"}).completion,
              completion::kUnknownRequest);
    EXPECT_EQ(wire->call<call::ClearConnection>({2}).completion, completion::kUnknownRequest);
    auto old = wire->call<call::GetStationInfoOld>({2});
    ASSERT_TRUE(old.ok());
    EXPECT_EQ(old.reply->objectName, "ADMIN");
    auto files = wire->call<call::ConnectionOpenFilesOld>({2, 0});
    ASSERT_TRUE(files.ok());
    ASSERT_EQ(files.reply->files.size(), 1u);
    EXPECT_EQ(files.reply->files[0].name, "F.TXT");
    auto sent = wire->call<call::SendBroadcastOld>({{2}, "hello"});
    ASSERT_TRUE(sent.ok());
    EXPECT_EQ(sent.reply->results, std::vector<std::uint8_t>{0});
    EXPECT_EQ(wire->call<call::ClearConnectionOld>({2}).completion, 0);
}

}  // namespace
}  // namespace nw::nwsimd::testing

namespace nw::nwsimd::testing {
namespace {

using WirePasswords = WireTest;

// The bindery keeps only the hash; a hash given in the file (a published vector: object id
// 0x05000026, password HELLO123) logs its user in with the password it was made from.
TEST_F(WirePasswords, AGivenHashLogsInWithItsPassword) {
    serve(R"({"workstation": {}, "servers": [{"name": "FS1", "volumes": [{"name": "SYS"}],
              "users": [{"name": "ANN", "id": 83886118,
                         "passwordHash": "a3c2a166476a774d52edba3dd1974b56"}]}]})",
          {"volumes/FS1/SYS/"});
    auto wire = client();
    EXPECT_EQ(wire->login("ANN", "hello123"), 0);
    EXPECT_EQ(client()->login("ANN", "HELLO12"), completionOf(sim::BAD_PASSWORD));
}

}  // namespace
}  // namespace nw::nwsimd::testing

namespace nw::nwsimd::testing {
namespace {

using WireSigning = WireTest;

TEST_F(WireSigning, LevelZeroNeverSignsLevelThreeRefusesUnsignedLogins) {
    ServerOptions never;
    never.signingLevel = 0;
    serve(kNetwork, networkFiles(), never);
    WireClient wire(port());
    ASSERT_TRUE(wire.attach());
    auto big = wire.call<call::GetBigPacketSize>({4096, call::security::kSignature});
    ASSERT_TRUE(big.ok());
    EXPECT_EQ(big.reply->securityFlag, 0);
    EXPECT_EQ(wire.login("ADMIN", "secret"), 0);
    EXPECT_FALSE(wire.signing());
    EXPECT_TRUE(wire.call<call::GetLoginStatus>().ok());
}

TEST_F(WireSigning, LevelThreeRefusesTheLoginOfAClientThatDoesNotSign) {
    ServerOptions always;
    always.signingLevel = 3;
    serve(kNetwork, networkFiles(), always);
    auto unsigned_ = client();
    EXPECT_EQ(unsigned_->login("ADMIN", "secret"), 0xAC);
    WireClient wire(port());
    ASSERT_TRUE(wire.attach());
    ASSERT_EQ(wire.negotiate(4096, true), 4096);
    EXPECT_EQ(wire.login("ADMIN", "secret"), 0);
    EXPECT_TRUE(wire.signing());
    EXPECT_TRUE(wire.call<call::GetLoginStatus>().ok());
}

}  // namespace
}  // namespace nw::nwsimd::testing
