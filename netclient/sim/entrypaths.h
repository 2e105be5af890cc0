// Paths of the volume control operations: finding an entry, the place of a new one, and the
// objects that may own or be trustees of entries.
#pragma once

#include <string>

#include "model.h"
#include "netclient/volume.h"

namespace nw::sim {

struct Located {
    Volume* volume = nullptr;
    Entry* entry = nullptr;
};

// Resolves "VOLUME:DIR\NAME" in a name space on a server: NWE_PARAM_INVALID (null path),
// VOLUME_DOES_NOT_EXIST, INVALID_NAME_SPACE, INVALID_PATH.
NWCCODE locate(Network& net, Server& server, const char* path, nuint8 nameSpace, Located& out);
// As locate, and the entry is still on disk (INVALID_PATH otherwise).
NWCCODE locateAlive(Network& net, Server& server, const char* path, nuint8 nameSpace, Located& out);

// INVALID_PATH (and the entry is taken out of its directory) when a located entry is gone from
// the disk; 0 while it is there.
NWCCODE stillOnDisk(const Located& target);

// As locate, with the entry's record (entryRecord) in nameSpace.
NWCCODE locateRecord(Network& net, Server& server, const char* path, nuint8 nameSpace, Located& out,
                     NW_ENTRY_INFO& record);

// The name of an entry to be made.
struct NewName {
    std::string diskName;       // UTF-8, as it goes to disk
    std::string longName;       // code page
    Entry* existing = nullptr;  // the entry of that name in the directory, if there is one
    bool onDisk = false;        // the disk name is taken (perhaps by a name the listing hides)
};

// The directory that a new entry's path names and the new name: INVALID_PATH when the directory
// does not exist, INVALID_FILENAME for a name NetWare refuses (in the DOS name space, also a
// name that is no 8.3 name; it is upper-cased there).
NWCCODE locateNew(Network& net, Server& server, const char* path, nuint8 nameSpace,
                  Located& directory, NewName& name);

// Is id a user of the server's bindery, or a User or container of its tree?
bool isKnownObject(const Network& net, const Server& server, nuint32 id);

// Forgets the metadata of an entry removed for good (and of everything below it); the deleted
// files kept in a removed directory move to the volume root's, where they can still be salvaged.
void forgetEntry(Volume& volume, const std::string& key);

}  // namespace nw::sim
