// The NetWare client the main window talks to, with the workstation's drives answered from it.
#pragma once

#include <memory>

#include "core/servers.h"
#include "netclient/client.h"

namespace varnook {

class NetFacade {
public:
    // Uses a client that lives elsewhere (the process client), or owns one (a test's network).
    explicit NetFacade(nw::Client& client) : client_(client), workstation_(client) {}
    explicit NetFacade(std::unique_ptr<nw::Client> owned)
        : owned_(std::move(owned)), client_(*owned_), workstation_(client_) {}

    nw::Client& client() { return client_; }
    Workstation& workstation() { return workstation_; }

private:
    std::unique_ptr<nw::Client> owned_;
    nw::Client& client_;
    NetWorkstation workstation_;
};

}  // namespace varnook
