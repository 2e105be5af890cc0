#include "core/cmdline.h"

#include <algorithm>

namespace varnook {

namespace {

constexpr const char* kHelp =
    "Usage: varnook [/debug]\n"
    "Shows who has a file open on NetWare servers and which files a connection has open, and\n"
    "acts on connections and servers.\n"
    "\n"
    "  /debug     write the activity log Varnook.log (in $XDG_STATE_HOME/varnook, by default\n"
    "             ~/.local/state/varnook; beside the program in a build tree)\n"
    "  --help     show this text and exit\n"
    "  --version  show the version and exit\n"
    "\n"
    "Environment:\n"
    "  NWSIM_NETWORK         a simulated network file to use instead of the demo network\n"
    "  VARNOOK_REGISTRY_DIR  the folder of the registry (default\n"
    "                        ~/.local/share/varnook/registry)\n"
    "\n"
    "See varnook(1) and varnook-cli(1).\n";

bool Has(const std::vector<std::string>& args, const char* a, const char* b) {
    return std::any_of(args.begin(), args.end(),
                       [&](const std::string& arg) { return arg == a || arg == b; });
}

}  // namespace

std::optional<std::string> InfoAnswer(const std::vector<std::string>& args) {
    if (Has(args, "--help", "-h")) {
        return std::string(kHelp);
    }
    if (Has(args, "--version", "-V")) {
        return std::string("varnook ") + VARNOOK_VERSION_STRING + "\n";
    }
    return std::nullopt;
}

}  // namespace varnook
