// The call handlers of nwsimd, one file per family of calls. Each registers its calls with the
// codec's dispatcher; a handler reads the decoded request, asks the server model and fills the
// reply, and answers the completion byte (the model's NetWare code without its 0x89 prefix).
#pragma once

#include <cstdint>

#include "ncp/calls.h"
#include "ncp/header.h"
#include "servermodel.h"
#include "session.h"

namespace nw::nwsimd {

using CallDispatcher = ncp::Dispatcher<Session>;

// The dispatcher with every call nwsimd answers (built once).
const CallDispatcher& dispatcher();

// Is this call one of the newer forms that servers before NetWare 3.11 do not know (they answer
// 0xFB, and clients fall back to the older form)?
bool newerThan311(std::uint8_t function, std::uint8_t subfunction);

void addSessionCalls(CallDispatcher& d);     // calls_session.cpp: set-up, login, bindery
void addServerCalls(CallDispatcher& d);      // calls_servers.cpp: server information, actions
void addConnectionCalls(CallDispatcher& d);  // calls_connections.cpp: stations
void addFileCalls(CallDispatcher& d);        // calls_files.cpp: open files, users, locks
void addVolumeCalls(CallDispatcher& d);      // calls_volumes.cpp: volume names and lists
void addDirectoryCalls(CallDispatcher& d);   // calls_directories.cpp: paths, entries, searches

// The completion byte of a model answer (0x89xx: its low byte; anything else: failure).
inline std::uint8_t completionOf(NWCCODE code) {
    if (code == SUCCESSFUL)
        return ncp::completion::kOk;
    if ((code & 0xFF00) == 0x8900)
        return static_cast<std::uint8_t>(code & 0xFF);
    return ncp::completion::kFailure;
}

// Object types travel hi-lo; the client interface's calls read them swapped.
inline std::uint16_t swapBytes(std::uint16_t value) {
    return static_cast<std::uint16_t>(value << 8 | value >> 8);
}

// Records a batch reply may carry: those that fit the frame's reply buffer (and 64 KB) after
// `fixed` bytes, each `record` bytes, at least one.
std::size_t batchLimit(const Session& session, std::size_t fixed, std::size_t record);

}  // namespace nw::nwsimd
