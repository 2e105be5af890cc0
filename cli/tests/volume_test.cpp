// varnook-cli volume ...: each command against the volume control on a small volume, its JSON
// answer, its exit codes and the control's codes and texts in its errors.
#include "volume_fixture.h"
#include "volume_text.h"

namespace varnook::cli::test {
namespace {

TEST_F(VolumeCliTest, InfoGivesTheFiguresOfAMountedVolumeOnly) {
    nlohmann::json doc = Json({"info", "\\\\FS1\\SYS"});
    EXPECT_EQ(doc["volume"]["server"], "FS1");
    EXPECT_EQ(doc["volume"]["totalKb"], 4000);
    EXPECT_EQ(doc["volume"]["freeKb"], 1600);
    EXPECT_EQ(doc["volume"]["usedKb"], 2400);
    EXPECT_EQ(doc["volume"]["nameSpaces"], "DOS, Long Filename");
    doc = Json({"info", "//FS1/DATA"});
    EXPECT_EQ(doc["volume"]["loaded"], false);
    EXPECT_TRUE(doc["volume"]["totalKb"].is_null());
}

TEST_F(VolumeCliTest, LsListsEntriesWithAttributesSizeOwnerAndDates) {
    nlohmann::json doc = Json({"ls", "\\\\FS1\\SYS\\PUBLIC"});
    ASSERT_EQ(doc["count"], 1);
    const nlohmann::json& login = doc["entries"][0];
    EXPECT_EQ(login["name"], "LOGIN.EXE");
    EXPECT_EQ(login["attributes"], "RO");
    EXPECT_EQ(login["owner"], "\\\\FS1\\JSMITH");
    EXPECT_EQ(login["created"], "2020-01-02T03:04:06");
    doc = Json({"ls", "\\\\FS1\\SYS"});
    std::vector<std::string> names;
    for (const auto& e : doc["entries"]) {
        names.push_back(e["name"].get<std::string>() + "/" + e["type"].get<std::string>());
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"DOCS/directory", "EMPTY/directory", "HOME/directory",
                                        "PUBLIC/directory", "README.TXT/file"}));
    EXPECT_EQ(doc["entries"][4]["size"], 5);
    EXPECT_EQ(Json({"ls", "\\\\FS1\\SYS\\README.TXT"})["count"], 1) << "a file lists itself";
}

TEST_F(VolumeCliTest, FailuresCarryTheControlsCodeAndText) {
    EXPECT_TRUE(Contains(Err({"ls", "\\\\FS1\\SYS\\NOPE"}, kExitNotFound),
                         "\\\\FS1\\SYS\\NOPE: 0xCE17 (The specified entry could not be found.)"));
    EXPECT_TRUE(Contains(Err({"info", "\\\\FS9\\SYS"}, kExitNotFound), "0x89FC"));
    EXPECT_TRUE(
        Contains(Err({"ls", "\\\\FS1\\S.Y.S"}, kExitUsage), "0xCE01 (Invalid name format)"));
    EXPECT_TRUE(Contains(Err({"ls", "SYS:PUBLIC"}, kExitUsage), "no full name"));
    EXPECT_TRUE(Contains(Err({"mkdir", "\\\\FS1\\SYS\\NEW\\ONE"}, kExitNotFound), "0xCE17"));
    const CliRun r = cli.run({"volume", "limits", "\\\\FS1\\DATA", "--json"});
    EXPECT_EQ(r.code, kExitNotFound);
    EXPECT_TRUE(Contains(r.err, "0x8998 (Volume does not exist)"));
    EXPECT_EQ(Err({}, kExitUsage).find("subcommand") != std::string::npos, true);
}

