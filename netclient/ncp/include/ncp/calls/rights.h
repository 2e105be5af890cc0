// Trustees, user space restrictions and deleted (salvageable) files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ncp/calls/records.h"
#include "ncp/io.h"

namespace nw::ncp::call {

// Object id hi-lo (Wireshark shows it LE), rights LE16.
struct Trustee {
    std::uint32_t objectId = 0;
    std::uint16_t rights = 0;
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.be32(m.objectId);
        io.le16(m.rights);
    }
    bool operator==(const Trustee&) const = default;
};

// 87/5: the sequence starts at 0 and comes back in each reply; the server answers 0x9C when no
// further trustees exist.
struct ScanTrustees {
    static constexpr std::uint8_t function = 87, subfunction = 5;
    static constexpr const char* name = "Scan File or Subdirectory for Trustees";
    struct Request {
        std::uint8_t nameSpace = 0;
        std::uint16_t searchAttributes = 0;
        std::uint32_t sequence = 0;
        HandlePath path;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.nameSpace);
            io.zeros(1);
            io.le16(m.searchAttributes);
            io.le32(m.sequence);
            io.record(m.path);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint32_t sequence = 0;
        std::vector<Trustee> trustees;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.sequence);
            io.list(Count::Le16, m.trustees, [](auto& io2, auto& t) { io2.record(t); });
        }
        bool operator==(const Reply&) const = default;
    };
};

// 87/10: the count comes before the path, the trustees after it.
struct AddTrustees {
    static constexpr std::uint8_t function = 87, subfunction = 10;
    static constexpr const char* name = "Add Trustee Set to File or Subdirectory";
    struct Request {
        std::uint8_t nameSpace = 0;
        std::uint16_t searchAttributes = 0;
        std::uint16_t rightsMask = 0;  // rights that a trustee's own rights word may set
        HandlePath path;
        std::vector<Trustee> trustees;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.nameSpace);
            io.zeros(1);
            io.le16(m.searchAttributes);
            io.le16(m.rightsMask);
            std::uint32_t n = 0;
            io.countOf(Count::Le16, m.trustees, n);
            io.record(m.path);
            io.elements(m.trustees, n, [](auto& io2, auto& t) { io2.record(t); });
        }
        bool operator==(const Request&) const = default;
    };
    using Reply = Empty;
};

struct DeleteTrustees {
    static constexpr std::uint8_t function = 87, subfunction = 11;
    static constexpr const char* name = "Delete Trustee Set from File or SubDirectory";
    struct Request {
        std::uint8_t nameSpace = 0;
        HandlePath path;
        std::vector<Trustee> trustees;  // rights are ignored
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.nameSpace);
            io.zeros(1);
            std::uint32_t n = 0;
            io.countOf(Count::Le16, m.trustees, n);
            io.record(m.path);
            io.elements(m.trustees, n, [](auto& io2, auto& t) { io2.record(t); });
        }
        bool operator==(const Request&) const = default;
    };
    using Reply = Empty;
};

struct ObjectRestriction {
    std::uint32_t objectId = 0;
    std::uint32_t restriction = 0;  // 4 KB blocks
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.be32(m.objectId);
        io.le32(m.restriction);
    }
    bool operator==(const ObjectRestriction&) const = default;
};

// 22/32: the sequence is the number of entries seen so far; a reply with no entries ends the
// scan.
struct ScanVolumeRestrictions {
    static constexpr std::uint8_t function = 22, subfunction = 32;
    static constexpr const char* name = "Scan Volume's User Disk Restrictions";
    struct Request {
        std::uint8_t volume = 0;
        std::uint32_t sequence = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.volume);
            io.le32(m.sequence);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::vector<ObjectRestriction> entries;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.list(Count::U8, m.entries, [](auto& io2, auto& e) { io2.record(e); });
        }
        bool operator==(const Reply&) const = default;
    };
};

