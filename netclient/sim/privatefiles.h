// Folders and files that only their owner may read or change. The state store holds the bytes of
// erased files and the volumes' trustees: a file erased from a private folder must not become
// readable by other users of the machine once it is kept for salvage.
#pragma once

#include <filesystem>
#include <string>

namespace nw::sim {

// Makes the folder (its missing parents with the usual modes) with mode 0700, or narrows an
// existing folder of the user's to 0700. false with error set when the folder cannot be made,
// is a link or belongs to another user.
bool makePrivateFolder(const std::filesystem::path& folder, std::string& error);

// Makes an empty file with mode 0600 when it is missing, or narrows an existing file of the
// user's to 0600. false with error set when it cannot, or the path is a link.
bool makePrivateFile(const std::filesystem::path& file, std::string& error);

}  // namespace nw::sim
