// Copies between open files on the server: kernel copies that keep the source's holes as holes,
// so a sparse file stays sparse and never fills the disk.
#pragma once

#include <sys/types.h>

#include <cstdint>

namespace nw::sim {

// Copies count bytes (or up to the end when count is UINT64_MAX) from in at inOffset to out at
// outOffset; *copied := the bytes copied, holes included. The data runs go by copy_file_range
// (sendfile where the file system refuses it); a hole leaves a hole in out, or zeros where out
// already holds bytes there. 0, or an errno value.
int kernelCopy(int in, off_t inOffset, int out, off_t outOffset, std::uint64_t count,
               std::uint64_t* copied);
// Copies the whole of in (from its start) to out (at its start).
int copyAll(int in, int out);

}  // namespace nw::sim
