// The wire client's connections: one session per reference shared by its handles, bindery
// login from a password file or a person, the rules for wrong passwords, reconnecting at most
// once a minute after a transport failure, and cleared connections.
#include <gtest/gtest.h>

#include "wirenet.h"

namespace nw::wire {
namespace {

using namespace std::chrono_literals;
using testing::FakeServer;
using testing::ScratchDir;
using testing::TestClock;

class WireConnections : public ::testing::Test {
protected:
    WireConnections() {
        server.addUser("ADMIN", "Secret Words");
        server.addUser("JSMITH", "pw");
        server.on<ncp::call::GetLoginStatus>([](auto& s, const auto&, auto& rp) {
            rp.loginsAllowed = s.user == "ADMIN" ? 1 : 0;  // answered for the logged-in user
            return ncp::completion::kOk;
        });
    }
    std::unique_ptr<WireClient> clientWith(std::unique_ptr<PasswordSource> passwords,
                                           std::vector<std::string> users = {"ADMIN"}) {
        return std::make_unique<WireClient>(testing::workstationFor(server, users),
                                            std::move(passwords), testing::optionsWith(clock));
    }
    std::unique_ptr<PasswordSource> file(const std::string& text) {
        return std::make_unique<PasswordFile>(dir.write("passwords", text));
    }

    FakeServer server;
    ScratchDir dir;
    TestClock clock;
};

TEST_F(WireConnections, HandlesShareOneLoggedInSessionThatOutlivesThem) {
    auto client = clientWith(file("FS1 ADMIN Secret Words\n"));
    NWCONN_HANDLE a = 0, b = 0;
    ASSERT_EQ(client->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &a), SUCCESSFUL)
        << client->failureText(1);
    ASSERT_EQ(client->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &b), SUCCESSFUL);
    EXPECT_NE(a, b);
    nuint8 enabled = 0;
    EXPECT_EQ(client->NWGetFileServerLoginStatus(b, &enabled), SUCCESSFUL);
    EXPECT_EQ(enabled, 1);
    EXPECT_EQ(client->NWCCCloseConn(a), SUCCESSFUL);
    EXPECT_EQ(client->NWCCCloseConn(b), SUCCESSFUL);
    EXPECT_EQ(client->NWCCCloseConn(b), INVALID_CONNECTION);
    EXPECT_EQ(client->openHandleCount(), 0u);
    // Closing the last handle logs nobody out: the next open needs no round trip at all.
    const int before = server.totalRequests();
    ASSERT_EQ(client->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &a), SUCCESSFUL);
    EXPECT_EQ(server.totalRequests(), before);
    EXPECT_EQ(server.connectionsAccepted(), 1);
    EXPECT_EQ(server.requests(23, 24), 1);
    client->NWCCCloseConn(a);
    client.reset();  // the program's exit ends the service connection
    for (int i = 0; i < 100 && server.connectionsOpen() != 0; ++i) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(server.connectionsOpen(), 0);
}

TEST_F(WireConnections, ReferencesDrivesAndCodePageAreLocal) {
    auto client = clientWith(file(""), {"ADMIN", "JSMITH"});
    nuint32 it = 0;
    NWCONN_REF ref = 0;
    ASSERT_EQ(client->NWCCScanConnRefs(&it, &ref), SUCCESSFUL);
    EXPECT_EQ(ref, 1u);
    ASSERT_EQ(client->NWCCScanConnRefs(&it, &ref), SUCCESSFUL);
    EXPECT_EQ(ref, 2u);
    EXPECT_EQ(client->NWCCScanConnRefs(&it, &ref), NWE_NO_MORE_ENTRIES);
    char name[49] = {};
    EXPECT_EQ(client->NWCCGetConnRefInfo(2, NWCC_INFO_SERVER_NAME, sizeof name, name), SUCCESSFUL);
    EXPECT_STREQ(name, "FS1");
    EXPECT_EQ(client->NWCCGetConnRefInfo(2, NWCC_INFO_SERVER_NAME, 3, name), NWE_BUFFER_OVERFLOW);
    EXPECT_EQ(client->NWCCGetConnRefInfo(3, NWCC_INFO_SERVER_NAME, 49, name), INVALID_CONNECTION);
    std::string target, folder = "x";
    EXPECT_EQ(client->GetDriveMapping(6, target, folder), SUCCESSFUL);
    EXPECT_EQ(target, "\\\\FS1\\DATA");
    EXPECT_EQ(folder, "");  // a drive on a server has no local folder
    EXPECT_EQ(client->GetDriveMapping(7, target, folder), INVALID_DRIVE);
    std::string codePage;
    EXPECT_EQ(client->GetWorkstationCodePage(codePage), SUCCESSFUL);
    EXPECT_EQ(codePage, "WINDOWS-1252");
    EXPECT_EQ(server.totalRequests(), 0);
    EXPECT_EQ(server.connectionsAccepted(), 0);
}

