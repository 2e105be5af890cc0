// Open files, the connections using them and their record locks, and directory numbers mapped
// back to paths. Each list call answers a batch and a "next request record" to continue from
// (0 when the list is complete).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ncp/calls/records.h"
#include "ncp/io.h"

namespace nw::ncp::call {

// One connection using a file (23/236, 23/220).
struct FileConnection {
    std::uint16_t connection = 0;
    std::uint16_t task = 0;
    std::uint8_t lockType = 0;
    std::uint8_t accessControl = 0;
    std::uint8_t lockFlag = 0;
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.le16(m.connection);
        io.le16(m.task);
        io.u8(m.lockType);
        io.u8(m.accessControl);
        io.u8(m.lockFlag);
    }
    bool operator==(const FileConnection&) const = default;
};

// The file's usage counters (23/236, 23/220).
struct FileUsage {
    std::uint16_t useCount = 0;
    std::uint16_t openCount = 0;
    std::uint16_t openForRead = 0;
    std::uint16_t openForWrite = 0;
    std::uint16_t denyRead = 0;
    std::uint16_t denyWrite = 0;
    bool operator==(const FileUsage&) const = default;
};

struct ConnectionsUsingFile {
    static constexpr std::uint8_t function = 23, subfunction = 236;
    static constexpr const char* name = "Get Connections Using A File";
    struct Request {
        std::uint8_t dataStream = 0;
        std::uint8_t volume = 0;
        std::uint32_t dirBase = 0;  // the file's DOS directory entry (87/22 or 87/6)
        std::uint16_t lastRecord = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.dataStream);
            io.u8(m.volume);
            io.le32(m.dirBase);
            io.le16(m.lastRecord);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint16_t nextRecord = 0;
        FileUsage usage;
        std::uint8_t locked = 0;
        std::uint8_t forkCount = 0;
        std::vector<FileConnection> connections;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le16(m.nextRecord);
            io.le16(m.usage.useCount);
            io.le16(m.usage.openCount);
            io.le16(m.usage.openForRead);
            io.le16(m.usage.openForWrite);
            io.le16(m.usage.denyRead);
            io.le16(m.usage.denyWrite);
            io.u8(m.locked);
            io.u8(m.forkCount);
            io.list(Count::Le16, m.connections, [](auto& io2, auto& c) { io2.record(c); });
        }
        bool operator==(const Reply&) const = default;
    };
};

// Path-based older form: counters hi-lo, the records as in 23/236.
struct ConnectionsUsingFileOld {
    static constexpr std::uint8_t function = 23, subfunction = 220;
    static constexpr const char* name = "Get Connections Using A File (old)";
    struct Request {
        std::uint16_t lastRecord = 0;
        std::uint8_t dirHandle = 0;
        std::string path;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.be16(m.lastRecord);
            io.u8(m.dirHandle);
            io.pstring(m.path);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        FileUsage usage;
        std::uint16_t nextRecord = 0;
        std::uint8_t locked = 0;
        std::vector<FileConnection> connections;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.be16(m.usage.useCount);
            io.be16(m.usage.openCount);
            io.be16(m.usage.openForRead);
            io.be16(m.usage.openForWrite);
            io.be16(m.usage.denyRead);
            io.be16(m.usage.denyWrite);
            io.be16(m.nextRecord);
            io.u8(m.locked);
            io.list(Count::U8, m.connections, [](auto& io2, auto& c) { io2.record(c); });
        }
        bool operator==(const Reply&) const = default;
    };
};

struct OpenFile {
    std::uint16_t task = 0;
    std::uint8_t lockType = 0;
    std::uint8_t accessControl = 0;
    std::uint8_t lockFlag = 0;
    std::uint8_t volume = 0;
    std::uint32_t parent = 0;    // DOS directory entry of the parent directory
    std::uint32_t dirEntry = 0;  // DOS directory entry of the file
    std::uint8_t forkCount = 0;
    std::uint8_t nameSpace = 0;
    std::string name;
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.le16(m.task);
        io.u8(m.lockType);
        io.u8(m.accessControl);
        io.u8(m.lockFlag);
        io.u8(m.volume);
        io.le32(m.parent);
        io.le32(m.dirEntry);
        io.u8(m.forkCount);
        io.u8(m.nameSpace);
        io.pstring(m.name);
    }
    bool operator==(const OpenFile&) const = default;
};

