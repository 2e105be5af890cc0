#include "demoserver.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "privatefiles.h"

namespace nw {

namespace fs = std::filesystem;

namespace {

constexpr auto kStartTimeout = std::chrono::seconds(15);
constexpr const char* kDefaultIdleSeconds = "900";

fs::path stateFolder() {
    const char* xdg = std::getenv("XDG_STATE_HOME");
    if (xdg != nullptr && *xdg == '/') {
        return fs::path(xdg) / "varnook";
    }
    const char* home = std::getenv("HOME");
    return fs::path(home != nullptr && *home != '\0' ? home : "/tmp") / ".local/state/varnook";
}

// The pid the servers file of a network names, when that process runs and serves that network.
pid_t runningServer(const fs::path& serversFile, const fs::path& network) {
    std::ifstream in(serversFile);
    if (!in) {
        return 0;
    }
    const nlohmann::json doc = nlohmann::json::parse(in, nullptr, false);
    if (!doc.is_object() || !doc["pid"].is_number_integer() || !doc["network"].is_string()) {
        return 0;
    }
    const auto pid = doc["pid"].get<pid_t>();
    if (pid <= 0 || (::kill(pid, 0) != 0 && errno != EPERM)) {
        return 0;
    }
    std::error_code ec;
    if (!fs::equivalent(doc["network"].get<std::string>(), network, ec)) {
        throw DemoServerError(
            "another nwsimd (process " + std::to_string(pid) +
            ") serves a network of the same name: " + doc["network"].get<std::string>());
    }
    return pid;
}

// Holds the runtime folder's demo lock while one program looks for or starts the server.
class DemoLock {
public:
    explicit DemoLock(const fs::path& file) {
        fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd_ < 0) {
            throw DemoServerError("cannot open the lock " + file.string() + ": " +
                                  std::strerror(errno));
        }
        const auto until = std::chrono::steady_clock::now() + kStartTimeout;
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if (std::chrono::steady_clock::now() > until) {
                ::close(fd_);
                throw DemoServerError("another program holds " + file.string() + " for too long");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~DemoLock() { ::close(fd_); }
    DemoLock(const DemoLock&) = delete;
    DemoLock& operator=(const DemoLock&) = delete;

private:
    int fd_ = -1;
};

// Starts the server detached: a session of its own, standard input from /dev/null, its output
// to the log, no other descriptor of this program. Everything the child needs is prepared
// before fork, so that it only makes system calls.
void startDetached(const fs::path& program, const fs::path& network, const fs::path& log) {
    const char* idle = std::getenv("VARNOOK_NWSIMD_IDLE");
    const std::string idleSeconds = idle != nullptr && *idle != '\0' ? idle : kDefaultIdleSeconds;
    std::vector<std::string> args = {program.string(), "--exit-when-idle", idleSeconds,
                                     network.string()};
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    const std::string logPath = log.string();
    const pid_t child = ::fork();
    if (child < 0) {
        throw DemoServerError(std::string("cannot start nwsimd: ") + std::strerror(errno));
    }
    if (child == 0) {
        ::setsid();
        if (::fork() != 0) {
            ::_exit(0);  // the server is the grandchild: no one's child, in no one's session
        }
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        ::dup2(in, STDIN_FILENO);
        ::dup2(out >= 0 ? out : in, STDOUT_FILENO);
        ::dup2(out >= 0 ? out : in, STDERR_FILENO);
        ::close_range(3, ~0U, 0);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

std::string tail(const fs::path& log) {
    std::ifstream in(log);
    std::string line, last;
    while (std::getline(in, line)) {
        if (!line.empty()) {
            last = line;
        }
    }
    return last;
}

}  // namespace

fs::path runtimeFolder() {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    const fs::path folder = xdg != nullptr && xdg[0] == '/'
                                ? fs::path(xdg) / "varnook"
                                : fs::path("/tmp") / ("varnook-" + std::to_string(::getuid()));
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        throw DemoServerError("cannot make the runtime folder " + folder.string() + ": " +
                              std::strerror(errno));
    }
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
        (st.st_mode & 077) != 0) {
        throw DemoServerError("the runtime folder " + folder.string() +
                              " is not this user's own private folder (0700); refused");
    }
    return folder;
}

fs::path demoWorkstationFile(const fs::path& network, const fs::path& program) {
    const fs::path folder = runtimeFolder();
    const std::string name = network.stem().string();
    const fs::path servers = folder / (name + ".servers.json");
    const fs::path workstation = folder / (name + ".workstation.json");
    DemoLock lock(folder / (name + ".demo.lock"));
    if (runningServer(servers, network) != 0 && fs::exists(workstation)) {
        return workstation;
    }
    std::error_code ec;
    if (!fs::is_regular_file(program, ec)) {
        throw DemoServerError("the demo server is missing: " + program.string());
    }
    // The program's own state folder (its activity log lives there too): private to the user.
    const fs::path logFolder = stateFolder();
    std::string error;
    if (!sim::makePrivateFolder(logFolder, error)) {
        throw DemoServerError("cannot make the state folder for the demo server's log: " + error);
    }
    const fs::path log = logFolder / "nwsimd.log";
    startDetached(program, network, log);
    const auto until = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < until) {
        if (fs::exists(workstation) && runningServer(servers, network) != 0) {
            return workstation;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const std::string last = tail(log);
    throw DemoServerError("the demo server did not start" +
                          (last.empty() ? std::string() : ": " + last) + " (see " + log.string() +
                          ")");
}

}  // namespace nw
