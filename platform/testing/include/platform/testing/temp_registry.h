// A private registry for one test: VARNOOK_REGISTRY_DIR points at a fresh folder while the
// object lives; the folder is removed afterwards.
//
//   TEST(Prefs, Defaults) {
//       vnk::testing::TempRegistry reg;   // empty hives, nothing of the user's touched
//       ...
//   }
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

#include <dlfcn.h>

#include "platform/com.h"
#include "platform/registry.h"

namespace vnk::testing {

class TempRegistry {
public:
    TempRegistry() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "vnkreg-XXXXXX").string();
        if (mkdtemp(tmpl.data()) == nullptr) {
            std::abort();
        }
        root_ = tmpl;
        dir_ = root_ + "/registry";
        const char* old = getenv("VARNOOK_REGISTRY_DIR");
        if (old != nullptr) {
            saved_ = old;
            hadOld_ = true;
        }
        setenv("VARNOOK_REGISTRY_DIR", dir_.c_str(), 1);
        win::RegResetForTesting();
    }
    TempRegistry(const TempRegistry&) = delete;
    TempRegistry& operator=(const TempRegistry&) = delete;
    ~TempRegistry() {
        win::RegResetForTesting();
        if (hadOld_) {
            setenv("VARNOOK_REGISTRY_DIR", saved_.c_str(), 1);
        } else {
            unsetenv("VARNOOK_REGISTRY_DIR");
        }
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    // The registry folder (created when a hive is first used).
    const std::string& dir() const { return dir_; }
    // A scratch folder beside it that the test may use.
    const std::string& root() const { return root_; }

private:
    std::string root_;
    std::string dir_;
    std::string saved_;
    bool hadOld_ = false;
};

// Registers a component library in the current registry (what regsvr does), e.g. for a test
// that creates clsRegwick by its ProgID: registerComponentLibrary(REGWICK_LIBRARY) with
// REGWICK_LIBRARY defined as "$<TARGET_FILE:regwick>" in the test's CMakeLists.txt.
inline win::HRESULT registerComponentLibrary(const std::string& path) {
    void* lib = nullptr;
    const win::HRESULT hr = com::loadServerLibrary(path, &lib);
    if (win::FAILED(hr)) {
        return hr;
    }
    auto fn = reinterpret_cast<win::HRESULT (*)()>(dlsym(lib, "DllRegisterServer"));
    return fn != nullptr ? fn() : win::CO_E_ERRORINDLL;
}

}  // namespace vnk::testing
