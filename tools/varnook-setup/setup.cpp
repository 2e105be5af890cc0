#include "setup.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "core/preferences.h"
#include "platform/com.h"
#include "platform/registry.h"

namespace varnook::setup {

namespace fs = std::filesystem;
using namespace vnk::win;

namespace {

std::string RealPath(const std::string& path) {
    char real[PATH_MAX];
    return realpath(path.c_str(), real) != nullptr ? std::string(real) : path;
}

// The default value of a key as text; empty when the key or the value is missing.
std::string ReadDefault(HKEY root, const std::string& path) {
    UniqueHKey key;
    if (RegOpenKeyEx(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        return {};
    }
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueEx(key.get(), nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        !isTextType(type)) {
        return {};
    }
    std::string data(size, '\0');
    if (RegQueryValueEx(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                        &size) != ERROR_SUCCESS) {
        return {};
    }
    data.resize(std::min<size_t>(size, data.size()));
    while (!data.empty() && data.back() == '\0') {
        data.pop_back();
    }
    return data;
}

// Calls the library's DllRegisterServer; empty on success, else why not.
std::string Register(const std::string& library) {
    void* handle = nullptr;
    if (vnk::com::FAILED(vnk::com::loadServerLibrary(library, &handle))) {
        return vnk::com::ComLastErrorDetail();
    }
    auto fn = reinterpret_cast<HRESULT (*)()>(dlsym(handle, "DllRegisterServer"));
    if (fn == nullptr) {
        return library + " has no DllRegisterServer entry point";
    }
    const HRESULT hr = fn();
    if (FAILED(hr)) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
        const std::string detail = vnk::com::ComLastErrorDetail();
        return "DllRegisterServer in " + library + " failed with " + code +
               (detail.empty() ? "" : ": " + detail);
    }
    return {};
}

}  // namespace

const std::vector<Component>& ShippedComponents() {
    static const std::vector<Component> components = {
        {"libregwick.so", "Regwick.clsRegwick"},
        {"libvolmarra.so", "VolmarraLib.VolmarraCtrl.1"},
    };
    return components;
}

std::string OwnLibraryFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&RegOpenKeyEx), &info) == 0 ||
        info.dli_fname == nullptr) {
        return {};
    }
    return fs::path(RealPath(info.dli_fname)).parent_path().string();
}

std::string RegisteredLibrary(const std::string& progId) {
    std::u16string text(progId.begin(), progId.end());
    vnk::com::CLSID clsid{};
    if (vnk::com::FAILED(vnk::com::CLSIDFromProgID(text, &clsid))) {
        return {};
    }
    const std::string path = "CLSID\\" + clsid.toString() + "\\InprocServer32";
    std::string library = ReadDefault(HKEY_CURRENT_USER, "Software\\Classes\\" + path);
    return library.empty() ? ReadDefault(HKEY_CLASSES_ROOT, path) : library;
}

Result SetUpUser(const std::string& libFolder, const std::vector<Component>& components) {
    Result result;
    for (const Component& c : components) {
        const std::string library = RealPath((fs::path(libFolder) / c.file).string());
        std::error_code ec;
        if (!fs::is_regular_file(library, ec)) {
            continue;
        }
        const std::string before = RegisteredLibrary(c.progId);
        if (!before.empty() && RealPath(before) == library) {
            continue;
        }
        if (std::string why = Register(library); !why.empty()) {
            result.errors.push_back(why);
            continue;
        }
        const std::string after = RegisteredLibrary(c.progId);
        if (RealPath(after) != library) {
            result.errors.push_back(c.progId + " still names " + after +
                                    " (a registration of the user's own classes, "
                                    "HKEY_CURRENT_USER\\Software\\Classes, comes first)");
            continue;
        }
        result.registered.push_back(library);
    }
    UniqueHKey key;
    DWORD disposition = 0;
    const LONG rc =
        RegCreateKeyEx(HKEY_LOCAL_MACHINE, kPreferencesKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                       KEY_ALL_ACCESS, nullptr, key.put(), &disposition);
    if (rc != ERROR_SUCCESS) {
        result.errors.push_back(std::string("cannot create HKEY_LOCAL_MACHINE\\") +
                                kPreferencesKey + ": " + RegLastErrorDetail());
    } else {
        result.keyCreated = disposition == REG_CREATED_NEW_KEY;
    }
    return result;
}

}  // namespace varnook::setup
