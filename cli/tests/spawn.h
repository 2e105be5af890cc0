// Runs a program as a child process, for the tests and the benchmark of the varnook-cli
// executable.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

namespace varnook::cli::test {

struct Spawned {
    int code = -1;  // the exit status; -1 when the program did not exit by itself
    struct rusage usage {};
};

// As a file name for standard output: the program starts with its standard output closed.
inline constexpr const char* kClosedOutput = "<closed>";

// Runs exe with args and the environment variables given added; standard output and error go to
// the files named, /dev/null when a name is empty.
inline Spawned SpawnProgram(const std::string& exe, const std::vector<std::string>& args,
                            const std::vector<std::pair<std::string, std::string>>& env,
                            const std::string& out = {}, const std::string& err = {}) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        // A session of its own: the program has no terminal to ask on, whoever runs the tests.
        ::setsid();
        for (const auto& [name, value] : env) {
            ::setenv(name.c_str(), value.c_str(), 1);
        }
        const auto redirect = [](const std::string& file, int fd) {
            const int to = ::open(file.empty() ? "/dev/null" : file.c_str(),
                                  O_WRONLY | O_CREAT | O_TRUNC, 0644);
            return to >= 0 && ::dup2(to, fd) >= 0;
        };
        const bool closed = out == kClosedOutput;
        if (!redirect(closed ? std::string() : out, STDOUT_FILENO) ||
            !redirect(err, STDERR_FILENO) || (closed && ::close(STDOUT_FILENO) != 0)) {
            ::_exit(127);
        }
        std::vector<char*> argv{const_cast<char*>(exe.c_str())};
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(exe.c_str(), argv.data());
        ::_exit(127);
    }
    Spawned result;
    int status = 0;
    if (pid > 0 && ::wait4(pid, &status, 0, &result.usage) == pid && WIFEXITED(status)) {
        result.code = WEXITSTATUS(status);
    }
    return result;
}

}  // namespace varnook::cli::test
