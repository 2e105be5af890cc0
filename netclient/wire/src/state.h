// What the wire client keeps per workstation connection and per open handle: the session and
// its login, and the caches and iteration buffers that save round trips. Nothing of a handle
// outlives it.
#pragma once

#include <array>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "ncp/calls.h"
#include "wire/secret.h"
#include "wire/session.h"
#include "wire/workstation.h"

namespace nw::wire::detail {

struct Connection {
    enum class State : std::uint8_t {
        Idle,     // never attached yet
        Live,     // attached and logged in
        Failed,   // the transport failed (or attaching did); retried at most once a minute
        Refused,  // the login was refused; retried only with a new password
        Cleared,  // the server cleared it: gone for good
    };

    NWCONN_REF ref = 0;
    WorkstationConnection config;
    State state = State::Idle;
    // Declared before the session, which writes its goodbye (0x5555) through it as it ends.
    std::unique_ptr<TrafficTap> tap;
    std::unique_ptr<Session> session;
    // Counts sessions; a handle belongs to the one it was opened on.
    std::uint64_t generation = 0;
    Failure failure;  // why the last attempt failed or the last session ended
    SteadyClock::time_point failedAt{};
    // The password hash of the last successful login, for logging in again after a
    // transport failure, with the object id it was salted with.
    std::optional<Secret> hash;
    std::uint32_t hashObjectId = 0;
    // The hash the server refused last (wrong password, locked account): never sent again.
    std::optional<Secret> refusedHash;
    // A person was asked and gave up, or gave wrong passwords: not asked again in this run.
    bool personGaveUp = false;
    std::uint64_t pastRoundTrips = 0;
};

// A directory's or file's place: volume number and DOS directory entry (87/22's answer).
struct EntryPlace {
    std::uint8_t volume = 0;
    std::uint32_t dosBase = 0;
};

// A file a connection has open, as 23/235 named it: its directory and name.
struct OpenFileName {
    std::uint32_t parent = 0;
    std::uint8_t nameSpace = 0;
    std::string name;
};

// One listing of a scan that a reply serves in batches, kept for the scan's next steps.
template <class Record>
struct ScanBuffer {
    std::string key;  // the path or station it lists
    std::vector<Record> records;
    std::size_t base = 0;          // iteration position of records[0] (lazy scans)
    std::uint16_t nextRecord = 0;  // where the server continues; 0: complete
};

// A directory search served from 87/20 replies.
struct SearchBuffer {
    std::uint16_t volume = 0;
    std::uint32_t dirBase = 0;
    std::uint8_t nameSpace = 0;
    std::uint16_t attributes = 0;
    std::string pattern;
    std::uint32_t position = 0;  // the sequence the caller holds after the last entry served
    ncp::SearchSequence serverSequence;
    bool more = true;
    std::vector<ncp::EntryInfo> entries;
    std::size_t next = 0;
};

// A file opened over the wire: the connection handle that opened it (and that handle's
// session), the server's 6-byte handle and the position the next read or write starts at.
struct WireFile {
    NWCONN_HANDLE owner = 0;
    std::uint64_t generation = 0;
    ncp::FileHandle server{};
    std::uint64_t position = 0;
};

struct Handle {
    Connection* connection = nullptr;
    std::uint64_t generation = 0;

    std::unordered_map<std::uint8_t, std::string> volumeNames;
    std::unordered_map<std::string, std::uint8_t> volumeNumbers;  // upper-case name
    // 23/243 answers: (volume << 40 | name space << 32 | directory base) -> components, root
    // first.
    std::unordered_map<std::uint64_t, std::vector<std::string>> directoryPaths;
    // (volume << 32 | entry) -> what 23/235 said of an open file.
    std::unordered_map<std::uint64_t, OpenFileName> openFileNames;
    // (volume number, upper-case DOS components joined by '\') -> entry.
    std::unordered_map<std::string, EntryPlace> places;
    // "src|dst|VOL:PATH" -> 87/28's components, leaf first, volume last.
    std::unordered_map<std::string, std::vector<std::string>> fullPaths;
    // The same two answers by the caller's text as it came (name spaces as two leading bytes
    // for fullPaths), so a row's repeated questions skip parsing the path: a walk asks each
    // file's path three times. Bounded like the others.
    std::unordered_map<std::string, EntryPlace> placesByText;
    std::unordered_map<std::string, std::vector<std::string>> fullPathsByText;

    std::optional<ScanBuffer<ncp::call::FileConnection>> users;
    ncp::call::FileUsage usage;
    std::optional<ScanBuffer<ncp::call::OpenFile>> openFiles;
    std::optional<ScanBuffer<ncp::call::PhysicalLock>> locks;

    std::map<std::uint8_t, std::uint8_t> dirHandles;  // directory handle -> its volume
    std::list<SearchBuffer> searches;                 // most recently used first
};

// Caches are bounded: a handle kept open for a very long walk forgets and asks again.
inline constexpr std::size_t kMaxCacheEntries = 250000;
inline constexpr std::size_t kMaxSearches = 8;

template <class Map>
void bound(Map& map) {
    if (map.size() >= kMaxCacheEntries) {
        map.clear();
    }
}

}  // namespace nw::wire::detail
