// The runtime folder and files of nwsimd (see runtime.h).
#include "runtime.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <stdexcept>

#include "ncp/login.h"

namespace nw::nwsimd {

namespace fs = std::filesystem;

namespace {

std::string randomPassword() {
    static constexpr char kAlphabet[] = "ABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    unsigned char bytes[16];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
        if (n > 0)
            got += static_cast<std::size_t>(n);
    }
    std::string password;
    for (unsigned char b : bytes)
        password.push_back(kAlphabet[b % (sizeof kAlphabet - 1)]);
    return password;
}

// Writes text to path as a new 0600 file that appears whole (a temporary file renamed over it).
void writePrivateFile(const fs::path& path, const std::string& text) {
    fs::path temporary = path;
    temporary += ".new." + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        throw std::runtime_error("cannot write " + path.string() + ": " + std::strerror(errno));
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            int error = errno;
            ::close(fd);
            ::unlink(temporary.c_str());
            throw std::runtime_error("cannot write " + path.string() + ": " + std::strerror(error));
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        throw std::runtime_error("cannot write " + path.string() + ": " + std::strerror(error));
    }
}

// The process a servers file names, if it still runs and is not this one.
pid_t liveAnnouncer(const fs::path& serversFile) {
    std::ifstream in(serversFile);
    if (!in)
        return 0;
    nlohmann::json document = nlohmann::json::parse(in, nullptr, false);
    if (!document.is_object() || !document["pid"].is_number_integer())
        return 0;
    auto pid = document["pid"].get<pid_t>();
    if (pid <= 0 || pid == ::getpid())
        return 0;
    return ::kill(pid, 0) == 0 || errno == EPERM ? pid : 0;
}

}  // namespace

fs::path runtimeFolder() {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    fs::path folder = xdg != nullptr && xdg[0] == '/'
                          ? fs::path(xdg) / "varnook"
                          : fs::path("/tmp") / ("varnook-" + std::to_string(::getuid()));
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        throw std::runtime_error("cannot make the runtime folder " + folder.string() + ": " +
                                 std::strerror(errno));
    }
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        throw std::runtime_error("the runtime folder " + folder.string() +
                                 " is not a folder (a link or a file is refused)");
    }
    if (st.st_uid != ::getuid()) {
        throw std::runtime_error("the runtime folder " + folder.string() +
                                 " belongs to another user (uid " + std::to_string(st.st_uid) +
                                 "); refused");
    }
    if ((st.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) {
        throw std::runtime_error("the runtime folder " + folder.string() +
                                 " is open to other users and cannot be narrowed to 0700");
    }
    return folder;
}

std::vector<GivenPassword> givePasswords(sim::ServerModel& model) {
    std::vector<GivenPassword> given;
    std::set<const sim::BinderyObject*> done;
    for (const auto& connection : model.net().connections) {
        const sim::Station* station = connection->station;
        if (station == nullptr || station->object == nullptr)
            continue;
        sim::Server& server = *connection->server;
        for (const auto& object : server.objects) {
            if (object.get() != station->object || object->passwordHash ||
                !done.insert(object.get()).second) {
                continue;
            }
            std::string password = randomPassword();
            object->passwordHash = ncp::passwordHash(object->id, password);
            given.push_back({server.name, object->name, password});
        }
    }
    return given;
}

RuntimeFiles::RuntimeFiles(const fs::path& folder, const fs::path& networkFile,
                           const std::vector<Endpoint>& endpoints,
                           const std::vector<GivenPassword>& passwords) {
    std::string name = networkFile.stem().string();
    fs::path servers = folder / (name + ".servers.json");
    if (pid_t other = liveAnnouncer(servers)) {
        throw std::runtime_error("process " + std::to_string(other) +
                                 " already serves a network named " + name + " (" +
                                 servers.string() + ")");
    }
    if (!passwords.empty()) {
        passwordFile_ = folder / (name + ".passwords");
        std::ostringstream lines;
        for (const GivenPassword& p : passwords)
            lines << p.server << ' ' << p.user << ' ' << p.password << '\n';
        writePrivateFile(passwordFile_, lines.str());
    }
    nlohmann::json document;
    document["network"] = fs::absolute(networkFile).lexically_normal().string();
    document["pid"] = ::getpid();
    document["passwordFile"] =
        passwordFile_.empty() ? nlohmann::json(nullptr) : nlohmann::json(passwordFile_.string());
    document["servers"] = nlohmann::json::array();
    for (const Endpoint& endpoint : endpoints) {
        document["servers"].push_back({{"name", endpoint.server},
                                       {"host", endpoint.host},
                                       {"port", endpoint.port},
                                       {"address", endpoint.address()}});
    }
    writePrivateFile(servers,
                     document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
    serversFile_ = servers;
}

RuntimeFiles::~RuntimeFiles() {
    if (!serversFile_.empty())
        ::unlink(serversFile_.c_str());
    if (!passwordFile_.empty())
        ::unlink(passwordFile_.c_str());
}

}  // namespace nw::nwsimd
