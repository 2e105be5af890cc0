#include "core/userinfo.h"

#include <gtest/gtest.h>

#include "actionnet.h"
#include "netclient/fault.h"

namespace varnook {
namespace {

using test::ActionNetwork;
using test::kFs1;

VARNOOK_ACTION_TESTS(ReadUserInfoTest);
VARNOOK_ACTION_TESTS(CountOpenFilesTest);

TEST(GroupedNumber, ThreesFromTheRightAtLeastOneDigit) {
    EXPECT_EQ(GroupedNumber(0, ","), "0");
    EXPECT_EQ(GroupedNumber(999, ","), "999");
    EXPECT_EQ(GroupedNumber(1000, ","), "1,000");
    EXPECT_EQ(GroupedNumber(4294967296ULL, ","), "4,294,967,296");
    EXPECT_EQ(GroupedNumber(281474976710655ULL, "."), "281.474.976.710.655");
    // A locale whose separator is more than one byte (a narrow no-break space in UTF-8).
    EXPECT_EQ(GroupedNumber(1234567, "\xe2\x80\xaf"),
              "1\xe2\x80\xaf"
              "234\xe2\x80\xaf"
              "567");
}

TEST(UserInfoFields, ByteCountsTimeAndAddress) {
    nw::NWUSER_INFO info;
    const nw::nuint8 max[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(Read48(max), 281474976710655ULL);
    const nw::nuint8 twoTo32[6] = {0, 0, 0, 0, 1, 0};
    EXPECT_EQ(Read48(twoTo32), 4294967296ULL);
    const nw::nuint8 time[7] = {5, 1, 2, 3, 4, 9, 0};
    std::copy(std::begin(time), std::end(time), info.loginTime);
    EXPECT_EQ(LoginTimeText(info), "3:4:9  1/2/5");

    nw::NWINET_ADDR address;
    address.networkAddr[3] = 0x0A;
    address.netNodeAddr[5] = 0xBC;
    address.socket[1] = 0x03;
    EXPECT_EQ(NetAddressText(address), "0000000A:0000000000BC:0003");
}

TEST_P(ReadUserInfoTest, NormalConnection) {
    const UserInfoReading r = ReadUserInfo(net.client(), kFs1, 12, ",");
    EXPECT_EQ(r.openResult, nw::SUCCESSFUL);
    EXPECT_EQ(r.userInfoResult, nw::SUCCESSFUL);
    EXPECT_EQ(r.status, "Normal");
    EXPECT_EQ(r.userName, "JSMITH");
    EXPECT_EQ(r.fileLocks, " 4");
    EXPECT_EQ(r.openFiles, " 2");
    EXPECT_FALSE(r.openFileCount.failed);
    EXPECT_EQ(r.connInUse, "Yes");
    EXPECT_EQ(r.loginTime, "8:15:30  12/7/26");
    EXPECT_EQ(r.bytesRead, "4,294,967,296");
    EXPECT_EQ(r.bytesWritten, "0");
    EXPECT_EQ(r.addressResult, nw::SUCCESSFUL);
    // The socket keeps its leading zeros.
    EXPECT_EQ(r.netAddress, "0000C0A8:00001B2C3D4E:0003");
    EXPECT_EQ(net.openHandleCount(), 0u);
}

TEST_P(ReadUserInfoTest, AuthenticatedStationKeepsOnlyItsAddress) {
    const UserInfoReading r = ReadUserInfo(net.client(), kFs1, 14, ",");
    EXPECT_EQ(r.userInfoResult, nw::USER_INFO_AUTHENTICATED);
    EXPECT_EQ(r.status, "Authenticated");
    EXPECT_TRUE(r.bytesRead.empty());
    EXPECT_TRUE(r.openFiles.empty());
    EXPECT_EQ(r.addressResult, nw::SUCCESSFUL);
    EXPECT_EQ(net.openHandleCount(), 0u);
}

TEST_P(ReadUserInfoTest, ErrorsOfEachStep) {
    const UserInfoReading gone = ReadUserInfo(net.client(), kFs1, 99, ",");
    EXPECT_EQ(gone.userInfoResult, nw::BAD_STATION_NUMBER);
    EXPECT_EQ(gone.status, "Error: couldn't get info.");
    EXPECT_EQ(gone.addressResult, nw::BAD_STATION_NUMBER);  // still asked
    EXPECT_EQ(UserInfoErrorText(gone.userInfoResult), " Error:  35325");
    EXPECT_EQ(NetAddressErrorText(gone.addressResult),
              "Couldn't get network address. Error :  35325");

    EXPECT_EQ(ReadUserInfo(net.client(), 99, 12, ",").openResult, nw::INVALID_CONNECTION);

    nw::FaultInjectingClient faulty(net.client());
    faulty.fail(nw::Op::NWScanOpenFilesByConn2, nw::FAILURE, {.skip = 1});
    const UserInfoReading counted = ReadUserInfo(faulty, kFs1, 12, ",");
    EXPECT_TRUE(counted.openFileCount.failed);
    EXPECT_EQ(counted.openFiles, "Couldn't count files");
    EXPECT_EQ(counted.status, "Normal");
    EXPECT_EQ(net.openHandleCount(), 0u);
}

TEST_P(CountOpenFilesTest, NormalEndIsNoFailure) {
    const nw::NWCONN_HANDLE h = net.open(kFs1);
    const OpenFileCount two = CountOpenFiles(net.client(), h, 12);
    EXPECT_EQ(two.count, 2);
    EXPECT_FALSE(two.failed);
    EXPECT_EQ(two.lastResult, nw::FAILURE);  // the end of the scan
    const OpenFileCount none = CountOpenFiles(net.client(), h, 15);
    EXPECT_EQ(none.count, 0);
    EXPECT_FALSE(none.failed);
    const OpenFileCount gone = CountOpenFiles(net.client(), h, 99);
    EXPECT_TRUE(gone.failed);
    EXPECT_EQ(gone.lastResult, nw::BAD_STATION_NUMBER);
    net.client().NWCCCloseConn(h);
}

}  // namespace
}  // namespace varnook