struct SetObjectRestriction {
    static constexpr std::uint8_t function = 22, subfunction = 33;
    static constexpr const char* name = "Add User Disk Space Restriction";
    struct Request {
        std::uint8_t volume = 0;
        ObjectRestriction restriction;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.volume);
            io.record(m.restriction);
        }
        bool operator==(const Request&) const = default;
    };
    using Reply = Empty;
};

struct VolumeObject {
    std::uint8_t volume = 0;
    std::uint32_t objectId = 0;
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.u8(m.volume);
        io.be32(m.objectId);
    }
    bool operator==(const VolumeObject&) const = default;
};

struct RemoveObjectRestriction {
    static constexpr std::uint8_t function = 22, subfunction = 34;
    static constexpr const char* name = "Remove User Disk Space Restrictions";
    using Request = VolumeObject;
    using Reply = Empty;
};

// Wireshark shows the object id LE; hi-lo like every object id.
struct GetObjectRestriction {
    static constexpr std::uint8_t function = 22, subfunction = 41;
    static constexpr const char* name = "Get Object Disk Usage and Restrictions";
    using Request = VolumeObject;
    struct Reply {
        std::uint32_t restriction = 0;  // 0x40000000 = none
        std::uint32_t inUse = 0;        // 4 KB blocks
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.restriction);
            io.le32(m.inUse);
        }
        bool operator==(const Reply&) const = default;
    };
};

// 87/16: the sequence starts at 0xFFFFFFFF; each reply's sequence, volume and directory base
// name the deleted file for 87/17 and 87/18 and continue the scan. 0xFF ends it.
struct ScanSalvageable {
    static constexpr std::uint8_t function = 87, subfunction = 16;
    static constexpr const char* name = "Scan Salvageable Files";
    struct Request {
        std::uint8_t nameSpace = 0;
        std::uint8_t dataStream = 0;
        std::uint16_t returnInfoMask = rim::kAll;
        std::uint16_t extendedInfo = 0;
        std::uint32_t sequence = 0xFFFFFFFF;
        HandlePath path;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.nameSpace);
            io.u8(m.dataStream);
            io.le16(m.returnInfoMask);
            io.le16(m.extendedInfo);
            io.le32(m.sequence);
            io.record(m.path);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint32_t sequence = 0;
        std::uint16_t deletedTime = 0;
        std::uint16_t deletedDate = 0;
        std::uint32_t deletorId = 0;
        std::uint32_t volume = 0;
        std::uint32_t dirBase = 0;
        EntryInfo info;
        bool withName = true;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.sequence);
            io.le16(m.deletedTime);
            io.le16(m.deletedDate);
            io.be32(m.deletorId);
            io.le32(m.volume);
            io.le32(m.dirBase);
            EntryInfo::withName(io, m.info, m.withName);
        }
        bool operator==(const Reply&) const = default;
    };
    static void replyContext(const Request& rq, Reply& rp) {
        rp.withName = (rq.returnInfoMask & rim::kName) != 0;
    }
};

// The deleted file 87/17 and 87/18 act on, as a scan reply named it.
struct SalvageTarget {
    std::uint8_t nameSpace = 0;
    std::uint32_t sequence = 0;
    std::uint32_t volume = 0;
    std::uint32_t dirBase = 0;
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.u8(m.nameSpace);
        io.zeros(1);
        io.le32(m.sequence);
        io.le32(m.volume);
        io.le32(m.dirBase);
    }
    bool operator==(const SalvageTarget&) const = default;
};

struct RecoverSalvageable {
    static constexpr std::uint8_t function = 87, subfunction = 17;
    static constexpr const char* name = "Recover Salvageable File";
    struct Request {
        SalvageTarget target;
        std::string newName;  // the name to recover under
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.record(m.target);
            io.pstring(m.newName);
        }
        bool operator==(const Request&) const = default;
    };
    using Reply = Empty;
};

struct PurgeSalvageable {
    static constexpr std::uint8_t function = 87, subfunction = 18;
    static constexpr const char* name = "Purge Salvageable Files";
    using Request = SalvageTarget;
    using Reply = Empty;
};

}  // namespace nw::ncp::call
