// The registry under hostile conditions: a folder that is not private, a backup of the database
// file alone, keys too deep, batches that fail, and enumeration of big keys.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/registry.h"
#include "platform/testing/temp_registry.h"

using namespace vnk::win;
namespace fs = std::filesystem;

namespace {

UniqueHKey create(HKEY root, const std::string& path) {
    UniqueHKey k;
    EXPECT_EQ(RegCreateKeyEx(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(),
                             nullptr),
              ERROR_SUCCESS)
        << path.substr(0, 80) << ": " << RegLastErrorDetail();
    return k;
}

LONG setString(HKEY k, const std::string& name, const std::string& text) {
    return RegSetValueEx(k, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1));
}

// Runs one query on a database file with a connection of its own; -1 when it fails.
std::int64_t count(const std::string& file, const char* sql) {
    sqlite3* db = nullptr;
    std::int64_t n = -1;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW) {
            n = sqlite3_column_int64(st, 0);
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return n;
}

std::string repeatPath(const std::string& part, std::size_t levels) {
    std::string path = part;
    for (std::size_t i = 1; i < levels; ++i) {
        path += "\\" + part;
    }
    return path;
}

// Sets or unsets an environment variable for the life of the object.
class EnvVar {
public:
    EnvVar(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            saved_ = old;
        }
        if (value) {
            setenv(name, value->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }
    ~EnvVar() {
        if (saved_) {
            setenv(name_, saved_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> saved_;
};

class RegistrySafety : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(RegOpenHandleCount(), 0u) << "a key handle leaked"; }
    vnk::testing::TempRegistry reg_;
};

// ---- A private folder ---------------------------------------------------------------------------
TEST_F(RegistrySafety, WithoutAKnownPrivateFolderEveryCallIsRefused) {
    EnvVar dir("VARNOOK_REGISTRY_DIR", std::nullopt);
    EnvVar xdg("XDG_DATA_HOME", std::nullopt);
    EnvVar home("HOME", std::nullopt);
    RegResetForTesting();
    UniqueHKey k;
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\V", 0, nullptr, 0, KEY_ALL_ACCESS,
                             nullptr, k.put(), nullptr),
              ERROR_CANTOPEN);
    EXPECT_NE(RegLastErrorDetail().find("no private folder"), std::string::npos)
        << RegLastErrorDetail();
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, k.put()), ERROR_CANTOPEN);
    EXPECT_EQ(RegStorageDirectory(), "");
    EXPECT_EQ(RegHiveFile(HKEY_CURRENT_USER), "");
}

TEST_F(RegistrySafety, AFolderOrDatabaseOthersMayWriteIsRefused) {
    create(HKEY_CURRENT_USER, "Software");
    ASSERT_EQ(chmod(reg_.dir().c_str(), 0770), 0);
    UniqueHKey k;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, k.put()),
              ERROR_ACCESS_DENIED);
    EXPECT_NE(RegLastErrorDetail().find("may be written by other users (mode 0770)"),
              std::string::npos)
        << RegLastErrorDetail();
    ASSERT_EQ(chmod(reg_.dir().c_str(), 0700), 0);
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, k.put()), ERROR_SUCCESS);
    k.reset();

    ASSERT_EQ(chmod(RegHiveFile(HKEY_CURRENT_USER).c_str(), 0602), 0);
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, k.put()),
              ERROR_ACCESS_DENIED);
    EXPECT_NE(RegLastErrorDetail().find(RegHiveFile(HKEY_CURRENT_USER)), std::string::npos);
    ASSERT_EQ(chmod(RegHiveFile(HKEY_CURRENT_USER).c_str(), 0600), 0);

    // A shared folder made by someone else beforehand is not taken either, and nothing is
    // created in it.
    const std::string shared = reg_.root() + "/shared";
    ASSERT_EQ(mkdir(shared.c_str(), 0777), 0);
    ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
    EnvVar dir("VARNOOK_REGISTRY_DIR", shared);
    RegResetForTesting();
    EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS,
                             nullptr, k.put(), nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_TRUE(fs::is_empty(shared));
}

TEST_F(RegistrySafety, AFolderOrDatabaseOfAnotherUserIsRefused) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "only the superuser can give a file to another user";
    }
    constexpr uid_t kNobody = 65534;
    create(HKEY_CURRENT_USER, "Software");
    ASSERT_EQ(chown(reg_.dir().c_str(), kNobody, kNobody), 0);
    UniqueHKey k;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, k.put()),
              ERROR_ACCESS_DENIED);
    EXPECT_NE(RegLastErrorDetail().find("belongs to another user"), std::string::npos)
        << RegLastErrorDetail();
    ASSERT_EQ(chown(reg_.dir().c_str(), 0, 0), 0);
    ASSERT_EQ(chown(RegHiveFile(HKEY_CURRENT_USER).c_str(), kNobody, kNobody), 0);
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, k.put()),
              ERROR_ACCESS_DENIED);
    ASSERT_EQ(chown(RegHiveFile(HKEY_CURRENT_USER).c_str(), 0, 0), 0);
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, k.put()), ERROR_SUCCESS);
}

