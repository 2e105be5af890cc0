// Directory services through both doors of one network: in-process, and over the wire to
// nwsimd, where a bindery login reads the tree with that user's rights and directory
// authentication is refused (no directory login over the wire).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "netclient/testing/doors.h"
#include "netclient/volume.h"

namespace nw {
namespace {

using testnet::Door;
using testnet::DoorNetwork;

constexpr const char* kNetwork = R"({
  "workstation": { "connections": [
    { "server": "FS1", "user": "ADMIN", "station": 1, "directoryAuthenticated": true },
    { "server": "FS2", "user": "ADMIN", "station": 1 } ] },
  "servers": [
    { "name": "FS1", "tree": "ACME_TREE", "directoryName": "FS1.SALES.ACME", "users": ["ADMIN"],
      "volumes": [ { "name": "SYS" } ] },
    { "name": "FS2", "users": ["ADMIN"], "volumes": [ { "name": "SYS" } ] } ],
  "trees": [
    { "name": "ACME_TREE", "objects": [
      { "name": "ACME", "class": "Organization" },
      { "name": "SALES.ACME", "class": "Organizational Unit" },
      { "name": "FS1_SYS.SALES.ACME", "class": "Volume",
        "attributes": { "Host Server": "FS1.SALES.ACME", "Host Resource Name": "SYS" } },
      { "name": "ADMIN.SALES.ACME", "class": "User" },
      { "name": "FS1.SALES.ACME", "class": "NCP Server" } ] } ]
})";

const std::vector<std::string> kFiles = {"volumes/FS1/SYS/", "volumes/FS2/SYS/"};

class DirectoryOps : public ::testing::TestWithParam<Door> {
protected:
    DirectoryOps() : net(DoorNetwork::open(GetParam(), kNetwork, kFiles)) { conn = net->open(1); }
    ~DirectoryOps() override {
        client().NWCCCloseConn(conn);
        EXPECT_EQ(net->openHandleCount(), 0u) << "a handle was left open";
        const std::vector<std::string> complaints = net->trafficComplaints();
        EXPECT_TRUE(complaints.empty()) << "Wireshark: " << complaints.front();
    }
    Client& client() { return net->client(); }

    std::unique_ptr<DoorNetwork> net;
    NWCONN_HANDLE conn = 0;
};

