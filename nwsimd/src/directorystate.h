// What a session holds of directory services: its 104/2 fragment state (one message each way at
// a time) and the iterations of List and Search it has not finished. Both go with the session.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "ncp/nds.h"

namespace nw::nwsimd {

// The rest of a listing a reply could not carry: the entries still to send, the verb that made
// it and the items each entry record holds.
struct DirectoryIteration {
    std::uint32_t verb = 0;
    std::uint32_t infoFlags = 0;
    std::vector<std::uint32_t> entries;
};

class DirectoryState {
public:
    // A request message larger than this is refused (the largest verb request is a few hundred
    // bytes; names are at most 256 characters).
    static constexpr std::size_t kMaxRequestMessage = 64 * 1024;
    // Unfinished iterations a session may hold; a further one drops the oldest.
    static constexpr std::size_t kMaxIterations = 16;

    ncp::nds::FragmentServer& fragments() { return fragments_; }

    // Keeps an iteration and answers its handle.
    std::uint32_t open(DirectoryIteration iteration);
    // The iteration of that handle made by that verb; null when there is none.
    DirectoryIteration* find(std::uint32_t handle, std::uint32_t verb);
    // Ends an iteration; false when there was none.
    bool close(std::uint32_t handle);
    std::size_t iterations() const { return iterations_.size(); }

private:
    ncp::nds::FragmentServer fragments_{kMaxRequestMessage};
    std::map<std::uint32_t, DirectoryIteration> iterations_;
    std::uint32_t nextHandle_ = 1;
};

}  // namespace nw::nwsimd
