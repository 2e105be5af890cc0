#include "core/setupstep.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "core/paths.h"

extern char** environ;

namespace varnook {

std::string ExecutableFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

int RunInstallationStep(const std::string& programFolder) {
    const std::string setup = JoinLocal(programFolder, "varnook-setup");
    if (programFolder.empty() || ::access(setup.c_str(), X_OK) != 0) {
        return 0;
    }
    char quiet[] = "--quiet";
    char* argv[] = {const_cast<char*>(setup.c_str()), quiet, nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, setup.c_str(), nullptr, nullptr, argv, environ) != 0) {
        return -1;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace varnook
