#include "setup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/preferences.h"
#include "platform/testing/temp_registry.h"

namespace varnook::setup {
namespace {

namespace fs = std::filesystem;
using namespace vnk::win;

const std::string kLibDir = VARNOOK_LIB_DIR;

bool PreferencesKeyExists() {
    UniqueHKey key;
    return RegOpenKeyEx(HKEY_LOCAL_MACHINE, kPreferencesKey, 0, KEY_READ, key.put()) ==
           ERROR_SUCCESS;
}

std::string Real(const std::string& p) {
    return fs::canonical(p).string();
}

TEST(VarnookSetup, FindsTheLibrariesBesideLibplatform) {
    EXPECT_EQ(OwnLibraryFolder(), Real(kLibDir));
}

TEST(VarnookSetup, RegistersOnceForANewUserThenChangesNothing) {
    vnk::testing::TempRegistry reg;
    const Component regwick = ShippedComponents().front();
    EXPECT_EQ(RegisteredLibrary(regwick.progId), "");
    EXPECT_FALSE(PreferencesKeyExists());

    Result first = SetUpUser(kLibDir, ShippedComponents());
    EXPECT_TRUE(first.errors.empty()) << first.errors.front();
    ASSERT_FALSE(first.registered.empty());
    EXPECT_EQ(first.registered.front(), Real(kLibDir + "/libregwick.so"));
    EXPECT_TRUE(first.keyCreated);
    EXPECT_TRUE(PreferencesKeyExists());
    for (const Component& c : ShippedComponents()) {
        if (fs::exists(kLibDir + "/" + c.file)) {
            EXPECT_EQ(RegisteredLibrary(c.progId), Real(kLibDir + "/" + c.file)) << c.progId;
        }
    }

    Result second = SetUpUser(kLibDir, ShippedComponents());
    EXPECT_TRUE(second.registered.empty());
    EXPECT_TRUE(second.errors.empty());
    EXPECT_FALSE(second.keyCreated);
}

// A registration left by another build tree or an older install names a file that is not ours.
TEST(VarnookSetup, ReplacesARegistrationThatNamesAnotherFile) {
    vnk::testing::TempRegistry reg;
    const Component regwick = ShippedComponents().front();
    ASSERT_TRUE(SetUpUser(kLibDir, {regwick}).errors.empty());
    const std::string path = "CLSID\\{925DCCEB-DD21-4498-9969-2F3022C15B38}\\InprocServer32";
    UniqueHKey key;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_ALL_ACCESS, key.put()),
              ERROR_SUCCESS);
    const std::string old = "/home/someone/varnook/build/lib/libregwick.so";
    ASSERT_EQ(
        RegSetValueEx(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(old.c_str()),
                      static_cast<DWORD>(old.size() + 1)),
        ERROR_SUCCESS);
    ASSERT_EQ(RegisteredLibrary(regwick.progId), old);

    Result r = SetUpUser(kLibDir, {regwick});
    EXPECT_TRUE(r.errors.empty());
    ASSERT_EQ(r.registered.size(), 1u);
    EXPECT_EQ(RegisteredLibrary(regwick.progId), Real(kLibDir + "/libregwick.so"));
}

TEST(VarnookSetup, SkipsMissingLibrariesAndReportsBrokenOnes) {
    vnk::testing::TempRegistry reg;
    const std::string folder = reg.root() + "/lib";
    fs::create_directories(folder);
    Result none = SetUpUser(folder, ShippedComponents());
    EXPECT_TRUE(none.registered.empty());
    EXPECT_TRUE(none.errors.empty());
    EXPECT_TRUE(none.keyCreated);

    std::ofstream(folder + "/libregwick.so") << "not a library";
    Result broken = SetUpUser(folder, ShippedComponents());
    EXPECT_TRUE(broken.registered.empty());
    ASSERT_EQ(broken.errors.size(), 1u);
    EXPECT_NE(broken.errors.front().find("libregwick.so"), std::string::npos)
        << broken.errors.front();
    EXPECT_EQ(RegisteredLibrary(ShippedComponents().front().progId), "");
}

}  // namespace
}  // namespace varnook::setup
