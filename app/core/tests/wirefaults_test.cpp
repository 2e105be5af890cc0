// The queries over the wire when things go wrong, against nwsimd on loopback: a server stopped in
// the middle of the all-open-files walk, the workstation's connection cleared by another
// administrator; and what the walk costs in round trips.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "core/connhandle.h"
#include "core/serverwalks.h"
#include "netclient/testing/doors.h"

namespace varnook {
namespace {

using nw::testnet::Door;
using nw::testnet::DoorNetwork;

struct Rows : AllOpenFilesSink {
    void file(const UserConnection& user, const OpenFileRow& row) override {
        rows.push_back(std::to_string(user.connNumber) + " " + row.fileText);
    }
    std::vector<std::string> rows;
};

// A network of `stations` users with `perStation` files open each, spread over ten folders, and
// a lock on every fifth file.
std::string BusyNetwork(int stations, int perStation, std::vector<std::string>& files) {
    std::string connections;
    for (int s = 0; s < stations; ++s) {
        std::string open;
        for (int f = 0; f < perStation; ++f) {
            const int file = (s * 7 + f) % 200;
            open += std::string(f ? "," : "") + R"({"path":"DATA:Folder )" +
                    std::to_string(file % 10) + R"(\\Report )" + std::to_string(file) + R"(.xls")" +
                    (file % 5 == 0 ? R"(,"locks":[{"start":0,"end":9}])" : "") + "}";
        }
        connections += std::string(s ? "," : "") + R"({"number":)" + std::to_string(s + 2) +
                       R"(,"user":"U)" + std::to_string(s) + R"(","openFiles":[)" + open + "]}";
    }
    for (int file = 0; file < 200; ++file) {
        files.push_back("volumes/FS1/DATA/Folder " + std::to_string(file % 10) + "/Report " +
                        std::to_string(file) + ".xls");
    }
    return R"({"workstation":{"connections":[{"server":"FS1","user":"ADMIN","station":1}]},
        "servers":[{"name":"FS1","maxConnections":)" +
           std::to_string(stations + 3) + R"(,"volumes":[{"name":"DATA"}],"connections":[)" +
           connections + "]}]}";
}

// Stops the server once the walk has looked at `after` connection numbers.
struct StopTheServer : ScanControl {
    StopTheServer(DoorNetwork& net, int after) : net(net), left(after) {}
    bool keepGoing() override {
        if (--left == 0) {
            net.stopServer();
        }
        return true;
    }
    DoorNetwork& net;
    int left;
};

TEST(WireFaults, AServerStoppedInTheMiddleOfAWalkEndsItClearlyWithNoHandleLeft) {
    std::vector<std::string> files;
    auto net = DoorNetwork::open(Door::Wire, BusyNetwork(20, 10, files), files);
    Rows sink;
    StopTheServer stop(*net, 12);
    const auto start = std::chrono::steady_clock::now();
    {
        ConnHandle conn(net->client(), 1);
        ASSERT_TRUE(conn.ok());
        const AllOpenFilesResult r =
            WalkAllOpenFiles(net->client(), conn.get(), sink, NoQueryLog(), stop);
        EXPECT_FALSE(r.infoFailed);
        EXPECT_FALSE(r.stopped);
        // What was listed before the server went stays; nothing after it.
        EXPECT_GT(sink.rows.size(), 0u);
        EXPECT_LT(sink.rows.size(), 200u);
        nw::nuint8 enabled = 0;
        EXPECT_EQ(net->client().NWGetFileServerLoginStatus(conn.get(), &enabled),
                  nw::NWE_CONNECTION_LOST);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(net->openHandleCount(), 0u);
    std::string why;
    net->client().GetConnRefFailure(1, why);
    EXPECT_NE(why.find("FS1 (127.0.0.1:"), std::string::npos) << why;
    // Tried again at most once a minute: the next open answers at once.
    nw::NWCONN_HANDLE h = 0;
    EXPECT_EQ(net->client().NWCCOpenConnByRef(1, nw::NWCC_OPEN_LICENSED, 0, &h),
              nw::NWE_CONNECTION_LOST);
}

TEST(WireFaults, AConnectionClearedByAnotherWorkstationIsGone) {
    std::vector<std::string> files;
    auto net = DoorNetwork::open(Door::Wire, BusyNetwork(2, 1, files), files);
    const nw::nuint16 own = net->ownStation(1);
    ASSERT_NE(own, 0);
    auto other = net->anotherWorkstation();
    {
        ConnHandle elsewhere(*other, 1);
        ASSERT_TRUE(elsewhere.ok());
        EXPECT_EQ(other->NWClearConnectionNumber(elsewhere.get(), own), nw::SUCCESSFUL);
    }
    ConnHandle mine(net->client(), 1);
    EXPECT_EQ(mine.result(), nw::SUCCESSFUL);  // the client has not heard of it yet
    nw::nuint8 enabled = 0;
    EXPECT_EQ(net->client().NWGetFileServerLoginStatus(mine.get(), &enabled),
              nw::INVALID_CONNECTION);
    nw::nuint32 it = 0;
    nw::NWCONN_REF ref = 0;
    EXPECT_EQ(net->client().NWCCScanConnRefs(&it, &ref), nw::NWE_NO_MORE_ENTRIES);
    std::string why;
    net->client().GetConnRefFailure(1, why);
    EXPECT_NE(why.find("cleared"), std::string::npos) << why;
}

TEST(WireFaults, TheWalkTakesAtMostThreeRoundTripsPerFile) {
    std::vector<std::string> files;
    auto net = DoorNetwork::open(Door::Wire, BusyNetwork(40, 25, files), files);
    Rows sink;
    std::uint64_t trips = 0;
    {
        ConnHandle conn(net->client(), 1);
        const std::uint64_t before = net->roundTrips();
        const AllOpenFilesResult r = WalkAllOpenFiles(net->client(), conn.get(), sink);
        trips = net->roundTrips() - before;
        EXPECT_EQ(r.files, 1000u);
    }
    EXPECT_EQ(sink.rows.size(), 1000u);
    EXPECT_LE(trips, 3u * 1000u) << trips << " round trips for 1000 files";
    const std::vector<std::string> complaints = net->trafficComplaints();
    EXPECT_TRUE(complaints.empty()) << "Wireshark: " << complaints.front();
}

}  // namespace
}  // namespace varnook
