#include <gtest/gtest.h>

#include <string>

#include "netclient/sim/simclient.h"
#include "netclient/testing/testnet.h"

namespace {

using namespace nw;

struct BadFile {
    const char* json;
    const char* message;  // what the error must say after "net.json: "
};

// A minimal sound network with one change applied at $: the servers array is replaced.
std::string withServers(const std::string& servers, const std::string& workstation = "{}") {
    return R"({"workstation": )" + workstation + R"(, "servers": )" + servers + "}";
}

std::string loadError(const std::string& json) {
    testnet::ScratchFolder folder({"volumes/FS1/SYS/DIR/a.txt", "volumes/FS1/DATA/"});
    try {
        sim::SimClient::fromText(json, folder.path(), "net.json");
    } catch (const sim::LoadError& error) {
        return error.what();
    }
    return "(loaded)";
}

class LoaderErrors : public ::testing::TestWithParam<BadFile> {};

TEST_P(LoaderErrors, NameTheFileThePathAndTheExpectation) {
    std::string message = loadError(GetParam().json);
    EXPECT_EQ(message.rfind("net.json: ", 0), 0u) << message;
    EXPECT_NE(message.find(GetParam().message), std::string::npos) << message;
}

const std::string kVolume = R"({"name": "FS1", "volumes": [{"name": "SYS"}]})";
const std::string kServer = "[" + kVolume + "]";
const std::string kConnected = R"({"connections": [{"server": "FS1", "station": 1}]})";
std::string station(const std::string& fields) {
    return R"([{"name": "FS1", "volumes": [{"name": "SYS"}], "connections": [{"number": 5, )" +
           fields + "}]}]";
}

const std::string kCases[][2] = {
    {"{", "not valid JSON: parse error at line 1"},
    {"[]", "top level: expected an object, got an array"},
    {R"({"workstation": {}})", "servers: missing; expected an array"},
    {R"({"workstation": {}, "servers": [], "extra": 1})", "extra: unknown key (expected one of"},
    {R"({"workstation": {}, "servers": [], "servers": []})", "servers: duplicate key"},
    {withServers("[{}]"), "servers[0].name: missing; expected a server name"},
    {withServers(R"([{"name": "FS.1"}])"), "servers[0].name: expected a server name"},
    {withServers(R"([{"name": "FS1"}, {"name": "fs1"}])"),
     "servers[1].name: expected a server name not used"},
    {withServers(R"([{"name": "FS1", "version": [4, 11]}])"),
     "servers[0].version: expected an array of 3"},
    {withServers(R"([{"name": "FS1", "maxConnections": 70000}])"),
     "servers[0].maxConnections: expected an integer from 1 to 65535, got 70000"},
    {withServers(R"([{"name": "FS1", "loginEnabled": "yes"}])"),
     "servers[0].loginEnabled: expected true or false, got \"yes\""},
    {withServers(R"([{"name": "FS1", "users": ["A", "a"]}])"),
     "servers[0].users[1]: expected a user name not listed twice"},
    {withServers(R"([{"name": "FS1", "users": [{"name": "A", "id": 1.5}]}])"),
     "servers[0].users[0].id: expected an integer"},
    {withServers(R"([{"name": "FS1", "volumes": [{"name": "NOPE"}]}])"),
     "servers[0].volumes[0].folder: missing; expected a folder for the volume"},
    {withServers(R"([{"name": "FS1", "volumes": [{"name": "SYS", "folder": "x"}]}])"),
     "servers[0].volumes[0].folder: expected an existing folder"},
    {withServers(R"([{"name": "FS1", "volumes": [{"name": "SYS", "nameSpaces": [4]}]}])"),
     "servers[0].volumes[0].nameSpaces: expected name spaces that include 0"},
    {withServers(R"([{"name": "FS1", "volumes": [{"name": "SYS", "nameSpaces": [0, 5]}]}])"),
     "servers[0].volumes[0].nameSpaces[1]: expected an integer from 0 to 4, got 5"},
    {withServers(
         R"([{"name": "FS1", "volumes": [{"name": "SYS"}, {"name": "DATA", "number": 0}]}])"),
     "servers[0].volumes[1].number: expected a volume number not used twice"},
    {withServers(
         R"([{"name": "FS1", "volumes": [{"name": "SYS", "blocks": {"total": 10, "free": 11}}]}])"),
     "servers[0].volumes[0].blocks.free: expected an integer from 0 to 10"},
    {withServers(
         R"([{"name": "FS1", "volumes": [{"name": "SYS", "blocks": {"sectorsPerBlock": 3}}]}])"),
     "blocks.sectorsPerBlock: expected a power of 2"},
    {withServers(station(R"("openFiles": [{"path": "SYS:DIR\\b.txt"}])")),
     "servers[0].connections[0].openFiles[0].path: expected the path of a file"},
    {withServers(station(R"("openFiles": [{"path": "SYS:DIR"}])")),
     "openFiles[0].path: expected the path of a file"},
    {withServers(station(
         R"("openFiles": [{"path": "SYS:DIR\\a.txt", "locks": [{"start": 9, "end": 1}]}])")),
     "openFiles[0].locks[0].end: expected an integer from 9 to 4294967295, got 1"},
    {withServers(station(R"("openFiles": [{"path": "SYS:DIR\\a.txt", "lock": []}])")),
     "openFiles[0].lock: unknown key"},
    {withServers(station(R"("loginTime": "2026-02-30T08:00:00")")),
     "connections[0].loginTime: expected a local time"},
    {withServers(
         station(R"("address": {"network": "0000C0A", "node": "00001B2C3D4E", "socket": "4003"})")),
     "address.network: expected 8 hexadecimal digits"},
    {withServers(station(R"("bytesRead": 281474976710656)")),
     "bytesRead: expected an integer from 0 to 281474976710655"},
    {withServers(station(R"("status": "busy")")),
     "connections[0].status: expected \"normal\" or \"authenticated\""},
    {withServers(station(R"("type": "user")")),
     "connections[0].type: expected no type for a station that is not logged in"},
    {withServers(station(R"("user": "X", "type": "robot")")),
     "connections[0].type: expected an object type number or one of"},
    {withServers(station(R"("user": "X", "pendingMessage": "")")),
     "pendingMessage: expected a message of 1 to 250 characters"},
    {withServers(R"([{"name": "FS1", "maxConnections": 5, "connections": [{"number": 5}]}])"),
     "connections[0].number: expected an integer from 0 to 4"},
    {withServers(R"([{"name": "FS1", "connections": [{"number": 5}, {"number": 5}]}])"),
     "connections[1].number: expected a connection number not used twice"},
    {withServers(kServer, R"({"connections": [{"server": "FS9", "station": 1}]})"),
     "workstation.connections[0].server: expected the name of a server in servers, got \"FS9\""},
    {withServers(kServer, R"({"connections": [{"server": "FS1"}]})"),
     "workstation.connections[0].station: missing"},
    {withServers(
         kServer,
         R"({"connections": [{"server": "FS1", "station": 1, "ref": 2}, {"server": "FS1", "station": 2}]})"),
     "workstation.connections[1].ref: missing; expected a ref: the default 2 is used"},
    {withServers(
         kServer,
         R"({"connections": [{"server": "FS1", "station": 1}, {"server": "FS1", "station": 1}]})"),
     "workstation.connections[1].station: expected a station not used by another connection"},
    {withServers(station(R"("user": "JOE")"),
                 R"({"connections": [{"server": "FS1", "station": 5, "user": "ANN"}]})"),
     "workstation.connections[0].user: expected the object that the server's connection table "
     "shows on station 5 (\"JOE\")"},
    {withServers(
         kServer,
         R"({"connections": [{"server": "FS1", "station": 1, "directoryAuthenticated": true}]})"),
     "directoryAuthenticated: expected false for a server that belongs to no tree"},
    {withServers(
         kServer,
         R"({"drives": [{"letter": "C", "target": "\\\\FS1\\SYS"}], "connections": [{"server": "FS1", "station": 1}]})"),
     "workstation.drives[0].letter: expected a letter other than C"},
    {withServers(kServer, R"({"drives": [{"letter": "f", "target": "\\\\FS1\\SYS"}]})"),
     "workstation.drives[0].letter: expected one letter A to Z"},
    {withServers(kServer, R"({"drives": [{"letter": "F", "target": "\\\\FS1\\SYS"}]})"),
     "workstation.drives[0].target: expected"},
    {withServers(
         kServer,
         R"({"drives": [{"letter": "F", "target": "\\\\FS1\\SYS\\DIR\\a.txt"}], "connections": [{"server": "FS1", "station": 1}]})"),
     "workstation.drives[0].target: expected"},
    {withServers(kServer, R"({"codePage": "KLINGON"})"),
     "workstation.codePage: expected an 8-bit code page that iconv knows"},
    {withServers(R"([{"name": "FS1", "users": ["\u4e2d"]}])"),
     "servers[0].users[0]: expected an object name of 1 to 47 characters whose characters exist in "
     "the workstation code page (WINDOWS-1252)"},
    {withServers(R"([{"name": "FS1", "tree": "T", "directoryName": "FS1.O"}])"),
     "servers[0].tree: expected the name of a tree in trees"},
    {R"({"workstation": {}, "servers": [{"name": "FS1", "tree": "T"}], "trees": [{"name": "T"}]})",
     "servers[0].directoryName: missing"},
    {R"({"workstation": {}, "servers": [], "trees": [{"name": "T", "objects": [{"name": "A.O", "class": "Printer"}]}]})",
     "trees[0].objects[0].class: expected one of"},
    {R"({"workstation": {}, "servers": [], "trees": [{"name": "T", "objects": [{"name": "A..O", "class": "User"}]}]})",
     "trees[0].objects[0].name: expected a dotted name"},
    {R"({"workstation": {}, "servers": [], "trees": [{"name": "T", "objects": [{"name": "A.O", "class": "User"}, {"name": "a.o", "class": "User"}]}]})",
     "trees[0].objects[1].name: expected an object name not listed twice in the tree"},
    {R"({"workstation": {}, "servers": [], "trees": [{"name": "T", "objects": [{"name": ")" +
         std::string(128, 'A') + "." + std::string(128, 'B') + R"(", "class": "User"}]}]})",
     "trees[0].objects[0].name: expected a dotted name of at most 256 characters"},
};

