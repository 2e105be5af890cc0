#include "core/installedfiles.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "core/paths.h"

namespace varnook {

namespace fs = std::filesystem;

namespace {

// The user's home: HOME, else the password database's entry.
std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') {
        return home;
    }
    struct passwd pw {};
    struct passwd* found = nullptr;
    char buf[4096];
    if (getpwuid_r(getuid(), &pw, buf, sizeof buf, &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return "/";
}

// The XDG state folder; a relative XDG_STATE_HOME is ignored, as the base directory rules say.
std::string StateHome() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state == '/') {
        return state;
    }
    return JoinLocal(HomeFolder(), ".local/state");
}

// Creates each missing folder along path with mode 0700.
void MakePrivateFolders(const fs::path& path) {
    fs::path partial;
    for (const fs::path& part : path) {
        partial /= part;
        ::mkdir(partial.c_str(), 0700);
    }
}

}  // namespace

bool IsBuildTreeFolder(const std::string& programFolder) {
    std::error_code ec;
    return !programFolder.empty() &&
           fs::is_regular_file(fs::path(programFolder) / ".." / "CMakeCache.txt", ec);
}

std::string LogFolder(const std::string& programFolder) {
    if (IsBuildTreeFolder(programFolder) && ::access(programFolder.c_str(), W_OK) == 0) {
        return programFolder;
    }
    const std::string folder = JoinLocal(StateHome(), "varnook");
    MakePrivateFolders(folder);
    return folder;
}

std::string HelpFilePath(const std::string& programFolder) {
    const std::string beside = JoinLocal(programFolder, "Vnk.html");
    std::error_code ec;
    if (fs::exists(beside, ec)) {
        return beside;
    }
    const std::string shared = JoinLocal(programFolder, "../share/varnook/Vnk.html");
    return fs::exists(shared, ec) ? fs::path(shared).lexically_normal().string() : beside;
}

}  // namespace varnook