TEST_F(VolumeCliTest, GrantSetsExactlyTheRightsAndRevokeTakesTheTrusteeAway) {
    EXPECT_EQ(Json({"grant", "\\\\FS1\\SYS\\DOCS", "JSMITH", "rwcf"})["result"]["rights"], "RWCF");
    EXPECT_EQ(Json({"grant", "\\\\FS1\\SYS\\DOCS", "JSMITH", "R"})["result"]["rights"], "R");
    nlohmann::json doc = Json({"trustees", "\\\\FS1\\SYS\\DOCS"});
    ASSERT_EQ(doc["count"], 1);
    EXPECT_EQ(doc["trustees"][0]["trustee"], "JSMITH");
    EXPECT_EQ(doc["trustees"][0]["rights"], "R");
    EXPECT_EQ(Json({"grant", "\\\\FS1\\SYS\\DOCS", "GUEST", "N"})["result"]["rights"], "");
    Json({"revoke", "\\\\FS1\\SYS\\DOCS", "JSMITH"});
    EXPECT_EQ(Json({"trustees", "\\\\FS1\\SYS\\DOCS"})["count"], 1);
    EXPECT_TRUE(Contains(Err({"revoke", "\\\\FS1\\SYS\\DOCS", "JSMITH"}, kExitNotFound),
                         "0x89FE (Trustee not found)"));
    EXPECT_EQ(Err({"grant", "\\\\FS1\\SYS\\DOCS", "NOBODY", "R"}, kExitNotFound).empty(), false);
    EXPECT_TRUE(
        Contains(Err({"grant", "\\\\FS1\\SYS\\DOCS", "JSMITH", "RXZ"}, kExitUsage), "SRWCEMFA"));
}

TEST_F(VolumeCliTest, TheInheritedRightsMaskKeepsSupervisor) {
    EXPECT_EQ(Json({"irm", "\\\\FS1\\SYS\\DOCS"})["result"]["rights"], "SRWCEMFA");
    EXPECT_EQ(Json({"irm", "\\\\FS1\\SYS\\DOCS", "RF"})["result"]["rights"], "SRF");
    EXPECT_EQ(Json({"irm", "\\\\FS1\\SYS\\DOCS", "ALL"})["result"]["rights"], "SRWCEMFA");
}

TEST_F(VolumeCliTest, UserAndDirectoryLimits) {
    nlohmann::json doc = Json({"limits", "\\\\FS1\\SYS"});
    ASSERT_EQ(doc["count"], 1);
    EXPECT_EQ(doc["limits"][0]["limitKb"], 1024);
    EXPECT_EQ(Json({"limit", "\\\\FS1\\SYS", "JSMITH", "10"})["result"]["limitKb"], 12);
    EXPECT_EQ(Json({"limit", "\\\\FS1\\SYS", "GUEST", "100"})["result"]["user"], "GUEST");
    Json({"limit", "\\\\FS1\\SYS", "JSMITH", "none"});
    doc = Json({"limits", "\\\\FS1\\SYS"});
    ASSERT_EQ(doc["count"], 1);
    EXPECT_EQ(doc["limits"][0]["user"], "GUEST");
    EXPECT_TRUE(Contains(Err({"limit", "\\\\FS1\\SYS", "GUEST", "0"}, kExitUsage), "none"));

    EXPECT_EQ(Json({"dirlimit", "\\\\FS1\\SYS\\HOME\\JSMITH", "800"})["result"]["limitKb"], 800);
    EXPECT_TRUE(
        Json({"dirlimit", "\\\\FS1\\SYS\\HOME\\JSMITH", "none"})["result"]["limitKb"].is_null());
    Err({"dirlimit", "\\\\FS1\\SYS", "800"}, kExitUsage);
    Err({"dirlimit", "\\\\FS1\\SYS\\README.TXT", "800"}, kExitUsage);
}