std::vector<BadFile> cases() {
    std::vector<BadFile> out;
    for (const auto& c : kCases)
        out.push_back({c[0].c_str(), c[1].c_str()});
    return out;
}

INSTANTIATE_TEST_SUITE_P(EveryKindOfMistake, LoaderErrors, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(Loader, DefaultsFillWhatTheFileLeavesOut) {
    testnet::TestNetwork net(
        withServers(R"([{"name": "fs1", "volumes": [{"name": "sys"}],
                         "connections": [{"number": 3, "user": "ann"}]}])",
                    R"({"connections": [{"server": "FS1", "station": 1, "user": "Bob"}],
                        "drives": [{"letter": "F", "target": "\\\\Fs1\\Sys\\dir"}]})"),
        {"volumes/FS1/SYS/DIR/"});
    sim::SimClient& client = net.client();
    NWCONN_HANDLE h = net.open(1);
    char server[49];
    nuint8 major = 0, minor = 0, rev = 0, sft = 0, tts = 0;
    nuint16 maxConns = 0, used = 0, inUse = 0, volumes = 0;
    ASSERT_EQ(client.NWGetFileServerInformation(h, server, &major, &minor, &rev, &maxConns, &used,
                                                &inUse, &volumes, &sft, &tts),
              0);
    EXPECT_STREQ(server, "FS1");
    EXPECT_EQ(major, 4);
    EXPECT_EQ(minor, 11);
    EXPECT_EQ(maxConns, 250);
    EXPECT_EQ(sft, 2);
    EXPECT_EQ(tts, 1);
    EXPECT_EQ(inUse, 2);
    char name[255];
    nuint16 type = 0;
    nuint32 id = 0;
    ASSERT_EQ(client.NWGetConnectionInformation(h, 1, name, &type, &id, nullptr), 0);
    EXPECT_STREQ(name, "BOB");  // added to the server's users, upper case as NetWare keeps them
    EXPECT_NE(id, 0u);
    std::string target, folder;
    ASSERT_EQ(client.GetDriveMapping(6, target, folder), 0);
    EXPECT_EQ(target, "\\\\FS1\\SYS\\DIR");
    std::string codePage;
    client.GetWorkstationCodePage(codePage);
    EXPECT_EQ(codePage, "WINDOWS-1252");
    client.NWCCCloseConn(h);
}

TEST(Loader, ReadsFilesAndReportsUnreadableOnes) {
    testnet::ScratchFolder folder({"volumes/FS1/SYS/"});
    auto file = folder.write("net.json", withServers(kServer, kConnected));
    EXPECT_NO_THROW(sim::SimClient::load(file));
    try {
        sim::SimClient::load(folder.path() / "missing.json");
        FAIL() << "loaded a missing file";
    } catch (const sim::LoadError& error) {
        EXPECT_NE(std::string(error.what()).find("missing.json: cannot be read"),
                  std::string::npos);
    }
}

}  // namespace
