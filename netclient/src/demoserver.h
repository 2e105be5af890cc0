// The user's own demo server: nwsimd serving the demo network over NCP/TCP on loopback, found
// beside the program (never on PATH), started when it is not running. One per user: a lock in the
// runtime folder keeps two programs from starting two. It runs detached (its own session, no
// inherited descriptors), logs to the state folder, and ends after VARNOOK_NWSIMD_IDLE seconds
// (15 minutes by default) without clients; the next program that needs it starts it again. It
// writes the workstation file and the password file the programs use to reach it.
#pragma once

#include <filesystem>
#include <stdexcept>

namespace nw {

class DemoServerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The workstation file of the demo server serving `network`, started by `program` (nwsimd)
// when it is not running. Throws DemoServerError with what went wrong.
std::filesystem::path demoWorkstationFile(const std::filesystem::path& network,
                                          const std::filesystem::path& program);

// The runtime folder ($XDG_RUNTIME_DIR/varnook, else /tmp/varnook-<uid>), made 0700 when
// missing and refused when it is not the user's own private folder.
std::filesystem::path runtimeFolder();

}  // namespace nw
