// One test network, reached through either door of the simulated network: the in-process
// client, or the wire client over NCP/TCP to nwsimd's server on loopback. The tests of the
// queries, the actions and the command line run through both with the same assertions:
//
//     class Queries : public ::testing::TestWithParam<nw::testnet::Door> {
//         std::unique_ptr<nw::testnet::DoorNetwork> net =
//             nw::testnet::DoorNetwork::open(GetParam(), kNetwork, kFiles);
//     };
//     INSTANTIATE_TEST_SUITE_P(Doors, Queries, nw::testnet::kBothDoors, nw::testnet::doorName);
//
// Over the wire the workstation's connections log in as the network file's workstation users
// (nwsimd gives them passwords, written to a password file the client reads), and their own
// stations are those the server assigns: tests read them (ownStation) and never assume them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "netclient/client.h"

namespace nw::testnet {

enum class Door { InProcess, Wire };

inline const auto kBothDoors = ::testing::Values(Door::InProcess, Door::Wire);
std::string doorName(const ::testing::TestParamInfo<Door>& info);

class DoorNetwork {
public:
    // Builds the network from JSON text with the files listed made in a scratch folder (as
    // TestNetwork does) and opens it through the door.
    static std::unique_ptr<DoorNetwork> open(Door door, std::string_view json,
                                             const std::vector<std::string>& files = {});
    virtual ~DoorNetwork() = default;

    virtual Door door() const = 0;
    virtual Client& client() = 0;
    // Connection handles opened and not yet closed.
    virtual std::size_t openHandleCount() = 0;
    // Directory handles allocated and not yet freed; files opened and not yet closed.
    virtual std::size_t openDirHandleCount() = 0;
    virtual std::size_t openFileHandleCount() = 0;
    // Directory handles and open files the servers hold for the workstation's sessions (in-process
    // the client's own, as the simulated servers are its model); 0 once the server stopped.
    virtual std::size_t serverHeldHandles() = 0;
    virtual const std::filesystem::path& folder() const = 0;
    // The station number of the workstation's connection on its server (opening the reference
    // once when it is not attached yet); 0 when it cannot be opened.
    virtual nuint16 ownStation(NWCONN_REF ref) = 0;
    // Over the wire: ends the conversation (the client and the server) and answers what
    // Wireshark's dissector finds wrong in its traffic (nothing in-process, or when tshark is
    // missing); the network is of no further use. Tests that end normally expect nothing.
    virtual std::vector<std::string> trafficComplaints() { return {}; }
    // Over the wire: stops the server (every session ends, later connects are refused).
    virtual void stopServer() {}
    // Over the wire: request/reply round trips so far (0 in-process).
    virtual std::uint64_t roundTrips() { return 0; }
    // Over the wire: another workstation with the same connections (another administrator's);
    // null in-process.
    virtual std::unique_ptr<Client> anotherWorkstation() { return nullptr; }
    // Over the wire: the workstation file of the network (with its password file), for the
    // programs a test starts; empty in-process.
    virtual std::filesystem::path workstationFile() const { return {}; }

    // Opens a handle on a reference and fails the test when that does not work.
    NWCONN_HANDLE open(NWCONN_REF ref);
};

}  // namespace nw::testnet
