// nwsimd as a program of its own for the tests: started with arguments, its runtime folder and
// its output in a scratch folder, signalled and waited for.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "servednetwork.h"

namespace nw::nwsimd::testing {

namespace fs = std::filesystem;

inline std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// nwsimd run with arguments, its runtime folder in the scratch folder; output to files.
class Program {
public:
    Program(const ScratchFolder& scratch, std::vector<std::string> args) : out_(scratch.path()) {
        std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + (out_ / "run").string(),
                                        "PATH=/usr/bin:/bin"};
        args.insert(args.begin(), NWSIMD_EXE);
        std::vector<char*> argv, envp;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, (out_ / "stdout").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, (out_ / "stderr").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        fs::create_directories(out_ / "run");
        ::chmod((out_ / "run").c_str(), 0700);
        if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Program() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    // Standard output once it holds `lines` lines (nullopt when the program ended first).
    std::optional<std::string> output(int lines) {
        for (int i = 0; i < 1000; ++i) {
            std::string text = readFile(out_ / "stdout");
            if (std::count(text.begin(), text.end(), '\n') >= lines)
                return text;
            if (ended())
                return std::nullopt;
            std::this_thread::sleep_for(10ms);
        }
        return std::nullopt;
    }
    std::string errors() const { return readFile(out_ / "stderr"); }
    fs::path runtime() const { return out_ / "run" / "varnook"; }

    void signal(int number) { ::kill(pid_, number); }
    // The exit status once the program has ended (-1 after 10 s or on a signal).
    int wait() {
        for (int i = 0; i < 1000 && !ended(); ++i)
            std::this_thread::sleep_for(10ms);
        return status_;
    }

private:
    bool ended() {
        if (pid_ <= 0)
            return true;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) != pid_)
            return false;
        pid_ = -1;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return true;
    }

    fs::path out_;
    pid_t pid_ = -1;
    int status_ = -1;
};

}  // namespace nw::nwsimd::testing
