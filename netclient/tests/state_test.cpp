// What the simulated servers keep survives a restart; a process killed in the middle of a change
// loses at most that change and leaves the stored state sound.
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "volume_network.h"

namespace {

using namespace nw;
using testnet::VolumeTest;

using State = VolumeTest;

std::vector<std::string> deletedNames(sim::SimClient& sim, NWCONN_HANDLE conn, const char* dir) {
    NWDIR_HANDLE handle = 0;
    EXPECT_EQ(sim.AllocTempDirHandle(conn, NW_NS_LONG, dir, &handle), SUCCESSFUL);
    std::vector<std::string> names;
    nuint32 sequence = 0xFFFFFFFF;
    NW_DELETED_FILE deleted;
    while (sim.ScanSalvageableFiles(conn, handle, NW_NS_LONG, &sequence, &deleted) == SUCCESSFUL)
        names.emplace_back(deleted.entryName, deleted.nameLength);
    EXPECT_EQ(sim.DeallocDirHandle(conn, handle), SUCCESSFUL);
    return names;
}

std::vector<std::pair<nuint32, nuint16>> trustees(sim::SimClient& sim, NWCONN_HANDLE conn,
                                                  const char* path) {
    std::vector<std::pair<nuint32, nuint16>> found;
    nuint32 it = 0;
    TRUSTEE_SET set;
    while (sim.ScanEntryTrustees(conn, NW_NS_LONG, path, &it, &set) == SUCCESSFUL) {
        for (int i = 0; i < set.count; ++i)
            found.emplace_back(set.trustees[i].objectID, set.trustees[i].objectRights);
    }
    return found;
}

TEST_F(State, ARestartKeepsEveryChange) {
    nuint32 guestId = 0;
    ASSERT_EQ(sim().GetBinderyObjectID(admin, "GUEST", BINDERY_USER, &guestId), SUCCESSFUL);
    nuint32 sales = 0;
    ASSERT_EQ(sim().MapDirectoryNameToId(admin, "SALES.ACME", &sales), SUCCESSFUL);
    ASSERT_EQ(sim().AddTrusteeToEntry(admin, NW_NS_LONG, "SYS:HOME", guestId, TR_FILE_SCAN),
              SUCCESSFUL);
    ASSERT_EQ(sim().DeleteTrusteeFromEntry(admin, NW_NS_LONG, "SYS:PUBLIC", sales), SUCCESSFUL);
    NW_ENTRY_INFO change = info("SYS:readme.txt");
    change.attributes = A_SHAREABLE | A_NEEDS_ARCHIVED;
    change.inheritedRightsMask = TR_READ;
    change.archiverID = guestId;
    ASSERT_EQ(
        sim().ModifyEntryInfo(admin, NW_NS_LONG, 0x8006, "SYS:readme.txt",
                              DM_ATTRIBUTES | DM_INHERITED_RIGHTS_MASK | DM_ARCHIVER_ID, &change),
        SUCCESSFUL);
    ASSERT_EQ(sim().EraseFile(jsmith, NW_NS_LONG, SA_FILES, "SYS:HOME\\JSMITH\\notes.txt"),
              SUCCESSFUL);
    ASSERT_EQ(sim().SetObjectVolumeRestriction(admin, 0, guestId, 7), SUCCESSFUL);
    ASSERT_EQ(
        sim().MoveEntry(admin, NW_NS_LONG, SA_DIRECTORIES, "SYS:HOME\\JSMITH", "SYS:HOME\\John"),
        SUCCESSFUL);
    ASSERT_EQ(sim().CreateDirectory(jsmith, NW_NS_LONG, "SYS:HOME\\John\\New", 0x41), SUCCESSFUL);

    restart();

    EXPECT_EQ(trustees(sim(), admin, "SYS:HOME"),
              (std::vector<std::pair<nuint32, nuint16>>{{guestId, TR_FILE_SCAN}}));
    EXPECT_TRUE(trustees(sim(), admin, "SYS:PUBLIC").empty());  // the file's seed is not re-read
    NW_ENTRY_INFO kept = info("SYS:readme.txt");
    EXPECT_EQ(kept.attributes, A_SHAREABLE | A_NEEDS_ARCHIVED);
    EXPECT_EQ(kept.inheritedRightsMask, TR_READ | TR_SUPERVISOR);
    EXPECT_EQ(kept.archiverID, guestId);
    EXPECT_EQ(deletedNames(sim(), admin, "SYS:HOME\\John"), std::vector<std::string>{"notes.txt"});
    EXPECT_EQ(deletedNames(sim(), admin, "SYS:PUBLIC"), std::vector<std::string>{"Old Notes.txt"});
    nuint32 limit = 0, inUse = 0;
    EXPECT_EQ(sim().GetObjectVolumeRestriction(admin, 0, guestId, &limit, &inUse), SUCCESSFUL);
    EXPECT_EQ(limit, 7u);
    EXPECT_EQ(info("SYS:HOME\\John").spaceRestriction, 100);
    EXPECT_EQ(info("SYS:HOME\\John\\New").inheritedRightsMask, 0x41 | TR_SUPERVISOR);
    EXPECT_EQ(info("SYS:HOME\\John\\New").creatorID, 777u);

    // The deleted file's bytes come back after the restart too.
    NWDIR_HANDLE dir = 0;
    ASSERT_EQ(sim().AllocTempDirHandle(admin, NW_NS_LONG, "SYS:HOME\\John", &dir), SUCCESSFUL);
    nuint32 sequence = 0xFFFFFFFF;
    NW_DELETED_FILE deleted;
    ASSERT_EQ(sim().ScanSalvageableFiles(admin, dir, NW_NS_LONG, &sequence, &deleted), SUCCESSFUL);
    EXPECT_EQ(sim().RecoverSalvageableFile(admin, dir, NW_NS_LONG, sequence, nullptr), SUCCESSFUL);
    EXPECT_EQ(read("volumes/FS1/SYS/HOME/John/notes.txt"),
              "test file volumes/FS1/SYS/HOME/JSMITH/notes.txt\n");
    EXPECT_EQ(sim().DeallocDirHandle(admin, dir), SUCCESSFUL);
}

TEST(StateStore, WithoutAStoreNothingChangesButEverythingReads) {
    testnet::ScratchFolder folder(testnet::volumeNetworkFiles());
    folder.write("blocked", "a file where the state folder should be");
    std::string json = testnet::kVolumeNetwork;
    json.insert(json.find("\"servers\""), "\"state\": \"blocked/state\",\n  ");
    auto client = sim::SimClient::fromText(json, folder.path());
    NWCONN_HANDLE h = 0;
    ASSERT_EQ(client->NWCCOpenConnByRef(testnet::kAdmin, NWCC_OPEN_LICENSED, 0, &h), SUCCESSFUL);
    NW_ENTRY_INFO record;
    EXPECT_EQ(client->GetEntryInfo(h, NW_NS_LONG, SA_ANY, "SYS:PUBLIC\\LOGIN.EXE", &record),
              SUCCESSFUL);
    EXPECT_EQ(record.creatorID, 777u);  // the network file's data
    EXPECT_FALSE(client->stateError().empty());
    EXPECT_EQ(client->CreateDirectory(h, NW_NS_LONG, "SYS:X", 0xFB), DIRECTORY_IO_ERROR);
    EXPECT_EQ(client->EraseFile(h, NW_NS_LONG, SA_FILES, "SYS:readme.txt"), DIRECTORY_IO_ERROR);
    EXPECT_EQ(client->AddTrusteeToEntry(h, NW_NS_LONG, "SYS:", 777, TR_READ), DIRECTORY_IO_ERROR);
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "volumes/FS1/SYS/readme.txt"));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "volumes/FS1/SYS/X"));
    EXPECT_EQ(client->NWCCCloseConn(h), SUCCESSFUL);
}

