// Creation of classes through the registry, type-library loading, server registration.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <map>
#include <mutex>
#include <vector>

#include "platform/com.h"
#include "platform/comserver.h"
#include "platform/dispatch.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace vnk::com {
namespace {

using win::HKEY;
using win::UniqueHKey;

thread_local std::string t_detail;

HRESULT fail(HRESULT hr, std::string detail) {
    t_detail = std::move(detail);
    return hr;
}

std::string utf8(std::u16string_view s) {
    return text::utf16ToUtf8(s);
}

// A string value of a key, or nullopt.
std::optional<std::string> readString(HKEY root, const std::string& path, const char* name) {
    UniqueHKey key;
    if (win::RegOpenKeyEx(root, path.c_str(), 0, win::KEY_READ, key.put()) != win::ERROR_SUCCESS) {
        return std::nullopt;
    }
    DWORD type = 0;
    DWORD size = 0;
    if (win::RegQueryValueEx(key.get(), name, nullptr, &type, nullptr, &size) !=
            win::ERROR_SUCCESS ||
        !win::isTextType(type)) {
        return std::nullopt;
    }
    std::string data(size, '\0');
    if (win::RegQueryValueEx(key.get(), name, nullptr, &type,
                             reinterpret_cast<win::BYTE*>(data.data()),
                             &size) != win::ERROR_SUCCESS) {
        return std::nullopt;
    }
    data.resize(size);
    while (!data.empty() && data.back() == '\0') {
        data.pop_back();
    }
    return data;
}

// Looks a path up in the user's classes, then in HKEY_CLASSES_ROOT.
std::optional<std::string> readClassesString(const std::string& path, const char* name) {
    if (auto v = readString(win::HKEY_CURRENT_USER, "Software\\Classes\\" + path, name)) {
        return v;
    }
    return readString(win::HKEY_CLASSES_ROOT, path, name);
}

struct Runtime {
    std::mutex mutex;
    std::map<std::string, void*> libraries;  // real path -> dlopen handle (never closed)
    std::vector<std::pair<CLSID, ComPtr<IClassFactory>>> registered;
};

Runtime& runtime() {
    static Runtime* r = new Runtime;  // outlives every static destructor
    return *r;
}

using GetClassObjectFn = HRESULT (*)(const CLSID*, const IID*, void**);
using GetTypeLibFn = const TypeLibInfo* (*)();

LONG writeString(HKEY root, const std::string& path, const char* name, const std::string& value) {
    UniqueHKey key;
    LONG e = win::RegCreateKeyEx(root, path.c_str(), 0, nullptr, 0, win::KEY_WRITE, nullptr,
                                 key.put(), nullptr);
    if (e != win::ERROR_SUCCESS) {
        return e;
    }
    return win::RegSetValueEx(key.get(), name, 0, win::REG_SZ,
                              reinterpret_cast<const win::BYTE*>(value.c_str()),
                              static_cast<DWORD>(value.size() + 1));
}

LONG createKey(HKEY root, const std::string& path) {
    UniqueHKey key;
    return win::RegCreateKeyEx(root, path.c_str(), 0, nullptr, 0, win::KEY_WRITE, nullptr,
                               key.put(), nullptr);
}

LONG deleteTree(HKEY root, const std::string& path) {
    const LONG e = win::RegDeleteTree(root, path.c_str());
    return e == win::ERROR_FILE_NOT_FOUND ? win::ERROR_SUCCESS : e;
}

std::string versionText(const TypeLibInfo& lib) {
    return std::to_string(lib.major) + "." + std::to_string(lib.minor);
}

std::string modulePath(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    char real[PATH_MAX];
    if (realpath(info.dli_fname, real) == nullptr) {
        return info.dli_fname;
    }
    return real;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

std::string regError(LONG e) {
    std::string d = win::RegLastErrorDetail();
    return "registry error " + std::to_string(e) + (d.empty() ? "" : ": " + d);
}

}  // namespace

// ---- Identifiers -----------------------------------------------------------------------------
HRESULT CLSIDFromString(std::u16string_view text, CLSID* out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    const auto g = GUID::parse(utf8(text));
    if (!g) {
        *out = GUID_NULL;
        return CO_E_CLASSSTRING;
    }
    *out = *g;
    return S_OK;
}

HRESULT CLSIDFromProgID(std::u16string_view progId, CLSID* out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = GUID_NULL;
    if (!progId.empty() && progId.front() == u'{') {
        return CLSIDFromString(progId, out);
    }
    std::string id = utf8(progId);
    if (id.empty() || id.find('\\') != std::string::npos) {
        return fail(CO_E_CLASSSTRING, "\"" + id + "\" is not a ProgID");
    }
    // A version-independent ProgID may name its current version.
    for (int hop = 0; hop < 2; ++hop) {
        if (auto clsid = readClassesString(id + "\\CLSID", nullptr)) {
            const auto g = GUID::parse(*clsid);
            if (!g) {
                return fail(CO_E_CLASSSTRING, "the ProgID " + id + " names a malformed CLSID");
            }
            *out = *g;
            return S_OK;
        }
        auto cur = readClassesString(id + "\\CurVer", nullptr);
        if (!cur) {
            break;
        }
        id = *cur;
    }
    return fail(CO_E_CLASSSTRING, "the ProgID " + utf8(progId) + " is not registered");
}

HRESULT ProgIDFromCLSID(const CLSID& clsid, std::u16string* out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    if (auto p = readClassesString("CLSID\\" + clsid.toString() + "\\ProgID", nullptr)) {
        *out = text::utf8ToUtf16(*p);
        return S_OK;
    }
    return fail(REGDB_E_CLASSNOTREG, "the class " + clsid.toString() + " has no ProgID");
}

// ---- Creation -----------------------------------------------------------------------------------
HRESULT loadServerLibrary(const std::string& path, void** handle) {
    char real[PATH_MAX];
    const std::string key = realpath(path.c_str(), real) != nullptr ? std::string(real) : path;
    std::lock_guard lock(runtime().mutex);
    auto it = runtime().libraries.find(key);
    if (it != runtime().libraries.end()) {
        *handle = it->second;
        return S_OK;
    }
    void* h = dlopen(key.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (h == nullptr) {
        const char* why = dlerror();
        return fail(CO_E_DLLNOTFOUND,
                    "the library " + path + " cannot be loaded: " + (why ? why : "unknown error"));
    }
    runtime().libraries[key] = h;
    *handle = h;
    return S_OK;
}

HRESULT CoGetClassObject(const CLSID& clsid, DWORD context, void* reserved, const IID& iid,
                         void** out) {
    (void)reserved;
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    {
        std::lock_guard lock(runtime().mutex);
        for (auto& [id, factory] : runtime().registered) {
            if (id == clsid) {
                return factory->QueryInterface(iid, out);
            }
        }
    }
    if ((context & CLSCTX_INPROC_SERVER) == 0) {
        return fail(REGDB_E_CLASSNOTREG, "only in-process servers are available");
    }
    const std::string path = "CLSID\\" + clsid.toString() + "\\InprocServer32";
    const auto library = readClassesString(path, nullptr);
    if (!library || library->empty()) {
        return fail(REGDB_E_CLASSNOTREG, "the class " + clsid.toString() + " is not registered");
    }
    void* handle = nullptr;
    HRESULT hr = loadServerLibrary(*library, &handle);
    if (FAILED(hr)) {
        return hr;
    }
    auto get = reinterpret_cast<GetClassObjectFn>(dlsym(handle, "DllGetClassObject"));
    if (get == nullptr) {
        return fail(CO_E_ERRORINDLL, "the library " + *library + " has no DllGetClassObject");
    }
    hr = get(&clsid, &iid, out);
    if (FAILED(hr)) {
        t_detail = "the library " + *library + " does not provide the class " + clsid.toString();
    }
    return hr;
}

HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, DWORD context, const IID& iid,
                         void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    ComPtr<IClassFactory> factory;
    HRESULT hr = CoGetClassObject(clsid, context, nullptr, IClassFactory::iid, factory.putVoid());
    if (FAILED(hr)) {
        return hr;
    }
    hr = factory->CreateInstance(outer, iid, out);
    if (FAILED(hr)) {
        t_detail = "the class " + clsid.toString() + " could not create an instance";
    }
    return hr;
}

HRESULT RegisterClassObject(const CLSID& clsid, IClassFactory* factory) {
    if (factory == nullptr) {
        return E_POINTER;
    }
    std::lock_guard lock(runtime().mutex);
    for (auto& [id, f] : runtime().registered) {
        if (id == clsid) {
            f = ComPtr<IClassFactory>(factory);
            return S_OK;
        }
    }
    runtime().registered.emplace_back(clsid, ComPtr<IClassFactory>(factory));
    return S_OK;
}

HRESULT RevokeClassObject(const CLSID& clsid) {
    ComPtr<IClassFactory> gone;  // released outside the lock
    std::lock_guard lock(runtime().mutex);
    auto& list = runtime().registered;
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->first == clsid) {
            gone = std::move(it->second);
            list.erase(it);
            return S_OK;
        }
    }
    return E_INVALIDARG;
}

