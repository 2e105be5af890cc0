// A wire client on a scripted server, for the client's own tests: a workstation of one or more
// connections, a password file in a scratch folder, a clock the test moves.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "fakeserver.h"
#include "wire/wireclient.h"

namespace nw::wire::testing {

class ScratchDir {
public:
    ScratchDir() {
        std::string templ = (std::filesystem::temp_directory_path() / "wire-test-XXXXXX").string();
        path_ = ::mkdtemp(templ.data());
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path write(const std::string& name, const std::string& text,
                                mode_t mode = 0600) const {
        const auto file = path_ / name;
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        ::chmod(file.c_str(), mode);
        return file;
    }

private:
    std::filesystem::path path_;
};

// A clock that stands still until the test moves it.
struct TestClock {
    SteadyClock::time_point now = SteadyClock::now();
    void advance(std::chrono::milliseconds by) { now += by; }
};

inline WorkstationConfig workstationFor(const FakeServer& server,
                                        const std::vector<std::string>& users) {
    WorkstationConfig ws;
    for (const std::string& user : users) {
        ws.connections.push_back({"FS1", {"127.0.0.1", server.port()}, user});
    }
    ws.drives.push_back({'F', "\\\\FS1\\DATA", "FS1", "DATA", ""});
    return ws;
}

inline WireOptions optionsWith(TestClock& clock) {
    WireOptions options;
    options.replyTimeout = std::chrono::milliseconds(500);
    options.clock = [&clock] { return clock.now; };
    return options;
}

}  // namespace nw::wire::testing
