// Records shared by many calls: the 87-family handle/path block, the directory entry record,
// the search sequence, login times and 6-byte file handles.
//
// Byte order choices that hold for every call here: object ids are hi-lo (BE) wherever they
// appear, as the client that talked to real servers reads and writes them (Wireshark shows some
// of them LE; it never checks byte order). Directory bases and entry numbers are LE.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ncp/io.h"

namespace nw::ncp {

// Handle flag of the handle/path block.
namespace handle_flag {
inline constexpr std::uint8_t kShortHandle = 0x00;  // dirBase holds a short directory handle
inline constexpr std::uint8_t kDirBase = 0x01;      // dirBase holds a directory base
inline constexpr std::uint8_t kNone = 0xFF;         // no handle: the first component is the volume
}  // namespace handle_flag

// Return-information mask bits (87/1, 87/3, 87/6, 87/20, 87/29, 87/16).
namespace rim {
inline constexpr std::uint16_t kName = 0x0001;
inline constexpr std::uint16_t kAll = 0x0FFF;  // the fixed 77-byte record + name
}  // namespace rim

// The 87 family's way to name an entry: volume, directory base or handle, flag, and the path
// components (each a length byte + bytes; ".." is a zero-length component; a 0xFF byte in a
// name is sent doubled). Components are kept as their wire bytes.
struct HandlePath {
    std::uint8_t volume = 0;
    std::uint32_t dirBase = 0;
    std::uint8_t handleFlag = handle_flag::kNone;
    std::vector<std::string> components;

    // The four fixed fields and the component count (87/4 sends two of these before the
    // components of either).
    template <class Io, class M>
    static void head(Io& io, M& m, std::uint32_t& n) {
        io.u8(m.volume);
        io.le32(m.dirBase);
        io.u8(m.handleFlag);
        io.countOf(Count::U8, m.components, n);
    }
    template <class Io, class M>
    static void tail(Io& io, M& m, std::uint32_t n) {
        io.elements(m.components, n, [](auto& io2, auto& c) { io2.pstring(c); });
    }
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        std::uint32_t n = 0;
        head(io, m, n);
        tail(io, m, n);
    }
    bool operator==(const HandlePath&) const = default;
};

// The directory entry record of 87/1, 87/3, 87/6, 87/16, 87/20 and 87/29 for return-info mask
// 0x0FFF without extended information: 77 fixed bytes, then the name when the mask asks for it.
// The compressed form (extended info 0x8000) is not described: the fixed record is what every
// client version understands, and one parser serves all these calls.
struct EntryInfo {
    std::uint32_t spaceAllocated = 0;
    std::uint32_t attributes = 0;
    std::uint16_t flags = 0;
    std::uint32_t dataSize = 0;
    std::uint32_t totalStreamsSize = 0;
    std::uint16_t dataStreams = 0;
    std::uint16_t creationTime = 0;
    std::uint16_t creationDate = 0;
    std::uint32_t creatorId = 0;
    std::uint16_t modifyTime = 0;
    std::uint16_t modifyDate = 0;
    std::uint32_t modifierId = 0;
    std::uint16_t lastAccessDate = 0;
    std::uint16_t archiveTime = 0;
    std::uint16_t archiveDate = 0;
    std::uint32_t archiverId = 0;
    std::uint16_t inheritedRights = 0;
    std::uint32_t entryNumber = 0;  // for a directory: its directory base
    std::uint32_t dosEntryNumber = 0;
    std::uint32_t volumeNumber = 0;
    std::uint32_t eaDataSize = 0;
    std::uint32_t eaCount = 0;
    std::uint32_t eaKeySize = 0;
    // A 4-byte value as two clients read it; Wireshark shows 1 byte + 3 reserved (same bytes).
    std::uint32_t creatorNameSpace = 0;
    std::string name;

    template <class Io, class M>
    static void fixed(Io& io, M& m) {
        io.le32(m.spaceAllocated);
        io.le32(m.attributes);
        io.le16(m.flags);
        io.le32(m.dataSize);
        io.le32(m.totalStreamsSize);
        io.le16(m.dataStreams);
        io.le16(m.creationTime);
        io.le16(m.creationDate);
        io.be32(m.creatorId);
        io.le16(m.modifyTime);
        io.le16(m.modifyDate);
        io.be32(m.modifierId);
        io.le16(m.lastAccessDate);
        io.le16(m.archiveTime);
        io.le16(m.archiveDate);
        io.be32(m.archiverId);
        io.le16(m.inheritedRights);
        io.le32(m.entryNumber);
        io.le32(m.dosEntryNumber);
        io.le32(m.volumeNumber);
        io.le32(m.eaDataSize);
        io.le32(m.eaCount);
        io.le32(m.eaKeySize);
        io.le32(m.creatorNameSpace);
    }
    // The record with its name (what a mask with bit 0x0001 returns).
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        fixed(io, m);
        io.pstring(m.name);
    }
    // The record as a reply holds it: the name only when the request's mask asked for it.
    template <class Io, class M>
    static void withName(Io& io, M& m, bool name) {
        fixed(io, m);
        if (name) {
            io.pstring(m.name);
        }
    }
    bool operator==(const EntryInfo&) const = default;
};
inline constexpr std::size_t kEntryInfoFixedSize = 76;

// Where a directory search stands: server state the client sends back unchanged.
struct SearchSequence {
    std::uint8_t volume = 0;
    std::uint32_t dirBase = 0;
    std::uint32_t sequence = 0xFFFFFFFF;

    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.u8(m.volume);
        io.le32(m.dirBase);
        io.le32(m.sequence);
    }
    bool operator==(const SearchSequence&) const = default;
};

// Year (mod 100), month, day, hour, minute, second, day of week (0 = Sunday).
using LoginTime = std::array<std::uint8_t, 7>;

// Functions 66, 71, 72, 73 and 74 name a file by 6 bytes built from the 4-byte handle of 87/1:
// LE16 (handle + 1), then LE32 handle.
using FileHandle = std::array<std::uint8_t, 6>;

inline FileHandle makeFileHandle(std::uint32_t handle) {
    const std::uint32_t low = handle + 1;
    return {static_cast<std::uint8_t>(low),          static_cast<std::uint8_t>(low >> 8),
            static_cast<std::uint8_t>(handle),       static_cast<std::uint8_t>(handle >> 8),
            static_cast<std::uint8_t>(handle >> 16), static_cast<std::uint8_t>(handle >> 24)};
}

// The 4-byte handle inside a 6-byte one (bytes 2-5).
inline std::uint32_t fileHandleId(const FileHandle& h) {
    return static_cast<std::uint32_t>(h[2]) | (static_cast<std::uint32_t>(h[3]) << 8) |
           (static_cast<std::uint32_t>(h[4]) << 16) | (static_cast<std::uint32_t>(h[5]) << 24);
}

}  // namespace nw::ncp
