// Network file loading (see the README's "Network file" section).
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "model.h"

namespace nw::sim {

// Throw LoadError; nothing of a failing file is kept.
std::unique_ptr<Network> loadNetwork(std::string_view json, const std::filesystem::path& baseDir,
                                     const std::string& fileName);
std::unique_ptr<Network> loadNetworkFile(const std::filesystem::path& file);

}  // namespace nw::sim
