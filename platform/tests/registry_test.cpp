#include "platform/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sqlite3.h>

#include <fstream>
#include <string>

#include "platform/testing/temp_registry.h"

using namespace vnk::win;

namespace {

class RegistryTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(RegOpenHandleCount(), 0u) << "a key handle leaked"; }

    static UniqueHKey create(HKEY root, const char* path) {
        UniqueHKey k;
        EXPECT_EQ(
            RegCreateKeyEx(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(), nullptr),
            ERROR_SUCCESS);
        return k;
    }
    static LONG setString(HKEY k, const char* name, const std::string& text) {
        return RegSetValueEx(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1));
    }
    static std::string query(HKEY k, const char* name, DWORD* type = nullptr) {
        DWORD size = 0;
        EXPECT_EQ(RegQueryValueEx(k, name, nullptr, type, nullptr, &size), ERROR_SUCCESS);
        std::string data(size, '\0');
        EXPECT_EQ(
            RegQueryValueEx(k, name, nullptr, type, reinterpret_cast<BYTE*>(data.data()), &size),
            ERROR_SUCCESS);
        return data;
    }

    vnk::testing::TempRegistry reg_;
};

TEST_F(RegistryTest, MissingKeyAnswersFileNotFound) {
    UniqueHKey k;
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Nothing", 0, KEY_READ, k.put()),
              ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(k);
}

