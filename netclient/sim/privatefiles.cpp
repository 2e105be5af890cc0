#include "privatefiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace nw::sim {

namespace {

// Narrows an existing folder or file of the user's to mode; false with error otherwise.
bool narrow(const std::filesystem::path& path, const struct stat& st, mode_t mode,
            std::string& error) {
    if (st.st_uid != ::geteuid()) {
        error = path.string() + ": belongs to another user; it must be your own";
        return false;
    }
    if ((st.st_mode & 07777) != mode && ::chmod(path.c_str(), mode) != 0) {
        error = path.string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

bool makePrivateFolder(const std::filesystem::path& folder, std::string& error) {
    std::error_code ec;
    if (folder.has_parent_path())
        std::filesystem::create_directories(folder.parent_path(), ec);
    if (ec) {
        error = folder.parent_path().string() + ": " + ec.message();
        return false;
    }
    if (::mkdir(folder.c_str(), 0700) == 0)
        return true;
    if (errno != EEXIST) {
        error = folder.string() + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = folder.string() + ": not a folder";
        return false;
    }
    return narrow(folder, st, 0700, error);
}

bool makePrivateFile(const std::filesystem::path& file, std::string& error) {
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error = file.string() + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    if (!ok) {
        error = file.string() + ": not a regular file";
        return false;
    }
    return narrow(file, st, 0600, error);
}

}  // namespace nw::sim