TEST_F(VolumeCliTest, DeletedFilesAreNumberedAndChosenById) {
    nlohmann::json doc = Json({"ls", "\\\\FS1\\SYS\\PUBLIC", "--deleted"});
    ASSERT_EQ(doc["count"], 2);
    EXPECT_EQ(doc["deleted"][1]["id"], 2);
    EXPECT_EQ(doc["deleted"][1]["size"], 10);
    const std::string both =
        Err({"salvage", "\\\\FS1\\SYS\\PUBLIC", "old notes.txt"}, kExitNotFound);
    EXPECT_TRUE(Contains(both, "choose one with --id")) << both;
    EXPECT_TRUE(Contains(both, "\n  1  Old Notes.txt  5 bytes, modified 2026-01-01T09:00:00"));
    EXPECT_TRUE(Contains(both, "\n  2  Old Notes.txt  10 bytes"));
    EXPECT_FALSE(std::filesystem::exists(disk("PUBLIC/Old Notes.txt")));

    doc = Json({"salvage", "\\\\FS1\\SYS\\PUBLIC", "Old Notes.txt", "--id", "2"});
    EXPECT_EQ(doc["result"]["path"], "\\\\FS1\\SYS\\PUBLIC\\Old Notes.txt");
    EXPECT_EQ(content("PUBLIC/Old Notes.txt"), "second one");
    EXPECT_TRUE(Contains(Err({"salvage", "\\\\FS1\\SYS\\PUBLIC", "Old Notes.txt"}, kExitNetWare),
                         "--as NEW"))
        << "the one left has a name that is taken";
    Json({"salvage", "\\\\FS1\\SYS\\PUBLIC", "Old Notes.txt", "--as", "Old Notes 1.txt"});
    EXPECT_EQ(content("PUBLIC/Old Notes 1.txt"), "first");
    Err({"purge", "\\\\FS1\\SYS\\PUBLIC", "Old Notes.txt"}, kExitNotFound);
    Err({"salvage", "\\\\FS1\\SYS\\PUBLIC", "x", "--id", "0"}, kExitUsage);
}

TEST_F(VolumeCliTest, PurgeRemovesOneDeletedFileForGood) {
    Json({"purge", "\\\\FS1\\SYS\\PUBLIC", "Old Notes.txt", "--id", "1"});
    const nlohmann::json doc = Json({"ls", "\\\\FS1\\SYS\\PUBLIC", "--deleted"});
    ASSERT_EQ(doc["count"], 1);
    EXPECT_EQ(doc["deleted"][0]["size"], 10) << "the second one is left";
}

TEST_F(VolumeCliTest, MakeCopyMoveAndRemoveEntries) {
    EXPECT_EQ(Json({"mkdir", "\\\\FS1\\SYS\\NEW"})["result"]["path"], "\\\\FS1\\SYS\\NEW");
    Json({"cp", "\\\\FS1\\SYS\\README.TXT", "NEW"});
    EXPECT_EQ(content("NEW/README.TXT"), "hello");
    EXPECT_EQ(Json({"mv", "\\\\FS1\\SYS\\NEW\\README.TXT", "COPY.TXT"})["result"]["to"],
              "\\\\FS1\\SYS\\NEW\\COPY.TXT");
    EXPECT_TRUE(Contains(Err({"rm", "\\\\FS1\\SYS\\NEW"}, kExitNetWare), "not empty"));
    Json({"rm", "\\\\FS1\\SYS\\NEW\\COPY.TXT"});
    Json({"rm", "\\\\FS1\\SYS\\NEW"});
    EXPECT_FALSE(std::filesystem::exists(disk("NEW")));
    EXPECT_TRUE(
        Contains(Err({"cp", "\\\\FS1\\SYS\\README.TXT", "README.TXT"}, kExitNetWare), "0xCE21"));
    Err({"rm", "\\\\FS1\\SYS\\GONE.TXT"}, kExitNotFound);
    Err({"rm", "\\\\FS1\\SYS"}, kExitUsage);
}

