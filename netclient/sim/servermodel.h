// The server model: what the simulated servers know and do, behind both doors of the simulated
// network, the in-process client (SimClient) and the NCP server (nwsimd). It holds the network
// (servers, bindery objects, volumes and entries, stations with their open files, locks and
// messages, the login switch), the state store and what sessions hold (directory handles, open
// files), and answers each operation for a Caller: a station of a server and the object logged
// in on it. Handles belong to an Owner, which the door chooses (a connection handle in-process,
// a TCP session over NCP).
//
// Operations take entries already located (entrypaths.h): the in-process door finds them from
// "VOLUME:DIR\NAME" texts, the NCP door from volume numbers, directory bases and components.
// Completion codes are the client interface's (0x89xx for a server's answers); the NCP door
// sends their low byte.
//
// The model is not thread-safe: one thread at a time uses it.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "entrypaths.h"
#include "model.h"
#include "netclient/volume.h"
#include "services.h"

namespace nw::sim {

// Completion codes of logins (the client interface has no names for them).
inline constexpr NWCCODE LOGIN_LOCKED = 0x89C5;     // intruder detection holds the account
inline constexpr NWCCODE LOGINS_DISABLED = 0x89D9;  // the server's login switch is off
inline constexpr NWCCODE BAD_PASSWORD = 0x89DE;     // wrong password
inline constexpr NWCCODE NO_FREE_STATION = 0x89F9;  // the connection table is full

// Intruder detection: this many failed logins of one object within the window lock it for the
// lockout time (NetWare's defaults: 7 within 30 minutes lock it for 15 minutes).
struct IntruderDetection {
    unsigned attempts = 7;
    std::chrono::seconds window{30 * 60};
    std::chrono::seconds lockout{15 * 60};
};

class ServerModel {
public:
    explicit ServerModel(std::unique_ptr<Network> net);
    ~ServerModel();
    ServerModel(const ServerModel&) = delete;
    ServerModel& operator=(const ServerModel&) = delete;

    Network& net() { return *net_; }
    const Network& net() const { return *net_; }
    Services& services() { return *services_; }
    const Services& services() const { return *services_; }

    // The state store, opened on first use; null when it cannot be (storeError says why). It
    // replaces the network file's volume data, so it is opened before volume data are read.
    Store* store() { return services_->store(); }
    const std::string& storeError() const { return services_->storeError; }

    // ---- Who asks (stations.cpp) --------------------------------------------------------------

    Caller caller(Server& server, Station* station, bool consoleOperator) const;
    // Console operator rights of an object logged in over NCP: the server's supervisors and its
    // consoleOperators have them.
    bool isConsoleOperator(const Server& server, const BinderyObject* object) const;
    // Rights of the calls that watch the server's stations and map its directory numbers: the
    // open files of a station (23/235), the stations using a file (23/236), the record locks on
    // a file (23/238), a directory number's path (23/243). They need a logged-in caller, not
    // console operator rights (any user of the server may see who has which file open, as the
    // main program's users do); a caller that is not logged in gets NO_CONSOLE_PRIVILEGES.
    NWCCODE mayWatch(const Caller& who) const;

    // ---- Stations (stations.cpp) --------------------------------------------------------------

    // A new station on the server with the lowest free number (1 and up), not logged in, its
    // login time now. Null when every slot of the connection table is taken.
    Station* attachStation(Server& server);
    // The station goes with its open files, locks and pending message; its `cleared` hook and
    // the workstation connection it stands for learn it.
    void removeStation(Station& station);
    // Takes the workstation's own stations out of every server's table (the NCP server: there
    // the workstation is a real client with stations of its own).
    void dropWorkstationStations();

    // Console operator actions: clear a station, switch logins.
    NWCCODE clearStation(const Caller& who, nuint32 number);
    NWCCODE setLoginsEnabled(const Caller& who, bool enabled);

    // Stores a broadcast message for each station number; results[i] gets NW_BROADCAST_* for
    // numbers[i]. INVALID_PARAMETERS (and nothing stored) for an empty message, one over the
    // server's limit, or no station.
    NWCCODE broadcast(const Caller& who, std::string_view message, std::span<const nuint32> numbers,
                      std::span<nuint8> results);
    // The station's pending message, now read (empty when none waits).
    std::string takeMessage(Station& station);

