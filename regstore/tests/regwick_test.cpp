// clsRegwick through the component runtime, created by its ProgID as the main program does.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/comserver.h"
#include "platform/dispatch.h"
#include "platform/registry.h"
#include "platform/testing/temp_registry.h"
#include "regwick/regwick.h"

using namespace vnk::com;
using namespace vnk::win;

namespace {

constexpr std::int32_t kHklm = static_cast<std::int32_t>(0x80000002u);
const std::u16string kKey = u"Software\\Kelm\\Varnook\\1.0.2";

HRESULT callEntry(const char* name) {
    void* lib = nullptr;
    EXPECT_EQ(loadServerLibrary(REGWICK_LIBRARY, &lib), S_OK) << ComLastErrorDetail();
    auto fn = reinterpret_cast<HRESULT (*)()>(dlsym(lib, name));
    EXPECT_NE(fn, nullptr);
    return fn != nullptr ? fn() : E_FAIL;
}

class RegwickTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(vnk::testing::registerComponentLibrary(REGWICK_LIBRARY), S_OK)
            << ComLastErrorDetail();
        ASSERT_EQ(CreateObject(regwick::kProgId, store_), S_OK) << ComLastErrorDetail();
        UniqueHKey k;
        ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\Kelm\\Varnook\\1.0.2", 0, nullptr,
                                 0, KEY_ALL_ACCESS, nullptr, k.put(), nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        store_.reset();
        EXPECT_EQ(RegOpenHandleCount(), 0u);
    }

    // As a script host calls it: every argument a variable passed by reference.
    std::int16_t read(std::u16string name, std::u16string& value, std::u16string key = kKey,
                      std::int32_t hive = kHklm) {
        Variant h(hive), k(key), n(name), v(value), r;
        const HRESULT hr =
            call(store_.get(), u"ReadStringValue",
                 {Variant::byRef(h), Variant::byRef(k), Variant::byRef(n), Variant::byRef(v)}, &r);
        EXPECT_EQ(hr, S_OK);
        EXPECT_EQ(k.bstr(), key) << "RegLoc comes back unchanged";
        EXPECT_EQ(n.bstr(), name) << "Name comes back unchanged";
        EXPECT_EQ(r.vt(), VT_I2);
        value = v.bstr();
        return static_cast<std::int16_t>(r.intVal());
    }
    std::int16_t write(std::u16string name, std::u16string value, std::uint8_t create = 1,
                       std::u16string key = kKey) {
        Variant h(kHklm), k(key), n(name), v(value), c(create), r;
        EXPECT_EQ(call(store_.get(), u"WriteStringValue",
                       {Variant::byRef(h), Variant::byRef(k), Variant::byRef(n), Variant::byRef(v),
                        Variant::byRef(c)},
                       &r),
                  S_OK);
        return static_cast<std::int16_t>(r.intVal());
    }
    static std::u16string padded(std::u16string data) {
        data.resize(255, u' ');
        return data;
    }

    vnk::testing::TempRegistry reg_;
    ComPtr<IDispatch> store_;
};

TEST_F(RegwickTest, WriteThenReadThirty) {
    EXPECT_EQ(write(u"AutoUpdateServerInterval", u"30"), 0);
    std::u16string value;
    EXPECT_EQ(read(u"AutoUpdateServerInterval", value), 3);
    EXPECT_EQ(value.size(), 255u);
    EXPECT_EQ(value, padded(std::u16string(u"30\0", 3)));
}

