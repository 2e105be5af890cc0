// varnook-setup: the installation step of one user (see setup.h). Varnook runs it before it
// starts; it changes nothing when all is in place. Exit codes: 0 done, 1 bad command line,
// 3 something could not be registered or created (said on standard error).
#include <cstdio>
#include <cstring>

#include "setup.h"

namespace {

constexpr const char* kUsage =
    "Usage: varnook-setup [--quiet]\n"
    "Registers Varnook's component libraries (libregwick, libvolmarra) with your registry when\n"
    "they are not registered or the registration names another library file, and creates the\n"
    "key Varnook keeps its preferences under. Varnook runs it before it starts.\n"
    "  --quiet    print nothing but errors\n"
    "  --help     show this text\n"
    "  --version  show the version\n";

}  // namespace

int main(int argc, char** argv) {
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quiet") == 0 || std::strcmp(argv[i], "-q") == 0) {
            quiet = true;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("varnook-setup %s\n", VARNOOK_VERSION_STRING);
            return 0;
        } else {
            std::fprintf(stderr, "varnook-setup: unknown argument '%s'\n%s", argv[i], kUsage);
            return 1;
        }
    }
    const std::string folder = varnook::setup::OwnLibraryFolder();
    if (folder.empty()) {
        std::fprintf(stderr, "varnook-setup: cannot tell where Varnook's libraries are\n");
        return 3;
    }
    const varnook::setup::Result r =
        varnook::setup::SetUpUser(folder, varnook::setup::ShippedComponents());
    if (!quiet) {
        for (const std::string& library : r.registered) {
            std::printf("Registered %s\n", library.c_str());
        }
        if (r.keyCreated) {
            std::printf("Created the preferences key\n");
        }
    }
    for (const std::string& error : r.errors) {
        std::fprintf(stderr, "varnook-setup: %s\n", error.c_str());
    }
    return r.errors.empty() ? 0 : 3;
}
