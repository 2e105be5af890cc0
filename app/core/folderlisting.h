// A drive's folder as its server lists it: a directory search through the NetWare client, on
// any back end (the in-process simulator, the wire). Free of widgets.
#pragma once

#include <optional>
#include <string>

#include "core/drives.h"
#include "netclient/client.h"

namespace varnook {

// The folders and files of a browser path ("F:\", "F:\DATA\SUB"): the drive's mapping names
// the server, volume and folder; the first connection to that server opens a handle, a
// temporary directory handle names the folder, and one search lists it (long names where the
// volume has them, else DOS names; hidden and system entries too). nullopt when the path is no
// path of a NetWare drive, climbs above the drive's root, or the folder cannot be listed. Every
// handle opened is closed again.
std::optional<FolderListing> ListDriveFolder(nw::Client& client, const std::string& dosPath);

}  // namespace varnook
