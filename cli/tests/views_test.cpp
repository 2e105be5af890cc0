// The file usage queries on the small network: who has a file open, what one connection or a
// whole server has open, who is logged in, and waiting until a file is free.
#include "fixture.h"

namespace varnook::cli::test {
namespace {

constexpr const char* kReport = "G:\\Quarterly Report.xls";

// Clears stations of FS1 the way an administrator elsewhere would.
void ClearStations(nw::testnet::DoorNetwork& net, std::initializer_list<nw::nuint32> stations) {
    const nw::NWCONN_HANDLE h = net.open(1);
    for (nw::nuint32 station : stations) {
        EXPECT_EQ(net.client().NWClearConnectionNumber(h, station), 0);
    }
    net.client().NWCCCloseConn(h);
}

TEST_P(CliTest, WhoHasListsEveryConnectionWithTheWindowsTexts) {
    const CliRun r = cli.run({"who-has", kReport});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(r.out,
              "Server: FS1\n"
              "File: DATA:\\SHARED\\Quarterly Report.xls\n"
              "CONN  USER\n"
              "  12  JSMITH\n"
              "  14  <Error getting ID>\n"
              "2 users have file open\n");
    for (const char* path :
         {"fs1/data:shared/quarterly report.xls", "\\\\FS1\\DATA\\SHARED\\Quarterly Report.xls"}) {
        const auto doc = Json({"who-has", path});
        EXPECT_EQ(doc["count"], 2) << path;
        EXPECT_EQ(doc["connections"][0]["user"], "JSMITH") << path;
    }
    EXPECT_EQ(cli.run({"who-has", kReport, "--csv"}).out,
              "connection,user\n12,JSMITH\n14,<Error getting ID>\n");
}

TEST_P(CliTest, WhoHasOnAFreeFileAndAMissingOne) {
    EXPECT_EQ(cli.run({"who-has", "G:\\free.txt"}).out,
              "Server: FS1\nFile: DATA:\\SHARED\\free.txt\n0 users have file open\n");
    const auto doc = Json({"who-has", "G:\\missing.txt"}, kExitNotFound);
    EXPECT_TRUE(doc["connections"].empty());
    EXPECT_EQ(doc["errorCode"], 0x899C);
    EXPECT_TRUE(Contains(Err({"who-has", "G:\\missing.txt"}, kExitNotFound), "missing.txt"));
}

TEST_P(CliTest, AVolumeWithDosNamesOnly) {
    auto doc = Json({"who-has", "OLD/SYS:ledger.dbf"});
    ASSERT_EQ(doc["connections"].size(), 1u);
    EXPECT_EQ(doc["connections"][0]["user"], "HSCHMIDT");
    doc = Json({"locks", "\\\\OLD\\SYS\\LEDGER.DBF"});
    ASSERT_EQ(doc["locks"].size(), 1u);
    EXPECT_EQ(doc["locks"][0]["type"], "Share file set");
    EXPECT_EQ(Json({"files-of", "OLD", "9"})["files"][0]["path"], "SYS:\\LEDGER.DBF");
}

TEST_P(CliTest, WatchedWhoHasMarksAClearedStationAsGone) {
    cli.onSleep = [&](int n) {
        if (n == 1) {
            ClearStations(net, {14});
        }
        return true;
    };
    const CliRun r = cli.run({"who-has", kReport, "--watch", "5", "--count", "2"});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_TRUE(Contains(r.out, "--- run 2 at 2026-05-01T10:00:11\n")) << r.out;
    EXPECT_TRUE(Contains(r.out, "\n    12  JSMITH\n-   14  <Error getting ID>\n")) << r.out;
    EXPECT_TRUE(Contains(r.out, "1 users have file open (0 new, 0 changed, 1 gone)\n")) << r.out;
}

TEST_P(CliTest, WaitFreeEndsWhenTheLastStationIsCleared) {
    cli.onSleep = [&](int n) {
        if (n == 1) {
            ClearStations(net, {12});
        } else if (n == 2) {
            ClearStations(net, {14});
        }
        return true;
    };
    const auto doc = Json({"--wait-free", kReport, "--timeout", "60"});
    EXPECT_EQ(doc["free"], true);
    EXPECT_EQ(doc["polls"], 3);
    EXPECT_EQ(doc["waitedMs"], 2000);
    EXPECT_TRUE(doc["connections"].empty());
    EXPECT_EQ(cli.sleeps, 2);
}

TEST_P(CliTest, WaitFreeTimesOutWithTheConnectionsThatStillHaveTheFile) {
    const CliRun r = cli.run({"--wait-free", kReport, "--timeout", "2.5", "--csv"});
    EXPECT_EQ(r.code, kExitNotFound);
    EXPECT_EQ(r.out, "connection,user\n12,JSMITH\n14,<Error getting ID>\n");
    EXPECT_TRUE(Contains(r.err, "timed out after 2.5 s: 2 connections still have")) << r.err;
    // It looked at 0, 1, 2 and once more when the time was up.
    EXPECT_EQ(cli.sleeps, 3);
    EXPECT_EQ(cli.slept, std::chrono::milliseconds(2500));
}

TEST_P(CliTest, WaitFreeWithoutWaitingAndInterrupted) {
    CliRun r = cli.run({"--wait-free", "G:\\free.txt", "--timeout", "0"});
    EXPECT_EQ(r.code, kExitOk);
    EXPECT_EQ(r.out, "DATA:\\SHARED\\free.txt is free.\n");
    EXPECT_EQ(cli.run({"--wait-free", kReport, "--timeout", "0"}).code, kExitNotFound);
    EXPECT_EQ(cli.sleeps, 0);
    cli.onSleep = [](int) { return false; };
    r = cli.run({"--wait-free", kReport});
    EXPECT_EQ(r.code, kExitInterrupted);
    EXPECT_TRUE(Contains(r.err, "interrupted")) << r.err;
    EXPECT_EQ(cli.run({"--wait-free", "G:\\missing.txt"}).code, kExitNotFound);
}

TEST_P(CliTest, WaitFreeGoesWithNoCommandAndNoWatch) {
    EXPECT_TRUE(Contains(Err({"--wait-free", kReport, "servers"}, kExitUsage), "no command"));
    EXPECT_TRUE(Contains(Err({"servers", "--timeout", "3"}, kExitUsage), "--wait-free"));
    EXPECT_TRUE(Contains(Err({"--wait-free", kReport, "--watch", "3"}, kExitUsage), "--watch"));
    EXPECT_TRUE(Contains(Err({"--wait-free", kReport, "--timeout", "-1"}, kExitUsage), "-1"));
}

TEST_P(CliTest, FilesOfAConnectionWithLockCounts) {
    auto doc = Json({"files-of", "FS1", "12"});
    ASSERT_EQ(doc["files"].size(), 2u);
    EXPECT_EQ(doc["files"][0]["path"], "DATA:\\SHARED\\Quarterly Report.xls");
    EXPECT_EQ(doc["files"][0]["locks"], 1);
    EXPECT_EQ(doc["files"][1]["path"], "SYS:\\PUBLIC\\LOGIN.EXE");
    EXPECT_TRUE(doc["files"][1]["locks"].is_null());
    EXPECT_EQ(cli.run({"files-of", "FS1", "20"}).out,
              "Server: FS1\nConnection: 20\n0 files open\n");
    doc = Json({"files-of", "FS1", "30"}, kExitNotFound);
    EXPECT_EQ(doc["errorCode"], 0x89FD);
    EXPECT_EQ(doc["error"], "Couldn't count files: NetWare error 0x89FD (bad station number)");
}

TEST_P(CliTest, OpenFilesOfAServerFilteredByUserAndPath) {
    auto doc = Json({"open-files", "FS1"});
    ASSERT_EQ(doc["count"], 4);
    EXPECT_EQ(doc["files"][0]["user"], "JSMITH");
    EXPECT_EQ(doc["files"][2]["connection"], 14);
    EXPECT_EQ(doc["files"][2]["user"], "MBROWN");
    EXPECT_TRUE(doc["user"].is_null());

    doc = Json({"open-files", "FS1", "--user", "mbrown"});
    ASSERT_EQ(doc["count"], 1);
    EXPECT_EQ(doc["user"], "mbrown");
    doc = Json({"open-files", "FS1", "--path", "data:shared"});
    EXPECT_EQ(doc["pathPrefix"], "data:\\shared");
    EXPECT_EQ(doc["count"], 3);
    doc = Json({"open-files", "FS1", "--path", "SYS:/PUBLIC/", "--user", "JSMITH"});
    EXPECT_EQ(doc["count"], 1);
    EXPECT_EQ(Json({"open-files", "FS1", "--user", "JSMIT"})["count"], 0);

    // A path with a comma is quoted.
    EXPECT_TRUE(Contains(cli.run({"open-files", "FS1", "--csv"}).out,
                         "\n\"DATA:\\SHARED\\Notes, final.txt\",LCHEN,15,\n"));
}

TEST_P(CliTest, ConnectionsOfLoggedInUsersWithTheirStatus) {
    // The workstation's own station is the one its server gave it.
    const std::string own = std::to_string(net.ownStation(1));
    const CliRun r = cli.run({"connections", "FS1"});
    EXPECT_EQ(r.code, kExitOk);
    EXPECT_EQ(r.out,
              "Server: FS1\n"
              "CONN  USER    STATUS\n" +
                  std::string(4 - own.size(), ' ') + own +
                  "  ADMIN   Normal\n"
                  "  12  JSMITH  Normal\n"
                  "  14  MBROWN  Authenticated\n"
                  "  15  LCHEN   Normal\n"
                  "4 connections.\n");
    cli.onSleep = [&](int) {
        ClearStations(net, {15});
        return true;
    };
    const auto docs =
        cli.run({"connections", "FS1", "--json", "--watch", "1", "--count", "2"}).jsonLines();
    ASSERT_EQ(docs.size(), 2u);
    EXPECT_EQ(docs[1]["connections"][3]["connection"], 15);
    EXPECT_EQ(docs[1]["connections"][3]["change"], "gone");
    EXPECT_TRUE(SchemaProblems(CliSchema(), docs[1]).empty());
}

TEST_P(CliTest, AServerThatCannotBeReachedIsANetWareError) {
    ClearStations(net, {net.ownStation(1)});  // the workstation's own connection to FS1
    EXPECT_TRUE(
        Contains(Err({"connections", "FS1"}, kExitNotFound), "no connection to server FS1"));
}

}  // namespace
}  // namespace varnook::cli::test
