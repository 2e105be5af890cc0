// How the volume commands write and read rights, attributes and sizes: pure functions over the
// member names of the volume control's objects.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnook::cli {

// The eight rights, as NetWare writes them ([SRWCEMFA]) and as NWRights names them.
struct Right {
    char letter;
    std::u16string_view member;
};
inline constexpr std::array<Right, 8> kRights{{{'S', u"Supervisor"},
                                               {'R', u"Read"},
                                               {'W', u"Write"},
                                               {'C', u"Create"},
                                               {'E', u"Erase"},
                                               {'M', u"Modify"},
                                               {'F', u"Scan"},
                                               {'A', u"AccessControl"}}};

// A set of rights: one flag per entry of kRights.
using RightsSet = std::array<bool, kRights.size()>;

// "RWF", "ALL" or "N" (none), in any case; nullopt for anything else.
std::optional<RightsSet> ParseRights(const std::string& text);
// The letters of the rights held, in SRWCEMFA order; "" for none.
std::string RightsText(const RightsSet& rights);

// The attributes `attrib` shows and changes, as NetWare's FLAG abbreviates them. Those of a file
// only are members of the entry's NWFile; some can only be read.
struct Attribute {
    std::string_view code;
    std::u16string_view member;
    bool fileOnly;
    bool writable;
};
inline constexpr std::array<Attribute, 18> kAttributes{{
    {"RO", u"ReadOnly", false, true},
    {"A", u"Archive", false, true},
    {"H", u"Hidden", false, true},
    {"SY", u"System", false, true},
    {"X", u"Execute", false, true},
    {"DI", u"DeleteInhibit", false, true},
    {"SH", u"Shareable", true, true},
    {"T", u"Transactional", true, true},
    {"P", u"ImmediatePurge", true, true},
    {"RI", u"RenameInhibit", true, true},
    {"CI", u"CopyInhibit", true, true},
    {"DS", u"DontSuballocate", true, true},
    {"DC", u"DontCompress", true, true},
    {"IC", u"ImmediateCompress", true, true},
    {"DM", u"DontMigrate", true, true},
    {"CO", u"Compressed", true, false},
    {"CC", u"CantCompress", true, false},
    {"M", u"Migrated", true, false},
}};

// One change "+RO" / "-ro": the index into kAttributes and the new state.
struct AttributeChange {
    size_t attribute;
    bool set;
};
// nullopt for text that is no change of a writable attribute.
std::optional<AttributeChange> ParseAttributeChange(const std::string& text);

// A size in KB as the limit commands take it: a whole number from 1 to 2147483647, or "none"
// (any case), which answers 0. nullopt for anything else.
std::optional<int32_t> ParseLimit(const std::string& text);

// A 1-based number of --id: nullopt unless it is a whole number from 1 on.
std::optional<int32_t> ParseOrdinal(const std::string& text);

}  // namespace varnook::cli
