// What a simulated server keeps beside a volume's folder: the metadata of its entries (attributes,
// owners, dates, inherited rights masks, trustees, directory space restrictions), its deleted
// files and the space restrictions of its users; and, per server, its supervisor-equivalent
// users. The network file gives the first state; the state store (store.h) keeps every change.
//
// Entries are keyed by their path below the volume's folder: the names on disk (UTF-8) joined
// with "/", "" for the root.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "netclient/volume.h"

namespace nw::sim {

struct BinderyObject;

struct Trustee {
    nuint32 id = 0;
    nuint16 rights = 0;
};

// An entry's metadata. Absent values take the defaults: the creator is the volume's default
// owner, the creation date the file's own, the modifier the creator.
struct EntryMeta {
    nuint32 attributes = 0;  // never A_DIRECTORY (the disk says what is a directory)
    std::optional<nuint32> creator;
    std::optional<nuint32> modifier;
    nuint32 archiver = 0;
    std::optional<nuint32> created;  // DOS date << 16 | DOS time
    nuint32 archived = 0;            // DOS date << 16 | DOS time; 0 = never
    nuint16 inheritedRights = TR_ALL;
    nint32 spaceRestriction = NW_NO_DIRECTORY_RESTRICTION;  // directories, 4 KB units
    std::vector<Trustee> trustees;                          // in the order they were assigned

    bool isDefault() const {
        return attributes == 0 && !creator && !modifier && archiver == 0 && !created &&
               archived == 0 && inheritedRights == TR_ALL &&
               spaceRestriction == NW_NO_DIRECTORY_RESTRICTION && trustees.empty();
    }
};

// A deleted file kept for salvage. Its bytes lie in the state folder under its id.
struct DeletedFile {
    nuint32 id = 0;
    std::string directory;  // key of its directory
    std::string diskName;   // UTF-8 name it had on disk
    std::string dosName;    // code page, the DOS name it had
    EntryMeta meta;         // without trustees
    nuint32 modified = 0;   // DOS date << 16 | DOS time
    nuint16 lastAccess = 0;
    nuint64 size = 0;
    nuint32 deleted = 0;  // DOS date << 16 | DOS time
    nuint32 deletor = 0;
    std::optional<std::string> seedContent;  // from the network file, until the store has it
};

struct VolumeData {
    std::unordered_map<std::string, EntryMeta> entries;  // only entries with metadata
    // By directory key, then id (ascending = oldest first).
    std::unordered_map<std::string, std::map<nuint32, DeletedFile>> deleted;
    std::size_t deletedCount = 0;
    nuint64 deletedBytes = 0;
    nuint32 nextDeletedId = 1;
    std::vector<NW_VOLUME_RESTRICTION> restrictions;  // in the order they were set
};

struct ServerData {
    std::unordered_set<const BinderyObject*> supervisors;
    // The volume's files without a recorded creator belong to this object (0: nobody).
    nuint32 defaultOwner = 0;
};

}  // namespace nw::sim
