#include "netclient/fault.h"

#include <gtest/gtest.h>

#include <cstring>

#include "network.h"

namespace {

using namespace nw;

TEST(FaultInjectingClient, FailsChosenCallsAndPassesTheRest) {
    testnet::TestNetwork net(testnet::kTestNetwork, testnet::testNetworkFiles());
    FaultInjectingClient faulty(net.client());
    NWCONN_HANDLE h = net.open(1);
    faulty.fail(Op::NWCheckConsolePrivileges, NO_CONSOLE_PRIVILEGES, {.skip = 1, .times = 1});
    EXPECT_EQ(faulty.NWCheckConsolePrivileges(h), SUCCESSFUL);  // passed through
    EXPECT_EQ(faulty.NWCheckConsolePrivileges(h), NO_CONSOLE_PRIVILEGES);
    EXPECT_EQ(faulty.NWCheckConsolePrivileges(h), SUCCESSFUL);
    EXPECT_EQ(faulty.calls(Op::NWCheckConsolePrivileges), 3);
    EXPECT_EQ(faulty.calls(Op::NWGetUserInfo), 0);
    EXPECT_STREQ(opName(Op::NWCheckConsolePrivileges), "NWCheckConsolePrivileges");
    EXPECT_STREQ(opName(Op::NWCallsInit), "NWCallsInit");

    faulty.replace<Op::NWGetUserInfo>(
        [](NWCONN_HANDLE, nuint32 connNum, char* name, NWUSER_INFO* info) {
            std::strcpy(name, "SOMEONE");
            info->lockCount = static_cast<nuint16>(connNum);
            return SUCCESSFUL;
        });
    char name[64] = {};
    NWUSER_INFO info;
    EXPECT_EQ(faulty.NWGetUserInfo(h, 14, name, &info), SUCCESSFUL);  // really 0x897D
    EXPECT_STREQ(name, "SOMEONE");
    EXPECT_EQ(info.lockCount, 14);
    faulty.clearAll();
    EXPECT_EQ(faulty.NWGetUserInfo(h, 14, name, &info), USER_INFO_AUTHENTICATED);
    EXPECT_EQ(faulty.NWCCCloseConn(h), SUCCESSFUL);
    EXPECT_EQ(net.client().openHandleCount(), 0u);
}

}  // namespace
