#include "statelock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace nw::sim {

namespace {

std::filesystem::path lockFile(const std::filesystem::path& folder) {
    return folder / "lock";
}

struct flock wholeFile(short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    return lock;
}

// The holder's "PID PROGRAM" line; pid 0 while the file is still empty.
LockHolder readHolder(int fd) {
    char text[256] = {};
    ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    LockHolder holder;
    if (got <= 0)
        return holder;
    char* end = nullptr;
    long pid = std::strtol(text, &end, 10);
    if (end == text || pid <= 0)
        return holder;
    holder.pid = static_cast<pid_t>(pid);
    std::string rest(end, static_cast<std::size_t>(text + got - end));
    std::size_t start = rest.find_first_not_of(' ');
    std::size_t stop = rest.find('\n');
    if (start != std::string::npos)
        holder.program = rest.substr(start, stop == std::string::npos ? stop : stop - start);
    return holder;
}

// Reads the holder, waiting a little for one that has the lock but has not written its name.
LockHolder awaitHolder(int fd) {
    LockHolder holder = readHolder(fd);
    for (int i = 0; i < 20 && holder.pid == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        holder = readHolder(fd);
    }
    return holder;
}

}  // namespace

std::string LockHolder::describe() const {
    if (pid == 0)
        return "another process";
    return "process " + std::to_string(pid) + (program.empty() ? "" : " (" + program + ")");
}

std::unique_ptr<StateLock> StateLock::take(const std::filesystem::path& folder,
                                           std::optional<LockHolder>& holder, std::string& error) {
    holder.reset();
    std::filesystem::path file = lockFile(folder);
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error = file.string() + ": " + std::strerror(errno);
        return nullptr;
    }
    struct flock lock = wholeFile(F_WRLCK);
    if (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
        int code = errno;
        if (code == EAGAIN || code == EACCES) {
            holder = awaitHolder(fd);
        } else {
            error = file.string() + ": " + std::strerror(code);
        }
        ::close(fd);
        return nullptr;
    }
    std::string line = std::to_string(::getpid()) + " " + program_invocation_short_name + "\n";
    if (::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, line.data(), line.size(), 0) != static_cast<ssize_t>(line.size())) {
        error = file.string() + ": " + std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<StateLock>(new StateLock(fd));
}

std::optional<LockHolder> StateLock::holderOf(const std::filesystem::path& folder) {
    int fd = ::open(lockFile(folder).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return std::nullopt;
    struct flock lock = wholeFile(F_WRLCK);
    std::optional<LockHolder> holder;
    if (::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK)
        holder = awaitHolder(fd);
    ::close(fd);
    return holder;
}

StateLock::~StateLock() {
    ::close(fd_);
}

}  // namespace nw::sim
