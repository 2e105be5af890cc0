// Directory entries of the 87 family and the older 22 family: paths and directory bases, entry
// information, directory handles, searches, create/open/erase, rename and move, directory
// space limits.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "ncp/calls/records.h"
#include "ncp/io.h"

namespace nw::ncp::call {

namespace name_space {
inline constexpr std::uint8_t kDos = 0;
inline constexpr std::uint8_t kMac = 1;
inline constexpr std::uint8_t kNfs = 2;
inline constexpr std::uint8_t kFtam = 3;
inline constexpr std::uint8_t kLong = 4;
}  // namespace name_space

struct GenerateDirBase {
    static constexpr std::uint8_t function = 87, subfunction = 22;
    static constexpr const char* name = "Generate Directory Base and Volume Number";
    struct Request {
        std::uint8_t sourceNameSpace = 0;
        std::uint8_t destNameSpace = 0;
        std::uint16_t destNameSpaceIndicator = 0;
        HandlePath path;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.sourceNameSpace);
            io.u8(m.destNameSpace);
            io.le16(m.destNameSpaceIndicator);
            io.record(m.path);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint32_t dirBase = 0;     // in the destination name space
        std::uint32_t dosDirBase = 0;  // the same entry in the DOS name space
        std::uint8_t volume = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.dirBase);
            io.le32(m.dosDirBase);
            io.u8(m.volume);
        }
        bool operator==(const Reply&) const = default;
    };
};

// 87/28: the path of an entry in the destination name space, components leaf first. When a
// path does not fit one reply, the reply's cookie flags and cookies go back in the next request.
// Chosen for a path answered whole: flags 0, cookies 0xFFFFFFFF.
struct GetFullPath {
    static constexpr std::uint8_t function = 87, subfunction = 28;
    static constexpr const char* name = "Get Full Path String";
    struct Request {
        std::uint8_t sourceNameSpace = 0;
        std::uint8_t destNameSpace = 0;
        std::uint16_t cookieFlags = 0;
        std::uint32_t cookie1 = 0xFFFFFFFF;
        std::uint32_t cookie2 = 0xFFFFFFFF;
        HandlePath path;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.sourceNameSpace);
            io.u8(m.destNameSpace);
            io.le16(m.cookieFlags);
            io.le32(m.cookie1);
            io.le32(m.cookie2);
            io.record(m.path);
        }
        bool operator==(const Request&) const = default;
    };
    // Component size (the bytes of the components, length bytes included) is computed when
    // encoding and not kept when decoding.
    struct Reply {
        std::uint16_t cookieFlags = 0;
        std::uint32_t cookie1 = 0xFFFFFFFF;
        std::uint32_t cookie2 = 0xFFFFFFFF;
        std::vector<std::string> components;  // leaf first; the last is the volume name
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le16(m.cookieFlags);
            io.le32(m.cookie1);
            io.le32(m.cookie2);
            std::uint16_t size = 0;
            if constexpr (!Io::decoding) {
                std::size_t total = 0;
                for (const auto& c : m.components) {
                    total += 1 + c.size();
                }
                size = static_cast<std::uint16_t>(total);
            }
            io.le16(size);
            io.list(Count::Le16, m.components, [](auto& io2, auto& c) { io2.pstring(c); });
        }
        bool operator==(const Reply&) const = default;
    };
};

// A reply carrying one directory entry record; the name is there when the request's
// return-info mask has bit 0x0001.
struct EntryReply {
    EntryInfo info;
    bool withName = true;  // from the request's mask; not on the wire
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        EntryInfo::withName(io, m.info, m.withName);
    }
    bool operator==(const EntryReply&) const = default;
};

struct ObtainEntryInfo {
    static constexpr std::uint8_t function = 87, subfunction = 6;
    static constexpr const char* name = "Obtain File or SubDirectory Information";
    struct Request {
        std::uint8_t sourceNameSpace = 0;
        std::uint8_t destNameSpace = 0;
        std::uint16_t searchAttributes = 0;
        std::uint16_t returnInfoMask = rim::kAll;
        std::uint16_t extendedInfo = 0;
        HandlePath path;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.sourceNameSpace);
            io.u8(m.destNameSpace);
            io.le16(m.searchAttributes);
            io.le16(m.returnInfoMask);
            io.le16(m.extendedInfo);
            io.record(m.path);
        }
        bool operator==(const Request&) const = default;
    };
    using Reply = EntryReply;
    static void replyContext(const Request& rq, Reply& rp) {
        rp.withName = (rq.returnInfoMask & rim::kName) != 0;
    }
};

