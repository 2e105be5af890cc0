#include "regtool.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/regfile.h"
#include "platform/registry.h"
#include "platform/testing/temp_registry.h"

namespace {

struct Result {
    int code;
    std::string out;
    std::string err;
};

class RegtoolTest : public ::testing::Test {
protected:
    Result run(std::vector<std::string> args, const std::string& answers = "") {
        std::istringstream in(answers);
        std::ostringstream out, err;
        const int code = regtool::run(args, in, out, err);
        EXPECT_EQ(vnk::win::RegOpenHandleCount(), 0u) << "a key handle leaked";
        return {code, out.str(), err.str()};
    }
    std::string file(const std::string& name, const std::string& bytes) {
        const std::string path = reg_.root() + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    static std::string slurp(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        std::ostringstream s;
        s << f.rdbuf();
        return s.str();
    }

    vnk::testing::TempRegistry reg_;
};

constexpr const char* kKey = "HKLM\\Software\\Kelm\\Varnook\\1.0.2";

TEST_F(RegtoolTest, AddAndQueryShowValuesAsTheConsoleToolDoes) {
    EXPECT_EQ(run({"add", kKey, "/f"}).code, 0);
    EXPECT_EQ(run({"add", kKey, "/v", "LogInfoToFile", "/d", "1", "/f"}).out,
              "The operation completed successfully.\n");
    EXPECT_EQ(run({"add", kKey, "/v", "Count", "/t", "REG_DWORD", "/d", "0x1e", "/f"}).code, 0);
    EXPECT_EQ(run({"add", kKey, "/v", "Bin", "/t", "reg_binary", "/d", "00FF10"}).code, 0);
    EXPECT_EQ(run({"add", kKey, "/v", "Multi", "/t", "REG_MULTI_SZ", "/d", "a\\0b"}).code, 0);
    EXPECT_EQ(run({"add", kKey, "/v", "Q", "/t", "REG_QWORD", "/d", "4294967296"}).code, 0);
    EXPECT_EQ(run({"add", std::string(kKey) + "\\Sub", "/ve", "/d", "x"}).code, 0);

    const Result r = run({"query", kKey});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out,
              "\nHKEY_LOCAL_MACHINE\\Software\\Kelm\\Varnook\\1.0.2\n"
              "    LogInfoToFile    REG_SZ    1\n"
              "    Count    REG_DWORD    0x1e\n"
              "    Bin    REG_BINARY    00FF10\n"
              "    Multi    REG_MULTI_SZ    a\\0b\n"
              "    Q    REG_QWORD    0x100000000\n"
              "\nHKEY_LOCAL_MACHINE\\Software\\Kelm\\Varnook\\1.0.2\\Sub\n\n");
    const Result one =
        run({"query", "hkey_local_machine\\software\\kelm\\varnook\\1.0.2", "/v", "loginfotofile"});
    EXPECT_EQ(one.out,
              "\nHKEY_LOCAL_MACHINE\\software\\kelm\\varnook\\1.0.2\n"
              "    LogInfoToFile    REG_SZ    1\n\n");
    const Result s = run({"query", "HKLM\\Software\\Kelm", "/v", "", "/s"});
    EXPECT_NE(s.out.find("(Default)    REG_SZ    x"), std::string::npos) << s.out;
    EXPECT_NE(s.out.find("End of search: 1 match(es) found."), std::string::npos);
}

TEST_F(RegtoolTest, ErrorsAndExitCodes) {
    Result r = run({"query", "HKLM\\Software\\Missing"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "ERROR: The system was unable to find the specified registry key or value.\n");
    EXPECT_EQ(run({"query", "HKXX\\Software"}).code, 1);
    EXPECT_EQ(run({"add", kKey, "/v", "D", "/t", "REG_DWORD", "/d", "4294967296"}).code, 1);
    EXPECT_EQ(run({"add", kKey, "/v", "D", "/t", "REG_DWORD", "/d", "-1"}).code, 1);
    EXPECT_EQ(run({"add", kKey, "/v", "B", "/t", "REG_BINARY", "/d", "0G"}).code, 1);
    EXPECT_EQ(run({"add", kKey, "/t", "REG_BOGUS"}).code, 1);
    EXPECT_EQ(run({"delete", "HKLM", "/f"}).code, 1);
    EXPECT_EQ(run({"frobnicate"}).code, 1);
    EXPECT_EQ(run({}).code, 1);
    EXPECT_EQ(run({"query", "/?"}).code, 0);
}

TEST_F(RegtoolTest, PromptsBeforeOverwritingOrDeleting) {
    ASSERT_EQ(run({"add", kKey, "/v", "V", "/d", "old"}).code, 0);
    Result r = run({"add", kKey, "/v", "V", "/d", "new"}, "no\n");
    EXPECT_NE(r.out.find("Value V exists, overwrite (Yes/No)?"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("cancelled"), std::string::npos);
    EXPECT_NE(run({"query", kKey, "/v", "V"}).out.find("old"), std::string::npos);
    EXPECT_EQ(run({"add", kKey, "/v", "V", "/d", "new"}, "yes\n").code, 0);
    EXPECT_NE(run({"query", kKey, "/v", "V"}).out.find("new"), std::string::npos);

    EXPECT_EQ(run({"delete", kKey}, "").code, 0);  // no answer: nothing deleted
    EXPECT_EQ(run({"query", kKey}).code, 0);
    EXPECT_EQ(run({"delete", kKey, "/v", "V", "/f"}).code, 0);
    EXPECT_EQ(run({"query", kKey, "/v", "V"}).code, 1);
    ASSERT_EQ(run({"add", kKey, "/v", "A", "/d", "1"}).code, 0);
    ASSERT_EQ(run({"add", kKey + std::string("\\Child"), "/v", "B", "/d", "1"}).code, 0);
    EXPECT_EQ(run({"delete", kKey, "/va", "/f"}).code, 0);
    EXPECT_EQ(run({"query", kKey, "/v", "A"}).code, 1);
    EXPECT_EQ(run({"query", kKey + std::string("\\Child"), "/v", "B"}).code, 0)
        << "/va keeps the subkeys";
    EXPECT_EQ(run({"delete", "HKLM\\Software\\Kelm"}, "y\n").code, 0);
    EXPECT_EQ(run({"query", "HKLM\\Software\\Kelm"}).code, 1);
}

TEST_F(RegtoolTest, ExportThenImportRestoresEverything) {
    ASSERT_EQ(
        run({"add", kKey, "/v", "Path", "/d", "C:\\logs\\\"quoted\" d\xC3\xA9j\xC3\xA0"}).code, 0);
    ASSERT_EQ(run({"add", kKey, "/v", "N", "/t", "REG_DWORD", "/d", "7"}).code, 0);
    ASSERT_EQ(run({"add", kKey, "/v", "E", "/t", "REG_EXPAND_SZ", "/d", "%HOME%/x"}).code, 0);
    ASSERT_EQ(run({"add", kKey, "/v", "Big", "/t", "REG_BINARY", "/d", std::string(200, 'A')}).code,
              0);
    ASSERT_EQ(run({"add", kKey + std::string("\\Deeper"), "/ve", "/d", "d"}).code, 0);
    const std::string out = reg_.root() + "/out.reg";
    ASSERT_EQ(run({"export", "HKLM\\Software\\Kelm", out}).code, 0);
    const std::string bytes = slurp(out);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE") << "UTF-16LE with a byte-order mark";
    const Result before = run({"query", "HKLM\\Software\\Kelm", "/s"});

    EXPECT_NE(run({"export", "HKLM\\Software\\Kelm", out}, "n\n").out.find("cancelled"),
              std::string::npos);
    ASSERT_EQ(run({"delete", "HKLM\\Software\\Kelm", "/f"}).code, 0);
    ASSERT_EQ(run({"import", out}).code, 0);
    EXPECT_EQ(run({"query", "HKLM\\Software\\Kelm", "/s"}).out, before.out);
}

TEST_F(RegtoolTest, ImportAppliesNothingFromABadFile) {
    const std::string bad = file("bad.reg",
                                 "Windows Registry Editor Version 5.00\r\n\r\n"
                                 "[HKEY_CURRENT_USER\\Software\\A]\r\n"
                                 "\"ok\"=\"1\"\r\n"
                                 "\"broken\"=dword:xyz\r\n");
    Result r = run({"import", bad});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("line 5"), std::string::npos) << r.err;
    EXPECT_EQ(run({"query", "HKCU\\Software\\A"}).code, 1) << "nothing was applied";
    EXPECT_EQ(run({"import", reg_.root() + "/missing.reg"}).code, 1);

    const std::string good = file("good.reg",
                                  "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\n"
                                  "; a comment\n"
                                  "[HKEY_CURRENT_USER\\Software\\A]\n"
                                  "\"ok\"=\"1\"\n"
                                  "\"gone\"=-\n"
                                  "@=hex(2):25,00,58,00,25,00,00,00\n"
                                  "[-HKEY_CURRENT_USER\\Software\\Nothing]\n");
    EXPECT_EQ(run({"import", good}).code, 0);
    EXPECT_NE(run({"query", "HKCU\\Software\\A", "/ve"}).out.find("REG_EXPAND_SZ    %X%"),
              std::string::npos);
}

TEST_F(RegtoolTest, CorruptOrUnreadableDatabaseGivesAClearError) {
    ASSERT_EQ(run({"add", kKey, "/f"}).code, 0);
    vnk::win::RegResetForTesting();
    const std::string hive = vnk::win::RegHiveFile(vnk::win::HKEY_LOCAL_MACHINE);
    std::string junk(8192, '\0');
    for (std::size_t i = 0; i < junk.size(); ++i) {
        junk[i] = static_cast<char>(i * 7919 % 251);
    }
    std::ofstream(hive, std::ios::binary | std::ios::trunc) << junk;
    Result r = run({"query", kKey});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("ERROR: The configuration registry database is corrupt."),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(hive), std::string::npos) << "the message names the file";
    EXPECT_EQ(run({"add", kKey, "/v", "x", "/d", "y", "/f"}).code, 1);

    // A truncated real database.
    vnk::win::RegResetForTesting();
    std::remove(hive.c_str());
    ASSERT_EQ(run({"add", kKey, "/v", "x", "/d", "y", "/f"}).code, 0);
    vnk::win::RegResetForTesting();
    ASSERT_EQ(truncate(hive.c_str(), 100), 0);
    r = run({"query", kKey});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("ERROR:"), std::string::npos);
}

