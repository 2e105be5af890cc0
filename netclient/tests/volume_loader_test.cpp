// The network file's keys for volume data: what they load and the errors for bad values.
#include <gtest/gtest.h>

#include <string>

#include "netclient/sim/simclient.h"
#include "netclient/testing/testnet.h"

namespace {

using namespace nw;

std::string loadError(const std::string& json) {
    testnet::ScratchFolder folder({"volumes/FS1/SYS/DIR/a.txt", "volumes/FS1/SYS/EMPTY/"});
    try {
        sim::SimClient::fromText(json, folder.path(), "net.json");
    } catch (const sim::LoadError& error) {
        return error.what();
    }
    return "(loaded)";
}

// A network whose volume SYS has the given keys (and FS1 the given server keys).
std::string withVolume(const std::string& volumeKeys, const std::string& serverKeys = "") {
    return R"({"workstation": {}, "servers": [{"name": "FS1", "users": ["ADMIN", "JSMITH"], )" +
           serverKeys + R"("volumes": [{"name": "SYS", )" + volumeKeys +
           R"(}]}], "trees": [{"name": "T", "objects": [{"name": "JSMITH.OU.O", "class": "User",
           "id": 99}, {"name": "V.OU.O", "class": "Volume"}]}]})";
}

struct BadFile {
    std::string json;
    const char* message;
};

class VolumeDataErrors : public ::testing::TestWithParam<BadFile> {};

TEST_P(VolumeDataErrors, NameTheFileThePathAndTheExpectation) {
    std::string message = loadError(GetParam().json);
    EXPECT_EQ(message.rfind("net.json: ", 0), 0u) << message;
    EXPECT_NE(message.find(GetParam().message), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(
    Keys, VolumeDataErrors,
    ::testing::Values(
        BadFile{withVolume(R"("entries": [{"path": "DIR", "color": 1}])"),
                "entries[0].color: unknown key (expected one of: path, attributes"},
        BadFile{withVolume(R"("entries": [{}])"), "entries[0].path: missing; expected the path"},
        BadFile{withVolume(R"("entries": [{"path": "NOPE"}])"),
                "entries[0].path: expected the path of an entry of the volume"},
        BadFile{withVolume(R"("entries": [{"path": "DIR"}, {"path": "dir"}])"),
                "entries[1].path: expected a path not listed twice"},
        BadFile{withVolume(R"("entries": [{"path": "DIR", "attributes": ["Shiny"]}])"),
                "entries[0].attributes[0]: expected one of \"ReadOnly\", \"Hidden\""},
        BadFile{withVolume(R"("entries": [{"path": "DIR", "attributes": ["Hidden", "Hidden"]}])"),
                "attributes[1]: expected an attribute not listed twice"},
        BadFile{withVolume(R"("entries": [{"path": "DIR", "inheritedRights": "RX"}])"),
                "entries[0].inheritedRights: expected rights as letters of SRWCEMFA"},
        BadFile{withVolume(R"("entries": [{"path": "DIR", "inheritedRights": "RR"}])"),
                "inheritedRights: expected rights as letters"},
        BadFile{withVolume(R"("entries": [{"path": "DIR", "owner": "X.Y"}])"),
                "entries[0].owner: expected a User or container of the server's tree"},
        BadFile{withVolume(R"("entries": [{"path": "DIR", "owner": "V.OU.O"}])",
                           R"("tree": "T", "directoryName": "FS1.OU.O", )"),
                "entries[0].owner: expected a User or container of the server's tree"},
        BadFile{withVolume(R"("entries": [{"path": "DIR", "created": "2026-13-01T00:00:00"}])"),
                "entries[0].created: expected a local time"},
        BadFile{withVolume(
                    R"("entries": [{"path": "DIR", "trustees": [{"object": "ADMIN", "rights": "R"},
                    {"object": "admin", "rights": "F"}]}])"),
                "trustees[1].object: expected an object not listed twice among the trustees"},
        BadFile{withVolume(R"("entries": [{"path": "DIR", "trustees": [{"object": "ADMIN"}]}])"),
                "trustees[0].rights: missing; expected rights"},
        BadFile{withVolume(R"("entries": [{"path": "DIR\\a.txt", "spaceLimit": 8}])"),
                "entries[0].spaceLimit: expected no spaceLimit: only directories below the root"},
        BadFile{withVolume(R"("entries": [{"path": "", "spaceLimit": 8}])"),
                "entries[0].spaceLimit: expected no spaceLimit"},
        BadFile{withVolume(R"("entries": [{"path": "DIR", "spaceLimit": 10}])"),
                "entries[0].spaceLimit: expected a number of KB that is a multiple of 4"},
        BadFile{withVolume(R"("userRestrictions": [{"user": "ADMIN", "limit": 4},
                               {"user": "Admin", "limit": 8}])"),
                "userRestrictions[1].user: expected a user not restricted twice"},
        BadFile{withVolume(R"("userRestrictions": [{"user": "ADMIN", "limit": -4}])"),
                "userRestrictions[0].limit: expected an integer from 0 to"},
        BadFile{withVolume(R"("userRestrictions": [{"user": "ADMIN"}])"),
                "userRestrictions[0].limit: missing"},
        BadFile{withVolume(R"("deletedFiles": [{"directory": "DIR\\a.txt", "name": "x"}])"),
                "deletedFiles[0].directory: expected the path of a directory"},
        BadFile{withVolume(R"("deletedFiles": [{"directory": "", "name": "a:b"}])"),
                "deletedFiles[0].name: expected a file name without"},
        BadFile{withVolume(R"("deletedFiles": [{"directory": "", "name": "x", "size": 3}])"),
                "deletedFiles[0].size: unknown key"},
        BadFile{withVolume(R"("deletedFiles": [{"directory": "", "name": "x", "deleted": "now"}])"),
                "deletedFiles[0].deleted: expected a local time"},
        BadFile{withVolume(R"("removable": false)", R"("supervisors": "ADMIN", )"),
                "servers[0].supervisors: expected an array of user names"},
        BadFile{withVolume(R"("removable": false)", R"("supervisors": ["A.B"], )"),
                "servers[0].supervisors[0]: expected a user name of 1 to 47 characters without"},
        BadFile{R"({"workstation": {}, "state": 7, "servers": []})",
                "state: expected a folder path, got 7"}));

