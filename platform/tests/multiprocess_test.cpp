// Several processes on one registry: nothing lost, nothing corrupted, even when killed.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/registry.h"
#include "platform/testing/temp_registry.h"

extern char** environ;

using namespace vnk::win;

namespace {

// Starts the helper; with `output`, its standard output is the read end returned there.
pid_t spawn(std::vector<std::string> args, int* output = nullptr) {
    args.insert(args.begin(), STRESS_CHILD);
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int fds[2] = {-1, -1};
    if (output != nullptr) {
        EXPECT_EQ(pipe(fds), 0);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
    }
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, STRESS_CHILD, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    if (output != nullptr) {
        close(fds[1]);
        *output = fds[0];
    }
    return pid;
}

int waitExit(pid_t pid) {
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, 0), pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

bool payloadIntact(const std::string& s) {
    if (s.size() < 4) {
        return false;
    }
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < s.size() - 4; ++i) {
        sum = sum * 31 + static_cast<unsigned char>(s[i]);
    }
    std::uint32_t stored = 0;
    for (int b = 3; b >= 0; --b) {
        stored = (stored << 8) |
                 static_cast<unsigned char>(s[s.size() - 4 + static_cast<std::size_t>(b)]);
    }
    return sum == stored;
}

// Walks a key tree through the registry calls and checks every value's payload.
void checkTree(HKEY key, int& values) {
    for (DWORD i = 0;; ++i) {
        char name[300];
        DWORD len = sizeof name;
        DWORD size = 0;
        const LONG e = RegEnumValue(key, i, name, &len, nullptr, nullptr, nullptr, &size);
        if (e == ERROR_NO_MORE_ITEMS) {
            break;
        }
        ASSERT_EQ(e, ERROR_SUCCESS) << RegLastErrorDetail();
        std::string data(size, '\0');
        ASSERT_EQ(RegQueryValueEx(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()),
                                  &size),
                  ERROR_SUCCESS);
        EXPECT_TRUE(payloadIntact(data)) << "value " << name << " was torn";
        ++values;
    }
    for (DWORD i = 0;; ++i) {
        char name[300];
        DWORD len = sizeof name;
        const LONG e = RegEnumKeyEx(key, i, name, &len, nullptr, nullptr, nullptr, nullptr);
        if (e == ERROR_NO_MORE_ITEMS) {
            break;
        }
        ASSERT_EQ(e, ERROR_SUCCESS) << RegLastErrorDetail();
        UniqueHKey child;
        ASSERT_EQ(RegOpenKeyEx(key, name, 0, KEY_READ, child.put()), ERROR_SUCCESS);
        checkTree(child.get(), values);
    }
}

std::string integrityCheck(const std::string& path) {
    sqlite3* db = nullptr;
    std::string result = "cannot open";
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW) {
            result = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return result;
}

TEST(MultiProcess, TwoWritersOfAThousandValuesLoseNothing) {
    vnk::testing::TempRegistry reg;
    const pid_t a = spawn({"write", "A", "1000"});
    const pid_t b = spawn({"write", "B", "1000"});
    EXPECT_EQ(waitExit(a), 0);
    EXPECT_EQ(waitExit(b), 0);
    UniqueHKey k;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Stress", 0, KEY_READ, k.put()),
              ERROR_SUCCESS);
    int found = 0;
    for (const char* prefix : {"A", "B"}) {
        for (int i = 0; i < 1000; ++i) {
            const std::string name = std::string(prefix) + "_" + std::to_string(i);
            char buf[64];
            DWORD size = sizeof buf;
            ASSERT_EQ(RegQueryValueEx(k.get(), name.c_str(), nullptr, nullptr,
                                      reinterpret_cast<BYTE*>(buf), &size),
                      ERROR_SUCCESS)
                << name;
            EXPECT_EQ(std::string(buf), "value " + std::to_string(i) + " of " + prefix);
            ++found;
        }
    }
    EXPECT_EQ(found, 2000);
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKey(k.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              &values, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 2000u);
}

// A backup that copies the database file alone, after the programs ended, misses nothing.
TEST(MultiProcess, ExitingProgramsLeaveEveryValueInTheDatabaseFile) {
    vnk::testing::TempRegistry reg;
    EXPECT_EQ(waitExit(spawn({"write", "A", "100"})), 0);  // through a handle it closes
    EXPECT_EQ(waitExit(spawn({"root", "B", "100"})), 0);   // through the hive's own key
    const std::string copy = reg.root() + "/backup.db";
    ASSERT_TRUE(std::filesystem::copy_file(RegHiveFile(HKEY_CURRENT_USER), copy));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(("file:" + copy + "?immutable=1").c_str(), &db,
                              SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr),
              SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT count(*) FROM vals", -1, &st, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(st, 0), 200);
    sqlite3_finalize(st);
    sqlite3_close(db);
}

TEST(MultiProcess, KilledWritersNeverLeaveAHalfWrittenHive) {
    vnk::testing::TempRegistry reg;
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> delay(5, 60);
    int previous = 0;
    for (int round = 0; round < 25; ++round) {
        int ready = -1;
        const pid_t pid = spawn({"churn"}, &ready);
        char line[8] = {};
        ASSERT_GT(read(ready, line, sizeof line), 0) << "the writer did not start";
        close(ready);
        std::this_thread::sleep_for(std::chrono::milliseconds(delay(rng)));
        ASSERT_EQ(kill(pid, SIGKILL), 0);
        EXPECT_EQ(waitExit(pid), -SIGKILL) << "the writer stopped by itself";

        RegResetForTesting();  // open the hive afresh, as the next program would
        EXPECT_EQ(integrityCheck(RegHiveFile(HKEY_CURRENT_USER)), "ok") << "round " << round;
        UniqueHKey k;
        const LONG e = RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Churn", 0, KEY_READ, k.put());
        if (e == ERROR_FILE_NOT_FOUND) {
            continue;  // killed before its first write
        }
        ASSERT_EQ(e, ERROR_SUCCESS) << RegLastErrorDetail();
        int values = 0;
        checkTree(k.get(), values);
        previous = std::max(previous, values);
    }
    EXPECT_GT(previous, 0) << "the writers never got to write";
    EXPECT_EQ(RegOpenHandleCount(), 0u);
}

}  // namespace
