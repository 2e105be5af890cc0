// The component runtime, part 4: writing a component server library (an in-process server).
//
// A server describes its type library and classes once in a ServerInfo and lets
// VNK_COM_SERVER(function returning const ServerInfo&) define its five exported entry points:
//   DllRegisterServer    registers the type library, then each class (S_OK; SELFREG_E_TYPELIB
//                        or SELFREG_E_CLASS when that part cannot be written; a registration
//                        is one registry batch, kept whole or not at all)
//   DllUnregisterServer  removes them again (same results, also whole or not at all)
//   DllGetClassObject    the class factory of one class
//   DllCanUnloadNow      S_OK when no object of the library is alive and no lock is held
//   DllGetTypeLib        the library's TypeLibInfo (how LoadTypeLib reads a library)
//
// Registration writes, below HKEY_CLASSES_ROOT (= HKEY_LOCAL_MACHINE\Software\Classes):
//   CLSID\{clsid}                       (default) = description
//     InprocServer32                    (default) = absolute path of the library,
//                                       ThreadingModel = "Apartment"
//     ProgID                            (default) = versioned ProgID (when there is one)
//     VersionIndependentProgID          (default) = ProgID without version (when there is one)
//     TypeLib                           (default) = {libid}
//     Version                           (default) = "major.minor" of the type library
//     Programmable, Control             (empty keys; Control for controls)
//     Implemented Categories\{catid}    (empty keys)
//   <ProgID>                            (default) = description, CLSID\(default) = {clsid}
//   <VersionIndependentProgID>          (default) = description, CLSID, CurVer = versioned ProgID
//   TypeLib\{libid}\major.minor         (default) = help string or name,
//     0\linux                           (default) = path of the library, FLAGS = "0",
//     HELPDIR                           (default) = the library's folder
//   Interface\{iid}                     (default) = interface name, TypeLib\(default) = {libid},
//                                       TypeLib\Version = "major.minor"
//   Component Categories\{catid}        "409" = the category's description
// Registering again overwrites the same keys (one registration); unregistering deletes the class,
// ProgID, interface and type-library keys (a ProgID only while it still names this class) and
// leaves the shared category descriptions.
#pragma once

#include <string>
#include <vector>

#include "platform/com.h"
#include "platform/dispatch.h"

namespace vnk::com {

struct CategoryInfo {
    GUID catid;
    std::u16string description;
};

// Well-known component categories.
inline constexpr GUID CATID_SafeForInitializing =
    makeGuid("{7DD95802-9882-11CF-9FA9-00AA006C42C4}");
inline constexpr GUID CATID_SafeForScripting = makeGuid("{7DD95801-9882-11CF-9FA9-00AA006C42C4}");
inline constexpr GUID CATID_Control = makeGuid("{40FC6ED4-2438-11CF-A3DB-080036F12502}");

struct ClassInfo {
    CLSID clsid;
    std::u16string description;
    std::u16string progId;                    // versioned, e.g. u"VolmarraLib.VolmarraCtrl.1"
    std::u16string versionIndependentProgId;  // may be empty
    CreateFunction create = nullptr;          // e.g. &createInstanceOf<MyClass>
    bool control = false;
    std::vector<GUID> categories;  // implemented categories
};

struct ServerInfo {
    const TypeLibInfo* typeLib = nullptr;  // may be null
    std::vector<ClassInfo> classes;
    std::vector<CategoryInfo> categories;  // descriptions to register
};

// `anyAddressInModule` locates the library file (dladdr); the macro passes an entry point.
VNK_EXPORT HRESULT registerServer(const ServerInfo& server, const void* anyAddressInModule);
VNK_EXPORT HRESULT unregisterServer(const ServerInfo& server);
// Inline so that the factory counts in the server library's own module counters.
inline HRESULT getClassObject(const ServerInfo& server, const CLSID& clsid, const IID& iid,
                              void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    for (const ClassInfo& c : server.classes) {
        if (c.clsid == clsid && c.create != nullptr) {
            ComPtr<ClassFactory> factory(new (std::nothrow) ClassFactory(c.create));
            if (!factory) {
                return E_OUTOFMEMORY;
            }
            return factory->QueryInterface(iid, out);
        }
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace vnk::com

#define VNK_COM_SERVER(serverInfoFunction)                                                  \
    extern "C" VNK_EXPORT vnk::win::HRESULT DllRegisterServer() {                           \
        return vnk::com::registerServer(serverInfoFunction(),                               \
                                        reinterpret_cast<const void*>(&DllRegisterServer)); \
    }                                                                                       \
    extern "C" VNK_EXPORT vnk::win::HRESULT DllUnregisterServer() {                         \
        return vnk::com::unregisterServer(serverInfoFunction());                            \
    }                                                                                       \
    extern "C" VNK_EXPORT vnk::win::HRESULT DllGetClassObject(                              \
        const vnk::com::CLSID* clsid, const vnk::com::IID* iid, void** out) {               \
        if (clsid == nullptr || iid == nullptr) {                                           \
            return vnk::win::E_INVALIDARG;                                                  \
        }                                                                                   \
        return vnk::com::getClassObject(serverInfoFunction(), *clsid, *iid, out);           \
    }                                                                                       \
    extern "C" VNK_EXPORT vnk::win::HRESULT DllCanUnloadNow() {                             \
        return vnk::com::moduleCanUnloadNow();                                              \
    }                                                                                       \
    extern "C" VNK_EXPORT const vnk::com::TypeLibInfo* DllGetTypeLib() {                    \
        return serverInfoFunction().typeLib;                                                \
    }