TEST_F(RegistryTest, HivesAreCreatedUserOnly) {
    create(HKEY_CURRENT_USER, "Software");
    struct stat st {};
    ASSERT_EQ(stat(reg_.dir().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(stat(RegHiveFile(HKEY_CURRENT_USER).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(RegistryTest, KeyNamesIgnoreCaseAndKeepTheirSpelling) {
    DWORD disp = 0;
    UniqueHKey a;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\Kelm\\Varnook", 0, nullptr, 0,
                             KEY_ALL_ACCESS, nullptr, a.put(), &disp),
              ERROR_SUCCESS);
    EXPECT_EQ(disp, REG_CREATED_NEW_KEY);
    UniqueHKey b;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\kelm\\VARNOOK", 0, nullptr, 0,
                             KEY_ALL_ACCESS, nullptr, b.put(), &disp),
              ERROR_SUCCESS);
    EXPECT_EQ(disp, REG_OPENED_EXISTING_KEY);
    ASSERT_EQ(setString(b.get(), "LogInfoToFile", "1"), ERROR_SUCCESS);
    EXPECT_EQ(query(a.get(), "loginfotofile"), std::string("1\0", 2));

    UniqueHKey kelm;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "software\\KELM", 0, KEY_READ, kelm.put()),
              ERROR_SUCCESS);
    char name[256];
    DWORD len = sizeof name;
    ASSERT_EQ(RegEnumKeyEx(kelm.get(), 0, name, &len, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_STREQ(name, "Varnook");
    EXPECT_EQ(len, 7u);
    len = sizeof name;
    EXPECT_EQ(RegEnumKeyEx(kelm.get(), 1, name, &len, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
}

TEST_F(RegistryTest, QueryReportsSizeAndRefusesSmallBuffers) {
    UniqueHKey k = create(HKEY_LOCAL_MACHINE, "Software\\T");
    ASSERT_EQ(setString(k.get(), "Interval", "30"), ERROR_SUCCESS);
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueEx(k.get(), "Interval", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 3u);  // "30" and its NUL
    BYTE small[2] = {'x', 'y'};
    size = sizeof small;
    EXPECT_EQ(RegQueryValueEx(k.get(), "Interval", nullptr, &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(small[0], 'x') << "a refused buffer is left alone";
    EXPECT_EQ(RegQueryValueEx(k.get(), "Interval", nullptr, &type, small, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueEx(k.get(), "Missing", nullptr, &type, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, ValuesKeepTypeAndBytesExactly) {
    UniqueHKey k = create(HKEY_CURRENT_USER, "Software\\Bytes");
    const std::string withNul("abc\0", 4);
    const std::string noNul("abc", 3);
    const std::string binary("\x00\xff\x10\x00", 4);
    const DWORD dword = 0x12345678;
    ASSERT_EQ(
        RegSetValueEx(k.get(), "a", 0, REG_SZ, reinterpret_cast<const BYTE*>(withNul.data()), 4),
        ERROR_SUCCESS);
    ASSERT_EQ(
        RegSetValueEx(k.get(), "b", 0, REG_SZ, reinterpret_cast<const BYTE*>(noNul.data()), 3),
        ERROR_SUCCESS);
    ASSERT_EQ(
        RegSetValueEx(k.get(), "c", 0, REG_BINARY, reinterpret_cast<const BYTE*>(binary.data()), 4),
        ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(k.get(), "d", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dword), 4),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(k.get(), "", 0, REG_SZ, nullptr, 0), ERROR_SUCCESS);
    DWORD type = 0;
    EXPECT_EQ(query(k.get(), "a", &type), withNul);
    EXPECT_EQ(query(k.get(), "b", &type), noNul);
    EXPECT_EQ(query(k.get(), "c", &type), binary);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(query(k.get(), "d", &type), std::string("\x78\x56\x34\x12", 4));
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(query(k.get(), nullptr, &type), "");

    // Overwriting keeps the value's place in the enumeration.
    ASSERT_EQ(setString(k.get(), "A", "again"), ERROR_SUCCESS);
    char name[64];
    DWORD len = sizeof name;
    ASSERT_EQ(RegEnumValue(k.get(), 0, name, &len, nullptr, &type, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_STREQ(name, "a");
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKey(k.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              &values, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 5u);
}

TEST_F(RegistryTest, DeleteValueAndKeys) {
    UniqueHKey k = create(HKEY_LOCAL_MACHINE, "Software\\Del\\Sub\\Deeper");
    UniqueHKey parent = create(HKEY_LOCAL_MACHINE, "Software\\Del");
    ASSERT_EQ(setString(parent.get(), "v", "x"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValue(parent.get(), "V"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValue(parent.get(), "v"), ERROR_FILE_NOT_FOUND);
    // A key with subkeys is not deleted by RegDeleteKey.
    EXPECT_EQ(RegDeleteKey(parent.get(), "Sub"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteTree(parent.get(), "sub"), ERROR_SUCCESS);
    // The handle on the deleted key notices.
    EXPECT_EQ(setString(k.get(), "v", "x"), ERROR_KEY_DELETED);
    UniqueHKey gone;
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Del\\Sub", 0, KEY_READ, gone.put()),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, "Software\\Del"), ERROR_SUCCESS);
}

TEST_F(RegistryTest, BadHandlesAndPaths) {
    EXPECT_EQ(RegCloseKey(HKEY{12345}), ERROR_INVALID_HANDLE);
    UniqueHKey k;
    EXPECT_EQ(RegOpenKeyEx(HKEY{0x80000003u}, "x", 0, KEY_READ, k.put()), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "a\\\\b", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                             k.put(), nullptr),
              ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, std::string(256, 'n').c_str(), 0, nullptr, 0,
                             KEY_ALL_ACCESS, nullptr, k.put(), nullptr),
              ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryTest, ReadOnlyHiveRefusesWriteAccessEvenForRoot) {
    create(HKEY_LOCAL_MACHINE, "Software\\Kelm\\Varnook\\1.0.2");
    {
        UniqueHKey k = create(HKEY_LOCAL_MACHINE, "Software\\Kelm\\Varnook\\1.0.2");
        ASSERT_EQ(setString(k.get(), "LogInfoToFile", "1"), ERROR_SUCCESS);
    }
    ASSERT_EQ(chmod(RegHiveFile(HKEY_LOCAL_MACHINE).c_str(), 0400), 0);
    UniqueHKey k;
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Kelm\\Varnook\\1.0.2", 0, KEY_ALL_ACCESS,
                           k.put()),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(
        RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Kelm\\Varnook\\1.0.2", 0, 0x2003F, k.put()),
        ERROR_ACCESS_DENIED);
    ASSERT_EQ(
        RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Kelm\\Varnook\\1.0.2", 0, KEY_READ, k.put()),
        ERROR_SUCCESS);
    EXPECT_EQ(query(k.get(), "LogInfoToFile"), std::string("1\0", 2));
    EXPECT_EQ(setString(k.get(), "LogInfoToFile", "0"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(setString(HKEY_LOCAL_MACHINE, "x", "0"), ERROR_ACCESS_DENIED);
    UniqueHKey created;
    EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\New", 0, nullptr, 0, KEY_ALL_ACCESS,
                             nullptr, created.put(), nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteTree(HKEY_LOCAL_MACHINE, "Software"), ERROR_ACCESS_DENIED);
    k.reset();
    // Writable again once the bits allow it.
    ASSERT_EQ(chmod(RegHiveFile(HKEY_LOCAL_MACHINE).c_str(), 0600), 0);
    UniqueHKey w = create(HKEY_LOCAL_MACHINE, "Software\\Kelm\\Varnook\\1.0.2");
    EXPECT_EQ(setString(w.get(), "LogInfoToFile", "0"), ERROR_SUCCESS);
}

TEST_F(RegistryTest, HandleOpenedForReadCannotWrite) {
    create(HKEY_CURRENT_USER, "Software\\R");
    UniqueHKey k;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\R", 0, KEY_READ, k.put()), ERROR_SUCCESS);
    EXPECT_EQ(setString(k.get(), "v", "x"), ERROR_ACCESS_DENIED);
    UniqueHKey child;
    EXPECT_EQ(
        RegCreateKeyEx(k.get(), "child", 0, nullptr, 0, KEY_READ, nullptr, child.put(), nullptr),
        ERROR_ACCESS_DENIED);
}

TEST_F(RegistryTest, CorruptDatabaseGivesBadDbNotACrash) {
    create(HKEY_CURRENT_USER, "Software");
    vnk::win::RegResetForTesting();
    {
        std::ofstream f(RegHiveFile(HKEY_CURRENT_USER), std::ios::binary | std::ios::trunc);
        f << "this is not a database at all, just some text that is long enough to matter";
    }
    UniqueHKey k;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, k.put()), ERROR_BADDB);
    EXPECT_NE(RegLastErrorDetail().find("damaged"), std::string::npos) << RegLastErrorDetail();
    // The other hive is unaffected.
    create(HKEY_LOCAL_MACHINE, "Software");
}

TEST_F(RegistryTest, ClassesRootIsMachineSoftwareClasses) {
    UniqueHKey k = create(HKEY_CLASSES_ROOT, "CLSID\\{X}");
    UniqueHKey same;
    EXPECT_EQ(
        RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\{x}", 0, KEY_READ, same.put()),
        ERROR_SUCCESS);
}

TEST_F(RegistryTest, CodePageCallsConvertNamesAndText) {
    UniqueHKey k;
    // "Café" in Windows-1252.
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Caf\xE9", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, k.put(), nullptr),
              ERROR_SUCCESS);
    const char value[] = "d\xE9j\xE0";  // "déjà"
    ASSERT_EQ(RegSetValueExA(k.get(), "N\xE9", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                             sizeof value),
              ERROR_SUCCESS);
    UniqueHKey u;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\CAF\xC3\x89", 0, KEY_READ, u.put()),
              ERROR_SUCCESS)
        << "stored as UTF-8, found without regard to case";
    EXPECT_EQ(query(u.get(), "N\xC3\xA9"), std::string("d\xC3\xA9j\xC3\xA0\0", 7));
    BYTE buf[16];
    DWORD size = sizeof buf;
    ASSERT_EQ(RegQueryValueExA(k.get(), "N\xE9", nullptr, nullptr, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, sizeof value);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), size), std::string(value, sizeof value));
}

TEST_F(RegistryTest, MaximumAllowedFollowsTheHive) {
    create(HKEY_LOCAL_MACHINE, "Software\\M");
    UniqueHKey rw;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\M", 0, MAXIMUM_ALLOWED, rw.put()),
              ERROR_SUCCESS);
    EXPECT_EQ(setString(rw.get(), "v", "1"), ERROR_SUCCESS);
    rw.reset();
    ASSERT_EQ(chmod(RegHiveFile(HKEY_LOCAL_MACHINE).c_str(), 0444), 0);
    UniqueHKey ro;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\M", 0, MAXIMUM_ALLOWED, ro.put()),
              ERROR_SUCCESS);
    EXPECT_EQ(query(ro.get(), "v"), std::string("1\0", 2));
    EXPECT_EQ(setString(ro.get(), "v", "2"), ERROR_ACCESS_DENIED);
}

TEST_F(RegistryTest, UnreadableOrForeignDatabases) {
    create(HKEY_CURRENT_USER, "Software");
    ASSERT_EQ(chmod(RegHiveFile(HKEY_CURRENT_USER).c_str(), 0), 0);
    UniqueHKey k;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, k.put()),
              ERROR_ACCESS_DENIED);
    ASSERT_EQ(chmod(RegHiveFile(HKEY_CURRENT_USER).c_str(), 0600), 0);
    RegResetForTesting();
    // A database of some other program is not taken for a hive.
    ASSERT_EQ(remove(RegHiveFile(HKEY_CURRENT_USER).c_str()), 0);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(RegHiveFile(HKEY_CURRENT_USER).c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE other(x); INSERT INTO other VALUES(1);", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, k.put()), ERROR_BADDB);
}

TEST(RegistryLocation, DefaultsToTheXdgDataFolder) {
    vnk::testing::TempRegistry reg;  // restores the environment afterwards
    unsetenv("VARNOOK_REGISTRY_DIR");
    const char* oldXdg = getenv("XDG_DATA_HOME");
    const std::string savedXdg = oldXdg != nullptr ? oldXdg : "";
    const std::string xdg = reg.root() + "/xdg";
    setenv("XDG_DATA_HOME", xdg.c_str(), 1);
    RegResetForTesting();
    EXPECT_EQ(RegStorageDirectory(), xdg + "/varnook/registry");
    EXPECT_EQ(RegHiveFile(HKEY_LOCAL_MACHINE), xdg + "/varnook/registry/HKEY_LOCAL_MACHINE.db");
    unsetenv("XDG_DATA_HOME");
    RegResetForTesting();
    EXPECT_EQ(RegStorageDirectory(),
              std::string(getenv("HOME")) + "/.local/share/varnook/registry");
}

}  // namespace
