// Registration of a server's classes, type library and categories, and creation failures.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <stdexcept>

#include "platform/comserver.h"
#include "platform/dispatch.h"
#include "platform/registry.h"
#include "platform/testing/temp_registry.h"

using namespace vnk::com;
using namespace vnk::win;

namespace {

constexpr GUID kLibId = makeGuid("{0C7E51D2-9A41-4B0E-8F7B-2D3C4B5A6978}");
constexpr IID kIID_IThing = makeGuid("{0C7E51D2-9A41-4B0E-8F7B-2D3C4B5A6979}");
constexpr CLSID kCLSID_Thing = makeGuid("{0C7E51D2-9A41-4B0E-8F7B-2D3C4B5A697A}");
constexpr CLSID kCLSID_Page = makeGuid("{0C7E51D2-9A41-4B0E-8F7B-2D3C4B5A697B}");

class Thing final : public Dispatchable<Thing, IDispatch> {
public:
    static const InterfaceDef<Thing>& dispatchInfo() {
        static const auto def = [] {
            InterfaceDef<Thing> d(kIID_IThing, u"IThing", u"A thing");
            d.propget<&Thing::get_Name>(1, u"Name", {}, u"Its name");
            d.propput<&Thing::put_Name>(1, u"Name", {u"Value"});
            d.propputref<&Thing::putref_Owner>(2, u"Owner", {u"Value"});
            d.method<&Thing::Throws>(3, u"Throws", {});
            d.method<&Thing::Scaled>(4, u"Scaled", {u"By", u"Offset"});
            d.propget<&Thing::get_Count>(5, u"Count", {});
            return d;
        }();
        return def;
    }
    HRESULT get_Name(std::u16string* v) {
        *v = name_;
        return S_OK;
    }
    HRESULT put_Name(std::u16string v) {
        name_ = std::move(v);
        return S_OK;
    }
    HRESULT putref_Owner(ComPtr<IDispatch> owner) {
        owner_ = std::move(owner);
        return S_OK;
    }
    HRESULT Throws() { throw std::runtime_error("escaped"); }
    HRESULT Scaled(double by, std::optional<std::int32_t> offset, double* r) {
        *r = by * 2 + offset.value_or(0);
        return S_OK;
    }
    HRESULT get_Count(std::int32_t* n) {
        *n = owner_ ? 1 : 0;
        return S_OK;
    }

private:
    std::u16string name_ = u"thing";
    ComPtr<IDispatch> owner_;
};

const TypeLibInfo& typeLib() {
    static const TypeLibInfo lib = [] {
        TypeLibInfo t;
        t.libid = kLibId;
        t.name = u"ThingLib";
        t.help = u"Things for tests";
        t.major = 1;
        t.minor = 3;
        t.interfaces = {&Thing::dispatchInfo()};
        t.coclasses = {CoClassInfo{kCLSID_Thing,
                                   u"Thing",
                                   u"A thing",
                                   TYPEFLAG_FCANCREATE,
                                   {{&Thing::dispatchInfo(), IMPLTYPEFLAG_FDEFAULT}}}};
        return t;
    }();
    return lib;
}

ServerInfo server() {
    ServerInfo s;
    s.typeLib = &typeLib();
    s.categories = {
        {CATID_SafeForScripting, u"Controls that are safely scriptable"},
        {CATID_SafeForInitializing, u"Controls safely initializable from persistent data"}};
    ClassInfo thing;
    thing.clsid = kCLSID_Thing;
    thing.description = u"Thing";
    thing.progId = u"ThingLib.Thing.1";
    thing.versionIndependentProgId = u"ThingLib.Thing";
    thing.create = &createInstanceOf<Thing>;
    thing.control = true;
    thing.categories = {CATID_SafeForScripting, CATID_SafeForInitializing};
    ClassInfo page;
    page.clsid = kCLSID_Page;
    page.description = u"Thing page";
    page.progId = u"ThingLib.ThingPage.1";
    page.create = &createInstanceOf<Thing>;
    s.classes = {thing, page};
    return s;
}

std::optional<std::string> value(const std::string& path, const char* name = nullptr) {
    UniqueHKey k;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    char buf[512];
    DWORD size = sizeof buf;
    if (RegQueryValueEx(k.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::string(buf, size > 0 ? size - 1 : 0);
}

bool keyExists(const std::string& path) {
    UniqueHKey k;
    return RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, k.put()) == ERROR_SUCCESS;
}

TEST(ComServer, RegistersClassesProgIdsTypeLibAndCategories) {
    vnk::testing::TempRegistry reg;
    const ServerInfo s = server();
    ASSERT_EQ(registerServer(s, reinterpret_cast<const void*>(&typeLib)), S_OK)
        << ComLastErrorDetail();
    ASSERT_EQ(registerServer(s, reinterpret_cast<const void*>(&typeLib)), S_OK);
    const std::string clsid = kCLSID_Thing.toString();
    const auto path = value("CLSID\\" + clsid + "\\InprocServer32");
    ASSERT_TRUE(path);
    EXPECT_EQ(path->front(), '/') << "an absolute path";
    EXPECT_EQ(value("CLSID\\" + clsid + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(value("CLSID\\" + clsid + "\\ProgID"), "ThingLib.Thing.1");
    EXPECT_EQ(value("CLSID\\" + clsid + "\\VersionIndependentProgID"), "ThingLib.Thing");
    EXPECT_EQ(value("CLSID\\" + clsid + "\\TypeLib"), kLibId.toString());
    EXPECT_EQ(value("CLSID\\" + clsid + "\\Version"), "1.3");
    EXPECT_TRUE(keyExists("CLSID\\" + clsid + "\\Control"));
    EXPECT_TRUE(keyExists("CLSID\\" + clsid + "\\Implemented Categories\\" +
                          CATID_SafeForScripting.toString()));
    EXPECT_EQ(value("Component Categories\\" + CATID_SafeForInitializing.toString(), "409"),
              "Controls safely initializable from persistent data");
    EXPECT_EQ(value("ThingLib.Thing\\CurVer"), "ThingLib.Thing.1");
    EXPECT_EQ(value("TypeLib\\" + kLibId.toString() + "\\1.3\\0\\linux"), path);
    EXPECT_EQ(value("Interface\\" + kIID_IThing.toString()), "IThing");

    CLSID found;
    ASSERT_EQ(CLSIDFromProgID(u"ThingLib.Thing", &found), S_OK) << "through CurVer";
    EXPECT_EQ(found, kCLSID_Thing);
    ASSERT_EQ(CLSIDFromProgID(u"thinglib.thingpage.1", &found), S_OK);
    EXPECT_EQ(found, kCLSID_Page);
    std::u16string progId;
    ASSERT_EQ(ProgIDFromCLSID(kCLSID_Thing, &progId), S_OK);
    EXPECT_EQ(progId, u"ThingLib.Thing.1");

    ASSERT_EQ(unregisterServer(s), S_OK);
    for (const std::string& gone :
         {"CLSID\\" + clsid, "CLSID\\" + kCLSID_Page.toString(), std::string("ThingLib.Thing"),
          std::string("ThingLib.Thing.1"), std::string("ThingLib.ThingPage.1"),
          "TypeLib\\" + kLibId.toString(), "Interface\\" + kIID_IThing.toString()}) {
        EXPECT_FALSE(keyExists(gone)) << gone;
    }
    EXPECT_TRUE(keyExists("Component Categories\\" + CATID_SafeForScripting.toString()))
        << "category descriptions are shared and stay";
}

// A class the registry refuses (its ProgID is too long a key name) keeps nothing of the
// registration, not even the type library and the classes before it.
TEST(ComServer, ARegistrationIsKeptWholeOrNotAtAll) {
    vnk::testing::TempRegistry reg;
    ServerInfo s = server();
    s.classes[1].progId = std::u16string(300, u'p');
    EXPECT_EQ(registerServer(s, reinterpret_cast<const void*>(&typeLib)), SELFREG_E_CLASS);
    EXPECT_FALSE(keyExists("CLSID\\" + kCLSID_Thing.toString()));
    EXPECT_FALSE(keyExists("TypeLib\\" + kLibId.toString()));
    EXPECT_EQ(RegOpenHandleCount(), 0u);
}

TEST(ComServer, ReadOnlyRegistryFailsRegistrationWithTheSelfRegCodes) {
    vnk::testing::TempRegistry reg;
    UniqueHKey k;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "Software", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                             k.put(), nullptr),
              ERROR_SUCCESS);
    k.reset();
    ASSERT_EQ(chmod(RegHiveFile(HKEY_LOCAL_MACHINE).c_str(), 0400), 0);
    ServerInfo s = server();
    EXPECT_EQ(registerServer(s, reinterpret_cast<const void*>(&typeLib)), SELFREG_E_TYPELIB);
    s.typeLib = nullptr;
    EXPECT_EQ(registerServer(s, reinterpret_cast<const void*>(&typeLib)), SELFREG_E_CLASS);
}

TEST(ComServer, CreationFailuresSayWhy) {
    vnk::testing::TempRegistry reg;
    const CLSID missing = makeGuid("{0C7E51D2-9A41-4B0E-8F7B-2D3C4B5A6900}");
    ComPtr<IDispatch> obj;
    EXPECT_EQ(CoCreateInstance(missing, obj), REGDB_E_CLASSNOTREG);
    UniqueHKey k;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CLASSES_ROOT,
                             ("CLSID\\" + missing.toString() + "\\InprocServer32").c_str(), 0,
                             nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(), nullptr),
              ERROR_SUCCESS);
    const char path[] = "/nonexistent/libnothing.so";
    ASSERT_EQ(RegSetValueEx(k.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                            sizeof path),
              ERROR_SUCCESS);
    EXPECT_EQ(CoCreateInstance(missing, obj), CO_E_DLLNOTFOUND);
    EXPECT_NE(ComLastErrorDetail().find("/nonexistent/libnothing.so"), std::string::npos);
    CLSID c;
    EXPECT_EQ(CLSIDFromString(u"{not a guid}", &c), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromProgID(u"{0C7E51D2-9A41-4B0E-8F7B-2D3C4B5A6900}", &c), S_OK);
    EXPECT_EQ(c, missing);
}

