// The error of a network file that cannot be loaded, shared by the simulator's server model and
// the programs that load network files (the in-process client, nwsimd).
#pragma once

#include <stdexcept>

#include "netclient/export.h"

namespace nw::sim {

// A network file that cannot be loaded. what() names the file, the JSON path of the bad value
// and what was expected, e.g.
//   net.json: servers[0].volumes[1].nameSpaces[2]: expected an integer from 0 to 4, got "x"
class NWC_API LoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace nw::sim