// ---- The database file alone holds everything --------------------------------------------------
TEST_F(RegistrySafety, ClosingTheLastHandleLeavesEveryValueInTheDatabaseFile) {
    {
        UniqueHKey k = create(HKEY_CURRENT_USER, "Software\\Backup");
        for (int i = 0; i < 50; ++i) {
            ASSERT_EQ(setString(k.get(), "v" + std::to_string(i), "value"), ERROR_SUCCESS);
        }
    }
    // What a backup program copies: the database file, without its log.
    const std::string copy = reg_.root() + "/copy.db";
    fs::copy_file(RegHiveFile(HKEY_CURRENT_USER), copy);
    EXPECT_EQ(count(copy, "SELECT count(*) FROM vals"), 50);
    EXPECT_FALSE(fs::exists(RegHiveFile(HKEY_CURRENT_USER) + "-wal"));
}

// ---- Depth --------------------------------------------------------------------------------------
TEST_F(RegistrySafety, KeysDeeperThan512LevelsAreRefused) {
    UniqueHKey deepest = create(HKEY_CURRENT_USER, repeatPath("d", MAX_KEY_DEPTH));
    UniqueHKey k;
    EXPECT_EQ(RegCreateKeyEx(deepest.get(), "one", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(),
                             nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_NE(RegLastErrorDetail().find("512 levels"), std::string::npos) << RegLastErrorDetail();
    EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, repeatPath("e", MAX_KEY_DEPTH + 1).c_str(), 0,
                             nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(), nullptr),
              ERROR_INVALID_PARAMETER);
    // HKEY_CLASSES_ROOT lies two levels down in its hive.
    EXPECT_EQ(RegCreateKeyEx(HKEY_CLASSES_ROOT, repeatPath("c", MAX_KEY_DEPTH - 1).c_str(), 0,
                             nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(), nullptr),
              ERROR_INVALID_PARAMETER);
    UniqueHKey classes = create(HKEY_CLASSES_ROOT, repeatPath("c", MAX_KEY_DEPTH - 2));
    // Opening what exists is not creating.
    UniqueHKey again;
    EXPECT_EQ(RegCreateKeyEx(deepest.get(), nullptr, 0, nullptr, 0, KEY_READ, nullptr, again.put(),
                             nullptr),
              ERROR_SUCCESS);
}

// ---- Batches ------------------------------------------------------------------------------------
TEST_F(RegistrySafety, ABatchIsKeptWholeOnCommitAndNotAtAllOtherwise) {
    create(HKEY_CURRENT_USER, "Software");
    const std::string hive = RegHiveFile(HKEY_CURRENT_USER);
    ASSERT_EQ(RegBeginBatch(), ERROR_SUCCESS);
    EXPECT_EQ(RegBeginBatch(), ERROR_INVALID_PARAMETER) << "batches do not nest";
    {
        UniqueHKey k = create(HKEY_CURRENT_USER, "Software\\Batch");
        ASSERT_EQ(setString(k.get(), "a", "1"), ERROR_SUCCESS);
        UniqueHKey bad;
        EXPECT_EQ(RegCreateKeyEx(k.get(), std::string(300, 'n').c_str(), 0, nullptr, 0,
                                 KEY_ALL_ACCESS, nullptr, bad.put(), nullptr),
                  ERROR_INVALID_PARAMETER);
        ASSERT_EQ(setString(k.get(), "b", "2"), ERROR_SUCCESS);
    }
    EXPECT_EQ(count(hive, "SELECT count(*) FROM keys WHERE name = 'Batch'"), 0)
        << "other connections see nothing before the commit";
    RegAbandonBatch();
    UniqueHKey k;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Batch", 0, KEY_READ, k.put()),
              ERROR_FILE_NOT_FOUND);

    ASSERT_EQ(RegBeginBatch(), ERROR_SUCCESS);
    {
        UniqueHKey w = create(HKEY_CURRENT_USER, "Software\\Batch");
        ASSERT_EQ(setString(w.get(), "a", "1"), ERROR_SUCCESS);
        create(HKEY_LOCAL_MACHINE, "Software\\Batch");
    }
    ASSERT_EQ(RegCommitBatch(), ERROR_SUCCESS);
    EXPECT_EQ(RegCommitBatch(), ERROR_INVALID_PARAMETER) << "no batch is open any more";
    EXPECT_EQ(count(hive, "SELECT count(*) FROM vals"), 1);
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Batch", 0, KEY_READ, k.put()),
              ERROR_SUCCESS);
}

