// Volume control operations on file contents: open, read, write, seek, close and the
// server-side copy.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>

#include "entrypaths.h"
#include "filecopy.h"
#include "model.h"
#include "servermodel.h"
#include "services.h"
#include "store.h"
#include "volumedisk.h"

namespace nw::sim {

namespace {

constexpr std::uint64_t kMaxOffset = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());

// Would bytes written at offset end beyond the volume's total space? The host's disk never grows
// past what the volume has, whatever offset a caller seeks to.
bool endsBeyondVolume(const Volume& volume, std::uint64_t offset, std::uint64_t bytes) {
    std::uint64_t capacity = volumeCapacity(volume);
    return offset > capacity || bytes > capacity - offset;
}

// The answer of a write or copy that failed with err.
NWCCODE dataAnswer(int err) {
    if (err == 0)
        return SUCCESSFUL;
    return err == ENOSPC || err == EDQUOT || err == EFBIG ? INSUFFICIENT_SPACE : DIRECTORY_IO_ERROR;
}

// A file handle that can still be used, or null.
OpenedFile* usable(Services& services, NW_FILE_HANDLE handle) {
    auto it = services.files.find(handle);
    return it == services.files.end() || it->second.dead ? nullptr : &it->second;
}

}  // namespace

NWCCODE ServerModel::openFile(const Caller& who, Owner owner, const Located& target,
                              nuint8 nameSpace, nuint16 searchAttrs, nuint8 accessRights,
                              NW_FILE_HANDLE& file) {
    if ((accessRights & (AR_READ | AR_WRITE)) == 0)
        return NWE_PARAM_INVALID;
    NW_ENTRY_INFO record;
    NWCCODE rc =
        entryRecord(*target.volume->server, *target.volume, *target.entry, nameSpace, record);
    if (rc != SUCCESSFUL)
        return rc;
    if (target.entry->isDirectory)
        return INVALID_PATH;
    if (!searchSelects(searchAttrs, false, record.attributes))
        return FAILURE;
    bool read = (accessRights & AR_READ) != 0;
    bool write = (accessRights & AR_WRITE) != 0;
    nuint16 rights = effectiveRights(who, *target.volume, target.entry);
    if (read && (rights & TR_READ) == 0)
        return ACCESS_DENIED;
    if (write && ((rights & TR_WRITE) == 0 || (record.attributes & A_READ_ONLY) != 0))
        return NO_WRITE_PRIVILEGES;
    int flags = read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
    UniqueFd fd;
    if (int error = openFileBeneath(*target.volume, entryKey(target.entry), flags, 0, fd))
        return diskAnswer(error);
    file = services_->addFile(owner, who.station, *target.volume, *target.entry, fd.release(), read,
                              write);
    return SUCCESSFUL;
}

NWCCODE ServerModel::readFile(NW_FILE_HANDLE file, nuint32 bytes, nuint32* bytesRead,
                              void* buffer) {
    OpenedFile* opened = usable(*services_, file);
    if (opened == nullptr)
        return INVALID_FILE_HANDLE;
    if (bytesRead == nullptr || (buffer == nullptr && bytes != 0))
        return NWE_PARAM_INVALID;
    if (!opened->read)
        return ACCESS_DENIED;
    nuint32 done = 0;
    while (done < bytes) {
        ssize_t n = ::pread(opened->fd, static_cast<char*>(buffer) + done, bytes - done,
                            opened->position + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *bytesRead = done;
            opened->position += done;
            return DIRECTORY_IO_ERROR;
        }
        if (n == 0)
            break;
        done += static_cast<nuint32>(n);
    }
    opened->position += done;
    *bytesRead = done;
    return SUCCESSFUL;
}

NWCCODE ServerModel::writeFile(NW_FILE_HANDLE file, nuint32 bytes, const void* data,
                               nuint32* written) {
    OpenedFile* opened = usable(*services_, file);
    if (opened == nullptr)
        return INVALID_FILE_HANDLE;
    if (written == nullptr || (data == nullptr && bytes != 0))
        return NWE_PARAM_INVALID;
    if (!opened->write)
        return NO_WRITE_PRIVILEGES;
    *written = 0;
    if (bytes != 0 && endsBeyondVolume(*opened->volume, opened->position, bytes))
        return INSUFFICIENT_SPACE;
    nuint32 done = 0;
    while (done < bytes) {
        ssize_t n = ::pwrite(opened->fd, static_cast<const char*>(data) + done, bytes - done,
                             opened->position + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *written = done;
            opened->position += done;
            return dataAnswer(n < 0 ? errno : EIO);
        }
        done += static_cast<nuint32>(n);
    }
    opened->position += done;
    *written = done;
    return SUCCESSFUL;
}

NWCCODE ServerModel::seekFile(NW_FILE_HANDLE file, nint64 offset, nuint8 origin,
                              nint64* newPosition) {
    OpenedFile* opened = usable(*services_, file);
    if (opened == nullptr)
        return INVALID_FILE_HANDLE;
    nint64 base = 0;
    if (origin == SEEK_FROM_CURRENT) {
        base = opened->position;
    } else if (origin == SEEK_FROM_END) {
        struct stat st {};
        if (::fstat(opened->fd, &st) != 0)
            return DIRECTORY_IO_ERROR;
        base = st.st_size;
    } else if (origin != SEEK_FROM_START) {
        return INVALID_PARAMETERS;
    }
    nint64 position = 0;
    if (__builtin_add_overflow(base, offset, &position) || position < 0)
        return INVALID_PARAMETERS;
    opened->position = position;
    if (newPosition != nullptr)
        *newPosition = position;
    return SUCCESSFUL;
}

NWCCODE ServerModel::closeFile(NW_FILE_HANDLE file) {
    if (services_->files.count(file) == 0)
        return INVALID_FILE_HANDLE;
    services_->closeFile(file);
    return SUCCESSFUL;
}

NWCCODE ServerModel::copyFileData(NW_FILE_HANDLE src, NW_FILE_HANDLE dst, nuint64 srcOffset,
                                  nuint64 dstOffset, nuint64 count, nuint64& total) {
    nuint64* copied = &total;
    *copied = 0;
    OpenedFile* from = usable(*services_, src);
    OpenedFile* to = usable(*services_, dst);
    if (from == nullptr || to == nullptr)
        return INVALID_FILE_HANDLE;
    if (!from->read)
        return ACCESS_DENIED;
    if (!to->write)
        return NO_WRITE_PRIVILEGES;
    if (srcOffset > kMaxOffset || dstOffset > kMaxOffset || count > kMaxOffset - dstOffset)
        return INVALID_PARAMETERS;
    struct stat source {};
    if (::fstat(from->fd, &source) != 0)
        return DIRECTORY_IO_ERROR;
    auto size = static_cast<std::uint64_t>(source.st_size);
    std::uint64_t length = srcOffset < size ? std::min(count, size - srcOffset) : 0;
    if (length != 0 && endsBeyondVolume(*to->volume, dstOffset, length))
        return INSUFFICIENT_SPACE;
    std::uint64_t done = 0;
    int rc = kernelCopy(from->fd, static_cast<off_t>(srcOffset), to->fd,
                        static_cast<off_t>(dstOffset), count, &done);
    *copied = done;
    return dataAnswer(rc);
}

}  // namespace nw::sim
