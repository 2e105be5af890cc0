#include "files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace regtool {

bool readFile(const std::string& path, std::size_t limit, std::string& bytes, std::string& why) {
    // Not blocking: opening a named pipe for reading would wait for a writer.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        why = "not a regular file";
    } else if (static_cast<std::uint64_t>(st.st_size) > limit) {
        why = "larger than " + std::to_string(limit >> 20) + " MiB";
    }
    bytes.clear();
    char buffer[65536];
    while (why.empty()) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0 && bytes.size() + static_cast<std::size_t>(n) <= limit) {
            bytes.append(buffer, static_cast<std::size_t>(n));
        } else if (n > 0) {
            why = "larger than " + std::to_string(limit >> 20) + " MiB";
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            why = std::strerror(errno);
        }
    }
    close(fd);
    return why.empty();
}

bool replaceFile(const std::string& path, const std::string& bytes, std::string& why) {
    const auto slash = path.find_last_of('/');
    std::string temp = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) +
                       ".regtool-XXXXXX";
    // mkostemp creates the file with O_CREAT | O_EXCL, so nothing already at the name, a link
    // included, is ever opened.
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    int error = fchmod(fd, 0600) == 0 ? 0 : errno;
    for (std::size_t done = 0; error == 0 && done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n == 0 || errno != EINTR) {
            error = n == 0 ? EIO : errno;
        }
    }
    if (error == 0 && fsync(fd) != 0) {
        error = errno;
    }
    if (close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && rename(temp.c_str(), path.c_str()) != 0) {
        error = errno;
    }
    if (error == 0) {
        return true;
    }
    why = std::strerror(error);
    unlink(temp.c_str());
    return false;
}

}  // namespace regtool