TEST_F(WireConnections, AWrongPasswordFromTheFileIsNeverSentTwice) {
    const auto passwords = dir.write("passwords", "FS1 ADMIN wrong\n");
    auto client = clientWith(std::make_unique<PasswordFile>(passwords));
    NWCONN_HANDLE conn = 0;
    EXPECT_EQ(client->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &conn), WRONG_PASSWORD);
    EXPECT_NE(client->failureText(1).find("wrong password for ADMIN on FS1"), std::string::npos)
        << client->failureText(1);
    EXPECT_EQ(client->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &conn), WRONG_PASSWORD);
    clock.advance(10min);
    EXPECT_EQ(client->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &conn), WRONG_PASSWORD);
    EXPECT_EQ(server.requests(23, 24), 1);
    // A new password in the file is worth a try, at once.
    dir.write("passwords", "FS1 admin Secret Words\n");
    ASSERT_EQ(client->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &conn), SUCCESSFUL);
    EXPECT_EQ(server.requests(23, 24), 2);
    client->NWCCCloseConn(conn);
}

TEST_F(WireConnections, APersonIsAskedAgainAfterAWrongPasswordUpToThreeTimes) {
    std::vector<PasswordRequest> asked;
    std::vector<std::string> answers = {"nope", "Secret Words"};
    auto prompt = std::make_unique<PasswordPrompt>(
        [&](const PasswordRequest& request, std::string&) -> std::optional<Secret> {
            asked.push_back(request);
            Secret s;
            const std::string& text = answers[std::min(asked.size(), answers.size()) - 1];
            s.append(text.data(), text.size());
            return s;
        });
    auto client = clientWith(std::move(prompt));
    NWCONN_HANDLE conn = 0;
    ASSERT_EQ(client->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &conn), SUCCESSFUL);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_FALSE(asked[0].again);
    EXPECT_TRUE(asked[1].again);
    EXPECT_EQ(asked[1].refusal, "Wrong password.");
    EXPECT_EQ(asked[1].server, "FS1");
    EXPECT_EQ(asked[1].user, "ADMIN");
    client->NWCCCloseConn(conn);

    // Wrong three times: the person is not asked again in this run.
    answers = {"a", "b", "c"};
    asked.clear();
    auto second = clientWith(std::make_unique<PasswordPrompt>(
        [&](const PasswordRequest& request, std::string&) -> std::optional<Secret> {
            asked.push_back(request);
            Secret s;
            s.push(static_cast<char>('a' + asked.size()));
            return s;
        }));
    EXPECT_EQ(second->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &conn), WRONG_PASSWORD);
    EXPECT_EQ(asked.size(), 3u);
    // Nor does the server hear of it again; the refusal and its reason stand.
    const int accepted = server.connectionsAccepted();
    EXPECT_EQ(second->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &conn), WRONG_PASSWORD);
    EXPECT_EQ(asked.size(), 3u);
    EXPECT_EQ(server.connectionsAccepted(), accepted);
    EXPECT_NE(second->failureText(1).find("wrong password for ADMIN on FS1, three times"),
              std::string::npos)
        << second->failureText(1);
}

TEST_F(WireConnections, WithoutAPasswordNothingIsSent) {
    auto client = clientWith(file("# nothing for ADMIN\nFS1 JSMITH pw\n"));
    NWCONN_HANDLE conn = 0;
    EXPECT_EQ(client->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &conn), NWE_NO_PASSWORD);
    EXPECT_NE(client->failureText(1).find("no password for ADMIN on FS1"), std::string::npos)
        << client->failureText(1);
    EXPECT_EQ(server.requests(23, 24), 0);
}

TEST_F(WireConnections, APasswordFileOthersCanReadIsRefused) {
    auto client = clientWith(
        std::make_unique<PasswordFile>(dir.write("passwords", "FS1 ADMIN Secret Words\n", 0644)));
    NWCONN_HANDLE conn = 0;
    EXPECT_EQ(client->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &conn), NWE_NO_PASSWORD);
    EXPECT_NE(client->failureText(1).find("may be read by others (mode 0644)"), std::string::npos)
        << client->failureText(1);
    EXPECT_EQ(server.requests(23, 24), 0);
}

