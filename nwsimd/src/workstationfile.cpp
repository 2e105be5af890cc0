#include "workstationfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>
#include <stdexcept>

namespace nw::nwsimd {

namespace fs = std::filesystem;

WorkstationView workstationOf(const sim::ServerModel& model) {
    const sim::Network& net = model.net();
    auto utf8 = [&net](const std::string& text) {
        return net.codePage.toUtf8(text).value_or(text);
    };
    WorkstationView view;
    view.codePage = net.codePage.name();
    for (const auto& c : net.connections) {
        const sim::Station* station = c->station;
        view.connections.push_back(
            {utf8(c->server->name), station != nullptr && station->object != nullptr
                                        ? utf8(station->object->name)
                                        : std::string()});
    }
    for (int d = 1; d <= 26; ++d) {
        if (const auto& drive = net.drives[d]) {
            view.drives.push_back({static_cast<char>('A' + d - 1), utf8(drive->target)});
        }
    }
    return view;
}

WorkstationFile::WorkstationFile(const fs::path& folder, const fs::path& networkFile,
                                 const WorkstationView& workstation,
                                 const std::vector<Endpoint>& endpoints,
                                 const fs::path& passwordFile) {
    nlohmann::json document;
    document["codePage"] = workstation.codePage;
    if (!passwordFile.empty()) {
        document["passwordFile"] = passwordFile.string();
    }
    document["connections"] = nlohmann::json::array();
    for (const WorkstationView::Connection& c : workstation.connections) {
        nlohmann::json connection = {{"server", c.server}};
        for (const Endpoint& e : endpoints) {
            if (e.server == c.server) {
                connection["address"] = e.address();
            }
        }
        if (!c.user.empty()) {
            connection["user"] = c.user;
        }
        document["connections"].push_back(connection);
    }
    document["drives"] = nlohmann::json::array();
    for (const WorkstationView::Drive& d : workstation.drives) {
        document["drives"].push_back({{"letter", std::string(1, d.letter)}, {"target", d.target}});
    }
    const std::string text =
        document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";

    const fs::path path = folder / (networkFile.stem().string() + ".workstation.json");
    fs::path temporary = path;
    temporary += ".new." + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool written = fd >= 0;
    for (std::size_t done = 0; written && done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        written = n > 0;
        done += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    const int error = errno;
    if (fd >= 0) {
        ::close(fd);
    }
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        throw std::runtime_error("cannot write " + path.string() + ": " +
                                 std::strerror(written ? errno : error));
    }
    path_ = path;
}

WorkstationFile::~WorkstationFile() {
    if (!path_.empty()) {
        ::unlink(path_.c_str());
    }
}

}  // namespace nw::nwsimd