TEST(StateStore, StateAndVolumeFoldersMayNotLieInEachOther) {
    testnet::ScratchFolder folder({"volumes/FS1/SYS/"});
    auto loadError = [&](const std::string& state) -> std::string {
        try {
            sim::SimClient::fromText(R"({"workstation": {}, "state": ")" + state + R"(",
                "servers": [{"name": "FS1", "volumes": [{"name": "SYS"}]}]})",
                                     folder.path(), "net.json");
        } catch (const sim::LoadError& error) {
            return error.what();
        }
        return "(loaded)";
    };
    EXPECT_NE(loadError("volumes/FS1/SYS/state")
                  .find("net.json: state: expected a folder for "
                        "the simulator's state outside every volume"),
              std::string::npos);
    // The sweep of kept deleted files would otherwise remove the volume's files.
    EXPECT_NE(loadError("volumes").find("net.json: state: expected a folder for the simulator's "
                                        "state that holds no volume folder"),
              std::string::npos);
    EXPECT_NE(loadError(".").find("that holds no volume folder"), std::string::npos);
    EXPECT_EQ(loadError("volumes-state"), "(loaded)");
}

TEST_F(State, TheSweepRemovesOnlyBytesTheStoreLeft) {
    info("SYS:readme.txt");  // the store is made
    std::filesystem::path kept = net.folder() / "state/deleted/FS1/SYS";
    testnet::ScratchFolder outside({"target.txt"});
    for (const char* name : {"notes.txt", "12abc", "4000000000", "4000000000.part", "1.tmp"})
        std::ofstream(kept / name) << "x";
    std::filesystem::create_directory(kept / "77");
    std::filesystem::create_symlink(outside.path() / "target.txt", kept / "55");
    restart();
    info("SYS:readme.txt");
    std::set<std::string> left;
    for (const auto& item : std::filesystem::directory_iterator(kept))
        left.insert(item.path().filename().string());
    // "1" holds the bytes of the network file's deleted file; ids without a record went.
    EXPECT_EQ(left, (std::set<std::string>{"1", "notes.txt", "12abc", "1.tmp", "77", "55"}));
    EXPECT_TRUE(std::filesystem::exists(outside.path() / "target.txt"));
}

