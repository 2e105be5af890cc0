// tlbview LIBRARY | {LIBID} [MAJOR.MINOR]: lists a component library's type library (every
// interface, member, dispatch identifier, parameter and help string). A LIBID is looked up in
// the registry (version 1.0 unless given).
#include <cstdio>
#include <string>

#include "platform/dispatch.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || std::string(argv[1]) == "/?") {
        std::fprintf(stderr, "Usage: tlbview LIBRARY | {LIBID} [MAJOR.MINOR]\n");
        return 1;
    }
    const std::string what = argv[1];
    const vnk::com::TypeLibInfo* lib = nullptr;
    vnk::com::HRESULT hr = 0;
    if (const auto libid = vnk::com::GUID::parse(what)) {
        unsigned major = 1;
        unsigned minor = 0;
        if (argc == 3 && std::sscanf(argv[2], "%u.%u", &major, &minor) != 2) {
            std::fprintf(stderr, "tlbview: the version must be MAJOR.MINOR\n");
            return 1;
        }
        hr = vnk::com::LoadRegTypeLib(*libid, static_cast<vnk::com::WORD>(major),
                                      static_cast<vnk::com::WORD>(minor), &lib);
    } else {
        hr = vnk::com::LoadTypeLib(what, &lib);
    }
    if (vnk::com::FAILED(hr) || lib == nullptr) {
        std::fprintf(stderr, "tlbview: no type library (0x%08X): %s\n", static_cast<unsigned>(hr),
                     vnk::com::ComLastErrorDetail().c_str());
        return 1;
    }
    std::fputs(vnk::com::describeTypeLib(*lib).c_str(), stdout);
    return 0;
}
