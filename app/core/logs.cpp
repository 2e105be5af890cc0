#include "core/logs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace varnook {

std::string LogRecord(const std::string& text) {
    std::string record;
    record.reserve(text.size() + 4);
    record += '"';
    record += text;
    record += "\"\r\n";
    return record;
}

LogError LogErrorFromErrno(int err) {
    // Numbers follow the classic file error numbers users of this kind of tool know.
    switch (err) {
        case ENOENT:
        case ENOTDIR:
            return {76, "Path not found"};
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS:
            return {75, "Path/File access error"};
        case ENOSPC:
        case EDQUOT:
            return {61, "Disk full"};
        case EMFILE:
        case ENFILE:
            return {67, "Too many files"};
        case ENAMETOOLONG:
            return {52, "Bad file name or number"};
        case ENXIO:  // a named pipe nobody reads
            return {75, "Path/File access error (not a regular file)"};
        default:
            return {57, std::string("Device I/O error (") + std::strerror(err) + ")"};
    }
}

std::optional<LogError> AppendLogRecord(const std::string& path, const std::string& text) {
    if (path.empty()) {
        return LogError{52, "Bad file name or number"};
    }
    // Without blocking: a named pipe would otherwise hold the program until someone reads it.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) {
        return LogErrorFromErrno(errno);
    }
    // A log is a regular file; pipes, sockets and devices are refused.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return LogError{75, "Path/File access error (not a regular file)"};
    }
    const std::string record = LogRecord(text);
    size_t done = 0;
    while (done < record.size()) {
        const ssize_t n = ::write(fd, record.data() + done, record.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            const LogError e = LogErrorFromErrno(errno);
            ::close(fd);
            return e;
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0) {
        return LogErrorFromErrno(errno);
    }
    return std::nullopt;
}

void CutAtNul(std::string& text) {
    const size_t nul = text.find('\0');
    if (nul != std::string::npos) {
        text.resize(nul);
    }
}

namespace {
std::string Format(const char* fmt, const std::tm& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, t.tm_mday, t.tm_mon + 1, t.tm_year + 1900, t.tm_hour,
                  t.tm_min, t.tm_sec);
    return buf;
}
}  // namespace

std::string TimeStamp(const std::tm& t) {
    return Format("%02d/%02d/%04d, %02d:%02d:%02d", t);
}

std::string GeneralDate(const std::tm& t) {
    return Format("%02d/%02d/%04d %02d:%02d:%02d", t);
}

std::tm LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    return t;
}

}  // namespace varnook
