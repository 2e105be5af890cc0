// The process-wide client: forwards to the simulated network once NWCallsInit has loaded it.
#include <cstdio>
#include <memory>

#include "netclient/client.h"
#include "netclient/forwarding.h"

namespace nw {

namespace {

template <class... T>
void unused(const T&...) {}

// Stands in until the network is loaded: every operation fails.
class UnavailableClient final : public Client {
public:
#define NW_UNAVAILABLE_OPERATION(name, params, args) \
    NWCCODE name params override {                   \
        unused args;                                 \
        return NWE_REQUESTER_FAILURE;                \
    }
    NW_CLIENT_OPERATIONS(NW_UNAVAILABLE_OPERATION)
#undef NW_UNAVAILABLE_OPERATION
};

class ProcessClient final : public ForwardingClient {
public:
    ProcessClient() : ForwardingClient(unavailable_) {}

    NWCCODE NWCallsInit(nuint8*, nuint8*) override {
        if (loaded_)
            return SUCCESSFUL;
        std::fputs("NWCallsInit: the simulated network is not available yet\n", stderr);
        return NWE_REQUESTER_FAILURE;
    }

private:
    UnavailableClient unavailable_;
    std::unique_ptr<Client> loaded_;
};

}  // namespace

Client& processClient() {
    static ProcessClient client;
    return client;
}

NWCCODE NWCallsInit(nuint8* reserved1, nuint8* reserved2) {
    return processClient().NWCallsInit(reserved1, reserved2);
}

}  // namespace nw
