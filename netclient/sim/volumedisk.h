// Disk access beneath a volume's folder. Every path is resolved from a descriptor of the folder
// opened once, without following a link anywhere on the way: openat2 with RESOLVE_BENEATH |
// RESOLVE_NO_SYMLINKS where the kernel has it, else a walk component by component with
// O_NOFOLLOW | O_DIRECTORY. A folder swapped for a link after it was listed then leads nowhere
// instead of out of the volume.
//
// Paths are entry keys (services.h): the names on disk joined with "/", "" for the volume's
// folder. The answers are 0 or an errno value; a link on the way answers ELOOP, ENOTDIR or EXDEV
// and a malformed key ENOENT, all of which the operations report as INVALID_PATH (diskAnswer).
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model.h"
#include "uniquefd.h"

namespace nw::sim {

// Opens key (flags as for open(2); O_NOFOLLOW and O_CLOEXEC are added). O_PATH only together
// with O_DIRECTORY.
int openBeneath(const Volume& volume, std::string_view key, int flags, mode_t mode, UniqueFd& out);
// As openBeneath for a regular file: a pipe, device or socket answers EINVAL (never blocks).
int openFileBeneath(const Volume& volume, std::string_view key, int flags, mode_t mode,
                    UniqueFd& out);

// The entry itself, never a link's target.
int statBeneath(const Volume& volume, std::string_view key, struct statx& st);
int mkdirBeneath(const Volume& volume, std::string_view key, mode_t mode);
int rmdirBeneath(const Volume& volume, std::string_view key);
int unlinkBeneath(const Volume& volume, std::string_view key);
int utimensBeneath(const Volume& volume, std::string_view key, const struct timespec times[2]);
// Renames from to to; never replaces an entry at to (EEXIST) unless it is from itself (a change
// of case on a file system that ignores case).
int renameBeneath(const Volume& volume, std::string_view from, std::string_view to);

// The regular files and folders in the folder at key (links and other kinds left out).
struct Listed {
    std::string name;
    bool isDirectory = false;
};
int listBeneath(const Volume& volume, std::string_view key, std::vector<Listed>& out);

// Visits every regular file below the volume's folder with its key and size.
void forEachFileBeneath(
    const Volume& volume,
    const std::function<void(const std::string& key, std::uint64_t size)>& visit);

// Moves the file at key out of the volume to target (a path outside every volume): a rename, or a
// copy that keeps holes, then an unlink, across file systems.
int moveOutOf(const Volume& volume, std::string_view key, const std::filesystem::path& target);
// Moves the file source into the volume at key; never replaces an entry there (EEXIST).
int moveInto(const std::filesystem::path& source, const Volume& volume, std::string_view key);

// The volume's total space in bytes: its blocks from the network file, else its file system's
// size; UINT64_MAX when that cannot be read.
std::uint64_t volumeCapacity(const Volume& volume);

// The answer of an operation whose disk step failed with err.
NWCCODE diskAnswer(int err);

}  // namespace nw::sim