HRESULT CoInitialize(void*) {
    return S_OK;
}
void CoUninitialize() {}

std::string ComLastErrorDetail() {
    return t_detail;
}

HRESULT CreateObject(std::u16string_view progIdOrClsid, ComPtr<IDispatch>& out) {
    out.reset();
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(progIdOrClsid, &clsid);
    if (FAILED(hr)) {
        return hr;
    }
    return CoCreateInstance(clsid, out);
}

// ---- Type libraries ---------------------------------------------------------------------------
HRESULT LoadTypeLib(const std::string& path, const TypeLibInfo** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    void* handle = nullptr;
    if (FAILED(loadServerLibrary(path, &handle))) {
        return TYPE_E_CANTLOADLIBRARY;
    }
    auto get = reinterpret_cast<GetTypeLibFn>(dlsym(handle, "DllGetTypeLib"));
    const TypeLibInfo* lib = get != nullptr ? get() : nullptr;
    if (lib == nullptr) {
        return fail(TYPE_E_CANTLOADLIBRARY, "the library " + path + " carries no type library");
    }
    *out = lib;
    return S_OK;
}

HRESULT LoadRegTypeLib(const GUID& libid, WORD major, WORD minor, const TypeLibInfo** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    const std::string base = "TypeLib\\" + libid.toString() + "\\" + std::to_string(major) + "." +
                             std::to_string(minor) + "\\0\\linux";
    const auto path = readClassesString(base, nullptr);
    if (!path) {
        return fail(TYPE_E_LIBNOTREGISTERED,
                    "the type library " + libid.toString() + " is not registered");
    }
    return LoadTypeLib(*path, out);
}

