// The wire client's files: opened and created by 87/1, read (72), written (73), sized (71),
// copied on the server (74) and closed (66) on the 6-byte handle. The position is the client's:
// each read and write names its offset. A file belongs to the connection handle that opened
// it; closing that handle closes it on the server too.
#include <cstring>

#include "ncp/paths.h"
#include "wirecall.h"

namespace nw::wire {

namespace {

using namespace ncp::call;

// The wire's offsets and counts are 32 bits.
constexpr std::uint64_t kMaxWireOffset = 0xFFFFFFFF;
// A write request's bytes besides its data: the NCP request header and 73's fields.
constexpr std::uint32_t kWriteOverhead = 7 + 13;

}  // namespace

detail::WireFile* WireClient::fileOf(NW_FILE_HANDLE file, Handle*& h, NWCCODE& code) {
    auto it = files_.find(file);
    if (it == files_.end()) {
        code = INVALID_FILE_HANDLE;
        return nullptr;
    }
    h = use(it->second->owner, code);
    if (h == nullptr || h->generation != it->second->generation) {
        // The session that held it is gone, and the file with it.
        if (code == SUCCESSFUL) {
            code = INVALID_FILE_HANDLE;
        }
        files_.erase(it);
        return nullptr;
    }
    return it->second.get();
}

void WireClient::releaseFiles(NWCONN_HANDLE conn) {
    for (auto it = files_.begin(); it != files_.end();) {
        if (it->second->owner == conn) {
            CloseFile((it++)->first);
        } else {
            ++it;
        }
    }
}

NWCCODE WireClient::openOrCreate(Handle& h, NWCONN_HANDLE conn,
                                 const OpenCreateEntry::Request& request, NW_FILE_HANDLE* file) {
    const auto reply = call<OpenCreateEntry>(h, request);
    if (!reply.ok()) {
        return reply.code;
    }
    auto opened = std::make_unique<detail::WireFile>();
    opened->owner = conn;
    opened->generation = h.generation;
    opened->server = ncp::makeFileHandle(reply.reply.fileHandle);
    while (nextFile_ == 0 || files_.count(nextFile_) != 0) {
        ++nextFile_;
    }
    *file = nextFile_++;
    files_.emplace(*file, std::move(opened));
    return SUCCESSFUL;
}

NWCCODE WireClient::CreateFile(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                               nuint32 attributes, bool replace, NW_FILE_HANDLE* file) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (file == nullptr) {
        return NWE_PARAM_INVALID;
    }
    std::optional<ncp::HandlePath> wirePath = volumePath(path);
    if (!wirePath) {
        return INVALID_PATH;
    }
    OpenCreateEntry::Request request;
    request.nameSpace = nameSpace;
    request.openCreateMode =
        replace ? open_mode::kCreate | open_mode::kReplace : open_mode::kCreate;
    request.createAttributes = attributes & ~A_DIRECTORY;
    request.desiredAccessRights = AR_READ | AR_WRITE;
    request.path = std::move(*wirePath);
    return openOrCreate(*h, conn, request, file);
}

NWCCODE WireClient::OpenFile(NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs,
                             const char* path, nuint8 accessRights, NW_FILE_HANDLE* file) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (file == nullptr || (accessRights & (AR_READ | AR_WRITE)) == 0) {
        return NWE_PARAM_INVALID;
    }
    std::optional<ncp::HandlePath> wirePath = volumePath(path);
    if (!wirePath) {
        return INVALID_PATH;
    }
    OpenCreateEntry::Request request;
    request.nameSpace = nameSpace;
    request.openCreateMode = open_mode::kOpen;
    request.searchAttributes = searchAttrs;
    request.desiredAccessRights = accessRights & (AR_READ | AR_WRITE);
    request.path = std::move(*wirePath);
    return openOrCreate(*h, conn, request, file);
}

NWCCODE WireClient::ReadFile(NW_FILE_HANDLE file, nuint32 bytes, nuint32* bytesRead, void* buffer) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = nullptr;
    detail::WireFile* f = fileOf(file, h, code);
    if (f == nullptr) {
        return code;
    }
    if (bytesRead == nullptr || (buffer == nullptr && bytes != 0)) {
        return NWE_PARAM_INVALID;
    }
    *bytesRead = 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (*bytesRead < bytes && f->position < kMaxWireOffset) {
        ncp::call::ReadFile::Request request;
        request.handle = f->server;
        request.offset = static_cast<std::uint32_t>(f->position);
        request.maxBytes = static_cast<std::uint16_t>(std::min<std::uint64_t>(
            {bytes - *bytesRead, kMaxReadChunk, kMaxWireOffset - f->position}));
        const auto reply = call<ncp::call::ReadFile>(*h, request);
        if (!reply.ok()) {
            return reply.code;
        }
        const std::size_t got = std::min<std::size_t>(reply.reply.data.size(), request.maxBytes);
        if (got == 0) {
            break;  // the end of the file
        }
        std::memcpy(out + *bytesRead, reply.reply.data.data(), got);
        *bytesRead += static_cast<nuint32>(got);
        f->position += got;
    }
    return SUCCESSFUL;
}

