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

class Node;

// The volume data of a loaded network (volumedata.h): the state folder, the identifiers that
// bindery users share with the tree's User objects, supervisors, entry metadata, trustees, user
// restrictions and deleted files. Called by the loader once every server, volume and tree is
// known. Throws LoadError.
void loadVolumeData(Network& net, const Node& root, const std::filesystem::path& baseDir);

}  // namespace nw::sim
