// What the server model keeps for the volume operations (directory handles and open files of
// each session, the state store, the binderies) and the helpers those operations share: entry
// keys and names, paths, search attributes, rights, entry records.
#pragma once

#include <sys/types.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model.h"
#include "netclient/volume.h"

namespace nw::sim {

class Store;

// ---- Entries ------------------------------------------------------------------------------------

// The key of an entry in VolumeData: its names on disk below the volume's folder joined with
// "/", "" for the root.
std::string entryKey(const Entry* entry);
std::string childKey(const std::string& directoryKey, const std::string& diskName);

// A name NetWare takes for a file or directory (code page text): not empty, not made of dots
// only, at most 255 bytes, without \ / : * ? " < > | or control characters.
bool isValidEntryName(std::string_view name);
// Does a name on disk (UTF-8) hold a C1 control character (U+0080 to U+009F), which terminals may
// take for an escape? NetWare refuses such names as it refuses the other control characters.
bool hasC1Control(std::string_view utf8);

// The entry's metadata, or null when it has none (the defaults apply).
const EntryMeta* metaOf(const Volume& volume, const std::string& key);

// A copy of an entry's metadata (the defaults when it has none).
EntryMeta metaCopy(const Volume& volume, const std::string& key);
// Keeps meta as the entry's metadata in memory, dropping it when it holds only defaults.
void keepMeta(Volume& volume, const std::string& key, EntryMeta meta);

// Makes a new entry of a directory (a new directory is empty).
Entry& newEntry(Volume& volume, Entry& directory, const std::string& diskName,
                const std::string& longName, bool isDirectory);

// Takes an entry out of its directory (deleted, or moved away): lookups and searches no longer
// meet it; its number stays taken.
void detachEntry(Entry& entry);
// Puts an entry into a directory under a long name and a DOS name derived from it.
void attachEntry(Entry& directory, Entry& entry, const std::string& diskName,
                 const std::string& longName);

// Does a search attributes word select an entry? (See SA_... in volume.h.)
bool searchSelects(nuint16 searchAttrs, bool isDirectory, nuint32 attributes);

// Does a name match a pattern with '*' and '?' (ASCII case-insensitive)?
bool wildcardMatch(std::string_view pattern, std::string_view name);

// ---- Callers and rights -------------------------------------------------------------------------

// Who holds directory handles and open files: a connection handle of the in-process client, a
// TCP session of the NCP server. The two doors keep their owners apart (see ServerModel).
using Owner = std::uint64_t;

// Who is asking: a station of a server, the object logged in on it and what it counts as. The
// door decides console operator rights: the in-process client takes them from the network
// file's workstation connection, the NCP server from the object logged in on the session.
struct Caller {
    Server* server = nullptr;
    Station* station = nullptr;             // null: the station is gone (cleared)
    const BinderyObject* object = nullptr;  // null: nobody is logged in
    std::vector<nuint32> ids;               // the object, and its containers in the tree
    bool supervisor = false;                // supervisor-equivalent: all rights
    bool consoleOperator = false;
    nuint32 id() const { return object != nullptr ? object->id : 0; }
};

// What the object logged in on a station of a server counts as (ids, supervisor).
Caller callerOf(const Network& net, Server& server, Station* station, bool consoleOperator);

// The caller's effective rights on an entry: trustee assignments filtered by inherited rights
// masks from the root down; Supervisor anywhere above gives every right.
nuint16 effectiveRights(const Caller& caller, const Volume& volume, const Entry* entry);

// May the caller see the entry (read its record)? With File Scan on it, and on the folders that
// lead to an entry where the caller (or a container of it) is a trustee, as NetWare shows the
// way to what a user may reach.
bool canSee(const Caller& caller, const Volume& volume, const Entry* entry);

// ---- Records ------------------------------------------------------------------------------------

// Fills an entry's record from the disk and its metadata; INVALID_PATH when it is gone from the
// disk (it is then detached). The volume's default owner stands in for a missing creator.
NWCCODE entryRecord(const Server& server, const Volume& volume, Entry& entry, nuint8 nameSpace,
                    NW_ENTRY_INFO& info);

// ---- State --------------------------------------------------------------------------------------

struct DirHandle {
    Volume* volume = nullptr;
    Entry* directory = nullptr;
};

struct OpenedFile {
    int fd = -1;
    Owner owner = 0;
    Station* station = nullptr;  // shows the file as open; null once the station is gone
    Volume* volume = nullptr;
    Entry* entry = nullptr;
    bool read = false;
    bool write = false;
    bool dead = false;  // its volume was dismounted
    off_t position = 0;
};

// A server's bindery as the bindery calls see it: its users, then one file server object per
// server of the network.
struct BinderyEntry {
    nuint32 id = 0;
    std::string name;
    nuint16 type = OT_USER;  // as stored (OT_USER, OT_FILE_SERVER)
};
struct Bindery {
    std::vector<BinderyEntry> objects;
    std::unordered_map<nuint32, std::size_t> byId;
};

struct Services {
    explicit Services(Network& net);
    ~Services();

    // The state store, opened on first use; null when it cannot be (storeError says why). When
    // another process holds the state folder's lock, a store that reads only (storeError says
    // who holds it, and so does a line on standard error).
    Store* store();
    // Frees the directory handles and closes the files of an owner.
    void ownerClosed(Owner owner);
    // A usable directory handle of an owner: null when it is not allocated, its directory is
    // gone or its volume dismounted.
    DirHandle* dirHandle(Owner owner, NWDIR_HANDLE handle);
    // Registers a file opened on disk (fd) by an owner: it shows as open by the station until it
    // is closed. Answers its handle.
    NW_FILE_HANDLE addFile(Owner owner, Station* station, Volume& volume, Entry& entry, int fd,
                           bool read, bool write);
    // A station goes: the files opened on it no longer show as its open files.
    void stationGone(const Station& station);
    // Stores an entry's metadata and keeps it: DIRECTORY_IO_ERROR when the store cannot.
    NWCCODE saveMeta(Volume& volume, const std::string& key, EntryMeta meta);
    // Closes a file and takes it off its station's open files.
    void closeFile(NW_FILE_HANDLE handle);
    Network& net;
    std::unique_ptr<Store> store_;
    bool storeTried = false;
    std::string storeError;
    std::unordered_map<Owner, std::array<DirHandle, 256>> dirHandles;
    std::size_t dirHandleCount = 0;
    std::unordered_map<NW_FILE_HANDLE, OpenedFile> files;
    NW_FILE_HANDLE nextFile = 0x2000;

    const Bindery& bindery(const Server& server);
    std::unordered_map<const Server*, Bindery> binderies;
    std::vector<nuint32> fileServerIds;  // by index in net.servers
};

}  // namespace nw::sim
