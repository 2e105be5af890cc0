#include "networkfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "netclient/sim/loaderror.h"

namespace nw::sim {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

std::string readNetworkText(const std::filesystem::path& file) {
    auto refuse = [&](const std::string& why) { throw LoadError(file.string() + ": " + why); };
    // O_NONBLOCK: opening a named pipe must not wait for a writer; fstat then refuses it.
    Descriptor fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        refuse(std::string("cannot be read: ") + std::strerror(errno));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        refuse(std::string("cannot be read: ") + std::strerror(errno));
    if (S_ISDIR(st.st_mode))
        refuse("is a folder; expected a network file");
    if (!S_ISREG(st.st_mode))
        refuse("is not a regular file (a device, pipe or socket); expected a network file");
    if (static_cast<std::uint64_t>(st.st_size) > kMaxNetworkFileSize)
        refuse("is larger than 1 GiB; a network file may be 1 GiB at most");
    std::string text;
    text.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    for (;;) {
        if (done == text.size()) {
            // The file may have grown since fstat: read on, up to one byte past the limit.
            if (done > kMaxNetworkFileSize)
                refuse("is larger than 1 GiB; a network file may be 1 GiB at most");
            text.resize(static_cast<std::size_t>(std::min<std::uint64_t>(
                std::max<std::uint64_t>(4096, 2 * done), kMaxNetworkFileSize + 1)));
        }
        ssize_t got = ::read(fd.get(), text.data() + done, text.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            refuse(std::string("cannot be read: ") + std::strerror(errno));
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    text.resize(done);
    return text;
}

}  // namespace nw::sim
