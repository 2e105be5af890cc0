#include "netclient/client.h"

#include "netclient/fault.h"

namespace nw {

Client::~Client() = default;

const char* opName(Op op) {
    static constexpr const char* kNames[] = {
#define NW_OP_NAME(name, params, args) #name,
        NW_CLIENT_OPERATIONS(NW_OP_NAME)
#undef NW_OP_NAME
    };
    return kNames[static_cast<std::size_t>(op)];
}

}  // namespace nw