// 87/7 modify mask bits.
namespace modify {
inline constexpr std::uint16_t kAttributes = 0x0002;
inline constexpr std::uint16_t kCreationDate = 0x0004;
inline constexpr std::uint16_t kCreationTime = 0x0008;
inline constexpr std::uint16_t kCreatorId = 0x0010;
inline constexpr std::uint16_t kArchiveDate = 0x0020;
inline constexpr std::uint16_t kArchiveTime = 0x0040;
inline constexpr std::uint16_t kArchiverId = 0x0080;
inline constexpr std::uint16_t kModifyDate = 0x0100;
inline constexpr std::uint16_t kModifyTime = 0x0200;
inline constexpr std::uint16_t kModifierId = 0x0400;
inline constexpr std::uint16_t kLastAccess = 0x0800;
inline constexpr std::uint16_t kInheritance = 0x1000;
inline constexpr std::uint16_t kMaximumSpace = 0x2000;
}  // namespace modify

struct ModifyEntryInfo {
    static constexpr std::uint8_t function = 87, subfunction = 7;
    static constexpr const char* name = "Modify File or Subdirectory DOS Information";
    struct Request {
        std::uint8_t nameSpace = 0;
        std::uint16_t searchAttributes = 0;
        std::uint16_t modifyMask = 0;
        // The whole attribute word, as every call carries it (Wireshark shows its two high
        // bytes as a file mode and an extended attribute byte).
        std::uint32_t attributes = 0;
        std::uint16_t creationDate = 0;
        std::uint16_t creationTime = 0;
        std::uint32_t creatorId = 0;
        std::uint16_t modifyDate = 0;
        std::uint16_t modifyTime = 0;
        std::uint32_t modifierId = 0;
        std::uint16_t archiveDate = 0;
        std::uint16_t archiveTime = 0;
        std::uint32_t archiverId = 0;
        std::uint16_t lastAccessDate = 0;
        std::uint16_t inheritedRightsMask = 0;  // rights granted
        std::uint16_t inheritanceRevokeMask = 0;
        std::uint32_t maximumSpace = 0;
        HandlePath path;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.nameSpace);
            io.zeros(1);
            io.le16(m.searchAttributes);
            io.le16(m.modifyMask);
            io.zeros(2);
            io.le32(m.attributes);
            io.le16(m.creationDate);
            io.le16(m.creationTime);
            io.be32(m.creatorId);
            io.le16(m.modifyDate);
            io.le16(m.modifyTime);
            io.be32(m.modifierId);
            io.le16(m.archiveDate);
            io.le16(m.archiveTime);
            io.be32(m.archiverId);
            io.le16(m.lastAccessDate);
            io.le16(m.inheritedRightsMask);
            io.le16(m.inheritanceRevokeMask);
            io.le32(m.maximumSpace);
            io.record(m.path);
        }
        bool operator==(const Request&) const = default;
    };
    using Reply = Empty;
};

struct GetEffectiveRights {
    static constexpr std::uint8_t function = 87, subfunction = 29;
    static constexpr const char* name = "Get Effective Directory Rights";
    struct Request {
        std::uint8_t nameSpace = 0;
        std::uint8_t destNameSpace = 0;
        std::uint16_t searchAttributes = 0;
        std::uint16_t returnInfoMask = rim::kAll;
        std::uint16_t extendedInfo = 0;
        HandlePath path;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.nameSpace);
            io.u8(m.destNameSpace);
            io.le16(m.searchAttributes);
            io.le16(m.returnInfoMask);
            io.le16(m.extendedInfo);
            io.record(m.path);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint16_t effectiveRights = 0;
        EntryInfo info;
        bool withName = true;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le16(m.effectiveRights);
            EntryInfo::withName(io, m.info, m.withName);
        }
        bool operator==(const Reply&) const = default;
    };
    static void replyContext(const Request& rq, Reply& rp) {
        rp.withName = (rq.returnInfoMask & rim::kName) != 0;
    }
};

