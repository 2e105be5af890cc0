// The calls that watch a server's stations (open files of a station, stations using a file, the
// record locks on a file, a directory number's path) need a connection that is logged in, not
// console operator rights; the NCP server answers them the same way.
#include <gtest/gtest.h>

#include "netclient/sim/simclient.h"
#include "netclient/testing/testnet.h"

namespace {

using namespace nw;

TEST(WatchingStations, NeedsALoginNotConsoleRights) {
    testnet::TestNetwork net(
        R"({"workstation": {"connections": [{"server": "FS1", "user": "ANN", "station": 1},
                                            {"server": "FS1", "station": 3}]},
            "servers": [{"name": "FS1", "volumes": [{"name": "SYS"}],
                         "connections": [{"number": 2, "user": "BOB",
                           "openFiles": [{"path": "SYS:F.TXT", "locks": [{"start": 0, "end": 1}]}]}]}]})",
        {"volumes/FS1/SYS/F.TXT"});
    NWCONN_HANDLE user = net.open(1);      // ANN: logged in, no console operator rights
    NWCONN_HANDLE attached = net.open(2);  // attached, nobody logged in
    for (NWCONN_HANDLE h : {user, attached}) {
        NWCCODE expected = h == user ? SUCCESSFUL : NO_CONSOLE_PRIVILEGES;
        nint16 iter = 0;
        OPEN_FILE_CONN_CTRL control;
        OPEN_FILE_CONN file;
        EXPECT_EQ(net.client().NWScanOpenFilesByConn2(h, 2, &iter, &control, &file), expected);
        iter = 0;
        CONN_USING_FILE use;
        CONNS_USING_FILE users;
        EXPECT_EQ(net.client().NWScanConnectionsUsingFile(h, 0, "SYS:F.TXT", &iter, &use, &users),
                  expected);
        iter = 0;
        PHYSICAL_LOCK lock;
        PHYSICAL_LOCKS locks;
        EXPECT_EQ(
            net.client().NWScanPhysicalLocksByFile(h, 0, "SYS:F.TXT", 0, &iter, &lock, &locks),
            expected);
        nuint8 length = 255;
        char path[256];
        EXPECT_EQ(net.client().NWGetPathFromDirectoryBase(h, 0, 0, 0, &length, path), expected);
        EXPECT_EQ(net.client().NWCCCloseConn(h), 0);
    }
}

}  // namespace