TEST_F(RegtoolTest, ReadOnlyHiveRefusesChanges) {
    ASSERT_EQ(run({"add", kKey, "/v", "x", "/d", "y", "/f"}).code, 0);
    ASSERT_EQ(chmod(vnk::win::RegHiveFile(vnk::win::HKEY_LOCAL_MACHINE).c_str(), 0444), 0);
    EXPECT_EQ(run({"query", kKey}).code, 0);
    const Result r = run({"add", kKey, "/v", "x", "/d", "z", "/f"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("ERROR: Access is denied."), std::string::npos);
    EXPECT_EQ(run({"delete", kKey, "/f"}).code, 1);
}

TEST_F(RegtoolTest, TheProgramRunsAsACommand) {
    const std::string cmd = std::string(REGTOOL_EXE) + " add \"" + kKey +
                            "\" /v LogInfoToFile /d 1 /f > /dev/null && " + REGTOOL_EXE +
                            " query \"" + kKey + "\" /v Nope > /dev/null 2>&1";
    const int status = std::system(cmd.c_str());
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

// ---- Hostile input ---------------------------------------------------------------------------
std::string deepKey(const std::string& root, std::size_t levels) {
    std::string key = root;
    for (std::size_t i = 0; i < levels; ++i) {
        key += "\\k";
    }
    return key;
}

constexpr const char* kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";

TEST_F(RegtoolTest, KeysDeeperThan512LevelsAreRefusedAndNeverWalkedByRecursion) {
    Result r = run({"import", file("deep.reg", std::string(kHeader) + "[" +
                                                   deepKey("HKCU\\Software", 512) + "]\r\n")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("line 3: the key lies deeper than 512 levels"), std::string::npos)
        << r.err;
    EXPECT_EQ(run({"query", "HKCU\\Software"}).code, 1) << "nothing was imported";

    ASSERT_EQ(run({"import", file("deepest.reg", std::string(kHeader) + "[" +
                                                     deepKey("HKCU\\Software", 511) + "]\r\n")})
                  .code,
              0);
    r = run({"query", "HKCU\\Software", "/s"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find(deepKey("HKEY_CURRENT_USER\\Software", 511) + "\n"), std::string::npos);
    EXPECT_EQ(run({"export", "HKCU\\Software", reg_.root() + "/ok.reg"}).code, 0);

    // A deeper chain written into the database by hand is reported, not walked.
    vnk::win::RegResetForTesting();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(vnk::win::RegHiveFile(vnk::win::HKEY_CURRENT_USER).c_str(), &db),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                           "WHERE i < 600) INSERT INTO keys(id, parent, name, fold) "
                           "SELECT 100000 + i, CASE i WHEN 1 THEN 1 ELSE 99999 + i END, "
                           "'h', 'h' FROM n",
                           nullptr, nullptr, nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);
    for (const auto& args : {std::vector<std::string>{"query", "HKCU\\h", "/s"},
                             std::vector<std::string>{"export", "HKCU", reg_.root() + "/no.reg"}}) {
        r = run(args);
        EXPECT_EQ(r.code, 1) << args[0];
        EXPECT_NE(r.err.find("deeper than 512 levels"), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(reg_.root() + "/no.reg"));
}

TEST_F(RegtoolTest, AnImportIsAppliedWholeOrNotAtAll) {
    const std::string good = std::string(kHeader) +
                             "[HKEY_CURRENT_USER\\Software\\Good]\r\n"
                             "\"v\"=\"1\"\r\n";
    struct Case {
        std::string body;
        std::string error;
    };
    for (const Case& c : {
             Case{"[HKEY_CURRENT_USER\\Software\\" + std::string(300, 'n') + "]\r\n",
                  "line 5: a part of the key is longer than 255 characters"},
             Case{std::string("\"a\0b\"=\"x\"\r\n", 11),
                  "line 5: a value name may not contain a NUL"},
             Case{"[-HKEY_CURRENT_USER]\r\n", "line 5"},
         }) {
        const Result r = run({"import", file("bad.reg", good + c.body)});
        EXPECT_EQ(r.code, 1);
        EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("Nothing was imported."), std::string::npos) << r.err;
        EXPECT_EQ(run({"query", "HKCU\\Software\\Good"}).code, 1) << c.error;
    }
    // A folder or a named pipe is refused at once, never waited on.
    const std::string pipe = reg_.root() + "/pipe.reg";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path : {reg_.root(), pipe}) {
        const Result r = run({"import", path});
        EXPECT_EQ(r.code, 1);
        EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;
    }
    // One hive refuses: the other keeps nothing either.
    ASSERT_EQ(run({"add", "HKLM\\Software", "/f"}).code, 0);
    ASSERT_EQ(chmod(vnk::win::RegHiveFile(vnk::win::HKEY_LOCAL_MACHINE).c_str(), 0444), 0);
    const Result r =
        run({"import", file("two.reg", good + "[HKEY_LOCAL_MACHINE\\Software\\X]\r\n")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Access is denied"), std::string::npos) << r.err;
    EXPECT_EQ(run({"query", "HKCU\\Software\\Good"}).code, 1);
}

TEST_F(RegtoolTest, ExportWritesAFreshPrivateFileAndFollowsNoLink) {
    ASSERT_EQ(run({"add", kKey, "/v", "Secret", "/d", "s", "/f"}).code, 0);
    const std::string victim = file("victim.txt", "precious");
    const std::string out = reg_.root() + "/out.reg";
    ASSERT_EQ(symlink(victim.c_str(), (out + ".tmp-regtool").c_str()), 0);
    ASSERT_EQ(run({"export", kKey, out}).code, 0);
    EXPECT_EQ(slurp(victim), "precious");
    struct stat st {};
    ASSERT_EQ(lstat(out.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // Overwriting a link at the target replaces the link, never the file it points to.
    ASSERT_EQ(unlink(out.c_str()), 0);
    ASSERT_EQ(symlink(victim.c_str(), out.c_str()), 0);
    ASSERT_EQ(run({"export", kKey, out, "/y"}).code, 0);
    EXPECT_EQ(slurp(victim), "precious");
    ASSERT_EQ(lstat(out.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(reg_.root())) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names,
              (std::set<std::string>{"registry", "victim.txt", "out.reg", "out.reg.tmp-regtool"}))
        << "no temporary file is left behind";

    const Result r = run({"export", kKey, reg_.root() + "/missing/out.reg"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Error writing the file"), std::string::npos) << r.err;
}

}  // namespace