struct AllocShortDirHandle {
    static constexpr std::uint8_t function = 87, subfunction = 12;
    static constexpr const char* name = "Allocate Short Directory Handle";
    static constexpr std::uint16_t kTemporary = 0x0001;  // allocate mode: temporary handle
    struct Request {
        std::uint8_t nameSpace = 0;
        std::uint16_t allocateMode = 0;
        HandlePath path;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.nameSpace);
            io.zeros(1);
            io.le16(m.allocateMode);
            io.record(m.path);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint8_t dirHandle = 0;
        std::uint8_t volume = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.dirHandle);
            io.u8(m.volume);
            io.zeros(4);
        }
        bool operator==(const Reply&) const = default;
    };
};

// 22/19 (temporary) and 22/18 (permanent): a handle for a path relative to a handle (0: the
// path starts with the volume, "SYS:PUBLIC").
struct DirHandleRequest {
    std::uint8_t dirHandle = 0;
    std::uint8_t handleName = 0;  // drive letter
    std::string path;
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.u8(m.dirHandle);
        io.u8(m.handleName);
        io.pstring(m.path);
    }
    bool operator==(const DirHandleRequest&) const = default;
};

struct DirHandleReply {
    std::uint8_t dirHandle = 0;
    std::uint8_t accessRights = 0;  // effective rights, low byte
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.u8(m.dirHandle);
        io.u8(m.accessRights);
    }
    bool operator==(const DirHandleReply&) const = default;
};

struct AllocTempDirHandle {
    static constexpr std::uint8_t function = 22, subfunction = 19;
    static constexpr const char* name = "Alloc Temporary Directory Handle";
    using Request = DirHandleRequest;
    using Reply = DirHandleReply;
};

struct AllocPermDirHandle {
    static constexpr std::uint8_t function = 22, subfunction = 18;
    static constexpr const char* name = "Alloc Permanent Directory Handle";
    using Request = DirHandleRequest;
    using Reply = DirHandleReply;
};

struct OneDirHandle {
    std::uint8_t dirHandle = 0;
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.u8(m.dirHandle);
    }
    bool operator==(const OneDirHandle&) const = default;
};

struct DeallocDirHandle {
    static constexpr std::uint8_t function = 22, subfunction = 20;
    static constexpr const char* name = "Deallocate Directory Handle";
    using Request = OneDirHandle;
    using Reply = Empty;
};

struct GetDirectoryPath {
    static constexpr std::uint8_t function = 22, subfunction = 1;
    static constexpr const char* name = "Get Directory Path";
    using Request = OneDirHandle;
    struct Reply {
        std::string path;  // "SYS:PUBLIC\UTIL"
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.pstring(m.path);
        }
        bool operator==(const Reply&) const = default;
    };
};

struct InitializeSearch {
    static constexpr std::uint8_t function = 87, subfunction = 2;
    static constexpr const char* name = "Initialize Search";
    struct Request {
        std::uint8_t nameSpace = 0;
        HandlePath path;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.nameSpace);
            io.zeros(1);
            io.record(m.path);
        }
        bool operator==(const Request&) const = default;
    };
    using Reply = SearchSequence;
};

// Search pattern bytes: 0xFF makes the next byte a wildcard; {0xFF, '*'} matches every name.
inline const std::string kMatchAll{"\xFF*", 2};

struct SearchEntry {
    static constexpr std::uint8_t function = 87, subfunction = 3;
    static constexpr const char* name = "Search for File or Subdirectory";
    struct Request {
        std::uint8_t nameSpace = 0;
        std::uint8_t dataStream = 0;
        std::uint16_t searchAttributes = 0;
        std::uint16_t returnInfoMask = rim::kAll;
        std::uint16_t extendedInfo = 0;
        SearchSequence sequence;
        std::string pattern = kMatchAll;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.nameSpace);
            io.u8(m.dataStream);
            io.le16(m.searchAttributes);
            io.le16(m.returnInfoMask);
            io.le16(m.extendedInfo);
            io.record(m.sequence);
            io.pstring(m.pattern);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        SearchSequence sequence;
        EntryInfo info;
        bool withName = true;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.record(m.sequence);
            io.zeros(1);
            EntryInfo::withName(io, m.info, m.withName);
        }
        bool operator==(const Reply&) const = default;
    };
    static void replyContext(const Request& rq, Reply& rp) {
        rp.withName = (rq.returnInfoMask & rim::kName) != 0;
    }
};