TEST_P(DirectoryOps, TreeAndServerNames) {
    std::string tree;
    ASSERT_EQ(client().GetConnTreeName(conn, tree), SUCCESSFUL);
    EXPECT_EQ(tree, "ACME_TREE" + std::string(NW_TREE_NAME_PADDED_LEN - 9, '_'));
    std::string name;
    ASSERT_EQ(client().GetServerDirectoryName(conn, name), SUCCESSFUL);
    EXPECT_EQ(name, "FS1.SALES.ACME");
    EXPECT_EQ(client().LicenseConn(conn), SUCCESSFUL);

    const NWCONN_HANDLE fs2 = net->open(2);
    EXPECT_EQ(client().GetConnTreeName(fs2, tree), ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(client().GetServerDirectoryName(fs2, name), ERR_NO_SUCH_ENTRY);
    nuint32 id = 0;
    EXPECT_EQ(client().MapDirectoryNameToId(fs2, "ACME", &id), ERR_NO_SUCH_ENTRY);
    client().NWCCCloseConn(fs2);
}

TEST_P(DirectoryOps, NamesAndIdentifiers) {
    nuint32 id = 0;
    ASSERT_EQ(client().MapDirectoryNameToId(conn, "admin.sales.acme", &id), SUCCESSFUL);
    std::string name;
    ASSERT_EQ(client().MapDirectoryIdToName(conn, id, name), SUCCESSFUL);
    EXPECT_EQ(name, "ADMIN.SALES.ACME");
    EXPECT_EQ(client().MapDirectoryNameToId(conn, "NOBODY.ACME", &id), ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(client().MapDirectoryIdToName(conn, 0x0BADF00D, name), ERR_NO_SUCH_ENTRY);
}

TEST_P(DirectoryOps, AttributesOfAnObject) {
    std::string value;
    ASSERT_EQ(
        client().ReadDirectoryAttribute("ACME_TREE", "FS1_SYS.SALES.ACME", "host server", value),
        SUCCESSFUL);
    EXPECT_EQ(value, "FS1.SALES.ACME");
    ASSERT_EQ(client().ReadDirectoryAttribute("acme_tree____", "FS1_SYS.SALES.ACME",
                                              "Host Resource Name", value),
              SUCCESSFUL);
    EXPECT_EQ(value, "SYS");
    EXPECT_EQ(client().ReadDirectoryAttribute("ACME_TREE", "FS1_SYS.SALES.ACME", "Surname", value),
              ERR_NO_SUCH_ATTRIBUTE);
    EXPECT_EQ(client().ReadDirectoryAttribute("ACME_TREE", "NONE.ACME", "Host Server", value),
              ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(client().ReadDirectoryAttribute("OTHER_TREE", "ACME", "Host Server", value),
              ERR_NO_SUCH_ENTRY);
}

TEST_P(DirectoryOps, TreesAndContainersScanned) {
    std::vector<std::string> trees;
    nuint32 iter = 0;
    std::string tree;
    while (client().ScanDirectoryTrees(&iter, tree) == SUCCESSFUL) {
        trees.push_back(tree);
        ASSERT_LT(trees.size(), 5u);
    }
    EXPECT_EQ(trees, std::vector<std::string>{"ACME_TREE"});

    using Objects = std::vector<std::pair<std::string, std::string>>;
    auto objects = [&](const char* container) {
        Objects found;
        nuint32 at = 0;
        std::string name;
        std::string objectClass;
        NWCCODE rc = SUCCESSFUL;
        while ((rc = client().ScanDirectoryObjects("ACME_TREE", container, &at, name,
                                                   objectClass)) == SUCCESSFUL) {
            found.emplace_back(name, objectClass);
        }
        EXPECT_EQ(rc, FAILURE);
        return found;
    };
    EXPECT_EQ(objects("[Root]"), (Objects{{"ACME", "Organization"}}));
    EXPECT_EQ(objects("SALES.ACME"), (Objects{{"FS1_SYS.SALES.ACME", "Volume"},
                                              {"ADMIN.SALES.ACME", "User"},
                                              {"FS1.SALES.ACME", "NCP Server"}}));
    nuint32 at = 0;
    std::string name;
    std::string objectClass;
    EXPECT_EQ(client().ScanDirectoryObjects("ACME_TREE", "NONE.ACME", &at, name, objectClass),
              ERR_NO_SUCH_ENTRY);
}

TEST_P(DirectoryOps, ConnectionsOpenedByDirectoryName) {
    const auto serverOf = [&](const char* name, nuint32 format, NWCCODE expected) {
        NWCONN_HANDLE opened = 0;
        EXPECT_EQ(client().OpenConnByName(name, format, NWCC_OPEN_LICENSED, &opened), expected)
            << name;
        std::string server;
        if (expected == SUCCESSFUL) {
            char text[64] = {};
            EXPECT_EQ(client().NWGetFileServerInformation(opened, text, nullptr, nullptr, nullptr,
                                                          nullptr, nullptr, nullptr, nullptr,
                                                          nullptr, nullptr),
                      SUCCESSFUL);
            server = text;
            EXPECT_EQ(client().NWCCCloseConn(opened), SUCCESSFUL);
        }
        return server;
    };
    EXPECT_EQ(serverOf("fs1.sales.acme", NWCC_NAME_FORMAT_NDS, SUCCESSFUL), "FS1");
    EXPECT_EQ(serverOf(".FS1.SALES.ACME", NWCC_NAME_FORMAT_NDS, SUCCESSFUL), "FS1");
    EXPECT_EQ(serverOf("FS2", NWCC_NAME_FORMAT_NDS, SUCCESSFUL), "FS2") << "a server name too";
    serverOf("FS1.SALES.ACME", NWCC_NAME_FORMAT_BIND, NO_SUCH_OBJECT);
    serverOf("FS9.SALES.ACME", NWCC_NAME_FORMAT_NDS, NO_SUCH_OBJECT);
    serverOf("", NWCC_NAME_FORMAT_NDS, NO_SUCH_OBJECT);
    serverOf("FS1", 7, NWE_PARAM_INVALID);
    EXPECT_EQ(net->openHandleCount(), 1u) << "only the fixture's handle";
}

// The one difference between the doors: the wire has no directory login.
TEST_P(DirectoryOps, DirectoryAuthentication) {
    const NWCCODE expected = GetParam() == Door::Wire ? ERR_FAILED_AUTHENTICATION : SUCCESSFUL;
    EXPECT_EQ(client().AuthenticateConnToDirectory(conn), expected);
}

INSTANTIATE_TEST_SUITE_P(Doors, DirectoryOps, testnet::kBothDoors, testnet::doorName);

}  // namespace
}  // namespace nw
