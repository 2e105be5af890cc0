// The property page's tree: servers and their volumes, directory trees with their containers and
// volume objects, the names built from a node, and opening the tree along a FullName.
#include "volctl/nettree.h"

#include <gtest/gtest.h>

#include "netclient/fault.h"
#include "netclient/testing/doors.h"
#include "volume.h"

namespace volmarra {
namespace {

using volmarra::testing::utf8;

// FS1 numbers its volumes with gaps (0, 2, 5) and has one dismounted (3); the workstation has
// no connection to FS2. The tree holds every class the page shows and two it leaves out.
constexpr const char* kNetwork = R"({
  "workstation": { "connections": [ { "server": "FS1", "user": "ADMIN", "station": 1,
                                      "directoryAuthenticated": true } ] },
  "servers": [
    { "name": "FS1", "tree": "ACME_TREE", "directoryName": "FS1.SALES.ACME", "users": ["ADMIN"],
      "volumes": [ { "name": "SYS", "number": 0 }, { "name": "DATA", "number": 2 },
                   { "name": "OLD", "number": 3, "mounted": false },
                   { "name": "APPS", "number": 5 } ] },
    { "name": "FS2", "volumes": [ { "name": "SYS" } ] } ],
  "trees": [
    { "name": "ACME_TREE", "objects": [
      { "name": "ACME", "class": "Organization" },
      { "name": "SALES.ACME", "class": "Organizational Unit" },
      { "name": "FS1_SYS.SALES.ACME", "class": "Volume",
        "attributes": { "Host Server": "FS1.SALES.ACME", "Host Resource Name": "SYS" } },
      { "name": "ADMIN.SALES.ACME", "class": "User" },
      { "name": "FS1.SALES.ACME", "class": "NCP Server" },
      { "name": "DE", "class": "Country" },
      { "name": "BAVARIA.DE", "class": "Locality" } ] },
    { "name": "LAB_TREE", "objects": [] } ]
})";

std::vector<std::string> texts(const NetNode& node) {
    std::vector<std::string> out;
    for (const auto& child : node.children) {
        out.push_back(utf8(child->text));
    }
    return out;
}

class NetworkTreeTest : public ::testing::TestWithParam<nw::testnet::Door> {
protected:
    void TearDown() override { testing::expectAllReleased(*net); }
    bool overWire() const { return GetParam() == nw::testnet::Door::Wire; }
    // The trees listed. A workstation on the wire learns trees from the servers it is connected
    // to (each server names its own); LAB_TREE has no server, so only the simulator knows it.
    std::vector<std::string> trees() const {
        if (overWire()) {
            return {"ACME_TREE"};
        }
        return {"ACME_TREE", "LAB_TREE"};
    }
    std::unique_ptr<nw::testnet::DoorNetwork> net =
        nw::testnet::DoorNetwork::open(GetParam(), kNetwork,
                                       {"volumes/FS1/SYS/", "volumes/FS1/DATA/", "volumes/FS1/OLD/",
                                        "volumes/FS1/APPS/", "volumes/FS2/SYS/"});
};

TEST_P(NetworkTreeTest, TopLevelsAreListedAtOnce) {
    NetworkTree tree(net->client());
    EXPECT_EQ(utf8(tree.root().text), "NetWare Services");
    EXPECT_EQ(texts(tree.root()),
              (std::vector<std::string>{"NetWare Servers", "NetWare Directory Services"}));
    EXPECT_EQ(texts(tree.servers()), (std::vector<std::string>{"FS1", "FS2"}));
    EXPECT_EQ(texts(tree.directory()), trees());
    EXPECT_EQ(tree.servers().children[0]->image, NodeImage::Server);
    EXPECT_EQ(tree.directory().children[0]->image, NodeImage::Tree);
}

TEST_P(NetworkTreeTest, AServerListsEveryMountedVolumePastGapsInTheNumbers) {
    NetworkTree tree(net->client());
    NetNode& fs1 = *tree.servers().children[0];
    tree.expand(fs1);
    EXPECT_EQ(texts(fs1), (std::vector<std::string>{"SYS", "DATA", "APPS"}));
    EXPECT_EQ(utf8(NetworkTree::fullNameOf(*fs1.children[2])), "\\\\FS1\\APPS");
    EXPECT_TRUE(fs1.children[2]->isVolume());
    EXPECT_TRUE(NetworkTree::fullNameOf(fs1).empty()) << "a server is no volume";
    tree.expand(fs1);
    EXPECT_EQ(fs1.children.size(), 3u) << "listed once";

    NetNode& fs2 = *tree.servers().children[1];
    tree.expand(fs2);
    EXPECT_TRUE(fs2.children.empty()) << "not connected: no children, no message";
}

