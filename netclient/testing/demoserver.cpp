#include "netclient/testing/demoserver.h"

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <thread>

namespace nw::testnet {

OwnDemoServer::OwnDemoServer() {
    setenv("XDG_RUNTIME_DIR", runtime_.path().c_str(), 1);
    setenv("XDG_STATE_HOME", state_.path().c_str(), 1);
    setenv("VARNOOK_NWSIMD_IDLE", "60", 1);
}

OwnDemoServer::~OwnDemoServer() {
    const pid_t server = pid();
    if (server > 0 && ::kill(server, SIGTERM) == 0) {
        for (int i = 0; i < 200 && ::kill(server, 0) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

pid_t OwnDemoServer::pid() const {
    std::ifstream in(runtime_.path() / "varnook/network.servers.json");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::smatch m;
    return std::regex_search(text, m, std::regex(R"("pid":\s*(\d+))")) ? std::stoi(m[1]) : 0;
}

}  // namespace nw::testnet
