// The actions and the lock list on the small network: per-connection results, the windows'
// texts, confirmation, and exit codes.
#include "fixture.h"

namespace varnook::cli::test {
namespace {

bool StationExists(Harness& cli, const std::string& server, const std::string& number) {
    return cli.run({"user-info", server, number}).code != kExitNotFound;
}

TEST_P(CliTest, ClearAsksFirstAndNeedsYesWithoutATerminal) {
    EXPECT_TRUE(Contains(Err({"clear", "FS1", "12"}, kExitUsage), "--yes"));
    cli.answer = false;
    EXPECT_TRUE(Contains(Err({"clear", "FS1", "12", "14"}, kExitUsage), "cancelled"));
    EXPECT_EQ(cli.questions.back(), "Clear the following connection(s) on server FS1: 12, 14 ?");
    EXPECT_TRUE(StationExists(cli, "FS1", "12"));
    cli.answer = true;
    EXPECT_EQ(cli.run({"clear", "FS1", "12"}).code, kExitOk);
    EXPECT_FALSE(StationExists(cli, "FS1", "12"));
}

TEST_P(CliTest, ActionsRunOnceAndRefuseWatch) {
    EXPECT_TRUE(Contains(Err({"clear", "FS1", "12", "--yes", "--watch", "1"}, kExitUsage),
                         "--watch repeats queries only"));
    EXPECT_TRUE(StationExists(cli, "FS1", "12"));
    EXPECT_EQ(cli.run({"logins", "FS1", "disable", "-y", "--watch", "1"}).code, kExitUsage);
    EXPECT_EQ(Json({"logins", "FS1"})["servers"][0]["login"], "Enabled");
    // It says so before asking anything.
    cli.answer = true;
    EXPECT_EQ(cli.run({"clear", "FS1", "12", "--watch", "1"}).code, kExitUsage);
    EXPECT_TRUE(cli.questions.empty());
    EXPECT_EQ(cli.sleeps, 0);
}

TEST_P(CliTest, ClearReportsEveryConnectionInOrder) {
    const auto doc = Json({"clear", "fs1", "99", "12", "--yes"}, kExitNotFound);
    EXPECT_EQ(doc["server"], "FS1");
    ASSERT_EQ(doc["connections"].size(), 2u);
    EXPECT_EQ(doc["connections"][0]["result"], "Bad station no.");
    EXPECT_EQ(doc["connections"][0]["code"], 0x89FD);
    EXPECT_EQ(doc["connections"][1]["connection"], 12);
    EXPECT_EQ(doc["connections"][1]["result"], "Cleared OK");
    EXPECT_EQ(doc["cleared"], 1);
    EXPECT_EQ(doc["failed"], 1);
    // The cleared station goes with its open files and locks.
    EXPECT_EQ(Json({"locks", "G:\\Quarterly Report.xls"})["count"], 0);
}

TEST_P(CliTest, ClearWithoutConsoleRightsFailsForEveryConnection) {
    const CliRun r = cli.run({"clear", "OLD", "9", "--yes"});
    EXPECT_EQ(r.code, kExitNetWare);
    EXPECT_EQ(
        r.out,
        "Server: OLD\nCONN  CONNECTION CLEARED ?    CODE\n   9  No console privileges  35270\n");
    EXPECT_TRUE(Contains(r.err, "0x89C6"));
    EXPECT_TRUE(StationExists(cli, "OLD", "9"));
}

TEST_P(CliTest, SendReportsEachConnectionsResult) {
    const auto doc =
        Json({"send", "FS1", "12", "15", "20", "--message", "Back at five"}, kExitNetWare);
    EXPECT_EQ(doc["message"], "Back at five");
    EXPECT_EQ(doc["connections"][0]["result"], "Sent OK");
    EXPECT_EQ(doc["connections"][1]["result"], "Not accepting messages");
    EXPECT_EQ(doc["connections"][2]["result"], "Not logged in to server");
    EXPECT_EQ(doc["sent"], 1);
    // A station holds one message: a second one is refused.
    EXPECT_EQ(Json({"send", "FS1", "12", "-m", "again"}, kExitNetWare)["connections"][0]["result"],
              "Already has message");
}

TEST_P(CliTest, SendRefusesEmptyAndTooLongMessagesBeforeSending) {
    EXPECT_TRUE(Contains(Err({"send", "FS1", "12", "-m", ""}, kExitUsage),
                         "Please enter some text to send."));
    EXPECT_TRUE(
        Contains(Err({"send", "OLD", "9", "-m", std::string(59, 'x')}, kExitUsage), "at most 58"));
    EXPECT_TRUE(
        Contains(Err({"send", "FS1", "12", "-m", "\xe4\xb8\xad"}, kExitUsage), "code page"));
    EXPECT_TRUE(Contains(Err({"send", "FS1", "12"}, kExitUsage), "--message"));
    // Nothing reached station 12, so a message can still be delivered.
    EXPECT_EQ(cli.run({"send", "FS1", "12", "-m", std::string(250, 'x')}).code, kExitOk);
}

TEST_P(CliTest, LoginsShowsAndSwitchesTheServersLoginStatus) {
    EXPECT_EQ(cli.run({"logins", "FS1"}).out, "SERVER  LOGIN STATUS\nFS1     Enabled\n");
    EXPECT_TRUE(Contains(Err({"logins", "FS1", "disable"}, kExitUsage), "--yes"));
    cli.answer = true;
    EXPECT_EQ(Json({"logins", "FS1", "disable"})["servers"][0]["login"], "Disabled");
    EXPECT_EQ(cli.questions.back(), "Are you sure you want to disable logins on server FS1 ?");
    EXPECT_EQ(Json({"servers"})["servers"][0]["login"], "Disabled");
    EXPECT_EQ(Json({"logins", "FS1", "enable", "--yes"})["servers"][0]["login"], "Enabled");
    EXPECT_TRUE(Contains(Err({"logins", "FS1", "maybe"}, kExitUsage), "maybe"));
}

TEST_P(CliTest, LoginsWithoutConsoleRightsGivesTheWindowsText) {
    const std::string err = Err({"logins", "OLD", "disable", "-y"}, kExitNetWare);
    EXPECT_TRUE(Contains(err,
                         "Could not disable logins on server OLD !\nNo console operator "
                         "privileges.: NetWare error 0x89C6"))
        << err;
    EXPECT_EQ(Json({"logins", "OLD"})["servers"][0]["login"], "Enabled");
}

TEST_P(CliTest, UserInfoOfNormalAuthenticatedAndMissingStations) {
    auto doc = Json({"user-info", "FS1", "12"});
    const auto& info = doc["info"];
    EXPECT_EQ(info["user"], "JSMITH");
    EXPECT_EQ(info["status"], "Normal");
    EXPECT_EQ(info["inUse"], "Yes");
    EXPECT_EQ(info["address"], "0000C0A8:00001B2C3D4E:0003");
    EXPECT_EQ(info["loginTime"], "8:15:30  12/7/26");
    EXPECT_EQ(info["bytesRead"], 4294967296LL);
    EXPECT_EQ(info["bytesWritten"], 0);
    EXPECT_EQ(info["openFiles"], 2);
    EXPECT_EQ(info["locks"], 1);

    doc = Json({"user-info", "FS1", "14"});
    EXPECT_EQ(doc["info"]["status"], "Authenticated");
    EXPECT_TRUE(doc["info"]["user"].is_null());
    EXPECT_TRUE(doc["info"]["address"].is_string());

    doc = Json({"user-info", "FS1", "30"}, kExitNotFound);
    EXPECT_EQ(doc["info"]["status"], "Error: couldn't get info.");
    EXPECT_TRUE(Contains(Err({"user-info", "FS1", "30"}, kExitNotFound), "0x89FD"));
    EXPECT_TRUE(Contains(Err({"user-info", "FS1", "70000"}, kExitUsage), "70000"));
    EXPECT_TRUE(Contains(Err({"user-info", "FS9", "1"}, kExitNotFound), "FS9"));
}

TEST_P(CliTest, UserInfoTableUsesTheWindowsCaptions) {
    const std::string out = cli.run({"user-info", "FS1", "12"}).out;
    EXPECT_TRUE(Contains(out, "Connection in use:  Yes\n"));
    EXPECT_TRUE(Contains(out, "Total file locks:   1\n"));
}

TEST_P(CliTest, LocksOnAFileInEveryPathForm) {
    for (const char* path : {"G:\\Quarterly Report.xls", "FS1/DATA:SHARED\\Quarterly Report.xls",
                             "\\\\FS1\\DATA\\SHARED\\Quarterly Report.xls"}) {
        const auto doc = Json({"locks", path});
        EXPECT_EQ(doc["path"], path);
        EXPECT_EQ(doc["volumePath"], "DATA:\\SHARED\\Quarterly Report.xls");
        ASSERT_EQ(doc["locks"].size(), 1u) << path;
        EXPECT_EQ(doc["locks"][0]["type"], "File lock");
        EXPECT_EQ(doc["locks"][0]["end"], 511);
    }
    const CliRun r = cli.run({"locks", "G:\\free.txt"});
    EXPECT_EQ(r.code, kExitOk);
    EXPECT_EQ(r.out,
              "Server: FS1\nFile: DATA:\\SHARED\\free.txt\nDATA:\\SHARED\\free.txt:  0 locks.\n");
}

TEST_P(CliTest, LocksOnAMissingFileIsNotFoundAndTheDocumentSaysWhy) {
    const auto doc = Json({"locks", "G:\\missing.txt"}, kExitNotFound);
    EXPECT_EQ(doc["errorCode"], 0x899C);
    EXPECT_TRUE(Contains(doc["error"], "missing.txt"));
    EXPECT_TRUE(Contains(Err({"locks", "H:\\a.txt"}, kExitNotFound), "not a NetWare drive"));
    EXPECT_TRUE(Contains(Err({"locks", "a.txt"}, kExitUsage), "not a file path"));
}

}  // namespace
}  // namespace varnook::cli::test
