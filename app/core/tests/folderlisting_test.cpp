// The file browser's folders and files come from the drive's server through the client's
// directory search: drives onto a volume's root and onto a folder, long and DOS names, hidden
// entries, and paths that climb above the drive or name nothing.
#include "core/folderlisting.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "netclient/fault.h"
#include "netclient/testing/testnet.h"

namespace varnook {
namespace {

using Names = std::vector<std::string>;

constexpr char kNetwork[] = R"({
  "workstation": { "drives": [ { "letter": "F", "target": "\\\\FS1\\SYS" },
                               { "letter": "G", "target": "\\\\FS1\\DATA\\SHARED" },
                               { "letter": "H", "target": "\\\\FS1\\OLD" } ],
                   "connections": [ { "server": "FS1", "user": "ADMIN", "station": 1 } ] },
  "servers": [ { "name": "FS1", "supervisors": ["ADMIN"],
    "volumes": [ { "name": "SYS" }, { "name": "DATA" }, { "name": "OLD", "nameSpaces": [0] } ] } ]
})";

class FolderListingTest : public ::testing::Test {
protected:
    FolderListingTest()
        : net(kNetwork,
              {"volumes/FS1/SYS/readme.txt", "volumes/FS1/SYS/Autoexec.ncf",
               "volumes/FS1/SYS/PUBLIC/login.exe", "volumes/FS1/SYS/PUBLIC/Sub/",
               "volumes/FS1/DATA/SHARED/Quarterly Report.xls", "volumes/FS1/DATA/SHARED/Projects/",
               "volumes/FS1/OLD/LEDGER.DBF", "volumes/FS1/OLD/ARCHIVE/"}) {}
    ~FolderListingTest() override {
        EXPECT_EQ(net.client().openHandleCount(), 0u);
        EXPECT_EQ(net.client().openDirHandleCount(), 0u);
    }
    nw::testnet::TestNetwork net;
};

TEST_F(FolderListingTest, ADrivesFoldersAndFilesSortedWithoutRegardToCase) {
    auto root = ListDriveFolder(net.client(), "F:\\");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->folders, (Names{"PUBLIC"}));
    EXPECT_EQ(root->files, (Names{"Autoexec.ncf", "readme.txt"}));
    auto sub = ListDriveFolder(net.client(), "f:\\PUBLIC\\");
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->folders, (Names{"Sub"}));
    EXPECT_EQ(sub->files, (Names{"login.exe"}));
    // A drive mapped onto a folder lists below it, in long names.
    auto shared = ListDriveFolder(net.client(), "G:\\");
    ASSERT_TRUE(shared);
    EXPECT_EQ(shared->folders, (Names{"Projects"}));
    EXPECT_EQ(shared->files, (Names{"Quarterly Report.xls"}));
    // A volume without long names lists its DOS names.
    auto old = ListDriveFolder(net.client(), "H:\\");
    ASSERT_TRUE(old);
    EXPECT_EQ(old->folders, (Names{"ARCHIVE"}));
    EXPECT_EQ(old->files, (Names{"LEDGER.DBF"}));
}

TEST_F(FolderListingTest, PathsThatNameNoFolderListNothing) {
    EXPECT_FALSE(ListDriveFolder(net.client(), "F:\\NOPE"));
    EXPECT_FALSE(ListDriveFolder(net.client(), "F:\\readme.txt"));
    EXPECT_FALSE(ListDriveFolder(net.client(), "F:\\..\\X"));
    EXPECT_FALSE(ListDriveFolder(net.client(), "G:\\..\\"));
    EXPECT_FALSE(ListDriveFolder(net.client(), "K:\\"));
    EXPECT_FALSE(ListDriveFolder(net.client(), "F:"));
    EXPECT_FALSE(ListDriveFolder(net.client(), ""));
}

TEST_F(FolderListingTest, ASearchThatFailsOnTheWayListsNothingAndClosesEverything) {
    nw::FaultInjectingClient faulty(net.client());
    faulty.fail(nw::Op::SearchNext, nw::NWE_CONNECTION_LOST, {.skip = 1, .times = 1});
    EXPECT_FALSE(ListDriveFolder(faulty, "F:\\"));
    EXPECT_EQ(faulty.calls(nw::Op::DeallocDirHandle), 1);
    EXPECT_EQ(faulty.calls(nw::Op::NWCCCloseConn), 1);
    faulty.fail(nw::Op::NWCCOpenConnByRef, nw::NWE_CONNECT_FAILED);
    EXPECT_FALSE(ListDriveFolder(faulty, "F:\\"));
}

}  // namespace
}  // namespace varnook

namespace varnook {
namespace {

// The demo's workstation lists every drive it maps, as the user it logs in as on that server.
TEST(DemoNetwork, EveryDriveListsForItsUser) {
    namespace fs = std::filesystem;
    nw::testnet::ScratchFolder scratch;
    fs::copy(VARNOOK_DEMO_NETWORK, scratch.path() / "demo", fs::copy_options::recursive);
    auto client = nw::sim::SimClient::load(scratch.path() / "demo" / "network.json");
    int drives = 0;
    for (int d = 1; d <= 26; ++d) {
        std::string target, folder;
        if (client->GetDriveMapping(static_cast<nw::nuint16>(d), target, folder) != 0) {
            continue;
        }
        ++drives;
        const std::string root = std::string(1, static_cast<char>('A' + d - 1)) + ":\\";
        const auto listing = ListDriveFolder(*client, root);
        ASSERT_TRUE(listing) << target;
        EXPECT_FALSE(listing->folders.empty() && listing->files.empty()) << target;
    }
    EXPECT_GE(drives, 6);
    EXPECT_EQ(client->openHandleCount(), 0u);
}

}  // namespace
}  // namespace varnook
