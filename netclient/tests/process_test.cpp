// The process client: NWCallsInit on a bad file, and the one smoke test of the demo network (over
// the wire to the user's demo server).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "netclient/client.h"
#include "netclient/sim/simclient.h"
#include "netclient/testing/demoserver.h"
#include "netclient/testing/testnet.h"

namespace {

using namespace nw;

// The number of users README.md says have the demo's spreadsheet open ("open by ten users").
int usersTheReadmeGivesTheSpreadsheet() {
    std::ifstream in(VARNOOK_SOURCE_DIR "/README.md");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::smatch m;
    if (!std::regex_search(text, m, std::regex(R"(spreadsheet\s+open\s+by\s+(\w+)\s+users)")))
        return -1;
    const std::vector<std::string> words = {"zero", "one",    "two",   "three", "four",
                                            "five", "six",    "seven", "eight", "nine",
                                            "ten",  "eleven", "twelve"};
    const auto found = std::find(words.begin(), words.end(), m[1].str());
    return found == words.end() ? -1 : static_cast<int>(found - words.begin());
}

TEST(ProcessClient, BadNetworkFileFailsWithTheReasonOnStandardError) {
    testnet::ScratchFolder folder;
    auto file = folder.write("bad.json", R"({"workstation": {}, "servers": [{"name": 1}]})");
    setenv("NWSIM_NETWORK", file.c_str(), 1);
    nuint8 r1 = 0, r2 = 0;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(NWCallsInit(&r1, &r2), NWE_REQUESTER_FAILURE);
    // Asked again (the volume control and the program both ask): the same answer, once reported.
    EXPECT_EQ(NWCallsInit(&r1, &r2), NWE_REQUESTER_FAILURE);
    std::string err = ::testing::internal::GetCapturedStderr();
    const std::string reason = "bad.json: servers[0].name: expected a server name";
    EXPECT_NE(err.find(reason), std::string::npos) << err;
    EXPECT_EQ(err.find("NWCallsInit:", err.find("NWCallsInit:") + 1), std::string::npos) << err;
    EXPECT_NE(processClientFailure().find(reason), std::string::npos) << processClientFailure();
    nuint32 iterator = 0;
    NWCONN_REF ref = 0;
    EXPECT_NE(processClient().NWCCScanConnRefs(&iterator, &ref), SUCCESSFUL);
    EXPECT_EQ(processClientBackEnd(), nullptr) << "nothing was loaded";
    unsetenv("NWSIM_NETWORK");
}

// The demo network is copied to the user's data folder, served by the user's own nwsimd (started
// beside the program), reached over the wire, and shows what it is meant to show. The volume
// control's part of it is looked at in-process, on a copy of its own.
TEST(ProcessClient, DemoNetwork) {
    testnet::ScratchFolder data;
    unsetenv("NWSIM_NETWORK");
    unsetenv("VARNOOK_WORKSTATION");
    setenv("XDG_DATA_HOME", data.path().c_str(), 1);
    testnet::OwnDemoServer started;
    nuint8 r1 = 0, r2 = 0;
    ASSERT_EQ(NWCallsInit(&r1, &r2), SUCCESSFUL) << processClientFailure();
    EXPECT_EQ(processClientFailure(), "");
    EXPECT_TRUE(std::filesystem::exists(data.path() / "varnook/demo/network.json"));
    EXPECT_GT(started.pid(), 0);
    EXPECT_TRUE(std::filesystem::exists(started.stateFolder() / "varnook/nwsimd.log"));
    // The state folder the server's log goes to is the program's own, private one.
    EXPECT_EQ(std::filesystem::status(started.stateFolder() / "varnook").permissions(),
              std::filesystem::perms::owner_all);
    Client& client = processClient();
    std::string target, folder;
    ASSERT_EQ(client.GetDriveMapping(6, target, folder), 0);
    EXPECT_EQ(folder, "") << "a drive over the wire has no local folder";

    std::multiset<std::string> servers;
    std::map<std::string, NWCONN_REF> refs;
    std::set<std::string> disabled, withoutConsole;
    nuint32 iterator = 0;
    NWCONN_REF ref = 0;
    while (client.NWCCScanConnRefs(&iterator, &ref) == 0) {
        char name[49] = {};
        client.NWCCGetConnRefInfo(ref, NWCC_INFO_SERVER_NAME, 49, name);
        servers.insert(name);
        refs.emplace(name, ref);
        NWCONN_HANDLE h = 0;
        ASSERT_EQ(client.NWCCOpenConnByRef(ref, 1, 0, &h), 0) << name;
        nuint8 enabled = 1;
        client.NWGetFileServerLoginStatus(h, &enabled);
        if (enabled == 0)
            disabled.insert(name);
        if (client.NWCheckConsolePrivileges(h) != 0)
            withoutConsole.insert(name);
        client.NWCCCloseConn(h);
    }
    EXPECT_EQ(servers.size(), 4u);
    EXPECT_EQ(servers.count("FS2"), 2u);  // one server reached through two connections
    EXPECT_EQ(disabled.size(), 1u);
    EXPECT_FALSE(withoutConsole.empty());

    // FS1: many users, a heavily shared file with locks of every kind, the special stations.
    NWCONN_HANDLE h = 0;
    ASSERT_EQ(client.NWCCOpenConnByRef(refs["FS1"], 1, 0, &h), 0);
    int users = 0, files = 0, notLoggedIn = 0, authenticated = 0;
    for (nuint32 n = 0; n < 250; ++n) {
        char name[255];
        nuint16 type = 0;
        nuint32 id = 0;
        if (client.NWGetConnectionInformation(h, n, name, &type, &id, nullptr) != 0)
            continue;
        if (type == 256)
            ++users;
        if (std::string(name) == "NOT_LOGGED_IN")
            ++notLoggedIn;
        char user[515];
        NWUSER_INFO info;
        if (client.NWGetUserInfo(h, n, user, &info) == USER_INFO_AUTHENTICATED)
            ++authenticated;
        nint16 iter = 0;
        OPEN_FILE_CONN_CTRL control;
        OPEN_FILE_CONN file;
        while (client.NWScanOpenFilesByConn2(h, static_cast<nuint16>(n), &iter, &control, &file) ==
               0) {
            ++files;
        }
    }
    EXPECT_GE(users, 14);
    EXPECT_GE(files, 35);
    EXPECT_EQ(notLoggedIn, 1);
    EXPECT_EQ(authenticated, 1);

    char dst[256], dos[256];
    NW_NS_PATH path{"DATA:SHARED\\Quarterly Report.xls", dst, sizeof dst};
    ASSERT_EQ(client.NWGetNSPath(h, 0, 1, 4, 0, &path), 0);
    ASSERT_EQ(client.NWGetLongName(h, 0, path.srcPath, 4, 0, dos), 0);
    std::string scan = std::string(dst) + "\\" + dos;
    nint16 iter = 0;
    CONN_USING_FILE use;
    CONNS_USING_FILE summary;
    ASSERT_EQ(client.NWScanConnectionsUsingFile(h, 0, scan.c_str(), &iter, &use, &summary), 0);
    EXPECT_EQ(summary.connCount, 10);
    EXPECT_EQ(usersTheReadmeGivesTheSpreadsheet(), summary.connCount);
    std::set<int> lockTypes;
    iter = 0;
    PHYSICAL_LOCK lock;
    PHYSICAL_LOCKS block;
    while (client.NWScanPhysicalLocksByFile(h, 0, scan.c_str(), 0, &iter, &lock, &block) == 0) {
        lockTypes.insert(lock.lockType);
    }
    EXPECT_EQ(lockTypes, (std::set<int>{0, 254, 255}));
    // The volume control's operations travel too.
    nuint32 it = 0;
    TRUSTEE_SET set;
    EXPECT_NE(client.ScanEntryTrustees(h, NW_NS_LONG, "DATA:SHARED", &it, &set),
              NWE_NOT_SUPPORTED_OVER_WIRE);
    // The handles open through the process client are counted whatever its back end.
    NWDIR_HANDLE dir = 0;
    ASSERT_EQ(client.AllocTempDirHandle(h, NW_NS_LONG, "DATA:SHARED", &dir), 0);
    EXPECT_EQ(processClientOpenHandles().connections, 1u);
    EXPECT_EQ(processClientOpenHandles().directories, 1u);
    client.DeallocDirHandle(h, dir);
    EXPECT_EQ(processClientOpenHandles().directories, 0u);
    client.NWCCCloseConn(h);
    EXPECT_EQ(processClientOpenHandles().connections, 0u);

    std::string drives;
    for (nuint16 d = 1; d <= 26; ++d) {
        if (client.NWGetDriveInformation(d, 0, nullptr, nullptr, nullptr, nullptr) == 0) {
            drives += static_cast<char>('A' + d - 1);
        }
    }
    EXPECT_GE(drives.size(), 3u);

    // The demo's passwords live in its password file only: not on the server's command line,
    // in its environment (what the process list shows) or in its log.
    std::vector<std::string> passwords;
    {
        std::ifstream in(started.runtimeFolder() / "varnook/network.passwords");
        std::string server, user, password;
        while (in >> server >> user >> password)
            passwords.push_back(password);
    }
    ASSERT_FALSE(passwords.empty());
    const auto read = [](const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    const std::string proc = "/proc/" + std::to_string(started.pid());
    const std::string exposed = read(proc + "/cmdline") + read(proc + "/environ") +
                                read(started.stateFolder() / "varnook/nwsimd.log");
    EXPECT_NE(exposed.find("nwsimd"), std::string::npos);
    for (const std::string& password : passwords)
        EXPECT_EQ(exposed.find(password), std::string::npos) << "a password is shown";

    // What the volume control shows, in-process on a copy of the shipped demo: trees with
    // containers and volume objects, trustees, restrictions and deleted files.
    testnet::ScratchFolder copy;
    std::filesystem::copy(VARNOOK_SOURCE_DIR "/netclient/sim/demo", copy.path() / "demo",
                          std::filesystem::copy_options::recursive);
    auto demo = sim::SimClient::load(copy.path() / "demo/network.json");
    Client& local = *demo;
    std::vector<std::string> trees;
    std::string tree;
    for (nuint32 t = 0; local.ScanDirectoryTrees(&t, tree) == 0;)
        trees.push_back(tree);
    EXPECT_EQ(trees, (std::vector<std::string>{"ACME_TREE", "LAB_TREE"}));
    std::string host;
    EXPECT_EQ(local.ReadDirectoryAttribute("ACME_TREE", "FS1_SYS.SALES.ACME", "Host Server", host),
              0);
    EXPECT_EQ(host, "FS1.SALES.ACME");
    ASSERT_EQ(local.OpenConnByName("FS1", NWCC_NAME_FORMAT_BIND, NWCC_OPEN_LICENSED, &h), 0);
    it = 0;
    EXPECT_EQ(local.ScanEntryTrustees(h, NW_NS_LONG, "DATA:SHARED", &it, &set), 0);
    EXPECT_EQ(set.count, 2);
    VOLUME_RESTRICTIONS restrictions;
    EXPECT_EQ(local.ScanVolumeRestrictions(h, 1, 0, &restrictions), 0);
    EXPECT_EQ(restrictions.numberOfEntries, 3);
    NWDIR_HANDLE shared = 0;
    ASSERT_EQ(local.AllocTempDirHandle(h, NW_NS_LONG, "DATA:SHARED", &shared), 0);
    nuint32 sequence = 0xFFFFFFFF;
    NW_DELETED_FILE deleted;
    int kept = 0;
    while (local.ScanSalvageableFiles(h, shared, NW_NS_LONG, &sequence, &deleted) == 0)
        ++kept;
    EXPECT_EQ(kept, 2);
    EXPECT_EQ(local.DeallocDirHandle(h, shared), 0);
    local.NWCCCloseConn(h);
    EXPECT_TRUE(std::filesystem::exists(copy.path() / "demo/state/volumes.sqlite"));
    EXPECT_TRUE(std::filesystem::exists(data.path() / "varnook/demo/state/volumes.sqlite"));
}

}  // namespace