NWCCODE WireClient::WriteFile(NW_FILE_HANDLE file, nuint32 bytes, const void* data,
                              nuint32* written) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = nullptr;
    detail::WireFile* f = fileOf(file, h, code);
    if (f == nullptr) {
        return code;
    }
    if (written == nullptr || (data == nullptr && bytes != 0)) {
        return NWE_PARAM_INVALID;
    }
    *written = 0;
    if (f->position + bytes > kMaxWireOffset) {
        return INVALID_PARAMETERS;
    }
    // A request never exceeds the buffer size the server agreed to.
    const std::uint32_t chunk =
        std::max<std::uint32_t>(h->connection->session->bufferSize(), 512 + kWriteOverhead) -
        kWriteOverhead;
    const auto* in = static_cast<const std::uint8_t*>(data);
    while (*written < bytes) {
        const std::uint32_t n = std::min<std::uint32_t>(bytes - *written, chunk);
        ncp::call::WriteFile::Request request;
        request.handle = f->server;
        request.offset = static_cast<std::uint32_t>(f->position);
        request.data.assign(in + *written, in + *written + n);
        const auto reply = call<ncp::call::WriteFile>(*h, request);
        if (!reply.ok()) {
            return reply.code;
        }
        *written += n;
        f->position += n;
    }
    return SUCCESSFUL;
}

NWCCODE WireClient::SeekFile(NW_FILE_HANDLE file, nint64 offset, nuint8 origin,
                             nint64* newPosition) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = nullptr;
    detail::WireFile* f = fileOf(file, h, code);
    if (f == nullptr) {
        return code;
    }
    nint64 base = 0;
    if (origin == SEEK_FROM_CURRENT) {
        base = static_cast<nint64>(f->position);
    } else if (origin == SEEK_FROM_END) {
        const auto size = call<GetFileSize>(*h, {f->server});
        if (!size.ok()) {
            return size.code;
        }
        base = size.reply.size;
    } else if (origin != SEEK_FROM_START) {
        return INVALID_PARAMETERS;
    }
    nint64 position = 0;
    if (__builtin_add_overflow(base, offset, &position) || position < 0) {
        return INVALID_PARAMETERS;
    }
    f->position = static_cast<std::uint64_t>(position);
    if (newPosition != nullptr) {
        *newPosition = position;
    }
    return SUCCESSFUL;
}

NWCCODE WireClient::CloseFile(NW_FILE_HANDLE file) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = nullptr;
    detail::WireFile* f = fileOf(file, h, code);
    if (f == nullptr) {
        return code;
    }
    const ncp::FileHandle server = f->server;
    files_.erase(file);
    const NWCCODE rc = call<ncp::call::CloseFile>(*h, {server}).code;
    // A file of a volume dismounted meanwhile is gone on the server; closing it still succeeds.
    return rc == INVALID_FILE_HANDLE ? SUCCESSFUL : rc;
}

NWCCODE WireClient::CopyFileData(NWCONN_HANDLE conn, NW_FILE_HANDLE src, NW_FILE_HANDLE dst,
                                 nuint64 srcOffset, nuint64 dstOffset, nuint64 count,
                                 nuint64* copied) {
    NWCCODE code = SUCCESSFUL;
    if (use(conn, code) == nullptr) {
        return code;
    }
    if (copied == nullptr) {
        return NWE_PARAM_INVALID;
    }
    Handle* h = nullptr;
    Handle* other = nullptr;
    detail::WireFile* source = fileOf(src, h, code);
    if (source == nullptr) {
        return code;
    }
    detail::WireFile* target = fileOf(dst, other, code);
    if (target == nullptr) {
        return code;
    }
    if (h->connection != other->connection) {
        return INVALID_FILE_HANDLE;  // both files must be on the one server
    }
    *copied = 0;
    if (srcOffset + count > kMaxWireOffset + 1 || dstOffset + count > kMaxWireOffset + 1) {
        return INVALID_PARAMETERS;
    }
    // One request copies up to 4 GiB - 1; a copy that stops short has met the source's end.
    while (*copied < count) {
        CopyFile::Request request;
        request.source = source->server;
        request.target = target->server;
        request.sourceOffset = static_cast<std::uint32_t>(srcOffset + *copied);
        request.targetOffset = static_cast<std::uint32_t>(dstOffset + *copied);
        request.count =
            static_cast<std::uint32_t>(std::min<nuint64>(count - *copied, kMaxWireOffset));
        const auto reply = call<CopyFile>(*h, request);
        if (!reply.ok()) {
            return reply.code;
        }
        *copied += reply.reply.copied;
        if (reply.reply.copied < request.count) {
            break;
        }
    }
    return SUCCESSFUL;
}

}  // namespace nw::wire
