// The answers of a client that does not provide the volume control operations.
#include "netclient/client.h"
#include "netclient/volume_operations.h"

namespace nw {

namespace {

template <class... T>
void unused(const T&...) {}

}  // namespace

#define NW_VOLUME_DEFAULT(name, params, args) \
    NWCCODE Client::name params {             \
        unused args;                          \
        return NWE_REQUESTER_FAILURE;         \
    }
NW_VOLUME_OPERATIONS(NW_VOLUME_DEFAULT)
#undef NW_VOLUME_DEFAULT

}  // namespace nw