TEST(VolumeData, BinderyUsersShareTheIdsOfTheirTreeObjects) {
    std::string message = loadError(R"({"workstation": {}, "servers": [{"name": "FS1",
        "tree": "T", "directoryName": "FS1.OU.O", "users": ["JSMITH", {"name": "X", "id": 99}]}],
        "trees": [{"name": "T", "objects": [{"name": "JSMITH.OU.O", "class": "User",
        "id": 99}]}]})");
    EXPECT_NE(message.find("servers[0].users: JSMITH shares the id 99 of the tree's User object "
                           "JSMITH.OU.O, which X has already"),
              std::string::npos)
        << message;

    testnet::TestNetwork net(R"({"workstation": {"connections": [{"server": "FS1",
        "user": "JSMITH", "station": 1}]}, "servers": [{"name": "FS1", "tree": "T",
        "directoryName": "FS1.OU.O", "users": ["JSMITH", "OTHER"], "supervisors": ["OTHER"],
        "volumes": [{"name": "SYS", "entries": [{"path": "", "trustees": [{"object": "JSMITH",
        "rights": "F"}]}]}]}], "trees": [{"name": "T", "objects": [{"name": "JSMITH.OU.O",
        "class": "User", "id": 99}]}]})",
                             {"volumes/FS1/SYS/a.txt"});
    NWCONN_HANDLE h = net.open(1);
    char name[256] = {};
    nuint16 type = 0;
    nuint32 id = 0;
    nuint8 loginTime[7];
    EXPECT_EQ(net.client().NWGetConnectionInformation(h, 1, name, &type, &id, loginTime),
              SUCCESSFUL);
    EXPECT_EQ(id, 99u);
    // Files without a recorded creator belong to the first supervisor.
    NW_ENTRY_INFO info;
    ASSERT_EQ(net.client().GetEntryInfo(h, NW_NS_LONG, SA_ANY, "SYS:a.txt", &info), SUCCESSFUL);
    std::string owner;
    EXPECT_EQ(net.client().GetBinderyObjectName(h, info.creatorID, owner, &type), SUCCESSFUL);
    EXPECT_EQ(owner, "OTHER");
    EXPECT_EQ(net.client().NWCCCloseConn(h), SUCCESSFUL);
}

}  // namespace