// 87/20: many entries per reply. The client sends 87/2's sequence first, then each reply's
// sequence unchanged, while the reply's more flag is not 0; completion 0xFF ends the listing.
// A server answers at most returnInfoCount entries, never 0 entries with completion 0, and
// keeps a reply within 66,560 bytes and the frame's reply buffer size (fitting()).
struct SearchEntrySet {
    static constexpr std::uint8_t function = 87, subfunction = 20;
    static constexpr const char* name = "Search for File or Subdirectory Set";
    struct Request {
        std::uint8_t nameSpace = 0;
        std::uint8_t dataStream = 0;
        std::uint16_t searchAttributes = 0x8006;
        std::uint16_t returnInfoMask = rim::kAll;
        std::uint16_t extendedInfo = 0;
        std::uint16_t returnInfoCount = 200;
        SearchSequence sequence;
        std::string pattern = kMatchAll;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.nameSpace);
            io.u8(m.dataStream);
            io.le16(m.searchAttributes);
            io.le16(m.returnInfoMask);
            io.le16(m.extendedInfo);
            io.le16(m.returnInfoCount);
            io.record(m.sequence);
            io.pstring(m.pattern);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        SearchSequence sequence;
        std::uint8_t more = 0;  // 0: this reply carries the last entries
        std::vector<EntryInfo> entries;
        bool withName = true;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.record(m.sequence);
            io.u8(m.more);
            const bool name = m.withName;
            io.list(Count::Le16, m.entries,
                    [name](auto& io2, auto& e) { EntryInfo::withName(io2, e, name); });
        }
        bool operator==(const Reply&) const = default;
    };
    static void replyContext(const Request& rq, Reply& rp) {
        rp.withName = (rq.returnInfoMask & rim::kName) != 0;
    }
    // Reply bytes before the first entry (NCP header included) and the cap on a whole reply
    // (the reply frame's 8 header bytes on top).
    static constexpr std::size_t kReplyOverhead = 8 + 9 + 1 + 2;
    static constexpr std::size_t kMaxReply = 66560;
    // How many of `entries` (from the first) one reply may carry for this request and the
    // request frame's reply buffer size: at most returnInfoCount, within both size limits.
    static std::size_t fitting(std::span<const EntryInfo> entries, const Request& request,
                               std::uint32_t replyBufferSize) {
        const bool names = (request.returnInfoMask & rim::kName) != 0;
        const std::size_t limit = std::min<std::size_t>(kMaxReply, replyBufferSize);
        std::size_t size = 8 + kReplyOverhead;
        std::size_t n = 0;
        while (n < entries.size() && n < request.returnInfoCount) {
            size += kEntryInfoFixedSize + (names ? 1 + entries[n].name.size() : 0);
            if (size > limit) {
                break;
            }
            ++n;
        }
        return n;
    }
};

// 87/1 open/create modes and the access rights word.
namespace open_mode {
inline constexpr std::uint8_t kOpen = 0x01;
inline constexpr std::uint8_t kReplace = 0x02;
inline constexpr std::uint8_t kCreate = 0x08;
}  // namespace open_mode

namespace open_action {
inline constexpr std::uint8_t kOpened = 0x01;
inline constexpr std::uint8_t kCreated = 0x02;
inline constexpr std::uint8_t kReplaced = 0x04;
}  // namespace open_action

struct OpenCreateEntry {
    static constexpr std::uint8_t function = 87, subfunction = 1;
    static constexpr const char* name = "Open/Create File or Subdirectory";
    struct Request {
        std::uint8_t nameSpace = 0;
        std::uint8_t openCreateMode = open_mode::kOpen;
        std::uint16_t searchAttributes = 0;
        std::uint16_t returnInfoMask = rim::kAll;
        std::uint16_t extendedInfo = 0;
        std::uint32_t createAttributes = 0;  // 0x10 creates a directory
        // Access for a file (0x01 read, 0x02 write, 0x04 deny read, 0x08 deny write); for a
        // new directory its inherited rights mask.
        std::uint16_t desiredAccessRights = 0;
        HandlePath path;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.nameSpace);
            io.u8(m.openCreateMode);
            io.le16(m.searchAttributes);
            io.le16(m.returnInfoMask);
            io.le16(m.extendedInfo);
            io.le32(m.createAttributes);
            io.le16(m.desiredAccessRights);
            io.record(m.path);
        }
        bool operator==(const Request&) const = default;
    };
    // The 4-byte handle is LE32 (makeFileHandle() builds the 6-byte form functions 66 to 74
    // take); for a created directory it is 0.
    struct Reply {
        std::uint32_t fileHandle = 0;
        std::uint8_t action = 0;
        EntryInfo info;
        bool withName = true;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.fileHandle);
            io.u8(m.action);
            io.zeros(1);
            EntryInfo::withName(io, m.info, m.withName);
        }
        bool operator==(const Reply&) const = default;
    };
    static void replyContext(const Request& rq, Reply& rp) {
        rp.withName = (rq.returnInfoMask & rim::kName) != 0;
    }
};