TEST_F(RegwickTest, EmptyStringIsOneNul) {
    EXPECT_EQ(write(u"OutputLogFileName", u""), 0);
    DWORD size = 0;
    UniqueHKey k;
    ASSERT_EQ(
        RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Kelm\\Varnook\\1.0.2", 0, KEY_READ, k.put()),
        ERROR_SUCCESS);
    ASSERT_EQ(RegQueryValueEx(k.get(), "OutputLogFileName", nullptr, nullptr, nullptr, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 1u);
    std::u16string value;
    EXPECT_EQ(read(u"OutputLogFileName", value), 1);
}

TEST_F(RegwickTest, LongValueReadsMinusTwoNeverCut) {
    EXPECT_EQ(write(u"OutputLogFileName", std::u16string(255, u'x')), 0);  // 256 bytes with NUL
    std::u16string value = u"before";
    EXPECT_EQ(read(u"OutputLogFileName", value), -2);
    EXPECT_EQ(value, std::u16string(255, u' '));
    EXPECT_EQ(write(u"OutputLogFileName", std::u16string(254, u'y')), 0);  // exactly 255 bytes
    EXPECT_EQ(read(u"OutputLogFileName", value), 255);
    EXPECT_EQ(value, std::u16string(254, u'y') + u'\0');
}

TEST_F(RegwickTest, WriteWithoutCreateLeavesMissingValueAlone) {
    EXPECT_EQ(write(u"LogInfoToFile", u"1", 0), 0);
    std::u16string value;
    EXPECT_EQ(read(u"LogInfoToFile", value), -2);
    EXPECT_EQ(write(u"LogInfoToFile", u"1", 1), 0);
    EXPECT_EQ(write(u"LogInfoToFile", u"0", 0), 0) << "an existing value is overwritten";
    EXPECT_EQ(read(u"LogInfoToFile", value), 2);
    EXPECT_EQ(value[0], u'0');
}

TEST_F(RegwickTest, MissingKeyIsNeverCreated) {
    EXPECT_EQ(write(u"X", u"1", 1, u"Software\\Kelm\\Nothing"), 1);
    UniqueHKey k;
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Kelm\\Nothing", 0, KEY_READ, k.put()),
              ERROR_FILE_NOT_FOUND);
    std::u16string value = u"untouched";
    EXPECT_EQ(read(u"X", value, u"Software\\Kelm\\Nothing"), -1);
    EXPECT_EQ(value, u"untouched");
    EXPECT_EQ(read(u"X", value, kKey, 0x12345), -1) << "a bad hive handle";
}

TEST_F(RegwickTest, ReadOnlyCallerGetsMinusOne) {
    EXPECT_EQ(write(u"AutoUpdateUsersStatus", u"1"), 0);
    ASSERT_EQ(chmod(RegHiveFile(HKEY_LOCAL_MACHINE).c_str(), 0444), 0);
    std::u16string value;
    EXPECT_EQ(read(u"AutoUpdateUsersStatus", value), -1);
    EXPECT_EQ(write(u"AutoUpdateUsersStatus", u"0"), 1);
    ASSERT_EQ(chmod(RegHiveFile(HKEY_LOCAL_MACHINE).c_str(), 0600), 0);
}

TEST_F(RegwickTest, ValueOfAnotherTypeReadsAsRawBytes) {
    UniqueHKey k;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Kelm\\Varnook\\1.0.2", 0, KEY_ALL_ACCESS,
                           k.put()),
              ERROR_SUCCESS);
    const DWORD n = 0x00E94130;  // bytes 30 41 E9 00
    ASSERT_EQ(RegSetValueEx(k.get(), "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), 4),
              ERROR_SUCCESS);
    std::u16string value;
    EXPECT_EQ(read(u"Number", value), 4);
    EXPECT_EQ(value.substr(0, 4), std::u16string(u"0A\u00E9\0", 4));
}

TEST_F(RegwickTest, CodePageTextRoundTrips) {
    EXPECT_EQ(write(u"OutputLogFileName", u"/home/d\u00E9j\u00E0/\u20AC.log"), 0);
    std::u16string value;
    EXPECT_EQ(read(u"OutputLogFileName", value), 17) << "16 code-page bytes and the NUL";
    EXPECT_EQ(value.substr(0, 16), u"/home/d\u00E9j\u00E0/\u20AC.log");
    // Stored as UTF-8 text, as every other registry client reads it.
    UniqueHKey k;
    ASSERT_EQ(
        RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Kelm\\Varnook\\1.0.2", 0, KEY_READ, k.put()),
        ERROR_SUCCESS);
    char buf[64];
    DWORD size = sizeof buf;
    ASSERT_EQ(RegQueryValueEx(k.get(), "OutputLogFileName", nullptr, nullptr,
                              reinterpret_cast<BYTE*>(buf), &size),
              ERROR_SUCCESS);
    std::string expected = "/home/d\xC3\xA9j\xC3\xA0/\xE2\x82\xAC.log";
    expected += '\0';
    EXPECT_EQ(std::string(buf, size), expected);
}

