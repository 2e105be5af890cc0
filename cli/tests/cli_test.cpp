// The command line as a whole: parsing, exit codes, the three output forms and --watch.
#include "fixture.h"

namespace varnook::cli::test {
namespace {

INSTANTIATE_TEST_SUITE_P(Doors, CliTest, nw::testnet::kBothDoors, nw::testnet::doorName);

TEST_P(CliTest, UsageErrorsExitOneAndNameWhatWasWrong) {
    CliRun r = cli.run({});
    EXPECT_EQ(r.code, kExitUsage);
    EXPECT_NE(r.err.find("no command given"), std::string::npos);
    r = cli.run({"frobnicate"});
    EXPECT_EQ(r.code, kExitUsage);
    EXPECT_NE(r.err.find("frobnicate"), std::string::npos);
    r = cli.run({"servers", "--json", "--csv"});
    EXPECT_EQ(r.code, kExitUsage);
    EXPECT_NE(r.err.find("--csv"), std::string::npos);
    r = cli.run({"servers", "--count", "2"});
    EXPECT_EQ(r.code, kExitUsage);
    EXPECT_NE(r.err.find("--count goes with --watch"), std::string::npos);
    r = cli.run({"servers", "--watch", "0"});
    EXPECT_EQ(r.code, kExitUsage);
    EXPECT_NE(r.err.find("--watch"), std::string::npos);
    EXPECT_EQ(cli.run({"servers", "extra"}).code, kExitUsage);
    EXPECT_EQ(cli.run({"--network", "/nonexistent/network.json", "servers"}).code, kExitUsage);
    EXPECT_TRUE(cli.run({"servers", "--json", "--csv"}).out.empty());
}

TEST_P(CliTest, HelpForTheProgramAndEveryCommandExitsZero) {
    CliRun r = cli.run({"--help"});
    EXPECT_EQ(r.code, kExitOk);
    EXPECT_NE(r.out.find("Exit status"), std::string::npos);
    for (const char* command :
         {"servers", "drives", "locks", "clear", "send", "logins", "user-info"}) {
        r = cli.run({command, "--help"});
        EXPECT_EQ(r.code, kExitOk) << command;
        EXPECT_NE(r.out.find(command), std::string::npos) << command;
    }
    r = cli.run({"drives", "--help"});
    EXPECT_NE(r.out.find("Also takes --json, --csv, --watch"), std::string::npos);
    EXPECT_NE(r.out.find("Exit status"), std::string::npos);
    r = cli.run({"--version"});
    EXPECT_EQ(r.code, kExitOk);
    EXPECT_EQ(r.out, std::string(VARNOOK_VERSION_STRING) + "\n");
}

TEST_P(CliTest, ServersInEveryForm) {
    CliRun r = cli.run({"servers"});
    EXPECT_EQ(r.code, kExitOk);
    EXPECT_EQ(r.out,
              "SERVER  LOGIN STATUS  REF\n"
              "FS1     Enabled         1\n"
              "OLD     Enabled         2\n"
              "Found 2 servers.\n");
    EXPECT_EQ(cli.run({"servers", "--csv"}).out,
              "server,login,ref\nFS1,Enabled,1\nOLD,Enabled,2\n");
    const auto doc = Json({"servers"});
    EXPECT_EQ(doc["servers"][0]["server"], "FS1");
    EXPECT_EQ(doc["count"], 2);
}

TEST_P(CliTest, DrivesWithTheirServerVolumePathAndMapping) {
    const auto doc = Json({"drives"});
    ASSERT_EQ(doc["drives"].size(), 2u);
    EXPECT_EQ(doc["drives"][0]["drive"], "F:");
    EXPECT_EQ(doc["drives"][0]["volumePath"], "SYS:\\");
    EXPECT_EQ(doc["drives"][1]["server"], "FS1");
    EXPECT_EQ(doc["drives"][1]["volumePath"], "DATA:\\SHARED\\");
    EXPECT_EQ(doc["drives"][1]["mapping"], "\\\\FS1\\DATA\\SHARED");
}

TEST_P(CliTest, WatchMarksAServerWhoseConnectionWasClearedAsGone) {
    cli.onSleep = [&](int n) {
        if (n == 1) {
            const nw::nuint16 own = net.ownStation(1);
            const nw::NWCONN_HANDLE h = net.open(1);
            EXPECT_EQ(net.client().NWClearConnectionNumber(h, own), 0);
            net.client().NWCCCloseConn(h);
        }
        return true;
    };
    const CliRun r = cli.run({"servers", "--watch", "2.5", "--count", "3", "--json"});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    const auto docs = r.jsonLines();
    ASSERT_EQ(docs.size(), 3u);
    for (const auto& doc : docs) {
        EXPECT_TRUE(SchemaProblems(CliSchema(), doc).empty()) << doc.dump();
    }
    EXPECT_EQ(docs[0]["run"], 1);
    EXPECT_EQ(docs[0]["servers"][0]["change"], "new");
    // Rows of the run come first, then the rows gone since the last one.
    EXPECT_EQ(docs[1]["servers"][0]["server"], "OLD");
    EXPECT_EQ(docs[1]["servers"][0]["change"], "same");
    EXPECT_EQ(docs[1]["servers"][1]["server"], "FS1");
    EXPECT_EQ(docs[1]["servers"][1]["change"], "gone");
    EXPECT_EQ(docs[1]["count"], 1);
    ASSERT_EQ(docs[2]["servers"].size(), 1u);
    EXPECT_EQ(docs[2]["servers"][0]["change"], "same");
    EXPECT_EQ(cli.sleeps, 2);
    EXPECT_EQ(cli.slept, std::chrono::milliseconds(5000));
}

TEST_P(CliTest, AnInterruptedWatchEndsWithSuccess) {
    cli.onSleep = [](int) { return false; };
    const CliRun r = cli.run({"servers", "--watch", "1"});
    EXPECT_EQ(r.code, kExitOk);
    EXPECT_EQ(cli.sleeps, 1);
    EXPECT_NE(r.out.find("--- run 1 at "), std::string::npos);
}

}  // namespace
}  // namespace varnook::cli::test