    // ---- Logins (stations.cpp) ----------------------------------------------------------------

    // A login of object on station whose password check gave passwordRight: 0 and the station
    // is logged in (any earlier login on it ends first); LOGINS_DISABLED when the login switch
    // is off (supervisors and console operators still log in); LOGIN_LOCKED while intruder
    // detection holds the object; BAD_PASSWORD for a wrong password, counted towards the lock.
    NWCCODE login(Station& station, const BinderyObject& object, bool passwordRight);
    // The station stays attached, logged in as nobody.
    void logout(Station& station);
    // The password hash a login checks: the stored one, else the hash of the empty password.
    // (Computed by the caller's hash function: the model keeps only what a bindery keeps.)
    const std::optional<std::array<nuint8, 16>>& passwordHash(const BinderyObject& object) const {
        return object.passwordHash;
    }

    IntruderDetection intruderDetection;
    // The clock of intruder detection (tests move it).
    std::function<std::chrono::steady_clock::time_point()> clock = [] {
        return std::chrono::steady_clock::now();
    };

    // ---- Handles (stations.cpp) ---------------------------------------------------------------

    // Frees the directory handles and closes the files of an owner.
    void releaseOwner(Owner owner) { services_->ownerClosed(owner); }

    // ---- Bindery (bindery.cpp) ----------------------------------------------------------------

    // A server's bindery: its users, then one file server object per server of the network.
    const Bindery& bindery(const Server& server) { return services_->bindery(server); }
    // type: the object type hi-lo as the calls carry it (a user reads 0x0100 on this host);
    // NO_SUCH_OBJECT when there is none.
    NWCCODE objectName(const Server& server, nuint32 id, std::string& name, nuint16* type);
    NWCCODE objectId(const Server& server, std::string_view name, nuint16 type, nuint32& id);
    // The next object after lastObjectId (0xFFFFFFFF: the first) matching a pattern with '*'
    // and '?' and a type (BINDERY_ANY: any); FAILURE after the last.
    NWCCODE scanObjects(const Server& server, std::string_view pattern, nuint16 type,
                        nuint32& lastObjectId, std::string& name, nuint16* foundType);
    // The bindery object of a name and stored type (OT_USER, ...); null when there is none.
    const BinderyObject* objectNamed(const Server& server, std::string_view upperName,
                                     nuint16 type) const;

    // ---- Entries (entryops.cpp) ---------------------------------------------------------------

    // The record of an entry in a name space, if the caller may see it and the search
    // attributes select it.
    NWCCODE entryInfo(const Caller& who, const Located& target, nuint8 nameSpace,
                      nuint16 searchAttrs, NW_ENTRY_INFO& info);
    NWCCODE modifyEntry(const Caller& who, const Located& target, nuint8 nameSpace,
                        nuint16 searchAttrs, nuint32 modifyMask, const NW_ENTRY_INFO& info);
    NWCCODE allocDirHandle(Owner owner, const Located& directory, NWDIR_HANDLE& handle);
    NWCCODE freeDirHandle(Owner owner, NWDIR_HANDLE handle);
    // A search of a directory from its start: the sequence names the volume and directory.
    NWCCODE startSearch(Volume& volume, Entry& directory, nuint8 nameSpace, SEARCH_SEQUENCE& seq);
    // The next entry after seq matching the pattern ('*' and '?') and search attributes.
    NWCCODE searchNext(const Caller& who, SEARCH_SEQUENCE& seq, nuint8 nameSpace,
                       nuint16 searchAttrs, std::string_view pattern, NW_ENTRY_INFO& info);
    NWCCODE setDirRestriction(const Caller& who, Volume& volume, Entry& directory, nint32 units);
    NWCCODE createDirectory(const Caller& who, const Located& parent, const NewName& name,
                            nuint8 rightsMask);
    NWCCODE createFile(const Caller& who, Owner owner, const Located& parent, const NewName& name,
                       nuint8 nameSpace, nuint32 attributes, bool replace, NW_FILE_HANDLE& file);
    NWCCODE deleteDirectory(const Caller& who, const Located& target);
    NWCCODE eraseFile(const Caller& who, const Located& target, nuint8 nameSpace,
                      nuint16 searchAttrs);
    // What a move checks of its source first: the entry is on disk, is not a volume root and
    // the search attributes select it (its record is left in record).
    NWCCODE moveSource(const Located& source, nuint8 nameSpace, nuint16 searchAttrs,
                       NW_ENTRY_INFO& record);
    // Renames or moves source (found in nameSpace) to the new name in destination, a directory
    // of the same volume.
    NWCCODE moveEntry(const Caller& who, const Located& source, nuint8 nameSpace,
                      nuint16 searchAttrs, const Located& destination, const NewName& name);

