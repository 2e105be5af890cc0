// Bit tables and small conversions of the volume control: rights, attributes, name-space names,
// DOS dates, 32-bit saturation.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/variant.h"

namespace volmarra {

// Rights bits of a trustee assignment and of an inherited rights mask.
inline constexpr std::uint16_t kRightRead = 0x01;
inline constexpr std::uint16_t kRightWrite = 0x02;
inline constexpr std::uint16_t kRightCreate = 0x08;
inline constexpr std::uint16_t kRightErase = 0x10;
inline constexpr std::uint16_t kRightAccessControl = 0x20;
inline constexpr std::uint16_t kRightScan = 0x40;
inline constexpr std::uint16_t kRightModify = 0x80;
inline constexpr std::uint16_t kRightSupervisor = 0x100;
// The rights of a newly added trustee: Read and Scan.
inline constexpr std::uint16_t kNewTrusteeRights = kRightRead | kRightScan;

struct NamedBit {
    std::u16string_view name;
    std::uint32_t bit;
};

// NWRights members in dispatch-identifier order (1 to 8).
inline constexpr std::array<NamedBit, 8> kRightsMembers{{
    {u"Supervisor", kRightSupervisor},
    {u"Read", kRightRead},
    {u"Write", kRightWrite},
    {u"Create", kRightCreate},
    {u"Modify", kRightModify},
    {u"Scan", kRightScan},
    {u"Erase", kRightErase},
    {u"AccessControl", kRightAccessControl},
}};

// Entry attributes (the 32-bit attributes word of the entry information).
inline constexpr std::uint32_t kAttrReadOnly = 0x1;
inline constexpr std::uint32_t kAttrHidden = 0x2;
inline constexpr std::uint32_t kAttrSystem = 0x4;
inline constexpr std::uint32_t kAttrExecute = 0x8;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;
inline constexpr std::uint32_t kAttrShareable = 0x80;
inline constexpr std::uint32_t kAttrDontSuballocate = 0x800;
inline constexpr std::uint32_t kAttrTransactional = 0x1000;
inline constexpr std::uint32_t kAttrImmediatePurge = 0x10000;
inline constexpr std::uint32_t kAttrRenameInhibit = 0x20000;
inline constexpr std::uint32_t kAttrDeleteInhibit = 0x40000;
inline constexpr std::uint32_t kAttrCopyInhibit = 0x80000;
inline constexpr std::uint32_t kAttrMigrated = 0x400000;
inline constexpr std::uint32_t kAttrDontMigrate = 0x800000;
inline constexpr std::uint32_t kAttrImmediateCompress = 0x2000000;
inline constexpr std::uint32_t kAttrCompressed = 0x4000000;
inline constexpr std::uint32_t kAttrDontCompress = 0x8000000;
inline constexpr std::uint32_t kAttrCantCompress = 0x20000000;

// Search attributes the objects pass.
inline constexpr std::uint16_t kSearchFiles = 6;         // files, hidden and system included
inline constexpr std::uint16_t kSearchDirectories = 22;  // directories only
inline constexpr std::uint16_t kSearchAny = 251;         // any entry (entry information)
inline constexpr std::uint16_t kSearchModifyEntry = 0x8006;
inline constexpr std::uint16_t kSearchModifyFile = 0x8016;
inline constexpr std::uint16_t kSearchErase = 0;

// Modification masks of an entry.
inline constexpr std::uint32_t kModifyAttributes = 0x2;
inline constexpr std::uint32_t kModifyCreator = 0x10;
inline constexpr std::uint32_t kModifyArchiver = 0x80;
inline constexpr std::uint32_t kModifyInheritedRights = 0x1000;

// The rights mask a new directory gets.
inline constexpr std::uint8_t kNewDirectoryRights = 0xFB;

// The name of a loaded name space as NameSpaces reports it.
std::u16string_view nameSpaceName(std::uint8_t nameSpace);

// A DOS packed date (and time) as an automation date; nullopt when the date is 0 or not a day.
std::optional<vnk::com::Date> dosDateTime(std::uint16_t date, std::uint16_t time);

// 64-bit figures reported through 32-bit properties: the largest 32-bit value when they do not
// fit, never a wrapped number.
inline constexpr std::int32_t saturate32(std::uint64_t v) {
    return v > 0x7FFFFFFFu ? std::int32_t{0x7FFFFFFF} : static_cast<std::int32_t>(v);
}
inline constexpr std::int32_t saturate32(std::int64_t v) {
    return v > 0x7FFFFFFF        ? std::int32_t{0x7FFFFFFF}
           : v < -0x7FFFFFFF - 1 ? static_cast<std::int32_t>(-0x7FFFFFFF - 1)
                                 : static_cast<std::int32_t>(v);
}

// Rounds a KB figure up to a whole number of 4 KB units.
inline constexpr std::int64_t kbToUnits(std::int64_t kb) {
    return (kb + 3) / 4;
}

}  // namespace volmarra
