// Connections by name, directory services and the bindery.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "volume_network.h"

namespace {

using namespace nw;
using testnet::VolumeTest;

using Directory = VolumeTest;

TEST_F(Directory, OpensConnectionsByServerAndDirectoryName) {
    NWCONN_HANDLE byName = 0, byDirectory = 0, byShortName = 0;
    EXPECT_EQ(sim().OpenConnByName("fs1", NWCC_NAME_FORMAT_BIND, NWCC_OPEN_LICENSED, &byName),
              SUCCESSFUL);
    EXPECT_EQ(sim().OpenConnByName("FS1.sales.ACME", NWCC_NAME_FORMAT_NDS, NWCC_OPEN_LICENSED,
                                   &byDirectory),
              SUCCESSFUL);
    EXPECT_EQ(sim().OpenConnByName("FS1", NWCC_NAME_FORMAT_NDS, NWCC_OPEN_UNLICENSED, &byShortName),
              SUCCESSFUL);
    EXPECT_EQ(sim().openHandleCount(), 6u);
    // The first connection to the server is ADMIN's: its rights come with it.
    EXPECT_EQ(rights(byName, "SYS:HOME"), TR_ALL);
    std::string name;
    EXPECT_EQ(sim().GetServerDirectoryName(byDirectory, name), SUCCESSFUL);
    EXPECT_EQ(name, "FS1.SALES.ACME");
    for (NWCONN_HANDLE h : {byName, byDirectory, byShortName})
        EXPECT_EQ(sim().NWCCCloseConn(h), SUCCESSFUL);

    NWCONN_HANDLE none = 0;
    EXPECT_EQ(sim().OpenConnByName("FS9", NWCC_NAME_FORMAT_BIND, NWCC_OPEN_LICENSED, &none),
              NO_SUCH_OBJECT);
    EXPECT_EQ(
        sim().OpenConnByName("FS1.SALES.ACME", NWCC_NAME_FORMAT_BIND, NWCC_OPEN_LICENSED, &none),
        NO_SUCH_OBJECT);
    EXPECT_EQ(sim().OpenConnByName("FS1", 7, NWCC_OPEN_LICENSED, &none), NWE_PARAM_INVALID);
    EXPECT_EQ(sim().OpenConnByName(nullptr, 0, NWCC_OPEN_LICENSED, &none), NWE_PARAM_INVALID);
}

TEST(DirectoryConnections, AServerWithoutAWorkstationConnectionAnswersNoLicensedConnection) {
    testnet::TestNetwork net(R"({"workstation": {"connections": [{"server": "A", "station": 1}]},
        "servers": [{"name": "A"}, {"name": "B"}]})");
    NWCONN_HANDLE conn = 0;
    EXPECT_EQ(net.client().OpenConnByName("B", NWCC_NAME_FORMAT_BIND, NWCC_OPEN_LICENSED, &conn),
              NWE_NO_LICENSED_CONNECTION);
    EXPECT_EQ(net.client().OpenConnByName("A", NWCC_NAME_FORMAT_BIND, NWCC_OPEN_LICENSED, &conn),
              SUCCESSFUL);
    nuint32 state = 9;
    EXPECT_EQ(net.client().GetConnAuthenticationState(conn, &state), SUCCESSFUL);
    EXPECT_EQ(state, NWCC_AUTHENT_STATE_NONE);  // attached, nobody logged in
    EXPECT_EQ(net.client().AuthenticateConnToDirectory(conn), ERR_FAILED_AUTHENTICATION);
    std::string tree;
    EXPECT_EQ(net.client().GetConnTreeName(conn, tree), ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(net.client().GetServerDirectoryName(conn, tree), ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(net.client().NWCCCloseConn(conn), SUCCESSFUL);
}

TEST_F(Directory, AuthenticationStateTreeNameAndLicensing) {
    nuint32 state = 0;
    EXPECT_EQ(sim().GetConnAuthenticationState(admin, &state), SUCCESSFUL);
    EXPECT_EQ(state, NWCC_AUTHENT_STATE_NDS);
    EXPECT_EQ(sim().GetConnAuthenticationState(jsmith, &state), SUCCESSFUL);
    EXPECT_EQ(state, NWCC_AUTHENT_STATE_BIND);
    // The workstation holds an authenticated connection to the tree: JSMITH's can join it.
    EXPECT_EQ(sim().AuthenticateConnToDirectory(jsmith), SUCCESSFUL);
    EXPECT_EQ(sim().GetConnAuthenticationState(jsmith, &state), SUCCESSFUL);
    EXPECT_EQ(state, NWCC_AUTHENT_STATE_NDS);

    std::string tree;
    EXPECT_EQ(sim().GetConnTreeName(admin, tree), SUCCESSFUL);
    EXPECT_EQ(tree, "ACME_TREE_______________________");
    EXPECT_EQ(sim().LicenseConn(admin), SUCCESSFUL);
    EXPECT_EQ(sim().LicenseConn(admin), SUCCESSFUL);
    EXPECT_EQ(sim().LicenseConn(0x7777), INVALID_CONNECTION);
    EXPECT_EQ(sim().GetConnAuthenticationState(0x7777, &state), INVALID_CONNECTION);

    NWCONN_HANDLE boss = net.open(testnet::kBoss);
    EXPECT_EQ(sim().AuthenticateConnToDirectory(boss), ERR_FAILED_AUTHENTICATION);  // no tree
    EXPECT_EQ(sim().NWCCCloseConn(boss), SUCCESSFUL);
}

TEST_F(Directory, ReadsAttributesOfTreeObjects) {
    std::string value;
    EXPECT_EQ(sim().ReadDirectoryAttribute("ACME_TREE", "FS1_SYS.SALES.ACME", "Host Server", value),
              SUCCESSFUL);
    EXPECT_EQ(value, "FS1.SALES.ACME");
    EXPECT_EQ(sim().ReadDirectoryAttribute("acme_tree_____", "fs1_sys.sales.acme",
                                           "host resource name", value),
              SUCCESSFUL);
    EXPECT_EQ(value, "SYS");
    EXPECT_EQ(sim().ReadDirectoryAttribute("ACME_TREE", "NOHOST.SALES.ACME", "Host Server", value),
              ERR_NO_SUCH_ATTRIBUTE);
    EXPECT_EQ(value, "");
    EXPECT_EQ(sim().ReadDirectoryAttribute("ACME_TREE", "NOPE.SALES.ACME", "Host Server", value),
              ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(
        sim().ReadDirectoryAttribute("OTHER_TREE", "FS1_SYS.SALES.ACME", "Host Server", value),
        ERR_NO_SUCH_ENTRY);
}

TEST_F(Directory, MapsIdentifiersAndNamesBothWays) {
    nuint32 id = 0;
    EXPECT_EQ(sim().MapDirectoryNameToId(admin, "jsmith.sales.acme", &id), SUCCESSFUL);
    EXPECT_EQ(id, 777u);
    std::string name;
    EXPECT_EQ(sim().MapDirectoryIdToName(admin, 777, name), SUCCESSFUL);
    EXPECT_EQ(name, "JSMITH.SALES.ACME");
    EXPECT_EQ(sim().MapDirectoryIdToName(admin, 4660, name), ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(sim().MapDirectoryNameToId(admin, "NOBODY.SALES.ACME", &id), ERR_NO_SUCH_ENTRY);

    // Bindery emulation: the bindery user JSMITH is the tree's JSMITH.SALES.ACME.
    nuint16 type = 0;
    EXPECT_EQ(sim().GetBinderyObjectID(admin, "jsmith", BINDERY_USER, &id), SUCCESSFUL);
    EXPECT_EQ(id, 777u);
    EXPECT_EQ(sim().GetBinderyObjectName(admin, 777, name, &type), SUCCESSFUL);
    EXPECT_EQ(name, "JSMITH");
    EXPECT_EQ(type, BINDERY_USER);
    EXPECT_EQ(sim().GetBinderyObjectName(admin, 4660, name, &type), SUCCESSFUL);
    EXPECT_EQ(name, "MBROWN");
    EXPECT_EQ(sim().GetBinderyObjectID(admin, "JSMITH", OT_USER, &id), NO_SUCH_OBJECT);  // 1 ≠ 256
    EXPECT_EQ(sim().GetBinderyObjectID(admin, "NOBODY", BINDERY_USER, &id), NO_SUCH_OBJECT);
    EXPECT_EQ(sim().GetBinderyObjectName(admin, 12345, name, &type), NO_SUCH_OBJECT);
}

TEST_F(Directory, ScansTreesAndTheirContainers) {
    std::vector<std::string> trees;
    std::string tree;
    for (nuint32 it = 0; sim().ScanDirectoryTrees(&it, tree) == SUCCESSFUL;)
        trees.push_back(tree);
    EXPECT_EQ(trees, std::vector<std::string>{"ACME_TREE"});

    auto children = [&](const char* container) {
        std::vector<std::string> found;
        std::string name, objectClass;
        nuint32 it = 0;
        NWCCODE rc;
        while ((rc = sim().ScanDirectoryObjects("ACME_TREE", container, &it, name, objectClass)) ==
               SUCCESSFUL) {
            found.push_back(name + " " + objectClass);
        }
        EXPECT_EQ(rc, FAILURE);
        return found;
    };
    EXPECT_EQ(children("[Root]"), std::vector<std::string>{"ACME Organization"});
    EXPECT_EQ(children("ACME"), std::vector<std::string>{"SALES.ACME Organizational Unit"});
    EXPECT_EQ(children("sales.acme"),
              (std::vector<std::string>{"JSMITH.SALES.ACME User", "ADMIN.SALES.ACME User",
                                        "FS1_SYS.SALES.ACME Volume", "NOHOST.SALES.ACME Volume",
                                        "FS1.SALES.ACME NCP Server"}));
    EXPECT_EQ(children("JSMITH.SALES.ACME"), std::vector<std::string>{});
    std::string name, objectClass;
    nuint32 it = 0;
    EXPECT_EQ(sim().ScanDirectoryObjects("ACME_TREE", "NOPE.ACME", &it, name, objectClass),
              ERR_NO_SUCH_ENTRY);
    EXPECT_EQ(sim().ScanDirectoryObjects("NO_TREE", "[Root]", &it, name, objectClass),
              ERR_NO_SUCH_ENTRY);
}

TEST_F(Directory, ScansTheBinderyForFileServersAndUsers) {
    std::vector<std::string> servers;
    std::string name;
    nuint16 type = 0;
    nuint32 last = 0xFFFFFFFF;
    while (sim().ScanBinderyObjects(admin, "*", BINDERY_FILE_SERVER, &last, name, &type) ==
           SUCCESSFUL) {
        servers.push_back(name);
        EXPECT_EQ(type, BINDERY_FILE_SERVER);
    }
    EXPECT_EQ(servers, (std::vector<std::string>{"FS1", "FS2"}));
    // The identifier a scan gives is the one the name lookup gives.
    nuint32 id = 0;
    EXPECT_EQ(sim().GetBinderyObjectID(admin, "FS2", BINDERY_FILE_SERVER, &id), SUCCESSFUL);
    EXPECT_EQ(id, last);

    std::vector<std::string> users;
    last = 0xFFFFFFFF;
    while (sim().ScanBinderyObjects(admin, "*S*", BINDERY_USER, &last, name, &type) == SUCCESSFUL)
        users.push_back(name);
    EXPECT_EQ(users, (std::vector<std::string>{"JSMITH", "GUEST"}));
    last = 0xFFFFFFFF;
    EXPECT_EQ(sim().ScanBinderyObjects(admin, "Z*", BINDERY_ANY, &last, name, &type), FAILURE);
    EXPECT_EQ(last, 0xFFFFFFFFu);
}

}  // namespace