    // ---- File contents (fileops.cpp) ----------------------------------------------------------

    NWCCODE openFile(const Caller& who, Owner owner, const Located& target, nuint8 nameSpace,
                     nuint16 searchAttrs, nuint8 accessRights, NW_FILE_HANDLE& file);
    NWCCODE readFile(NW_FILE_HANDLE file, nuint32 bytes, nuint32* bytesRead, void* buffer);
    NWCCODE writeFile(NW_FILE_HANDLE file, nuint32 bytes, const void* data, nuint32* written);
    NWCCODE seekFile(NW_FILE_HANDLE file, nint64 offset, nuint8 origin, nint64* newPosition);
    NWCCODE closeFile(NW_FILE_HANDLE file);
    NWCCODE copyFileData(NW_FILE_HANDLE src, NW_FILE_HANDLE dst, nuint64 srcOffset,
                         nuint64 dstOffset, nuint64 count, nuint64& copied);

    // ---- Trustees and user restrictions (trusteeops.cpp) --------------------------------------

    NWCCODE scanTrustees(const Caller& who, const Located& target, nuint32& iterHandle,
                         TRUSTEE_SET& set);
    NWCCODE addTrustee(const Caller& who, const Located& target, nuint32 objectId, nuint16 rights);
    NWCCODE deleteTrustee(const Caller& who, const Located& target, nuint32 objectId);
    NWCCODE scanVolumeRestrictions(const Caller& who, nuint16 volNum, nuint32 sequence,
                                   VOLUME_RESTRICTIONS& restrictions);
    NWCCODE getObjectRestriction(const Caller& who, nuint16 volNum, nuint32 objectId,
                                 nuint32& restriction, nuint32& inUse);
    NWCCODE setObjectRestriction(const Caller& who, nuint16 volNum, nuint32 objectId,
                                 nuint32 restriction);
    NWCCODE removeObjectRestriction(const Caller& who, nuint16 volNum, nuint32 objectId);

    // ---- Deleted files of a directory (salvage.cpp) -------------------------------------------

    NWCCODE scanSalvageable(const Caller& who, Volume& volume, Entry& directory, nuint8 nameSpace,
                            nuint32& sequence, NW_DELETED_FILE& deleted);
    NWCCODE purgeSalvageable(const Caller& who, Volume& volume, Entry& directory, nuint32 sequence);
    NWCCODE recoverSalvageable(const Caller& who, Volume& volume, Entry& directory,
                               nuint8 nameSpace, nuint32 sequence, std::string_view newName);

    // ---- Volumes (volumeops.cpp) --------------------------------------------------------------

    // A mounted volume of the server by number; null when there is none.
    static Volume* mountedVolume(const Server& server, nuint32 number);
    NWCCODE volumeStats(const Server& server, nuint16 volNum, VOLUME_STATS& stats);
    NWCCODE extendedVolumeInfo(const Server& server, nuint16 volNum, EXTENDED_VOLUME_INFO& info);
    NWCCODE volumeNameSpaces(const Server& server, nuint16 volNum, nuint8& count, nuint8* list);
    NWCCODE mountVolume(const Caller& who, std::string_view name, nuint16& volNum);
    NWCCODE dismountVolume(const Caller& who, nuint16 volNum);

private:
    std::unique_ptr<Network> net_;
    std::unique_ptr<Services> services_;
};

// ---- Paths of entries (stations.cpp) ------------------------------------------------------------

// "VOLUME:" for the root, "VOLUME:\DIR\SUB" below it, in a name space.
std::string directoryPath(const Volume& volume, const Entry* directory, nuint8 nameSpace);
// The names from the volume root down to an entry (the root: none), in a name space.
std::vector<std::string> pathNames(const Entry* entry, nuint8 nameSpace);

}  // namespace nw::sim
