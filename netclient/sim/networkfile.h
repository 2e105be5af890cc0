// Reading a network file from disk: only a regular file of at most kMaxNetworkFileSize bytes is
// read, so that a folder, a device (/dev/zero) or a named pipe given by mistake fails at once
// with a clear error instead of hanging or filling the memory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace nw::sim {

inline constexpr std::uint64_t kMaxNetworkFileSize = std::uint64_t{1} << 30;  // 1 GiB

// The file's bytes. Throws LoadError naming the file and why it cannot be used.
std::string readNetworkText(const std::filesystem::path& file);

}  // namespace nw::sim