TEST_F(WireConnections, AfterATransportFailureTheReferenceIsTriedAtMostOnceAMinute) {
    int asked = 0;
    auto client = clientWith(std::make_unique<PasswordPrompt>(
        [&](const PasswordRequest&, std::string&) -> std::optional<Secret> {
            ++asked;
            Secret s;
            s.append("Secret Words", 12);
            return s;
        }));
    NWCONN_HANDLE conn = 0;
    ASSERT_EQ(client->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &conn), SUCCESSFUL);
    server.fault(FakeServer::Fault::Close, 23, 205);
    nuint8 enabled = 0;
    EXPECT_EQ(client->NWGetFileServerLoginStatus(conn, &enabled), NWE_CONNECTION_LOST);
    // The handle of the lost session keeps answering the loss until it is closed.
    EXPECT_EQ(client->NWGetFileServerLoginStatus(conn, &enabled), NWE_CONNECTION_LOST);
    EXPECT_EQ(client->NWCCCloseConn(conn), SUCCESSFUL);
    NWCONN_HANDLE again = 0;
    EXPECT_EQ(client->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &again), NWE_CONNECTION_LOST);
    clock.advance(59s);
    EXPECT_EQ(client->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &again), NWE_CONNECTION_LOST);
    EXPECT_EQ(server.connectionsAccepted(), 1);
    clock.advance(1s);
    ASSERT_EQ(client->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &again), SUCCESSFUL);
    EXPECT_EQ(server.connectionsAccepted(), 2);
    EXPECT_EQ(asked, 1);  // the kept hash logged in again
    EXPECT_EQ(client->NWGetFileServerLoginStatus(again, &enabled), SUCCESSFUL);
    client->NWCCCloseConn(again);

    // A server that cannot be reached at all: tried once, then not before a minute is up.
    server.stop();
    auto lonely = clientWith(file("FS1 ADMIN Secret Words\n"));
    EXPECT_EQ(lonely->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &conn), NWE_CONNECT_FAILED);
    EXPECT_NE(lonely->failureText(1).find("FS1 (127.0.0.1:"), std::string::npos);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(lonely->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &conn), NWE_CONNECT_FAILED);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 50ms);
}

TEST_F(WireConnections, AClearedConnectionIsNoLongerScannedOrOpened) {
    auto client = clientWith(file("FS1 ADMIN Secret Words\nFS1 JSMITH pw\n"), {"ADMIN", "JSMITH"});
    NWCONN_HANDLE conn = 0;
    ASSERT_EQ(client->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &conn), SUCCESSFUL);
    server.fault(FakeServer::Fault::Cleared, 23, 205);
    nuint8 enabled = 0;
    EXPECT_EQ(client->NWGetFileServerLoginStatus(conn, &enabled), INVALID_CONNECTION);
    EXPECT_EQ(client->NWCheckConsolePrivileges(conn), INVALID_CONNECTION);
    nuint32 it = 0;
    NWCONN_REF ref = 0;
    ASSERT_EQ(client->NWCCScanConnRefs(&it, &ref), SUCCESSFUL);
    EXPECT_EQ(ref, 2u);
    EXPECT_EQ(client->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &conn), INVALID_CONNECTION);
    EXPECT_EQ(client->NWCCCloseConn(conn), SUCCESSFUL);
    // The drive still has the second connection to its server.
    std::string target, folder;
    EXPECT_EQ(client->GetDriveMapping(6, target, folder), SUCCESSFUL);
}

TEST_F(WireConnections, ClearingItsOwnConnectionEndsIt) {
    auto client = clientWith(file("FS1 ADMIN Secret Words\n"));
    server.on<ncp::call::ClearConnection>(
        [](auto&, const auto&, auto&) { return ncp::completion::kOk; });
    NWCONN_HANDLE conn = 0;
    ASSERT_EQ(client->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &conn), SUCCESSFUL);
    const nuint16 own = client->ownConnectionNumber(1);
    ASSERT_NE(own, 0);
    EXPECT_EQ(client->NWClearConnectionNumber(conn, own), SUCCESSFUL);
    EXPECT_EQ(client->NWCheckConsolePrivileges(conn), INVALID_CONNECTION);
    nuint32 it = 0;
    NWCONN_REF ref = 0;
    EXPECT_EQ(client->NWCCScanConnRefs(&it, &ref), NWE_NO_MORE_ENTRIES);
    std::string target, folder;
    EXPECT_EQ(client->GetDriveMapping(6, target, folder), INVALID_DRIVE);
    EXPECT_EQ(client->NWCCCloseConn(conn), SUCCESSFUL);
}

TEST_F(WireConnections, VolumeOperationsAServerDoesNotKnowAnswerItsCode) {
    constexpr NWCCODE kUnknownCall = 0x8900 | ncp::completion::kUnknownRequest;
    auto client = clientWith(file("FS1 ADMIN Secret Words\n"));
    NWCONN_HANDLE conn = 0;
    ASSERT_EQ(client->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &conn), SUCCESSFUL);
    NW_ENTRY_INFO info;
    EXPECT_EQ(client->GetEntryInfo(conn, NW_NS_LONG, SA_ALL, "DATA:", &info), kUnknownCall);
    EXPECT_EQ(client->EraseFile(conn, NW_NS_LONG, SA_ALL, "DATA:X"), kUnknownCall);
    EXPECT_EQ(client->openHandleCount(), 1u);
    client->NWCCCloseConn(conn);
}

}  // namespace
}  // namespace nw::wire