TEST_F(State, TheStateIsTheUsersAlone) {
    std::filesystem::path state = net.folder() / "state";
    auto mode = [&](const std::string& relative) {
        struct stat st {};
        EXPECT_EQ(::lstat((state / relative).c_str(), &st), 0) << relative;
        return st.st_mode & 07777;
    };
    mode_t old = ::umask(022);
    // A state folder left open to others (as older versions made it) is narrowed.
    std::filesystem::create_directory(state);
    ::chmod(state.c_str(), 0755);
    ASSERT_EQ(sim().EraseFile(jsmith, NW_NS_LONG, SA_FILES, "SYS:HOME\\JSMITH\\notes.txt"),
              SUCCESSFUL);
    ::umask(old);
    EXPECT_EQ(mode(""), 0700u);
    for (const char* folder : {"deleted", "deleted/FS1", "deleted/FS1/SYS"})
        EXPECT_EQ(mode(folder), 0700u) << folder;
    for (const char* file : {"volumes.sqlite", "volumes.sqlite-wal", "volumes.sqlite-shm", "lock",
                             "deleted/FS1/SYS/1"}) {
        EXPECT_EQ(mode(file), 0600u) << file;
    }
}

TEST_F(State, ASecondSimulatorOnTheSameStateOnlyReads) {
    EXPECT_EQ(info("SYS:PUBLIC\\LOGIN.EXE").creatorID, 777u);  // this one holds the state
    auto second = sim::SimClient::fromText(testnet::kVolumeNetwork, net.folder());
    NWCONN_HANDLE h = 0;
    ASSERT_EQ(second->NWCCOpenConnByRef(testnet::kAdmin, NWCC_OPEN_LICENSED, 0, &h), SUCCESSFUL);
    NW_ENTRY_INFO record;
    EXPECT_EQ(second->GetEntryInfo(h, NW_NS_LONG, SA_ANY, "SYS:PUBLIC\\LOGIN.EXE", &record),
              SUCCESSFUL);
    EXPECT_EQ(record.creatorID, 777u);
    EXPECT_EQ(second->CreateDirectory(h, NW_NS_LONG, "SYS:X", 0xFB), DIRECTORY_IO_ERROR);
    EXPECT_NE(second->stateError().find("process " + std::to_string(::getpid())), std::string::npos)
        << second->stateError();
    EXPECT_EQ(second->NWCCCloseConn(h), SUCCESSFUL);
    // The first one still changes what it holds.
    EXPECT_EQ(sim().CreateDirectory(admin, NW_NS_LONG, "SYS:X", 0xFB), SUCCESSFUL);
}