struct DeleteEntry {
    static constexpr std::uint8_t function = 87, subfunction = 8;
    static constexpr const char* name = "Delete a File or Subdirectory";
    struct Request {
        std::uint8_t nameSpace = 0;
        std::uint16_t searchAttributes = 0;
        HandlePath path;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.nameSpace);
            io.zeros(1);
            io.le16(m.searchAttributes);
            io.record(m.path);
        }
        bool operator==(const Request&) const = default;
    };
    using Reply = Empty;
};

// 87/4: the source block and the destination block (each without components), then the
// source components, then the destination components (the client sends one: the new name).
struct RenameEntry {
    static constexpr std::uint8_t function = 87, subfunction = 4;
    static constexpr const char* name = "Rename Or Move a File or Subdirectory";
    struct Request {
        std::uint8_t nameSpace = 0;
        std::uint8_t renameFlag = 0;
        std::uint16_t searchAttributes = 0;
        HandlePath source;
        HandlePath destination;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.nameSpace);
            io.u8(m.renameFlag);
            io.le16(m.searchAttributes);
            std::uint32_t sourceCount = 0;
            std::uint32_t destCount = 0;
            HandlePath::head(io, m.source, sourceCount);
            HandlePath::head(io, m.destination, destCount);
            HandlePath::tail(io, m.source, sourceCount);
            HandlePath::tail(io, m.destination, destCount);
        }
        bool operator==(const Request&) const = default;
    };
    using Reply = Empty;
};

struct SpaceLimit {
    std::uint8_t level = 0;      // 0 = this directory, 1 = its parent, ...
    std::uint32_t maxSpace = 0;  // in 4 KB blocks; 0x7FFFFFFF = no limit
    std::uint32_t currentSpace = 0;
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.u8(m.level);
        io.le32(m.maxSpace);
        io.le32(m.currentSpace);
    }
    bool operator==(const SpaceLimit&) const = default;
};

struct SpaceLimits {
    std::vector<SpaceLimit> limits;  // this directory up to the root
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.list(Count::U8, m.limits, [](auto& io2, auto& l) { io2.record(l); });
    }
    bool operator==(const SpaceLimits&) const = default;
};

struct GetDirSpaceLimits {
    static constexpr std::uint8_t function = 87, subfunction = 39;
    static constexpr const char* name = "Get Directory Disk Space Restriction";
    struct Request {
        std::uint8_t nameSpace = 0;
        HandlePath path;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.nameSpace);
            io.zeros(2);
            io.record(m.path);
        }
        bool operator==(const Request&) const = default;
    };
    using Reply = SpaceLimits;
};

// 22/35: Wireshark decodes one limit; the count allows several (as 87/39).
struct GetDirSpaceLimitsOld {
    static constexpr std::uint8_t function = 22, subfunction = 35;
    static constexpr const char* name = "Get Directory Disk Space Restriction (22)";
    using Request = OneDirHandle;
    using Reply = SpaceLimits;
};

struct SetDirSpaceLimit {
    static constexpr std::uint8_t function = 22, subfunction = 36;
    static constexpr const char* name = "Set Directory Disk Space Restriction";
    struct Request {
        std::uint8_t dirHandle = 0;
        std::uint32_t limit = 0;  // 4 KB blocks; 0 removes the limit
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.dirHandle);
            io.le32(m.limit);
        }
        bool operator==(const Request&) const = default;
    };
    using Reply = Empty;
};

}  // namespace nw::ncp::call
