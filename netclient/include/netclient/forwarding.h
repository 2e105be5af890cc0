// A client that hands every operation to another client. Base of the decorators.
#pragma once

#include "netclient/client.h"
#include "netclient/operations.h"

namespace nw {

class NWC_API ForwardingClient : public Client {
public:
    explicit ForwardingClient(Client& target) : target_(&target) {}

#define NW_FORWARD_OPERATION(name, params, args) \
    NWCCODE name params override {               \
        return target_->name args;               \
    }
    NW_CLIENT_OPERATIONS(NW_FORWARD_OPERATION)
#undef NW_FORWARD_OPERATION

protected:
    Client& target() {
        return *target_;
    }
    void setTarget(Client& target) {
        target_ = &target;
    }

private:
    Client* target_;
};

}  // namespace nw