// ---- Enumeration --------------------------------------------------------------------------------
// Counts the SQLite virtual machine's work on every connection of the process (the registry's
// included), to tell linear from quadratic listing without timing anything.
class WorkCounter {
public:
    WorkCounter() {
        s_work = 0;
        sqlite3_auto_extension(reinterpret_cast<void (*)()>(&install));
        RegResetForTesting();  // the registry's connections are opened afresh, counted
    }
    ~WorkCounter() {
        RegResetForTesting();
        sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(&install));
    }
    std::uint64_t take() { return std::exchange(s_work, 0); }

private:
    static int install(sqlite3* db, const char**, const void*) {
        sqlite3_progress_handler(
            db, 100,
            [](void*) {
                ++s_work;
                return 0;
            },
            nullptr);
        return SQLITE_OK;
    }
    static inline std::uint64_t s_work = 0;
};

// Fills Software\Big\N with `n` values and `n` subkeys; answers the work of listing both.
std::uint64_t listingWork(WorkCounter& work, int n) {
    const std::string path = "Software\\Big\\" + std::to_string(n);
    UniqueHKey k = create(HKEY_CURRENT_USER, path);
    EXPECT_EQ(RegBeginBatch(), ERROR_SUCCESS);
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(setString(k.get(), "v" + std::to_string(i), "x"), ERROR_SUCCESS);
        create(k.get(), "k" + std::to_string(i));
    }
    EXPECT_EQ(RegCommitBatch(), ERROR_SUCCESS);
    work.take();
    char name[64];
    int listed = 0;
    for (DWORD i = 0;; ++i, ++listed) {
        DWORD len = sizeof name;
        if (RegEnumValue(k.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
    }
    for (DWORD i = 0;; ++i, ++listed) {
        DWORD len = sizeof name;
        if (RegEnumKeyEx(k.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
    }
    EXPECT_EQ(listed, 2 * n);
    return work.take();
}

TEST_F(RegistrySafety, ListingAKeyCostsInProportionToItsSize) {
    WorkCounter work;
    const std::uint64_t small = listingWork(work, 1000);
    const std::uint64_t big = listingWork(work, 4000);
    ASSERT_GT(small, 0u) << "the counter saw no work";
    RecordProperty("work1000", std::to_string(small));
    RecordProperty("work4000", std::to_string(big));
    // Four times the items: four times the work when each step continues from the last, sixteen
    // when each counts from the first.
    EXPECT_LT(big, small * 6) << small << " then " << big;
}

TEST_F(RegistrySafety, EnumerationKeepsTheMeaningOfTheIndex) {
    UniqueHKey k = create(HKEY_CURRENT_USER, "Software\\Enum");
    for (const char* v : {"c", "a", "b", "e", "d"}) {
        ASSERT_EQ(setString(k.get(), v, v), ERROR_SUCCESS);
        create(k.get(), std::string("K") + v);
    }
    const auto value = [&](DWORD i) {
        char name[8];
        DWORD len = sizeof name;
        const LONG e = RegEnumValue(k.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr);
        return e == ERROR_SUCCESS ? std::string(name) : "error " + std::to_string(e);
    };
    const auto subKey = [&](HKEY key, DWORD i, DWORD size = 16) {
        char name[16];
        DWORD len = size;
        const LONG e = RegEnumKeyEx(key, i, name, &len, nullptr, nullptr, nullptr, nullptr);
        return e == ERROR_SUCCESS ? std::string(name) : "error " + std::to_string(e);
    };
    // Values in the order they were created, subkeys by name; forwards, again, and at random.
    EXPECT_EQ(value(0) + value(1) + value(2) + value(2) + value(4) + value(3) + value(0),
              "cabbdec");
    EXPECT_EQ(value(5), "error " + std::to_string(ERROR_NO_MORE_ITEMS));
    EXPECT_EQ(subKey(k.get(), 0) + subKey(k.get(), 1), "KaKb");
    EXPECT_EQ(subKey(k.get(), 2, 2), "error " + std::to_string(ERROR_MORE_DATA));
    EXPECT_EQ(subKey(k.get(), 2) + subKey(k.get(), 3) + subKey(k.get(), 1), "KcKdKb");
    // A value created while listing comes last; the listing goes on where it was.
    EXPECT_EQ(value(3), "e");
    ASSERT_EQ(setString(k.get(), "0", "new"), ERROR_SUCCESS);
    EXPECT_EQ(value(4) + value(5), "d0");
    // Each handle keeps its own place.
    UniqueHKey other;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Enum", 0, KEY_READ, other.put()),
              ERROR_SUCCESS);
    EXPECT_EQ(subKey(other.get(), 0) + subKey(k.get(), 4) + subKey(other.get(), 1), "KaKeKb");
    // The predefined keys enumerate too.
    EXPECT_EQ(subKey(HKEY_CURRENT_USER, 0), "Software");
    EXPECT_EQ(subKey(HKEY_CURRENT_USER, 1), "error " + std::to_string(ERROR_NO_MORE_ITEMS));
}

}  // namespace
