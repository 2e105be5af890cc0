#include "core/broadcast.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "actionnet.h"
#include "netclient/fault.h"

namespace varnook {
namespace {

using test::ActionNetwork;
using test::kFs1;
using test::kOld;

VARNOOK_ACTION_TESTS(SendBroadcastTest);
VARNOOK_ACTION_TESTS(BroadcastMessageLimitTest);

TEST(BroadcastErrorText, NumberInPlainDecimal) {
    // Only the invalid-connection text has a blank before its dash.
    EXPECT_EQ(BroadcastErrorText(0x8801), "Error 34817 - Invalid connection");
    EXPECT_EQ(BroadcastErrorText(0x89FB), "Error 35323- Invalid parameters");
    EXPECT_EQ(BroadcastErrorText(0x89FC), "Error 35324- Message Q full");
    EXPECT_EQ(BroadcastErrorText(0x89FD), "Error 35325- Bad station no");
    EXPECT_EQ(BroadcastErrorText(0x89FF), "Error 35327- Unknown error");
}

TEST_P(SendBroadcastTest, EachConnectionGetsItsOwnResultAndTheMessageLands) {
    const std::vector<uint16_t> numbers = {12, 20, 15, 16, 99};
    const BroadcastOutcome out = SendBroadcast(net.client(), kFs1, "Going down", numbers);
    EXPECT_EQ(out.openResult, nw::SUCCESSFUL);
    EXPECT_EQ(out.result, nw::SUCCESSFUL);
    EXPECT_EQ(out.results,
              (std::vector<uint8_t>{nw::NW_BROADCAST_SENT, nw::NW_BROADCAST_NOT_LOGGED_IN,
                                    nw::NW_BROADCAST_REFUSES_MESSAGES, nw::NW_BROADCAST_HAS_MESSAGE,
                                    nw::NW_BROADCAST_NO_SUCH_CONNECTION}));
    // Station 12 now holds the message: a second one finds it waiting.
    const std::vector<uint16_t> twelve = {12};
    EXPECT_EQ(SendBroadcast(net.client(), kFs1, "Again", twelve).results,
              (std::vector<uint8_t>{nw::NW_BROADCAST_HAS_MESSAGE}));
    EXPECT_EQ(net.openHandleCount(), 0u);
}

TEST_P(SendBroadcastTest, RequestsTheServerRejectsGiveNoResults) {
    const std::vector<uint16_t> numbers = {12};
    EXPECT_EQ(SendBroadcast(net.client(), kFs1, "", numbers).result, nw::INVALID_PARAMETERS);
    const BroadcastOutcome tooLong =
        SendBroadcast(net.client(), kFs1, std::string(251, 'x'), numbers);
    EXPECT_EQ(tooLong.result, nw::INVALID_PARAMETERS);
    EXPECT_TRUE(tooLong.results.empty());
    // Nothing was stored: a message that fits still gets through.
    EXPECT_EQ(SendBroadcast(net.client(), kFs1, std::string(250, 'x'), numbers).results,
              (std::vector<uint8_t>{nw::NW_BROADCAST_SENT}));

    nw::FaultInjectingClient faulty(net.client());
    faulty.fail(nw::Op::NWSendBroadcastMessage, nw::MESSAGE_QUEUE_FULL);
    const BroadcastOutcome full = SendBroadcast(faulty, kFs1, "x", numbers);
    EXPECT_EQ(full.result, nw::MESSAGE_QUEUE_FULL);
    EXPECT_TRUE(full.results.empty());

    const BroadcastOutcome closed = SendBroadcast(net.client(), 99, "x", numbers);
    EXPECT_EQ(closed.openResult, nw::INVALID_CONNECTION);
    EXPECT_EQ(net.openHandleCount(), 0u);
}

TEST_P(BroadcastMessageLimitTest, FollowsTheServerVersion) {
    EXPECT_EQ(BroadcastMessageLimit(net.client(), kFs1), 250u);
    EXPECT_EQ(BroadcastMessageLimit(net.client(), kOld), 58u);
    EXPECT_EQ(BroadcastMessageLimit(net.client(), 99), 250u);
    EXPECT_EQ(net.openHandleCount(), 0u);
    // The older server takes 58 bytes and no more.
    const std::vector<uint16_t> nine = {9};
    EXPECT_EQ(SendBroadcast(net.client(), kOld, std::string(59, 'x'), nine).result,
              nw::INVALID_PARAMETERS);
    EXPECT_EQ(SendBroadcast(net.client(), kOld, std::string(58, 'x'), nine).result, nw::SUCCESSFUL);
}

TEST(BroadcastMessageLimitByVersion, ThreeElevenIsTheFirstToTakeTheLongMessage) {
    nw::testnet::TestNetwork net(R"({"workstation": {"connections": [
        {"server": "A", "user": "U", "station": 1}]},
        "servers": [{"name": "A", "version": [3, 11, 0]}]})");
    EXPECT_EQ(BroadcastMessageLimit(net.client(), 1), 250u);
}

}  // namespace
}  // namespace varnook
