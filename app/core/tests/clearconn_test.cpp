#include "core/clearconn.h"

#include <gtest/gtest.h>

#include <vector>

#include "actionnet.h"
#include "netclient/fault.h"

namespace varnook {
namespace {

using test::ActionNetwork;
using test::kFs1;
using test::kOld;

VARNOOK_ACTION_TESTS(ClearConnectionsTest);

// Whether a station is still in the server's connection table.
bool StationExists(ActionNetwork& net, nw::NWCONN_REF ref, uint32_t number) {
    const nw::NWCONN_HANDLE h = net.open(ref);
    char name[256] = {};
    nw::nuint16 type = 0;
    nw::nuint32 id = 0;
    nw::nuint8 time[7] = {};
    const nw::NWCCODE rc =
        net.client().NWGetConnectionInformation(h, number, name, &type, &id, time);
    net.client().NWCCCloseConn(h);
    return rc == nw::SUCCESSFUL;
}

TEST_P(ClearConnectionsTest, EveryConnectionTriedInOrderAndClearedOnesGone) {
    const std::vector<uint16_t> numbers = {12, 99, 20};
    const ClearOutcome out = ClearConnections(net.client(), kFs1, numbers);
    EXPECT_EQ(out.openResult, nw::SUCCESSFUL);
    EXPECT_EQ(out.results, (std::vector<nw::NWCCODE>{0, nw::BAD_STATION_NUMBER, 0}));
    EXPECT_FALSE(StationExists(net, kFs1, 12));
    EXPECT_FALSE(StationExists(net, kFs1, 20));
    EXPECT_TRUE(StationExists(net, kFs1, 14));
    EXPECT_EQ(net.openHandleCount(), 0u);

    // Clearing the same stations again: they are gone now.
    const ClearOutcome again = ClearConnections(net.client(), kFs1, numbers);
    EXPECT_EQ(again.results, (std::vector<nw::NWCCODE>(3, nw::BAD_STATION_NUMBER)));
}

TEST_P(ClearConnectionsTest, WithoutConsoleRightsNothingIsCleared) {
    const std::vector<uint16_t> numbers = {9, 9};
    const ClearOutcome out = ClearConnections(net.client(), kOld, numbers);
    EXPECT_EQ(out.results, (std::vector<nw::NWCCODE>(2, nw::NO_CONSOLE_PRIVILEGES)));
    EXPECT_TRUE(StationExists(net, kOld, 9));
    EXPECT_EQ(net.openHandleCount(), 0u);
}

TEST_P(ClearConnectionsTest, UnopenedConnectionClearsNothing) {
    nw::FaultInjectingClient faulty(net.client());
    faulty.fail(nw::Op::NWCCOpenConnByRef, nw::INVALID_CONNECTION);
    const std::vector<uint16_t> numbers = {12};
    const ClearOutcome out = ClearConnections(faulty, kFs1, numbers);
    EXPECT_EQ(out.openResult, nw::INVALID_CONNECTION);
    EXPECT_TRUE(out.results.empty());
    EXPECT_EQ(faulty.calls(nw::Op::NWClearConnectionNumber), 0);
    EXPECT_EQ(faulty.calls(nw::Op::NWCCCloseConn), 0);
    EXPECT_TRUE(StationExists(net, kFs1, 12));
}

}  // namespace
}  // namespace varnook
