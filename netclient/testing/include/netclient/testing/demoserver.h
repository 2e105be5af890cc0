// The demo network as a test reaches it: the user's own nwsimd, started by the program on first
// use. Tests run side by side share one runtime folder, and two demo copies of the same network
// name cannot both be served from it, so each test that starts the demo gets runtime and state
// folders of its own, and the server it started is stopped when the test ends instead of
// waiting out its idle time.
#pragma once

#include <sys/types.h>

#include <filesystem>

#include "netclient/testing/testnet.h"

namespace nw::testnet {

class OwnDemoServer {
public:
    // Points XDG_RUNTIME_DIR and XDG_STATE_HOME at scratch folders and shortens the server's
    // idle time; the caller chooses XDG_DATA_HOME.
    OwnDemoServer();
    // Stops the demo server started meanwhile, if any, and waits until it has gone.
    ~OwnDemoServer();
    OwnDemoServer(const OwnDemoServer&) = delete;
    OwnDemoServer& operator=(const OwnDemoServer&) = delete;

    const std::filesystem::path& runtimeFolder() const { return runtime_.path(); }
    const std::filesystem::path& stateFolder() const { return state_.path(); }
    // The demo server's process id from its servers file; 0 while none runs.
    pid_t pid() const;

private:
    ScratchFolder runtime_, state_;
};

}  // namespace nw::testnet
