// A session's directory-services state (see directorystate.h).
#include "directorystate.h"

#include "ncp/nds_verbs.h"

namespace nw::nwsimd {

std::uint32_t DirectoryState::open(DirectoryIteration iteration) {
    if (iterations_.size() >= kMaxIterations)
        iterations_.erase(iterations_.begin());  // handles grow: the first is the oldest
    std::uint32_t handle = nextHandle_++;
    if (nextHandle_ == ncp::nds::kNoIteration)
        nextHandle_ = 1;
    iterations_[handle] = std::move(iteration);
    return handle;
}

DirectoryIteration* DirectoryState::find(std::uint32_t handle, std::uint32_t verb) {
    auto it = iterations_.find(handle);
    return it != iterations_.end() && it->second.verb == verb ? &it->second : nullptr;
}

bool DirectoryState::close(std::uint32_t handle) {
    return iterations_.erase(handle) != 0;
}

}  // namespace nw::nwsimd