// ---- Registration -----------------------------------------------------------------------------
namespace {

// A registration is one registry batch: it is kept whole or not at all, and the hive is written
// out once instead of after each of its keys. Inside a batch the caller already opened, it joins
// that one.
class RegistrationBatch {
public:
    RegistrationBatch() : own_(win::RegBeginBatch() == win::ERROR_SUCCESS) {}
    RegistrationBatch(const RegistrationBatch&) = delete;
    RegistrationBatch& operator=(const RegistrationBatch&) = delete;
    ~RegistrationBatch() {
        if (own_) {
            win::RegAbandonBatch();
        }
    }
    // The registration's result, or SELFREG_E_CLASS when the commit fails.
    HRESULT finish(HRESULT hr) {
        if (!own_ || FAILED(hr)) {
            return hr;
        }
        own_ = false;
        const LONG e = win::RegCommitBatch();
        return e == win::ERROR_SUCCESS ? hr : fail(SELFREG_E_CLASS, regError(e));
    }

private:
    bool own_;
};

// Writes the keys of a server's registration.
HRESULT writeRegistration(const ServerInfo& server, const std::string& path) {
    const HKEY root = win::HKEY_CLASSES_ROOT;
    LONG e = win::ERROR_SUCCESS;
    auto check = [&](LONG r) {
        if (e == win::ERROR_SUCCESS && r != win::ERROR_SUCCESS) {
            e = r;
            t_detail = regError(r);
        }
    };
    if (const TypeLibInfo* lib = server.typeLib) {
        const std::string libid = lib->libid.toString();
        const std::string ver = versionText(*lib);
        const std::string base = "TypeLib\\" + libid + "\\" + ver;
        check(writeString(root, base, nullptr, utf8(lib->help.empty() ? lib->name : lib->help)));
        check(writeString(root, base + "\\0\\linux", nullptr, path));
        check(writeString(root, base + "\\FLAGS", nullptr, "0"));
        check(writeString(root, base + "\\HELPDIR", nullptr, folderOf(path)));
        for (const InterfaceInfo* i : lib->interfaces) {
            const std::string key = "Interface\\" + i->iid.toString();
            check(writeString(root, key, nullptr, utf8(i->name)));
            check(writeString(root, key + "\\TypeLib", nullptr, libid));
            check(writeString(root, key + "\\TypeLib", "Version", ver));
        }
        if (e != win::ERROR_SUCCESS) {
            return SELFREG_E_TYPELIB;
        }
    }
    for (const CategoryInfo& c : server.categories) {
        check(writeString(root, "Component Categories\\" + c.catid.toString(), "409",
                          utf8(c.description)));
    }
    for (const ClassInfo& c : server.classes) {
        const std::string clsid = c.clsid.toString();
        const std::string key = "CLSID\\" + clsid;
        const std::string desc = utf8(c.description);
        check(writeString(root, key, nullptr, desc));
        check(writeString(root, key + "\\InprocServer32", nullptr, path));
        check(writeString(root, key + "\\InprocServer32", "ThreadingModel", "Apartment"));
        check(createKey(root, key + "\\Programmable"));
        if (c.control) {
            check(createKey(root, key + "\\Control"));
        }
        if (server.typeLib != nullptr) {
            check(writeString(root, key + "\\TypeLib", nullptr, server.typeLib->libid.toString()));
            check(writeString(root, key + "\\Version", nullptr, versionText(*server.typeLib)));
        }
        for (const GUID& cat : c.categories) {
            check(createKey(root, key + "\\Implemented Categories\\" + cat.toString()));
        }
        if (!c.progId.empty()) {
            const std::string progId = utf8(c.progId);
            check(writeString(root, key + "\\ProgID", nullptr, progId));
            check(writeString(root, progId, nullptr, desc));
            check(writeString(root, progId + "\\CLSID", nullptr, clsid));
        }
        if (!c.versionIndependentProgId.empty()) {
            const std::string vi = utf8(c.versionIndependentProgId);
            check(writeString(root, key + "\\VersionIndependentProgID", nullptr, vi));
            check(writeString(root, vi, nullptr, desc));
            check(writeString(root, vi + "\\CLSID", nullptr, clsid));
            if (!c.progId.empty()) {
                check(writeString(root, vi + "\\CurVer", nullptr, utf8(c.progId)));
            }
        }
    }
    return e == win::ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

// Removes the keys of a server's registration.
HRESULT removeRegistration(const ServerInfo& server) {
    const HKEY root = win::HKEY_CLASSES_ROOT;
    LONG e = win::ERROR_SUCCESS;
    auto check = [&](LONG r) {
        if (e == win::ERROR_SUCCESS && r != win::ERROR_SUCCESS) {
            e = r;
            t_detail = regError(r);
        }
    };
    if (const TypeLibInfo* lib = server.typeLib) {
        const std::string libKey = "TypeLib\\" + lib->libid.toString();
        check(deleteTree(root, libKey + "\\" + versionText(*lib)));
        // The library's key goes too once no other version is registered under it.
        UniqueHKey k;
        if (win::RegOpenKeyEx(root, libKey.c_str(), 0, win::KEY_READ, k.put()) ==
            win::ERROR_SUCCESS) {
            DWORD subKeys = 0;
            win::RegQueryInfoKey(k.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                                 nullptr, nullptr, nullptr, nullptr, nullptr);
            k.reset();
            if (subKeys == 0) {
                check(deleteTree(root, libKey));
            }
        }
        for (const InterfaceInfo* i : lib->interfaces) {
            check(deleteTree(root, "Interface\\" + i->iid.toString()));
        }
        if (e != win::ERROR_SUCCESS) {
            return SELFREG_E_TYPELIB;
        }
    }
    for (const ClassInfo& c : server.classes) {
        const std::string clsid = c.clsid.toString();
        for (const std::u16string& p : {c.progId, c.versionIndependentProgId}) {
            if (p.empty()) {
                continue;
            }
            const std::string progId = utf8(p);
            const auto named = readString(root, progId + "\\CLSID", nullptr);
            if (named && GUID::parse(*named) == std::optional<GUID>(c.clsid)) {
                check(deleteTree(root, progId));
            }
        }
        check(deleteTree(root, "CLSID\\" + clsid));
    }
    return e == win::ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

}  // namespace

HRESULT registerServer(const ServerInfo& server, const void* anyAddressInModule) {
    const std::string path = modulePath(anyAddressInModule);
    if (path.empty()) {
        return fail(SELFREG_E_CLASS, "the library's own file cannot be found");
    }
    RegistrationBatch batch;
    return batch.finish(writeRegistration(server, path));
}

HRESULT unregisterServer(const ServerInfo& server) {
    RegistrationBatch batch;
    return batch.finish(removeRegistration(server));
}

}  // namespace vnk::com
