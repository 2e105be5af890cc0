// The network file's keys for serving a network over NCP: servers[].listen,
// servers[].consoleOperators and users with password or passwordHash. Loading them in-process
// changes nothing the in-process client shows; the NCP server's tests log in with them.
#include <gtest/gtest.h>

#include <string>

#include "netclient/sim/simclient.h"
#include "netclient/testing/testnet.h"

namespace {

using namespace nw;

std::string loadError(const std::string& json) {
    testnet::ScratchFolder folder({"volumes/FS1/SYS/", "volumes/FS2/SYS/"});
    try {
        sim::SimClient::fromText(json, folder.path(), "net.json");
    } catch (const sim::LoadError& error) {
        return error.what();
    }
    return "(loaded)";
}

std::string withServer(const std::string& fields) {
    return R"({"workstation": {}, "servers": [{"name": "FS1", "volumes": [{"name": "SYS"}], )" +
           fields + "}]}";
}

struct BadKey {
    std::string json;
    const char* message;
};

class ServerKeyErrors : public ::testing::TestWithParam<BadKey> {};

TEST_P(ServerKeyErrors, NameThePathAndTheExpectation) {
    std::string message = loadError(GetParam().json);
    EXPECT_EQ(message.rfind("net.json: ", 0), 0u) << message;
    EXPECT_NE(message.find(GetParam().message), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(
    Listen, ServerKeyErrors,
    ::testing::Values(
        BadKey{withServer(R"("listen": "127.0.0.1")"),
               "servers[0].listen: expected \"HOST:PORT\": an IPv4 address"},
        BadKey{withServer(R"("listen": "example.org:524")"), "servers[0].listen: expected"},
        BadKey{withServer(R"("listen": "300.0.0.1:524")"), "servers[0].listen: expected"},
        BadKey{withServer(R"("listen": "127.0.0.1:65536")"), "servers[0].listen: expected"},
        BadKey{withServer(R"("listen": "127.0.0.1:-1")"), "servers[0].listen: expected"},
        BadKey{withServer(R"("listen": 524)"), "servers[0].listen: expected"},
        BadKey{R"({"workstation": {}, "servers": [
                   {"name": "FS1", "volumes": [{"name": "SYS"}], "listen": "localhost:40524"},
                   {"name": "FS2", "volumes": [{"name": "SYS"}], "listen": "127.0.0.1:40524"}]})",
               "servers[1].listen: expected \"HOST:PORT\""}));

INSTANTIATE_TEST_SUITE_P(
    Passwords, ServerKeyErrors,
    ::testing::Values(
        BadKey{withServer(R"("users": [{"name": "ANN", "password": 7}])"),
               "servers[0].users[0].password: expected a password"},
        BadKey{withServer(R"("users": [{"name": "ANN", "passwordHash": "00112233"}])"),
               "servers[0].users[0].passwordHash: expected a passwordHash only for a user with an "
               "id"},
        BadKey{
            withServer(
                R"("users": [{"name": "ANN", "id": 5, "passwordHash": "00112233445566778899aabbccddeeXX"}])"),
            "servers[0].users[0].passwordHash: expected 32 hexadecimal digits"},
        BadKey{
            withServer(
                R"("users": [{"name": "ANN", "id": 5, "password": "a", "passwordHash": "00112233445566778899aabbccddeeff"}])"),
            "servers[0].users[0].passwordHash: expected either password or passwordHash"},
        BadKey{withServer(R"("users": [{"name": "ANN", "secret": "x"}])"),
               "servers[0].users[0].secret: unknown key"},
        BadKey{withServer(R"("consoleOperators": "ANN")"),
               "servers[0].consoleOperators: expected an array"},
        BadKey{withServer(R"("consoleOperators": [""])"),
               "servers[0].consoleOperators[0]: expected an object name"}));

// A user's fixed id that the tree replaces would make a given hash useless.
TEST(ServerKeys, AHashNeedsAnIdTheTreeKeeps) {
    std::string message = loadError(R"({"workstation": {},
        "trees": [{"name": "T", "objects": [{"name": "ANN.OU", "class": "User", "id": 77}]}],
        "servers": [{"name": "FS1", "tree": "T", "directoryName": "FS1.OU",
                     "volumes": [{"name": "SYS"}],
                     "users": [{"name": "ANN", "id": 5,
                                "passwordHash": "00112233445566778899aabbccddeeff"}]}]})");
    EXPECT_NE(message.find("servers[0].users[0].passwordHash: expected a passwordHash of a user "
                           "whose id stays 5 (ANN takes the id of the tree's User object)"),
              std::string::npos)
        << message;
}

TEST(ServerKeys, LoadAndLeaveTheInProcessClientAsItWas) {
    testnet::TestNetwork net(
        R"({"workstation": {"connections": [{"server": "FS1", "user": "ANN", "station": 1}]},
            "servers": [{"name": "FS1", "volumes": [{"name": "SYS"}], "listen": "127.0.0.1:0",
                         "users": [{"name": "ANN", "password": "secret"},
                                   {"name": "BOB", "id": 5,
                                    "passwordHash": "00112233445566778899AABBCCDDEEFF"}],
                         "consoleOperators": ["ANN", "CARL"]}]})",
        {"volumes/FS1/SYS/"});
    NWCONN_HANDLE h = net.open(1);
    // In-process, console operator rights come from the workstation connection alone.
    EXPECT_EQ(net.client().NWCheckConsolePrivileges(h), NO_CONSOLE_PRIVILEGES);
    nuint32 id = 0;
    EXPECT_EQ(net.client().GetBinderyObjectID(h, "BOB", 0x0100, &id), 0);
    EXPECT_EQ(id, 5u);
    EXPECT_EQ(net.client().GetBinderyObjectID(h, "CARL", 0x0100, &id), 0);  // added
    EXPECT_EQ(net.client().NWCCCloseConn(h), 0);
}

}  // namespace