// Wireshark decodes the connection number BE; the Linux library sends LE16. Chosen: LE16.
struct ConnectionOpenFiles {
    static constexpr std::uint8_t function = 23, subfunction = 235;
    static constexpr const char* name = "Get Connection's Open Files";
    struct Request {
        std::uint16_t connection = 0;
        std::uint16_t lastRecord = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le16(m.connection);
            io.le16(m.lastRecord);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint16_t nextRecord = 0;
        std::vector<OpenFile> files;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le16(m.nextRecord);
            io.list(Count::Le16, m.files, [](auto& io2, auto& f) { io2.record(f); });
        }
        bool operator==(const Reply&) const = default;
    };
};

struct OpenFileOld {
    std::uint8_t task = 0;
    std::uint8_t lockType = 0;
    std::uint8_t accessControl = 0;
    std::uint8_t lockFlag = 0;
    std::uint8_t volume = 0;
    std::uint16_t dirEntry = 0;
    std::string name;  // 14 bytes, NUL-padded
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.u8(m.task);
        io.u8(m.lockType);
        io.u8(m.accessControl);
        io.u8(m.lockFlag);
        io.u8(m.volume);
        io.le16(m.dirEntry);
        io.text(m.name, 14);
    }
    bool operator==(const OpenFileOld&) const = default;
};

struct ConnectionOpenFilesOld {
    static constexpr std::uint8_t function = 23, subfunction = 219;
    static constexpr const char* name = "Get Connection's Open Files (old)";
    struct Request {
        std::uint16_t connection = 0;
        std::uint16_t lastRecord = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.be16(m.connection);
            io.be16(m.lastRecord);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint16_t nextRecord = 0;
        std::vector<OpenFileOld> files;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le16(m.nextRecord);
            io.list(Count::U8, m.files, [](auto& io2, auto& f) { io2.record(f); });
        }
        bool operator==(const Reply&) const = default;
    };
};

struct PhysicalLock {
    std::uint16_t loggedCount = 0;
    std::uint16_t shareableCount = 0;
    std::uint32_t recordStart = 0;
    std::uint32_t recordEnd = 0;
    std::uint16_t connection = 0;  // hi-lo
    std::uint8_t task = 0;
    std::uint8_t lockType = 0;
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.le16(m.loggedCount);
        io.le16(m.shareableCount);
        io.le32(m.recordStart);
        io.le32(m.recordEnd);
        io.be16(m.connection);
        io.u8(m.task);
        io.u8(m.lockType);
    }
    bool operator==(const PhysicalLock&) const = default;
};

struct PhysicalLocksByFile {
    static constexpr std::uint8_t function = 23, subfunction = 238;
    static constexpr const char* name = "Get Physical Record Locks By File";
    struct Request {
        std::uint8_t dataStream = 0;
        std::uint8_t volume = 0;
        std::uint32_t dirBase = 0;
        std::uint16_t lastRecord = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.dataStream);
            io.u8(m.volume);
            io.le32(m.dirBase);
            io.le16(m.lastRecord);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint16_t nextRecord = 0;
        std::vector<PhysicalLock> locks;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le16(m.nextRecord);
            io.list(Count::Le16, m.locks, [](auto& io2, auto& l) { io2.record(l); });
        }
        bool operator==(const Reply&) const = default;
    };
};

// Wireshark labels the first request word "target connection number"; in this path-based call
// it is the last record seen, as in the other list calls.
struct PhysicalLocksByFileOld {
    static constexpr std::uint8_t function = 23, subfunction = 222;
    static constexpr const char* name = "Get Physical Record Locks By File (old)";
    struct Request {
        std::uint16_t lastRecord = 0;
        std::uint8_t dirHandle = 0;
        std::string path;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le16(m.lastRecord);
            io.u8(m.dirHandle);
            io.pstring(m.path);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint16_t nextRecord = 0;
        std::vector<PhysicalLock> locks;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le16(m.nextRecord);
            std::uint32_t n = 0;
            io.countOf(Count::U8, m.locks, n);
            io.zeros(1);
            io.elements(m.locks, n, [](auto& io2, auto& l) { io2.record(l); });
        }
        bool operator==(const Reply&) const = default;
    };
};

// Components root first, each length-prefixed, up to the end of the reply; Wireshark shows
// only the first. The sources do not say whether the volume name comes first; chosen: it does
// not (the request names the volume by number), so the first component is a top directory.
struct MapDirectoryNumberToPath {
    static constexpr std::uint8_t function = 23, subfunction = 243;
    static constexpr const char* name = "Map Directory Number to Path";
    struct Request {
        std::uint8_t volume = 0;
        std::uint32_t dirNumber = 0;
        std::uint8_t nameSpace = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.volume);
            io.le32(m.dirNumber);
            io.u8(m.nameSpace);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::vector<std::string> components;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.untilEnd(m.components, [](auto& io2, auto& c) { io2.pstring(c); });
        }
        bool operator==(const Reply&) const = default;
    };
};

}  // namespace nw::ncp::call
