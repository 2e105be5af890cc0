#include "netclient/fault.h"

#include <gtest/gtest.h>

#include <cstring>

#include "netclient/client.h"

namespace {

using namespace nw;

TEST(FaultInjectingClient, FailsChosenCallsAndPassesTheRest) {
    FaultInjectingClient faulty(processClient());
    faulty.fail(Op::NWCheckConsolePrivileges, NO_CONSOLE_PRIVILEGES, {.skip = 1, .times = 1});
    EXPECT_EQ(faulty.NWCheckConsolePrivileges(1), NWE_REQUESTER_FAILURE);  // passed through
    EXPECT_EQ(faulty.NWCheckConsolePrivileges(1), NO_CONSOLE_PRIVILEGES);
    EXPECT_EQ(faulty.NWCheckConsolePrivileges(1), NWE_REQUESTER_FAILURE);
    EXPECT_EQ(faulty.calls(Op::NWCheckConsolePrivileges), 3);
    EXPECT_EQ(faulty.calls(Op::NWGetUserInfo), 0);
    EXPECT_STREQ(opName(Op::NWCheckConsolePrivileges), "NWCheckConsolePrivileges");
}

TEST(FaultInjectingClient, ReplacementFillsOutputs) {
    FaultInjectingClient faulty(processClient());
    faulty.replace<Op::NWGetUserInfo>(
        [](NWCONN_HANDLE, nuint32 connNum, char* name, NWUSER_INFO* info) {
            std::strcpy(name, "JSMITH");
            info->lockCount = static_cast<nuint16>(connNum);
            return SUCCESSFUL;
        });
    char name[64] = {};
    NWUSER_INFO info;
    EXPECT_EQ(faulty.NWGetUserInfo(5, 12, name, &info), SUCCESSFUL);
    EXPECT_STREQ(name, "JSMITH");
    EXPECT_EQ(info.lockCount, 12);
    faulty.clear(Op::NWGetUserInfo);
    EXPECT_EQ(faulty.NWGetUserInfo(5, 12, name, &info), NWE_REQUESTER_FAILURE);
}

}  // namespace
