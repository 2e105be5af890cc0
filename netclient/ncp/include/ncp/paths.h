// Paths of the 87 family: textual paths to wire components (client) and wire components to
// plain names that cannot leave the volume (server).
//
// On the wire a path is a list of length-prefixed components. A zero-length component means
// "parent directory"; a 0xFF byte in a name is sent doubled (a single 0xFF marks a wildcard,
// which only search patterns may hold). With handle flag 0xFF the first component names the
// volume.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ncp/calls/records.h"

namespace nw::ncp::paths {

// "SYS:DATA\\REPORT.XLS", "DATA/REPORT.XLS", "..\\X": the wire components, volume first when
// the text names one. Separators are '\\' and '/'; "." is dropped, ".." becomes the parent
// component. nullopt when a component does not fit its length byte or holds a NUL.
std::optional<std::vector<std::string>> toComponents(std::string_view text);

// A handle/path block for a full path "VOLUME:PATH" (handle flag 0xFF); nullopt without a
// volume or on a bad component.
std::optional<HandlePath> fromVolumePath(std::string_view text);
// A handle/path block for a path below a directory base.
std::optional<HandlePath> fromDirBase(std::uint8_t volume, std::uint32_t dirBase,
                                      std::string_view relative);

enum class PathError : std::uint8_t {
    None,
    BadName,    // a separator, colon, NUL, "." or "..", a wildcard, or an empty name
    AboveRoot,  // more parent steps than the starting directory is deep
};

struct Resolved {
    PathError error = PathError::None;
    std::size_t up = 0;              // parent steps taken from the starting directory first
    std::vector<std::string> names;  // then these names, plain (0xFF undoubled)
};

// Server side: the plain names a path leads to from a directory `baseDepth` levels below the
// volume root. Parent components cancel the names before them; a path that climbs above the
// volume root is refused, as is every component that could name something else than one entry
// of one directory.
Resolved resolve(const std::vector<std::string>& components, std::size_t baseDepth);

// One wire component as a plain name; nullopt for the cases resolve() refuses as BadName.
std::optional<std::string> plainName(std::string_view component);

}  // namespace nw::ncp::paths
