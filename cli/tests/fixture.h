// A test on the small network: runs commands, checks JSON answers against the schema file, and
// checks that every command closed the connection handles it opened.
#pragma once

#include <gtest/gtest.h>

#include "errors.h"
#include "harness.h"
#include "netclient/testing/doors.h"
#include "netclient/testing/testnet.h"
#include "schemacheck.h"

namespace varnook::cli::test {

// The command tests run through both doors of the small network: in-process and over the wire to
// nwsimd, with the same assertions.
class CliTest : public ::testing::TestWithParam<nw::testnet::Door> {
private:
    std::unique_ptr<nw::testnet::DoorNetwork> owned_ =
        nw::testnet::DoorNetwork::open(GetParam(), kSmallNetwork, SmallNetworkFiles());

protected:
    nw::testnet::DoorNetwork& net = *owned_;
    Harness cli{net.client()};

    // Runs a command with --json, checks the exit code and the document against the schema.
    nlohmann::json Json(std::vector<std::string> args, int expected = kExitOk) {
        args.push_back("--json");
        const CliRun r = cli.run(args);
        EXPECT_EQ(r.code, expected) << r.err;
        const nlohmann::json doc = r.json();
        for (const std::string& p : SchemaProblems(CliSchema(), doc)) {
            ADD_FAILURE() << p;
        }
        return doc;
    }

    // Runs a command and checks its exit code; answers its standard error.
    std::string Err(const std::vector<std::string>& args, int expected) {
        const CliRun r = cli.run(args);
        EXPECT_EQ(r.code, expected) << r.out << r.err;
        return r.err;
    }

    void TearDown() override {
        EXPECT_EQ(net.openHandleCount(), 0u);
        const std::vector<std::string> complaints = net.trafficComplaints();
        EXPECT_TRUE(complaints.empty()) << "Wireshark: " << complaints.front();
    }
};

inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace varnook::cli::test