// ---- Killed in the middle ---------------------------------------------------------------------

using Change = std::function<void(sim::SimClient&, NWCONN_HANDLE)>;

// Runs a change in a child process on the test's network, which ends (as if killed) at point.
// Answers the child's exit status (86 when the point was reached).
int runKilled(const testnet::TestNetwork& net, const char* point, const Change& change) {
    pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("NWSIM_CRASH_POINT", point, 1);
        auto client = sim::SimClient::fromText(testnet::kVolumeNetwork, net.folder());
        NWCONN_HANDLE h = 0;
        client->NWCCOpenConnByRef(testnet::kAdmin, NWCC_OPEN_LICENSED, 0, &h);
        change(*client, h);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct KillCase {
    const char* name;
    Change change;
    std::function<void(VolumeTest&)> before;  // what the test sees when the kill came before
    std::function<void(VolumeTest&)> after;   // ... and after the disk step
};

// A fixture driven by hand, several times in one test.
class Killed : public VolumeTest {
public:
    using VolumeTest::SetUp;
    using VolumeTest::TearDown;
    static std::vector<KillCase> cases();
    void TestBody() override {}
};

std::vector<KillCase> Killed::cases() {
    auto entryPath = [](VolumeTest& t, const char* path) {
        NW_ENTRY_INFO record;
        return t.net.client().GetEntryInfo(t.admin, NW_NS_LONG, SA_ANY, path, &record);
    };
    return {
        {"create",
         [](sim::SimClient& s, NWCONN_HANDLE h) {
             s.CreateDirectory(h, NW_NS_LONG, "SYS:Made", 0x41);
         },
         [=](VolumeTest& t) { EXPECT_EQ(entryPath(t, "SYS:Made"), INVALID_PATH); },
         [=](VolumeTest& t) {
             EXPECT_EQ(t.info("SYS:Made").inheritedRightsMask, 0x41 | TR_SUPERVISOR);
         }},
        {"erase",
         [](sim::SimClient& s, NWCONN_HANDLE h) {
             s.EraseFile(h, NW_NS_LONG, SA_FILES, "SYS:PUBLIC\\LOGIN.EXE");  // made writable first
         },
         [=](VolumeTest& t) {
             EXPECT_EQ(t.info("SYS:PUBLIC\\LOGIN.EXE").attributes, A_SHAREABLE);
             EXPECT_EQ(deletedNames(t.net.client(), t.admin, "SYS:PUBLIC").size(), 1u);
         },
         [=](VolumeTest& t) {
             EXPECT_EQ(entryPath(t, "SYS:PUBLIC\\LOGIN.EXE"), INVALID_PATH);
             EXPECT_EQ(deletedNames(t.net.client(), t.admin, "SYS:PUBLIC"),
                       (std::vector<std::string>{"Old Notes.txt", "LOGIN.EXE"}));
         }},
        {"move",
         [](sim::SimClient& s, NWCONN_HANDLE h) {
             s.MoveEntry(h, NW_NS_LONG, SA_DIRECTORIES, "SYS:HOME\\JSMITH", "SYS:John");
         },
         [=](VolumeTest& t) { EXPECT_EQ(t.info("SYS:HOME\\JSMITH").spaceRestriction, 100); },
         [=](VolumeTest& t) {
             EXPECT_EQ(t.info("SYS:John").spaceRestriction, 100);
             EXPECT_EQ(entryPath(t, "SYS:HOME\\JSMITH"), INVALID_PATH);
         }},
        {"remove",
         [](sim::SimClient& s, NWCONN_HANDLE h) {
             s.DeleteDirectory(h, NW_NS_LONG, "SYS:HOME\\MBROWN");
         },
         [=](VolumeTest& t) {
             EXPECT_EQ(t.info("SYS:HOME\\MBROWN").attributes, A_DIRECTORY | A_HIDDEN);
         },
         [=](VolumeTest& t) {
             EXPECT_EQ(entryPath(t, "SYS:HOME\\MBROWN"), INVALID_PATH);
             // Made again: none of the old metadata comes back.
             EXPECT_EQ(
                 t.net.client().CreateDirectory(t.admin, NW_NS_LONG, "SYS:HOME\\MBROWN", 0xFB),
                 SUCCESSFUL);
             EXPECT_EQ(t.info("SYS:HOME\\MBROWN").attributes, A_DIRECTORY);
         }},
        {"recover",
         [](sim::SimClient& s, NWCONN_HANDLE h) {
             NWDIR_HANDLE dir = 0;
             s.AllocTempDirHandle(h, NW_NS_LONG, "SYS:PUBLIC", &dir);
             s.RecoverSalvageableFile(h, dir, NW_NS_LONG, 1, nullptr);
         },
         [=](VolumeTest& t) {
             EXPECT_EQ(entryPath(t, "SYS:PUBLIC\\Old Notes.txt"), INVALID_PATH);
             EXPECT_EQ(deletedNames(t.net.client(), t.admin, "SYS:PUBLIC").size(), 1u);
         },
         [=](VolumeTest& t) {
             EXPECT_EQ(t.read("volumes/FS1/SYS/PUBLIC/Old Notes.txt"), "old");
             EXPECT_TRUE(deletedNames(t.net.client(), t.admin, "SYS:PUBLIC").empty());
         }},
    };
}

// Checks that the stored state is sound: the database is intact with no change left half done,
// every deleted file has its bytes and no bytes lie without a record.
void expectSoundState(VolumeTest& t) {
    VOLUME_STATS stats;
    ASSERT_EQ(t.net.client().GetVolumeStats(t.admin, 0, &stats), SUCCESSFUL);  // opens the store
    std::filesystem::path state = t.net.folder() / "state";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((state / "volumes.sqlite").c_str(), &db), SQLITE_OK);
    auto single = [&](const char* sql) {
        sqlite3_stmt* stmt = nullptr;
        std::string value;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW) {
            value = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        }
        sqlite3_finalize(stmt);
        return value;
    };
    EXPECT_EQ(single("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(single("SELECT count(*) FROM journal"), "0");
    std::set<std::string> recorded;
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT id FROM deleted", -1, &stmt, nullptr), SQLITE_OK);
    while (sqlite3_step(stmt) == SQLITE_ROW)
        recorded.insert(std::to_string(sqlite3_column_int64(stmt, 0)));
    sqlite3_finalize(stmt);
    ASSERT_EQ(
        sqlite3_prepare_v2(db, "SELECT path FROM entries WHERE volume = 'SYS'", -1, &stmt, nullptr),
        SQLITE_OK);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        std::string path = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        EXPECT_TRUE(std::filesystem::exists(t.net.folder() / "volumes/FS1/SYS" / path)) << path;
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    std::set<std::string> bytes;
    for (auto& file : std::filesystem::directory_iterator(state / "deleted/FS1/SYS"))
        bytes.insert(file.path().filename().string());
    EXPECT_EQ(bytes, recorded);
}

TEST(KilledInTheMiddle, EachChangeIsWholeOrAbsent) {
    for (const KillCase& kill : Killed::cases()) {
        for (const char* stage : {"disk", "done"}) {
            SCOPED_TRACE(std::string(kill.name) + ":" + stage);
            Killed t;
            t.SetUp();
            // Give each change something to act on.
            NW_ENTRY_INFO change = t.info("SYS:PUBLIC\\LOGIN.EXE");
            change.attributes = A_SHAREABLE;
            ASSERT_EQ(
                t.net.client().ModifyEntryInfo(t.admin, NW_NS_LONG, 0x8006, "SYS:PUBLIC\\LOGIN.EXE",
                                               DM_ATTRIBUTES, &change),
                SUCCESSFUL);
            change.attributes = A_HIDDEN;
            ASSERT_EQ(t.net.client().ModifyEntryInfo(t.admin, NW_NS_LONG, 0x8006,
                                                     "SYS:HOME\\MBROWN", DM_ATTRIBUTES, &change),
                      SUCCESSFUL);
            // The child must hold the state folder's lock: this process lets its store go.
            t.restart();
            std::string point = std::string(kill.name) + ":" + stage;
            EXPECT_EQ(runKilled(t.net, point.c_str(), kill.change), 86);
            t.restart();
            (std::string(stage) == "disk" ? kill.before : kill.after)(t);
            expectSoundState(t);
            t.TearDown();
        }
    }
}

TEST(KilledInTheMiddle, APurgeCutShortLeavesNoBytesBehind) {
    Killed t;
    t.SetUp();
    EXPECT_EQ(runKilled(t.net, "purge:disk",
                        [](sim::SimClient& s, NWCONN_HANDLE h) {
                            NWDIR_HANDLE dir = 0;
                            s.AllocTempDirHandle(h, NW_NS_LONG, "SYS:PUBLIC", &dir);
                            s.PurgeSalvageableFile(h, dir, 1);
                        }),
              86);
    t.restart();
    EXPECT_TRUE(deletedNames(t.net.client(), t.admin, "SYS:PUBLIC").empty());
    expectSoundState(t);
    t.TearDown();
}

// A process killed at a random moment while it changes entries over and over.
TEST(KilledInTheMiddle, AtRandomMomentsTheStateStaysSound) {
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        Killed t;
        t.SetUp();
        pid_t pid = ::fork();
        if (pid == 0) {
            auto client = sim::SimClient::fromText(testnet::kVolumeNetwork, t.net.folder());
            NWCONN_HANDLE h = 0;
            client->NWCCOpenConnByRef(testnet::kAdmin, NWCC_OPEN_LICENSED, 0, &h);
            NW_ENTRY_INFO record;
            NWDIR_HANDLE dir = 0;
            client->AllocTempDirHandle(h, NW_NS_LONG, "SYS:HOME", &dir);
            for (nuint32 i = 0;; ++i) {
                record.attributes = i & 1 ? A_HIDDEN : 0;
                client->ModifyEntryInfo(h, NW_NS_LONG, 0x8006, "SYS:readme.txt", DM_ATTRIBUTES,
                                        &record);
                client->AddTrusteeToEntry(h, NW_NS_LONG, "SYS:HOME", 777, i & 0xFF);
                NW_FILE_HANDLE file = 0;
                client->CreateFile(h, NW_NS_LONG, "SYS:HOME\\work.tmp", 0, false, &file);
                nuint32 written = 0;
                client->WriteFile(file, 4, "work", &written);
                client->CloseFile(file);
                client->MoveEntry(h, NW_NS_LONG, SA_FILES, "SYS:HOME\\work.tmp",
                                  "SYS:HOME\\MBROWN\\work.tmp");
                client->EraseFile(h, NW_NS_LONG, SA_FILES, "SYS:HOME\\MBROWN\\work.tmp");
                nuint32 sequence = 0xFFFFFFFF;
                NW_DELETED_FILE deleted;
                NWDIR_HANDLE mbrown = 0;
                client->AllocTempDirHandle(h, NW_NS_LONG, "SYS:HOME\\MBROWN", &mbrown);
                if (client->ScanSalvageableFiles(h, mbrown, NW_NS_LONG, &sequence, &deleted) ==
                    SUCCESSFUL) {
                    if (i % 3 == 0)
                        client->RecoverSalvageableFile(h, mbrown, NW_NS_LONG, sequence, nullptr);
                    else
                        client->PurgeSalvageableFile(h, mbrown, sequence);
                }
                client->EraseFile(h, NW_NS_LONG, SA_FILES, "SYS:HOME\\MBROWN\\work.tmp");
                client->DeallocDirHandle(h, mbrown);
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(150 + 97 * round));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status));
        t.restart();
        expectSoundState(t);
        t.info("SYS:readme.txt");
        t.TearDown();
    }
}

}  // namespace
