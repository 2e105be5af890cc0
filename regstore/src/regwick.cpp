// libregwick: the registry string store, one creatable class clsRegwick that reads and writes
// single string values for the main program. It keeps no state: every call opens the key, does
// its work and closes the key again. Results are small integers; no call raises an error.
#include <string>

#include "platform/comserver.h"
#include "platform/dispatch.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "regwick/regwick.h"

namespace regwick {
namespace {

using namespace vnk::win;
using vnk::com::Dispatchable;
using vnk::com::InterfaceDef;
using vnk::text::codePageToWide;
using vnk::text::wideToCodePage;

constexpr DWORD kBufferSize = 255;

// Opens RegLoc below Hive for all access, as both methods do (a key this user may only read
// therefore does not open).
LONG openForAllAccess(std::int32_t hive, const std::u16string& regLoc, UniqueHKey& key) {
    const std::string path = wideToCodePage(regLoc);
    return RegOpenKeyExA(hkeyFromInt(hive), path.c_str(), 0, KEY_ALL_ACCESS, key.put());
}

class clsRegwick final : public Dispatchable<clsRegwick, _clsRegwick> {
public:
    static const InterfaceDef<clsRegwick>& dispatchInfo();

    HRESULT ReadStringValue(std::int32_t* Hive, std::u16string* RegLoc, std::u16string* Name,
                            std::u16string* Value, std::int16_t* result) override {
        if (Hive == nullptr || RegLoc == nullptr || Name == nullptr || Value == nullptr ||
            result == nullptr) {
            return E_POINTER;
        }
        UniqueHKey key;
        if (openForAllAccess(*Hive, *RegLoc, key) != ERROR_SUCCESS) {
            *result = -1;
            return S_OK;
        }
        *Value = std::u16string(kBufferSize, u' ');
        std::string buffer = wideToCodePage(*Value);
        DWORD count = kBufferSize;
        DWORD type = 0;
        const std::string name = wideToCodePage(*Name);
        const LONG status = RegQueryValueExA(key.get(), name.c_str(), nullptr, &type,
                                             reinterpret_cast<BYTE*>(buffer.data()), &count);
        *Value = codePageToWide(buffer);
        *result = status != ERROR_SUCCESS ? std::int16_t{-2} : static_cast<std::int16_t>(count);
        return S_OK;
    }

    HRESULT WriteStringValue(std::int32_t* Hive, std::u16string* RegLoc, std::u16string* Name,
                             std::u16string* Value, std::uint8_t* CreateIfNotThere,
                             std::int16_t* result) override {
        if (Hive == nullptr || RegLoc == nullptr || Name == nullptr || Value == nullptr ||
            CreateIfNotThere == nullptr || result == nullptr) {
            return E_POINTER;
        }
        *result = 0;
        UniqueHKey key;
        if (openForAllAccess(*Hive, *RegLoc, key) != ERROR_SUCCESS) {
            *result = 1;
            return S_OK;
        }
        const std::string name = wideToCodePage(*Name);
        DWORD probe = 0;
        const bool exists = RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr, nullptr,
                                             &probe) == ERROR_SUCCESS;
        if (exists || *CreateIfNotThere != 0) {
            const std::string data = wideToCodePage(*Value);
            const LONG status = RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ,
                                               reinterpret_cast<const BYTE*>(data.c_str()),
                                               static_cast<DWORD>(data.size() + 1));
            if (status != ERROR_SUCCESS) {
                *result = 3;
            }
        }
        return S_OK;
    }
};

const InterfaceDef<clsRegwick>& clsRegwick::dispatchInfo() {
    static const InterfaceDef<clsRegwick> def = [] {
        InterfaceDef<clsRegwick> d(IID__clsRegwick, u"_clsRegwick",
                                   u"Reads and writes single string values in the registry",
                                   vnk::com::TYPEFLAG_FDISPATCHABLE | vnk::com::TYPEFLAG_FDUAL |
                                       vnk::com::TYPEFLAG_FHIDDEN |
                                       vnk::com::TYPEFLAG_FNONEXTENSIBLE |
                                       vnk::com::TYPEFLAG_FOLEAUTOMATION);
        d.method<&clsRegwick::ReadStringValue>(
            DISPID_ReadStringValue, u"ReadStringValue", {u"Hive", u"RegLoc", u"Name", u"Value"},
            u"Reads the string value Name of the key RegLoc below Hive into Value; returns the "
            u"byte count, -1 when the key cannot be opened, -2 when the value cannot be read");
        d.method<&clsRegwick::WriteStringValue>(
            DISPID_WriteStringValue, u"WriteStringValue",
            {u"Hive", u"RegLoc", u"Name", u"Value", u"CreateIfNotThere"},
            u"Stores Value as the string value Name of the existing key RegLoc below Hive; "
            u"returns 0 when done, 1 when the key cannot be opened, 3 when the value cannot be "
            u"stored");
        return d;
    }();
    return def;
}

const vnk::com::TypeLibInfo& typeLib() {
    static const vnk::com::TypeLibInfo lib = [] {
        vnk::com::TypeLibInfo t;
        t.libid = LIBID_Regwick;
        t.name = u"Regwick";
        t.help = u"Regwick registry string store";
        t.major = 1;
        t.minor = 0;
        t.imports = {u"stdole2.tlb"};
        t.interfaces = {&clsRegwick::dispatchInfo()};
        t.coclasses = {vnk::com::CoClassInfo{
            CLSID_clsRegwick,
            u"clsRegwick",
            u"Reads and writes string values in the registry",
            vnk::com::TYPEFLAG_FCANCREATE,
            {{&clsRegwick::dispatchInfo(), vnk::com::IMPLTYPEFLAG_FDEFAULT}}}};
        return t;
    }();
    return lib;
}

const vnk::com::ServerInfo& server() {
    static const vnk::com::ServerInfo info = [] {
        vnk::com::ServerInfo s;
        s.typeLib = &typeLib();
        vnk::com::ClassInfo c;
        c.clsid = CLSID_clsRegwick;
        c.description = u"Regwick.clsRegwick";
        c.progId = kProgId;
        c.create = &vnk::com::createInstanceOf<clsRegwick>;
        s.classes.push_back(c);
        return s;
    }();
    return info;
}

}  // namespace
}  // namespace regwick

VNK_COM_SERVER(regwick::server)
