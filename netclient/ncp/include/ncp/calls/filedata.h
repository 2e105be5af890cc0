// File data: read, write, close, size and server-side copy, on the 6-byte file handle
// (records.h makeFileHandle). Offsets and counts are hi-lo.
#pragma once

#include <cstdint>

#include "ncp/calls/records.h"
#include "ncp/io.h"

namespace nw::ncp::call {

// A read never crosses this many bytes in one reply over TCP (the client's buffer decides how
// much it asks; servers cap a read at their buffer size).
inline constexpr std::uint16_t kMaxReadChunk = 65000;

// 72: the data start at reply offset 10 + (file offset & 1): a read at an odd offset puts one
// pad byte before the data.
struct ReadFile {
    static constexpr std::uint8_t function = 72, subfunction = 0;
    static constexpr const char* name = "Read From A File";
    struct Request {
        FileHandle handle{};
        std::uint32_t offset = 0;
        std::uint16_t maxBytes = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.zeros(1);
            io.bytes(m.handle);
            io.be32(m.offset);
            io.be16(m.maxBytes);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        Bytes data;
        bool oddOffset = false;  // from the request; not on the wire
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            std::uint32_t n = 0;
            io.countOf(Count::Be16, m.data, n);
            if (m.oddOffset) {
                io.zeros(1);
            }
            io.raw(m.data, n);
        }
        bool operator==(const Reply&) const = default;
    };
    static void replyContext(const Request& rq, Reply& rp) { rp.oddOffset = (rq.offset & 1) != 0; }
};

struct WriteFile {
    static constexpr std::uint8_t function = 73, subfunction = 0;
    static constexpr const char* name = "Write to a File";
    struct Request {
        FileHandle handle{};
        std::uint32_t offset = 0;
        Bytes data;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.zeros(1);
            io.bytes(m.handle);
            io.be32(m.offset);
            io.blob(Count::Be16, m.data);
        }
        bool operator==(const Request&) const = default;
    };
    using Reply = Empty;
};

struct OneFileHandle {
    FileHandle handle{};
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.zeros(1);
        io.bytes(m.handle);
    }
    bool operator==(const OneFileHandle&) const = default;
};

struct CloseFile {
    static constexpr std::uint8_t function = 66, subfunction = 0;
    static constexpr const char* name = "Close File";
    using Request = OneFileHandle;
    using Reply = Empty;
};

struct GetFileSize {
    static constexpr std::uint8_t function = 71, subfunction = 0;
    static constexpr const char* name = "Get Current Size of File";
    using Request = OneFileHandle;
    struct Reply {
        std::uint32_t size = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.be32(m.size);
        }
        bool operator==(const Reply&) const = default;
    };
};

// 74: Wireshark decodes a 2-byte count at 28; the Linux library sends 4 bytes hi-lo (one call
// then copies up to 4 GiB - 1). Chosen: 4 bytes.
struct CopyFile {
    static constexpr std::uint8_t function = 74, subfunction = 0;
    static constexpr const char* name = "Copy from One File to Another";
    struct Request {
        FileHandle source{};
        FileHandle target{};
        std::uint32_t sourceOffset = 0;
        std::uint32_t targetOffset = 0;
        std::uint32_t count = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.zeros(1);
            io.bytes(m.source);
            io.bytes(m.target);
            io.be32(m.sourceOffset);
            io.be32(m.targetOffset);
            io.be32(m.count);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint32_t copied = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.be32(m.copied);
        }
        bool operator==(const Reply&) const = default;
    };
};

}  // namespace nw::ncp::call
