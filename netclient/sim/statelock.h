// The exclusive hold of one process on a state folder. Only the holder changes the state kept
// there (and settles its journal); any other process on the same network reads the stored state
// and refuses changes, naming the holder. The lock is an open-file-description lock on
// STATE/lock, so it is released when the holder ends, however it ends, and two simulators in one
// process exclude each other as two processes do.
//
// Whichever program opens a network's state first holds it: the in-process simulator of varnook
// or varnook-cli, or an NCP server process serving the same network (which refuses to start
// without the lock). The others read, so nothing is lost however they are combined.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace nw::sim {

struct LockHolder {
    pid_t pid = 0;        // 0: not known yet (the holder is still writing its name)
    std::string program;  // its short name, e.g. "varnook-cli"

    // "process 1234 (varnook-cli)"
    std::string describe() const;
};

class StateLock {
public:
    // Takes the lock on folder/lock (made 0600 when missing). Null when another process or
    // another simulator of this one holds it (holder says who) or the lock file cannot be
    // opened (error says why).
    static std::unique_ptr<StateLock> take(const std::filesystem::path& folder,
                                           std::optional<LockHolder>& holder, std::string& error);
    // Who holds the lock on folder now; nullopt when nobody does. Only looks: never takes the
    // lock, not even for a moment, so it cannot make a starting holder fail.
    static std::optional<LockHolder> holderOf(const std::filesystem::path& folder);

    ~StateLock();  // releases the lock
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;

private:
    explicit StateLock(int fd) : fd_(fd) {}
    int fd_;
};

}  // namespace nw::sim
