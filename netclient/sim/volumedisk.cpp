// Disk access beneath a volume's folder (see volumedisk.h).
#include "volumedisk.h"

#include <dirent.h>
#include <linux/openat2.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <limits>

#include "filecopy.h"
#include "netclient/volume.h"

namespace nw::sim {

namespace {

// NWSIM_RESOLVE=walk makes the walk serve where openat2 would (tests run both).
bool walkForced() {
    const char* mode = std::getenv("NWSIM_RESOLVE");
    return mode != nullptr && std::strcmp(mode, "walk") == 0;
}

long openat2Call(int dir, const char* path, int flags, mode_t mode) {
    open_how how{};
    how.flags = static_cast<std::uint64_t>(flags);
    how.mode = (flags & (O_CREAT | O_TMPFILE)) != 0 ? mode : 0;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS;
    return ::syscall(SYS_openat2, dir, path, &how, sizeof how);
}

// Kernels before 5.6, and sandboxes that filter the call, lack openat2.
bool haveOpenat2() {
    static const bool available = [] {
        UniqueFd root(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
        long fd = openat2Call(root.get(), ".", O_PATH | O_DIRECTORY | O_CLOEXEC, 0);
        if (fd < 0)
            return false;
        ::close(static_cast<int>(fd));
        return true;
    }();
    return available && !walkForced();
}

// The volume's folder, opened on first use and kept: what the network file names is trusted,
// what lies below it is not.
int folderOf(const Volume& volume) {
    if (!volume.folderFd.valid()) {
        volume.folderFd.reset(::open(volume.folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    }
    return volume.folderFd.get();
}

// The components of a key; false for an empty component, "." or "..".
bool splitKey(std::string_view key, std::vector<std::string_view>& parts) {
    parts.clear();
    if (key.empty())
        return true;
    std::size_t start = 0;
    while (true) {
        std::size_t slash = key.find('/', start);
        std::string_view part = key.substr(start, slash - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        parts.push_back(part);
        if (slash == std::string_view::npos)
            return true;
        start = slash + 1;
    }
}

int walk(int folder, const std::vector<std::string_view>& parts, int flags, mode_t mode,
         UniqueFd& out) {
    UniqueFd current;
    int at = folder;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        std::string name(parts[i]);
        int fd = ::openat(at, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            return errno;
        current.reset(fd);
        at = fd;
    }
    std::string last = parts.empty() ? std::string(".") : std::string(parts.back());
    int fd = ::openat(at, last.c_str(), flags, mode);
    if (fd < 0)
        return errno;
    out.reset(fd);
    return 0;
}

// The folder that holds key's entry, and the entry's name in it.
struct Place {
    UniqueFd directory;
    std::string name;
};

int placeOf(const Volume& volume, std::string_view key, Place& place) {
    std::size_t slash = key.rfind('/');
    std::string_view parent = slash == std::string_view::npos ? "" : key.substr(0, slash);
    place.name = std::string(slash == std::string_view::npos ? key : key.substr(slash + 1));
    if (place.name.empty() || place.name == "." || place.name == "..")
        return ENOENT;
    return openBeneath(volume, parent, O_PATH | O_DIRECTORY, 0, place.directory);
}

int result(int rc) {
    return rc == 0 ? 0 : errno;
}

}  // namespace

int openBeneath(const Volume& volume, std::string_view key, int flags, mode_t mode, UniqueFd& out) {
    int folder = folderOf(volume);
    if (folder < 0)
        return errno;
    std::vector<std::string_view> parts;
    if (!splitKey(key, parts))
        return ENOENT;
    flags |= O_NOFOLLOW | O_CLOEXEC;
    if (haveOpenat2()) {
        std::string path = key.empty() ? std::string(".") : std::string(key);
        for (int attempt = 0; attempt < 8; ++attempt) {
            long fd = openat2Call(folder, path.c_str(), flags, mode);
            if (fd >= 0) {
                out.reset(static_cast<int>(fd));
                return 0;
            }
            if (errno != EAGAIN && errno != EINTR)
                return errno;
        }
        return EAGAIN;
    }
    return walk(folder, parts, flags, mode, out);
}

int openFileBeneath(const Volume& volume, std::string_view key, int flags, mode_t mode,
                    UniqueFd& out) {
    UniqueFd fd;
    if (int rc = openBeneath(volume, key, flags | O_NONBLOCK, mode, fd); rc != 0)
        return rc;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return errno;
    if (!S_ISREG(st.st_mode))
        return EINVAL;
    if (::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK) != 0)
        return errno;
    out = std::move(fd);
    return 0;
}

int statBeneath(const Volume& volume, std::string_view key, struct statx& st) {
    constexpr unsigned kMask = STATX_BASIC_STATS | STATX_BTIME;
    if (key.empty()) {
        int folder = folderOf(volume);
        return folder < 0 ? errno : result(::statx(folder, "", AT_EMPTY_PATH, kMask, &st));
    }
    Place place;
    if (int rc = placeOf(volume, key, place); rc != 0)
        return rc;
    return result(
        ::statx(place.directory.get(), place.name.c_str(), AT_SYMLINK_NOFOLLOW, kMask, &st));
}

int mkdirBeneath(const Volume& volume, std::string_view key, mode_t mode) {
    Place place;
    if (int rc = placeOf(volume, key, place); rc != 0)
        return rc;
    return result(::mkdirat(place.directory.get(), place.name.c_str(), mode));
}

int rmdirBeneath(const Volume& volume, std::string_view key) {
    Place place;
    if (int rc = placeOf(volume, key, place); rc != 0)
        return rc;
    return result(::unlinkat(place.directory.get(), place.name.c_str(), AT_REMOVEDIR));
}

int unlinkBeneath(const Volume& volume, std::string_view key) {
    Place place;
    if (int rc = placeOf(volume, key, place); rc != 0)
        return rc;
    return result(::unlinkat(place.directory.get(), place.name.c_str(), 0));
}

int utimensBeneath(const Volume& volume, std::string_view key, const struct timespec times[2]) {
    if (key.empty()) {
        int folder = folderOf(volume);
        return folder < 0 ? errno : result(::futimens(folder, times));
    }
    Place place;
    if (int rc = placeOf(volume, key, place); rc != 0)
        return rc;
    return result(
        ::utimensat(place.directory.get(), place.name.c_str(), times, AT_SYMLINK_NOFOLLOW));
}

int renameBeneath(const Volume& volume, std::string_view from, std::string_view to) {
    Place source, target;
    if (int rc = placeOf(volume, from, source); rc != 0)
        return rc;
    if (int rc = placeOf(volume, to, target); rc != 0)
        return rc;
    int in = source.directory.get(), out = target.directory.get();
    const char* oldName = source.name.c_str();
    const char* newName = target.name.c_str();
    if (::renameat2(in, oldName, out, newName, RENAME_NOREPLACE) == 0)
        return 0;
    int error = errno;
    struct stat old {
    }, existing{};
    bool targetExists = ::fstatat(out, newName, &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (error == EEXIST) {
        // The same file under another case, where the file system ignores case.
        if (::fstatat(in, oldName, &old, AT_SYMLINK_NOFOLLOW) != 0 ||
            old.st_ino != existing.st_ino || old.st_dev != existing.st_dev) {
            return EEXIST;
        }
        return result(::renameat(in, oldName, out, newName));
    }
    if (error == EINVAL && !targetExists)  // a file system without RENAME_NOREPLACE
        return result(::renameat(in, oldName, out, newName));
    return error;
}

int listBeneath(const Volume& volume, std::string_view key, std::vector<Listed>& out) {
    out.clear();
    UniqueFd fd;
    if (int rc = openBeneath(volume, key, O_RDONLY | O_DIRECTORY, 0, fd); rc != 0)
        return rc;
    DIR* dir = ::fdopendir(fd.get());
    if (dir == nullptr)
        return errno;
    fd.release();  // the stream owns it now
    int error = 0;
    while (true) {
        errno = 0;
        const dirent* item = ::readdir(dir);
        if (item == nullptr) {
            error = errno;
            break;
        }
        std::string_view name = item->d_name;
        if (name == "." || name == "..")
            continue;
        unsigned char type = item->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st {};
            if (::fstatat(::dirfd(dir), item->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type == DT_DIR || type == DT_REG)
            out.push_back({std::string(name), type == DT_DIR});
    }
    ::closedir(dir);
    return error;
}

void forEachFileBeneath(
    const Volume& volume,
    const std::function<void(const std::string& key, std::uint64_t size)>& visit) {
    std::deque<std::string> folders{""};
    std::vector<Listed> listed;
    while (!folders.empty()) {
        std::string folder = std::move(folders.front());
        folders.pop_front();
        if (listBeneath(volume, folder, listed) != 0)
            continue;
        for (const Listed& item : listed) {
            std::string key = folder.empty() ? item.name : folder + "/" + item.name;
            if (item.isDirectory) {
                folders.push_back(std::move(key));
                continue;
            }
            struct statx st {};
            if (statBeneath(volume, key, st) == 0 && S_ISREG(st.stx_mode))
                visit(key, st.stx_size);
        }
    }
}

int moveOutOf(const Volume& volume, std::string_view key, const std::filesystem::path& target) {
    Place place;
    if (int rc = placeOf(volume, key, place); rc != 0)
        return rc;
    int dir = place.directory.get();
    const char* name = place.name.c_str();
    if (::renameat(dir, name, AT_FDCWD, target.c_str()) == 0)
        return 0;
    if (errno != EXDEV)
        return errno;
    UniqueFd in;
    if (int rc = openFileBeneath(volume, key, O_RDONLY, 0, in); rc != 0)
        return rc;
    std::filesystem::path partial = target;
    partial += ".part";
    UniqueFd out(
        ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out.valid())
        return errno;
    int error = copyAll(in.get(), out.get());
    if (error == 0 && ::fsync(out.get()) != 0)
        error = errno;
    if (::close(out.release()) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(partial.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(partial.c_str());
        return error;
    }
    ::unlinkat(dir, name, 0);
    return 0;
}

int moveInto(const std::filesystem::path& source, const Volume& volume, std::string_view key) {
    Place place;
    if (int rc = placeOf(volume, key, place); rc != 0)
        return rc;
    int dir = place.directory.get();
    const char* name = place.name.c_str();
    // link() never replaces; then the source's name goes.
    if (::linkat(AT_FDCWD, source.c_str(), dir, name, 0) == 0) {
        ::unlink(source.c_str());
        return 0;
    }
    int error = errno;
    if (error != EXDEV && error != EPERM && error != ENOTSUP && error != EMLINK)
        return error;
    struct stat st {};
    if (::fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    // Across file systems: a copy under a partial name takes the name once it is complete.
    std::string partial = "." + place.name + ".part";
    UniqueFd in(::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!in.valid())
        return errno;
    UniqueFd out(
        ::openat(dir, partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!out.valid())
        return errno;
    error = copyAll(in.get(), out.get());
    if (error == 0 && ::fsync(out.get()) != 0)
        error = errno;
    if (::close(out.release()) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::renameat2(dir, partial.c_str(), dir, name, RENAME_NOREPLACE) != 0)
        error = errno;
    if (error != 0) {
        ::unlinkat(dir, partial.c_str(), 0);
        return error;
    }
    ::unlink(source.c_str());
    return 0;
}

std::uint64_t volumeCapacity(const Volume& volume) {
    constexpr std::uint64_t kUnknown = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t blockBytes = volume.blocks.sectorsPerBlock * 512ull;
    if (volume.blocksGiven)
        return volume.blocks.total * blockBytes;
    int folder = folderOf(volume);
    struct statvfs disk {};
    if (folder < 0 || ::fstatvfs(folder, &disk) != 0)
        return kUnknown;
    return disk.f_blocks * disk.f_frsize;
}

NWCCODE diskAnswer(int err) {
    switch (err) {
        case 0:
            return SUCCESSFUL;
        case ENOENT:
        case ENOTDIR:
        case ELOOP:
        case EXDEV:
        case EINVAL:
            return INVALID_PATH;
        case EEXIST:
            return NAME_EXISTS;
        case ENOTEMPTY:
            return DIRECTORY_NOT_EMPTY;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return INSUFFICIENT_SPACE;
        default:
            return DIRECTORY_IO_ERROR;
    }
}

}  // namespace nw::sim
