// How requests name entries, resolved on the server model: the 87 family's handle/path block,
// the 22/23 families' text paths relative to a directory handle, and volume number with
// directory base. Every component is one name looked up in one directory of the volume:
// separators, wildcards, "." and ".." inside a name, and parent steps above the volume root are
// refused, so no request reaches outside its volume.
#pragma once

#include <string>
#include <string_view>

#include "ncp/calls/records.h"
#include "servermodel.h"
#include "session.h"

namespace nw::nwsimd {

// An existing entry from a handle/path block, its names in nameSpace. VOLUME_DOES_NOT_EXIST,
// INVALID_NAME_SPACE, BAD_DIRECTORY_HANDLE, INVALID_PATH.
NWCCODE locateBlock(Session& session, const ncp::HandlePath& path, nuint8 nameSpace,
                    sim::Located& out);

// An existing entry from a text path ("SYS:PUBLIC\FILE", or relative to a directory handle of
// the session when dirHandle is not 0), in nameSpace.
NWCCODE locateText(Session& session, nuint8 dirHandle, std::string_view path, nuint8 nameSpace,
                   sim::Located& out);

// A file by volume number and directory entry (the DOS directory base of 87/22).
NWCCODE locateNumber(Session& session, nuint32 volume, nuint32 entry, sim::Located& out);

// A search pattern of the wire (0xFF before a wildcard byte) as the model's pattern with '*'
// and '?'; empty matches everything.
std::string modelPattern(std::string_view wire);

}  // namespace nw::nwsimd
