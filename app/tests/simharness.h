// A main window on a simulated network made in code (netclient/testing), reached through a
// fault-injecting client so that a test can make any operation fail.
#pragma once

#include <string_view>
#include <vector>

#include "harness.h"
#include "netclient/fault.h"
#include "netclient/testing/testnet.h"

namespace varnook::test {

class SimHarness : public Harness {
public:
    SimHarness(std::string_view json, const std::vector<std::string>& files)
        : sim(json, files), client(sim.client()) {}
    ~SimHarness() { window.reset(); }

    bool start() {
        AppEnvironment env = environment();
        env.NWCallsInit = [this](std::unique_ptr<NetFacade>& facade) -> uint32_t {
            facade = std::make_unique<NetFacade>(client);
            return 0;
        };
        window = std::make_unique<frmVarnook>(env);
        return window->Form_Load();
    }

    // Connection handles opened and not yet closed.
    size_t openHandles() { return sim.client().openHandleCount(); }

    nw::testnet::TestNetwork sim;
    nw::FaultInjectingClient client;
};

}  // namespace varnook::test