TEST(ComServer, MembersNeverLetExceptionsThroughAndOptionalsDefault) {
    ComPtr<IDispatch> obj(new Thing);
    Variant r;
    ExcepInfo ei;
    EXPECT_EQ(call(obj.get(), u"Throws", {}, &r, &ei), DISP_E_EXCEPTION);
    EXPECT_EQ(ei.scode, E_UNEXPECTED);
    ASSERT_EQ(call(obj.get(), u"Scaled", {Variant(1.5)}, &r), S_OK);
    EXPECT_EQ(r.realVal(), 3.0);
    ASSERT_EQ(call(obj.get(), u"Scaled", {Variant(1.5), Variant(std::int16_t{4})}, &r), S_OK);
    EXPECT_EQ(r.realVal(), 7.0);
    EXPECT_EQ(call(obj.get(), u"Scaled", {Variant(1.5), Variant(2), Variant(3)}, &r),
              DISP_E_BADPARAMCOUNT);
    // Without readOnlyRaises, writing a get-only property is "member not found".
    EXPECT_EQ(putProperty(obj.get(), u"Count", Variant(1)), DISP_E_MEMBERNOTFOUND);
    // Property put by reference.
    Variant owner(obj);
    EXPECT_EQ(callByName(obj.get(), u"Owner", DISPATCH_PROPERTYPUTREF, {owner}, nullptr), S_OK);
    ASSERT_EQ(getProperty(obj.get(), u"Count", &r), S_OK);
    EXPECT_EQ(r.intVal(), 1);
    EXPECT_EQ(callByName(obj.get(), u"Owner", DISPATCH_PROPERTYPUTREF, {Variant()}, nullptr), S_OK)
        << "Nothing releases the owner (and the cycle)";
    std::u16string_view names[] = {u"scaled", u"OFFSET"};
    DISPID ids[2];
    ASSERT_EQ(obj->GetIDsOfNames(names, 2, ids), S_OK);
    EXPECT_EQ(ids[0], 4);
    EXPECT_EQ(ids[1], 1);
}

}  // namespace
