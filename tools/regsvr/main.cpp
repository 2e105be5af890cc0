// regsvr [/u] [/s] LIBRARY: calls a component library's DllRegisterServer (or, with /u,
// DllUnregisterServer) and reports the result. Exit codes: 0 success, 1 bad command line,
// 3 the library does not load, 4 it has no such entry point, 5 the entry point failed.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/com.h"
#include "platform/registry.h"

namespace {

void usage() {
    std::fprintf(stderr,
                 "Usage: regsvr [/u] [/s] LIBRARY\n"
                 "  /u  unregister the library's classes (DllUnregisterServer)\n"
                 "  /s  silent: print nothing on success\n");
}

bool isSwitch(const char* arg, const char* name) {
    return (arg[0] == '/' || arg[0] == '-') && strcasecmp(arg + 1, name) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool unregister = false;
    bool silent = false;
    std::string library;
    for (int i = 1; i < argc; ++i) {
        if (isSwitch(argv[i], "u")) {
            unregister = true;
        } else if (isSwitch(argv[i], "s")) {
            silent = true;
        } else if (isSwitch(argv[i], "?") || isSwitch(argv[i], "h")) {
            usage();
            return 1;
        } else if (library.empty()) {
            library = argv[i];
        } else {
            usage();
            return 1;
        }
    }
    if (library.empty()) {
        usage();
        return 1;
    }
    // The registration records the library's absolute path.
    char real[PATH_MAX];
    if (realpath(library.c_str(), real) != nullptr) {
        library = real;
    }
    void* handle = nullptr;
    if (vnk::com::FAILED(vnk::com::loadServerLibrary(library, &handle))) {
        std::fprintf(stderr, "regsvr: %s\n", vnk::com::ComLastErrorDetail().c_str());
        return 3;
    }
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto fn = reinterpret_cast<vnk::win::HRESULT (*)()>(dlsym(handle, entry));
    if (fn == nullptr) {
        std::fprintf(stderr, "regsvr: %s was loaded, but the %s entry point was not found.\n",
                     library.c_str(), entry);
        return 4;
    }
    const vnk::win::HRESULT hr = fn();
    if (vnk::win::FAILED(hr)) {
        const std::string detail = vnk::com::ComLastErrorDetail();
        std::fprintf(stderr, "regsvr: %s in %s failed.\nReturn code was: 0x%08X\n%s%s", entry,
                     library.c_str(), static_cast<unsigned>(hr), detail.c_str(),
                     detail.empty() ? "" : "\n");
        return 5;
    }
    if (!silent) {
        std::printf("%s in %s succeeded.\n", entry, library.c_str());
    }
    return 0;
}
