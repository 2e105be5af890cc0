// Copies between open files that keep holes as holes (see filecopy.h).
#include "filecopy.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>

namespace nw::sim {

namespace {

constexpr std::uint64_t kChunk = 1u << 30;

// Copies a run of count bytes; *copied falls short when the source ends first.
int copyRun(int in, off_t inOffset, int out, off_t outOffset, std::uint64_t count,
            std::uint64_t* copied, bool& useSendfile) {
    std::uint64_t done = 0;
    while (done < count) {
        auto chunk = static_cast<std::size_t>(std::min(count - done, kChunk));
        ssize_t n;
        if (!useSendfile) {
            n = ::copy_file_range(in, &inOffset, out, &outOffset, chunk, 0);
            if (n < 0 && (errno == ENOSYS || errno == EXDEV || errno == EINVAL ||
                          errno == EOPNOTSUPP || errno == EBADF)) {
                useSendfile = true;
                continue;
            }
        } else {
            if (::lseek(out, outOffset, SEEK_SET) < 0)
                return errno;
            n = ::sendfile(out, in, &inOffset, chunk);
            if (n > 0)
                outOffset += n;
        }
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *copied = done;
            return errno;
        }
        if (n == 0)
            break;  // the source ends here
        done += static_cast<std::uint64_t>(n);
    }
    *copied = done;
    return 0;
}

// Makes out read zeros over length bytes at offset where it holds bytes already; past its end
// nothing is needed (the copy sets the size at the end).
int zeroRange(int out, off_t offset, std::uint64_t length) {
    struct stat st {};
    if (::fstat(out, &st) != 0)
        return errno;
    if (offset >= st.st_size)
        return 0;
    length = std::min<std::uint64_t>(length, static_cast<std::uint64_t>(st.st_size - offset));
    if (::fallocate(out, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, offset,
                    static_cast<off_t>(length)) == 0) {
        return 0;
    }
    if (errno != EOPNOTSUPP && errno != ENOSYS)
        return errno;
    static const char kZeros[64 * 1024] = {};
    while (length > 0) {
        ssize_t n = ::pwrite(out, kZeros, std::min<std::uint64_t>(length, sizeof kZeros), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        offset += n;
        length -= static_cast<std::uint64_t>(n);
    }
    return 0;
}

}  // namespace

int kernelCopy(int in, off_t inOffset, int out, off_t outOffset, std::uint64_t count,
               std::uint64_t* copied) {
    *copied = 0;
    struct stat st {};
    if (::fstat(in, &st) != 0)
        return errno;
    if (inOffset >= st.st_size)
        return 0;
    const off_t end = inOffset + static_cast<off_t>(std::min<std::uint64_t>(
                                     count, static_cast<std::uint64_t>(st.st_size - inOffset)));
    bool useSendfile = false;
    off_t position = inOffset;
    int error = 0;
    while (position < end && error == 0) {
        off_t data = ::lseek(in, position, SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO)
                data = end;  // a hole up to the end
            else if (errno == EINVAL || errno == EOPNOTSUPP)
                data = position;  // no word on holes: all of it is data
            else
                return errno;
        }
        data = std::min(data, end);
        if (data > position) {
            error = zeroRange(out, outOffset + (position - inOffset),
                              static_cast<std::uint64_t>(data - position));
            position = data;
            continue;
        }
        off_t hole = ::lseek(in, position, SEEK_HOLE);
        hole = hole < 0 ? end : std::min(hole, end);
        std::uint64_t done = 0;
        error = copyRun(in, position, out, outOffset + (position - inOffset),
                        static_cast<std::uint64_t>(hole - position), &done, useSendfile);
        position += static_cast<off_t>(done);
        if (error == 0 && position < hole)
            break;  // the source shrank meanwhile
    }
    // A copy that ends in a hole still reaches its end.
    off_t outEnd = outOffset + (position - inOffset);
    struct stat target {};
    if (error == 0 && ::fstat(out, &target) == 0 && target.st_size < outEnd &&
        ::ftruncate(out, outEnd) != 0) {
        error = errno;
    }
    *copied = static_cast<std::uint64_t>(position - inOffset);
    return error;
}

int copyAll(int in, int out) {
    std::uint64_t copied = 0;
    return kernelCopy(in, 0, out, 0, std::numeric_limits<std::uint64_t>::max(), &copied);
}

}  // namespace nw::sim
