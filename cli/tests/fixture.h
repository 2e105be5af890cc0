// A test on the small network: runs commands, checks JSON answers against the schema file, and
// checks that every command closed the connection handles it opened.
#pragma once

#include <gtest/gtest.h>

#include "errors.h"
#include "harness.h"
#include "netclient/testing/testnet.h"
#include "schemacheck.h"

namespace varnook::cli::test {

class CliTest : public ::testing::Test {
protected:
    nw::testnet::TestNetwork net{kSmallNetwork, SmallNetworkFiles()};
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

    void TearDown() override { EXPECT_EQ(net.client().openHandleCount(), 0u); }
};

inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace varnook::cli::test