TEST_F(VolumeCliTest, AttribShowsAndChangesAttributes) {
    EXPECT_EQ(Json({"attrib", "\\\\FS1\\SYS\\PUBLIC\\LOGIN.EXE"})["result"]["attributes"], "RO SH");
    nlohmann::json doc = Json({"attrib", "\\\\FS1\\SYS\\PUBLIC\\LOGIN.EXE", "-RO", "+DI", "-sh"});
    EXPECT_EQ(doc["result"]["attributes"], "DI");
    const CliRun csv = cli.run({"volume", "attrib", "\\\\FS1\\SYS\\README.TXT", "+H", "--csv"});
    EXPECT_EQ(csv.out, "path,attributes\n\\\\FS1\\SYS\\README.TXT,H\n");
    Err({"attrib", "\\\\FS1\\SYS\\DOCS", "+SH"}, kExitUsage);
    Err({"attrib", "\\\\FS1\\SYS\\DOCS", "+CO"}, kExitUsage);
    Err({"attrib", "\\\\FS1\\SYS\\DOCS", "+H", "--watch", "1"}, kExitUsage);
}

// A full name in the directory form: the volume object is found among the name's prefixes.
TEST(VolumeDirectoryForm, PathsBelowAVolumeObject) {
    nw::testnet::TestNetwork net(R"({
      "workstation": { "connections": [ { "server": "FS1", "user": "ADMIN", "station": 1,
                                          "directoryAuthenticated": true } ] },
      "servers": [ { "name": "FS1", "tree": "ACME_TREE", "directoryName": "FS1.SALES.ACME",
                     "users": ["ADMIN", "JSMITH"],
                     "volumes": [ { "name": "SYS", "entries": [
                       { "path": "DOCS\\A.TXT", "trustees": [
                         { "object": "JSMITH", "rights": "RF" } ] } ] } ] } ],
      "trees": [ { "name": "ACME_TREE", "objects": [
          { "name": "JSMITH.SALES.ACME", "class": "User" },
          { "name": "FS1_SYS.SALES.ACME", "class": "Volume",
            "attributes": { "Host Server": "FS1.SALES.ACME", "Host Resource Name": "SYS" } } ] } ]
    })",
                                 {"volumes/FS1/SYS/DOCS/A.TXT"});
    Harness cli(net.client());
    cli.volumeControl = [&] { return volmarra::createControl(net.client()); };
    CliRun r = cli.run(
        {"volume", "trustees", "NDS:\\\\ACME_TREE\\ACME\\SALES\\FS1_SYS\\DOCS\\A.TXT", "--csv"});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(r.out, "trustee,fullName,rights\nJSMITH,NDS:\\\\ACME_TREE\\ACME\\SALES\\JSMITH,RF\n");
    r = cli.run({"volume", "ls", "NDS:\\\\ACME_TREE\\ACME\\SALES\\NOVOLUME\\DOCS"});
    EXPECT_NE(r.code, kExitOk);
    EXPECT_EQ(net.client().openHandleCount(), 0u);
}

TEST(VolumeText, RightsAttributesAndLimitsAsCommandsTakeThem) {
    EXPECT_EQ(RightsText(*ParseRights("fwr")), "RWF");
    EXPECT_EQ(RightsText(*ParseRights("all")), "SRWCEMFA");
    EXPECT_EQ(RightsText(*ParseRights("N")), "");
    EXPECT_FALSE(ParseRights(""));
    EXPECT_FALSE(ParseRights("RQ"));
    EXPECT_EQ(ParseAttributeChange("-ri")->set, false);
    EXPECT_EQ(kAttributes[ParseAttributeChange("+RI")->attribute].member, u"RenameInhibit");
    EXPECT_FALSE(ParseAttributeChange("+M")) << "Migrated can only be read";
    EXPECT_FALSE(ParseAttributeChange("RO"));
    EXPECT_EQ(ParseLimit("NONE"), 0);
    EXPECT_EQ(ParseLimit("2147483647"), 2147483647);
    EXPECT_FALSE(ParseLimit("2147483648"));
    EXPECT_FALSE(ParseLimit("-4"));
    EXPECT_FALSE(ParseLimit("4k"));
}

}  // namespace
}  // namespace varnook::cli::test
