// Names of the volume control: the volume's full name in its two forms, entry names, and the
// destinations of Move and Copy. Pure functions over UTF-16 text, free of any network access, so
// that the parsers can be tested and fuzzed on their own.
//
// Full names:
//   server form     \\SERVER\VOLUME
//   directory form  NDS:\\TREE\CONTAINER\...\VOLUME_OBJECT   (at least one container)
// No form may contain a "."; no part may be empty (so no double backslash after the prefix).
//
// Move/Copy destinations (the text a script passes to NWEntry.Move or NWEntry.Copy):
//   \\SERVER\VOLUME\A\B or NDS:\\TREE\...\VOL\A\B   must start with the control's full name,
//                                                   followed by the end or a separator; the rest
//                                                   is a path from the volume root
//   VOLUME:A\B                                      must name the control's volume; the rest is a
//                                                   path from the volume root ("VOLUME:\A" too)
//   \A\B                                            from the volume root
//   A\B, ..\A, .\A                                  from the directory that holds the entry
// Components are separated by "\" or "/". In a path:
//   "."   stays where it is;
//   ".."  goes up one directory; going up from the volume root is refused (0x899E);
//   a component made of dots only, other than "." and "..", is refused (0x899E) rather than
//   read as "up two levels" as some old shells did;
//   an empty component (two separators in a row) is refused (0x899E); one trailing separator is
//   allowed and changes nothing;
//   every other component must be a valid entry name (validEntryName), else 0x899E.
// A name that begins with a dot but holds other characters (".profile") is an ordinary name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace volmarra {

// Name spaces (NetWare's numbering).
inline constexpr std::uint8_t kNameSpaceDos = 0;
inline constexpr std::uint8_t kNameSpaceFtam = 3;
inline constexpr std::uint8_t kNameSpaceLong = 4;

// Upper case as NetWare folds names: ASCII letters only, like the server's own comparison.
std::u16string upperAscii(std::u16string_view s);
char16_t upperAscii(char16_t c);
bool equalsIgnoreCase(std::u16string_view a, std::u16string_view b);
bool startsWithIgnoreCase(std::u16string_view s, std::u16string_view prefix);

// Splits at every `sep`, keeping empty parts ("A\\B" gives A, "", B).
std::vector<std::u16string> splitText(std::u16string_view s, char16_t sep);

enum class NameForm { Empty, Server, Directory, Invalid };

struct FullNameParts {
    NameForm form = NameForm::Empty;
    std::u16string server;                   // server form
    std::u16string tree;                     // directory form
    std::vector<std::u16string> containers;  // directory form, from the tree down
    std::u16string volume;  // server form: the volume; directory form: the volume object
};

// The prefix of the directory form, compared without regard to case.
inline constexpr std::u16string_view kDirectoryPrefix = u"NDS:";

// Splits a full name into its parts and checks every rule of its form.
FullNameParts parseFullName(std::u16string_view name);

// The text after the last backslash (all of it when there is none), upper-cased.
std::u16string shortNameOf(std::u16string_view name);

// A dotted directory name from components listed from the top down: {O, OU, VOL} -> VOL.OU.O.
std::u16string dottedFromPath(const std::vector<std::u16string>& topDown);
// The components of a dotted directory name from the top down: ADMIN.OU.O -> {O, OU, ADMIN}.
std::vector<std::u16string> pathFromDotted(std::u16string_view dotted);
// "NDS:\\TREE\O\OU\ADMIN" for the dotted name ADMIN.OU.O.
std::u16string directoryPathName(std::u16string_view tree, std::u16string_view dotted);

// True when `name` may name one entry (file or directory) in the name space: not empty, not "."
// or "..", not dots only, at most 255 characters, no control characters and none of
// \ / : * ? " < > |. In the DOS name space also the 8.3 form: 1 to 8 characters, optionally a
// dot and 1 to 3 more, no blank and no second dot.
bool validEntryName(std::u16string_view name, std::uint8_t nameSpace);

// Splits a path below the volume root ("A\B\C") into its components; nullopt when a component
// is empty or not a valid entry name. An empty text gives no components (the root).
std::optional<std::vector<std::u16string>> splitEntryPath(std::u16string_view path,
                                                          std::uint8_t nameSpace);

// Completion codes the destination grammar answers with.
inline constexpr std::int32_t kInvalidEntryName = 0x899E;
inline constexpr std::int32_t kIncompatibleName = 0xCE18;

struct Destination {
    std::int32_t code = 0;                   // 0, kInvalidEntryName or kIncompatibleName
    std::vector<std::u16string> components;  // below the volume root; empty = the root itself
};

// Resolves a Move/Copy destination (rules at the top of this file). `parent` holds the
// components of the directory that holds the entry, below the volume root.
Destination resolveDestination(std::u16string_view controlFullName, std::u16string_view volumeName,
                               const std::vector<std::u16string>& parent, std::u16string_view text,
                               std::uint8_t nameSpace);

// True when `inner` equals `outer` or lies below it (component-wise, ignoring case).
bool samePath(const std::vector<std::u16string>& a, const std::vector<std::u16string>& b);
bool isBelow(const std::vector<std::u16string>& inner, const std::vector<std::u16string>& outer);

}  // namespace volmarra
