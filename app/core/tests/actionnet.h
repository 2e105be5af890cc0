// The network the action tests share: FS1 (NetWare 5) where the workstation is a console
// operator, OLD (NetWare 3.10) where it is not, and stations that answer every way an action can
// meet: a user with locks of every type, an authenticated station, one refusing messages, one
// with a message pending, one attached without a user.
#pragma once

#include <string>
#include <vector>

#include "netclient/testing/doors.h"
#include "netclient/testing/testnet.h"

namespace varnook::test {

inline constexpr nw::NWCONN_REF kFs1 = 1;  // ADMIN, console operator
inline constexpr nw::NWCONN_REF kOld = 2;  // GUEST, no console rights

inline constexpr const char* kActionNetwork = R"({
  "workstation": {
    "drives": [ { "letter": "F", "target": "\\\\FS1\\DATA" } ],
    "connections": [
      { "server": "FS1", "user": "ADMIN", "station": 1, "consoleOperator": true },
      { "server": "OLD", "user": "GUEST", "station": 2 } ]
  },
  "servers": [
    { "name": "FS1", "version": [5, 0, 0],
      "volumes": [ { "name": "DATA" } ],
      "connections": [
        { "number": 12, "user": "JSMITH", "loginTime": "2026-12-07T08:15:30",
          "address": { "network": "0000C0A8", "node": "00001B2C3D4E", "socket": "0003" },
          "bytesRead": 4294967296, "bytesWritten": 0,
          "openFiles": [
            { "path": "DATA:SHARED\\Quarterly Report.xls",
              "locks": [ { "start": 0, "end": 511, "type": 0, "task": 1 },
                         { "start": 512, "end": 1023, "type": 254, "task": 3 },
                         { "start": 100, "end": 199, "type": 1, "task": 1 },
                         { "start": 0, "end": 4294967295, "type": 255, "task": 255 } ] },
            { "path": "DATA:notes.txt" } ] },
        { "number": 14, "user": "MBROWN", "status": "authenticated",
          "bytesRead": 7340032 },
        { "number": 15, "user": "LCHEN", "messages": "refuse" },
        { "number": 16, "user": "AGARCIA", "pendingMessage": "Back up at five." },
        { "number": 20 } ] },
    { "name": "OLD", "version": [3, 10, 0], "volumes": [ { "name": "SYS" } ],
      "connections": [ { "number": 9, "user": "HSCHMIDT" } ] }
  ]
})";

inline std::vector<std::string> ActionNetworkFiles() {
    return {"volumes/FS1/DATA/SHARED/Quarterly Report.xls", "volumes/FS1/DATA/notes.txt",
            "volumes/OLD/SYS/"};
}

using ActionNetwork = nw::testnet::DoorNetwork;

// The action tests run through both doors of the network: in-process and over the wire to
// nwsimd, with the same assertions. `net` is the network of this file.
class ActionTest : public ::testing::TestWithParam<nw::testnet::Door> {
protected:
    ActionTest()
        : owned_(nw::testnet::DoorNetwork::open(GetParam(), kActionNetwork, ActionNetworkFiles())),
          net(*owned_) {}
    ~ActionTest() override {
        const std::vector<std::string> complaints = net.trafficComplaints();
        EXPECT_TRUE(complaints.empty()) << "Wireshark: " << complaints.front();
    }

private:
    std::unique_ptr<ActionNetwork> owned_;

protected:
    ActionNetwork& net;
};

// A suite of action tests (TEST_P) on both doors.
#define VARNOOK_ACTION_TESTS(Suite)                      \
    class Suite : public ::varnook::test::ActionTest {}; \
    INSTANTIATE_TEST_SUITE_P(Doors, Suite, ::nw::testnet::kBothDoors, ::nw::testnet::doorName)

}  // namespace varnook::test