TEST_P(NetworkTreeTest, TreesListContainersAndVolumeObjectsByClass) {
    NetworkTree tree(net->client());
    NetNode& acme = *tree.directory().children[0];
    tree.expand(acme);
    ASSERT_EQ(texts(acme), (std::vector<std::string>{"ACME", "DE"}));
    EXPECT_EQ(acme.children[0]->image, NodeImage::Organization);
    EXPECT_EQ(acme.children[1]->image, NodeImage::Country);
    tree.expand(*acme.children[1]);
    ASSERT_EQ(texts(*acme.children[1]), (std::vector<std::string>{"BAVARIA"}));
    EXPECT_EQ(acme.children[1]->children[0]->image, NodeImage::Locality);

    NetNode& org = *acme.children[0];
    tree.expand(org);
    ASSERT_EQ(texts(org), (std::vector<std::string>{"SALES"}));
    NetNode& sales = *org.children[0];
    EXPECT_EQ(sales.image, NodeImage::Unit);
    tree.expand(sales);
    ASSERT_EQ(texts(sales), (std::vector<std::string>{"FS1_SYS"})) << "users and servers left out";
    EXPECT_EQ(sales.children[0]->image, NodeImage::Volume);
    EXPECT_EQ(utf8(NetworkTree::fullNameOf(*sales.children[0])),
              "NDS:\\\\ACME_TREE\\ACME\\SALES\\FS1_SYS");
    EXPECT_TRUE(NetworkTree::fullNameOf(sales).empty());

    if (overWire()) {
        return;  // no LAB_TREE (see trees())
    }
    NetNode& lab = *tree.directory().children[1];
    tree.expand(lab);
    EXPECT_TRUE(lab.children.empty());
}

TEST_P(NetworkTreeTest, OpeningAFullNameExpandsAlongItsPath) {
    NetworkTree tree(net->client());
    NetNode* apps = tree.open(u"\\\\fs1\\Apps");
    ASSERT_NE(apps, nullptr);
    EXPECT_EQ(utf8(NetworkTree::fullNameOf(*apps)), "\\\\FS1\\APPS");
    NetNode* object = tree.open(u"NDS:\\\\ACME_TREE\\ACME\\SALES\\FS1_SYS");
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->kind, NodeKind::DirectoryVolume);
    EXPECT_TRUE(object->parent->listed);

    for (std::u16string_view missing :
         {u"", u"\\\\FS1\\OLD", u"\\\\FS3\\SYS", u"\\\\FS1\\SYS.X",
          u"NDS:\\\\ACME_TREE\\ACME\\SALES", u"NDS:\\\\ACME_TREE\\ACME\\NOWHERE\\FS1_SYS",
          u"NDS:\\\\NO_TREE\\ACME\\FS1_SYS"}) {
        EXPECT_EQ(tree.open(missing), nullptr) << utf8(missing);
    }
}

TEST_P(NetworkTreeTest, ARequesterThatNeverEndsAScanDoesNotHangThePage) {
    nw::FaultInjectingClient faulty(net->client());
    faulty.replace<nw::Op::ScanBinderyObjects>([](nw::NWCONN_HANDLE, const char*, nw::nuint16,
                                                  nw::nuint32* lastId, std::string& name,
                                                  nw::nuint16* type) {
        *lastId = 7;  // the same server again and again
        name = "LOOP";
        *type = nw::BINDERY_FILE_SERVER;
        return nw::NWCCODE{0};
    });
    faulty.replace<nw::Op::ScanDirectoryTrees>([](nw::nuint32*, std::string& tree) {
        tree = "STUCK";
        return nw::NWCCODE{0};
    });
    NetworkTree tree(faulty);
    EXPECT_EQ(texts(tree.servers()), (std::vector<std::string>{"LOOP"}));
    EXPECT_TRUE(tree.directory().children.empty());
    EXPECT_EQ(faulty.calls(nw::Op::NWCCCloseConn), 1);
}

TEST_P(NetworkTreeTest, FailuresLeaveNodesEmpty) {
    nw::FaultInjectingClient faulty(net->client());
    faulty.fail(nw::Op::NWGetFileServerInformation, nw::INVALID_CONNECTION);
    faulty.fail(nw::Op::ScanDirectoryObjects, nw::ERR_NO_SUCH_ENTRY);
    NetworkTree tree(faulty);
    NetNode& fs1 = *tree.servers().children[0];
    tree.expand(fs1);
    EXPECT_EQ(texts(fs1), (std::vector<std::string>{"SYS", "DATA", "APPS"}))
        << "without a volume count every number is tried";
    tree.expand(*tree.directory().children[0]);
    EXPECT_TRUE(tree.directory().children[0]->children.empty());

    faulty.fail(nw::Op::NWCCScanConnRefs, nw::NWE_NO_MORE_ENTRIES);
    NetworkTree offline(faulty);
    EXPECT_TRUE(offline.servers().children.empty()) << "no default connection, no servers";
}

INSTANTIATE_TEST_SUITE_P(Doors, NetworkTreeTest, nw::testnet::kBothDoors, nw::testnet::doorName);

}  // namespace
}  // namespace volmarra