TEST_F(RegwickTest, DualInterfaceVtableMatchesDispatch) {
    ComPtr<regwick::_clsRegwick> direct = store_.as<regwick::_clsRegwick>();
    ASSERT_TRUE(direct);
    std::int32_t hive = kHklm;
    std::u16string key = kKey, name = u"AutoUpdateDrivesInterval", value = u"45";
    std::uint8_t create = 1;
    std::int16_t result = 99;
    ASSERT_EQ(direct->WriteStringValue(&hive, &key, &name, &value, &create, &result), S_OK);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(direct->ReadStringValue(&hive, &key, &name, &value, &result), S_OK);
    EXPECT_EQ(result, 3);
    EXPECT_EQ(value.substr(0, 2), u"45");

    // Literal (by-value) arguments from a script work as well.
    Variant r;
    ASSERT_EQ(
        call(store_.get(), u"ReadStringValue",
             {Variant(kHklm), Variant(kKey), Variant(u"AutoUpdateDrivesInterval"), Variant(u"")},
             &r),
        S_OK);
    EXPECT_EQ(r.intVal(), 3);
    DISPID ids[1];
    std::u16string_view names[] = {u"WriteStringValue"};
    ASSERT_EQ(store_->GetIDsOfNames(names, 1, ids), S_OK);
    EXPECT_EQ(ids[0], 2);
}

TEST_F(RegwickTest, RegistrationIsIdempotentAndReversible) {
    ASSERT_EQ(callEntry("DllRegisterServer"), S_OK);
    const std::string clsid = regwick::CLSID_clsRegwick.toString();
    UniqueHKey k;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, ("CLSID\\" + clsid + "\\InprocServer32").c_str(), 0,
                           KEY_READ, k.put()),
              ERROR_SUCCESS);
    DWORD subKeys = 0;
    UniqueHKey progIds;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, "Regwick.clsRegwick", 0, KEY_READ, progIds.put()),
              ERROR_SUCCESS);
    ASSERT_EQ(RegQueryInfoKey(progIds.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 1u);
    const TypeLibInfo* lib = nullptr;
    ASSERT_EQ(LoadRegTypeLib(regwick::LIBID_Regwick, 1, 0, &lib), S_OK);
    EXPECT_EQ(lib->name, u"Regwick");
    ASSERT_EQ(lib->interfaces.size(), 1u);
    EXPECT_EQ(lib->interfaces[0]->members[0].name, u"ReadStringValue");
    EXPECT_EQ(lib->interfaces[0]->members[1].name, u"WriteStringValue");
    EXPECT_NE(describeTypeLib(*lib).find("[in, out] long* Hive"), std::string::npos)
        << describeTypeLib(*lib);
    k.reset();
    progIds.reset();

    store_.reset();
    EXPECT_EQ(callEntry("DllCanUnloadNow"), S_OK);
    ASSERT_EQ(callEntry("DllUnregisterServer"), S_OK);
    for (const std::string& path : {"CLSID\\" + clsid, std::string("Regwick.clsRegwick"),
                                    "TypeLib\\" + regwick::LIBID_Regwick.toString(),
                                    "Interface\\" + regwick::IID__clsRegwick.toString()}) {
        UniqueHKey gone;
        EXPECT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, gone.put()),
                  ERROR_FILE_NOT_FOUND)
            << path;
    }
    ComPtr<IDispatch> none;
    EXPECT_EQ(CreateObject(regwick::kProgId, none), CO_E_CLASSSTRING);
    EXPECT_EQ(callEntry("DllUnregisterServer"), S_OK) << "unregistering twice is harmless";
}

}  // namespace
