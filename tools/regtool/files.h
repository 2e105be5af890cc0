// Reading and writing whole files for import and export.
#pragma once

#include <cstddef>
#include <string>

namespace regtool {

// Reads the regular file `path` of at most `limit` bytes; a folder, a device or a pipe is refused
// without waiting on it. On failure tells why.
bool readFile(const std::string& path, std::size_t limit, std::string& bytes, std::string& why);

// Writes `bytes` to `path` through a new file beside it, made with a fresh name (mode 0600, never
// through a link planted in its place), synced and renamed over `path`: a failure never leaves
// half a file. `path` ends up 0600. On failure tells why and leaves no temporary file behind.
bool replaceFile(const std::string& path, const std::string& bytes, std::string& why);

}  // namespace regtool
