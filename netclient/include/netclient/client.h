// The NetWare client interface: one virtual member per NetWare operation the system calls, under
// NetWare's own names, with NetWare's argument order, constants, buffer sizes and completion codes.
//
// Texts crossing this interface are 8-bit text in the workstation's code page (Windows-1252
// unless the network says otherwise), NUL-terminated in fixed buffers that the caller provides;
// callers cut at the first NUL. Output pointers may be null where a caller does not want the
// value, unless an operation says otherwise (then it answers NWE_PARAM_INVALID).
//
// Code that talks to a server receives a Client by reference. The program's own client is
// processClient(); a test builds a simulated network (netclient/sim/) and hands that instead.
#pragma once

#include <cstddef>
#include <string>

#include "netclient/export.h"
#include "netclient/types.h"
#include "netclient/volume.h"

namespace nw {

class NWC_API Client {
public:
    virtual ~Client();

    // ---- Start-up ------------------------------------------------------------------------------

    // Makes the client usable. Both reserved arguments point to 8-bit zeros (or are null).
    // 0 = usable. The process client loads its network here and answers NWE_REQUESTER_FAILURE
    // (with the reason on standard error) when it cannot; calling it again after success is a
    // no-op answering 0.
    virtual NWCCODE NWCallsInit(nuint8* reserved1, nuint8* reserved2) = 0;

    // Role: the name of the workstation's code page, the one of every text crossing this
    // interface, as iconv spells it ("WINDOWS-1252" unless the network says otherwise). A client
    // that does not override it answers "WINDOWS-1252".
    virtual NWCCODE GetWorkstationCodePage(std::string& name) {
        name = "WINDOWS-1252";
        return SUCCESSFUL;
    }

    // ---- Connection references and handles ----------------------------------------------------

    // Yields the workstation's connection references in order, one per call. *scanIterator
    // starts at 0 and is handed back unchanged. 0 = *connRef set; NWE_NO_MORE_ENTRIES after the
    // last. Cleared connections are left out.
    virtual NWCCODE NWCCScanConnRefs(nuint32* scanIterator, NWCONN_REF* connRef) = 0;

    // infoType NWCC_INFO_SERVER_NAME (7): the server name, NUL-terminated, into buffer of len
    // bytes (49 holds every name). INVALID_CONNECTION for an unknown or cleared reference,
    // NWE_BUFFER_OVERFLOW when len is too small, NWE_INFO_TYPE_INVALID for other types.
    virtual NWCCODE NWCCGetConnRefInfo(NWCONN_REF connRef, nuint32 infoType, nuint32 len,
                                       void* buffer) = 0;

    // Opens a new handle on a reference (openState NWCC_OPEN_LICENSED or NWCC_OPEN_UNLICENSED,
    // reserved 0). INVALID_CONNECTION for an unknown or cleared reference. Every handle opened
    // must be closed with NWCCCloseConn; the simulated client counts them.
    virtual NWCCODE NWCCOpenConnByRef(NWCONN_REF connRef, nuint32 openState, nuint32 reserved,
                                      NWCONN_HANDLE* conn) = 0;

    // Closes a handle. INVALID_CONNECTION when it is not open. A handle whose connection was
    // cleared meanwhile answers INVALID_CONNECTION to everything but this call.
    virtual NWCCODE NWCCCloseConn(NWCONN_HANDLE conn) = 0;

    // Role: why the last attempt to open a connection reference failed, for people: the
    // server, its address and what went wrong ("FS1 (10.0.0.5:524): no reply within 10 s",
    // "FS1: no password for JSMITH on FS1: ..."). Empty when it did not fail or the client
    // cannot tell; a client that does not override it answers empty.
    virtual NWCCODE GetConnRefFailure(NWCONN_REF connRef, std::string& text) {
        (void)connRef;
        text.clear();
        return SUCCESSFUL;
    }

    // *loginEnabledFlag := non-zero when the server accepts logins.
    virtual NWCCODE NWGetFileServerLoginStatus(NWCONN_HANDLE conn, nuint8* loginEnabledFlag) = 0;

    // ---- Drives ---------------------------------------------------------------------------------

    // drive: 1 = A ... 26 = Z; mode 0. Answers 0 exactly for the workstation's NetWare drives
    // (INVALID_DRIVE otherwise); then *status := NW_NETWARE_DRIVE, *conn := 0 (no handle is
    // opened) and *rootOffset := 0. path is left untouched: callers pass an empty text.
    virtual NWCCODE NWGetDriveInformation(nuint16 drive, nuint16 mode, NWCONN_HANDLE* conn,
                                          nuint8* status, nuint32* rootOffset, char* path) = 0;

    // Role: the mapping of a NetWare drive (1 = A ... 26 = Z). target := "\\SERVER\VOLUME" or
    // "\\SERVER\VOLUME\DIR\SUB" (workstation code page), localFolder := the folder on this machine
    // that holds the drive's root (UTF-8 file system path), or empty when no folder of this
    // machine holds it: the in-process simulator names the volume's folder, the wire back end
    // (a drive on a server somewhere on the network) answers empty. Callers list a drive's
    // files through the client (StartSearch, SearchNext), never through localFolder. Same
    // answers as NWGetDriveInformation.
    virtual NWCCODE GetDriveMapping(nuint16 drive, std::string& target,
                                    std::string& localFolder) = 0;

    // ---- Name spaces and paths ----------------------------------------------------------------

    // Paths are "VOLUME:DIR\SUB\FILE" (a "\" after the colon and "/" as separator are accepted),
    // case-insensitive, in the source name space. With fileFlag 1 the path names a file and
    // dstPath receives the path of its directory in the destination name space, "VOLUME:" for
    // the volume root and "VOLUME:\DIR\SUB" below it, so that dstPath + "\" + the NWGetLongName
    // answer names the file; with fileFlag 0 the path names a directory and dstPath its own path.
    // VOLUME_DOES_NOT_EXIST, INVALID_NAME_SPACE (either name space not on the volume),
    // INVALID_PATH (no such entry), NWE_BUFFER_OVERFLOW (dstPathSize too small).
    virtual NWCCODE NWGetNSPath(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint16 fileFlag,
                                nuint8 srcNamSpc, nuint8 dstNamSpc, NW_NS_PATH* nsPath) = 0;

    // The last component of path (as NWGetNSPath reads it) in the destination name space, into
    // longName (256 bytes). Same error answers as NWGetNSPath.
    virtual NWCCODE NWGetLongName(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, const char* path,
                                  nuint8 srcNamSpc, nuint8 dstNamSpc, char* longName) = 0;

    // ---- Files, connections and locks ---------------------------------------------------------

    // filePath in the DOS name space. One connection that has the file open per call:
    // fileUse->connNumber, and fileUsed->connCount = the number of connections that have it open.
    // *iterHandle starts at 0; after the last connection the next call answers FAILURE with
    // *iterHandle = -1. A file nobody has open ends at the first call (connCount 0). A path that
    // does not exist answers INVALID_PATH (or VOLUME_DOES_NOT_EXIST) and leaves *iterHandle.
    virtual NWCCODE NWScanConnectionsUsingFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                               const char* filePath, nint16* iterHandle,
                                               CONN_USING_FILE* fileUse,
                                               CONNS_USING_FILE* fileUsed) = 0;

    // The object name logged in on connNum (userName, at least 48 bytes; "NOT_LOGGED_IN" for an
    // attached station) and its 84-byte record. USER_INFO_AUTHENTICATED for a station marked
    // authenticated; BAD_STATION_NUMBER for a number without a station.
    virtual NWCCODE NWGetUserInfo(NWCONN_HANDLE conn, nuint32 connNum, char* userName,
                                  NWUSER_INFO* userInfo) = 0;

    // One file open by connNum per call (volNumber, dirEntry). *iterHandle starts at 0; after the
    // last file the next call answers FAILURE with *iterHandle = -1. BAD_STATION_NUMBER (handle
    // unchanged) for a number without a station. openCtrl is handed back unchanged by callers.
    virtual NWCCODE NWScanOpenFilesByConn2(NWCONN_HANDLE conn, nuint16 connNum, nint16* iterHandle,
                                           OPEN_FILE_CONN_CTRL* openCtrl,
                                           OPEN_FILE_CONN* openFile) = 0;

    // The path of directory entry dirBase of volume volNum in name space namSpc as length-
    // prefixed components from the volume root down to the entry itself (each a length byte and
    // that many bytes), into pathName (256 bytes). *len holds the buffer's usable size on entry
    // (255) and the total byte count on return. VOLUME_DOES_NOT_EXIST, INVALID_NAME_SPACE,
    // INVALID_PATH (no such entry), NWE_BUFFER_OVERFLOW.
    virtual NWCCODE NWGetPathFromDirectoryBase(NWCONN_HANDLE conn, nuint8 volNum, nuint32 dirBase,
                                               nuint8 namSpc, nuint8* len, char* pathName) = 0;

    // The name of volume volNum into volName (256 bytes). VOLUME_DOES_NOT_EXIST for a number
    // without a mounted volume.
    virtual NWCCODE NWGetVolumeName(NWCONN_HANDLE conn, nuint16 volNum, char* volName) = 0;

    // path in the DOS name space, dataStream 0. One physical lock on the file per call, with
    // *iterHandle other than -1, lock->loggedCount 1 and locks->numRecords = the number of locks
    // on the file. The call after the last lock answers FAILURE with loggedCount 0 and
    // *iterHandle = -1 (so does the first call for a file without locks). A path that does not
    // exist answers INVALID_PATH and leaves *iterHandle.
    virtual NWCCODE NWScanPhysicalLocksByFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                              const char* path, nuint8 dataStream,
                                              nint16* iterHandle, PHYSICAL_LOCK* lock,
                                              PHYSICAL_LOCKS* locks) = 0;

    // ---- Servers ------------------------------------------------------------------------------

    // serverName: 49 bytes. maxConns: the connection numbers run from 0 to maxConns - 1.
    virtual NWCCODE NWGetFileServerInformation(NWCONN_HANDLE conn, char* serverName,
                                               nuint8* majorVer, nuint8* minVer, nuint8* rev,
                                               nuint16* maxConns, nuint16* maxConnsUsed,
                                               nuint16* connsInUse, nuint16* numVolumes,
                                               nuint8* SFTLevel, nuint8* TTSLevel) = 0;

    // objName (255 bytes): the object logged in, or "NOT_LOGGED_IN" (type 0, id 0) for an
    // attached station; objType in the server's high-low byte order (a user, type 1, reads
    // 256); loginTime 7 bytes (year modulo 100, month, day, hour, minute, second, day of week).
    // BAD_STATION_NUMBER for a number without a station.
    virtual NWCCODE NWGetConnectionInformation(NWCONN_HANDLE conn, nuint32 connNumber,
                                               char* objName, nuint16* objType, nuint32* objID,
                                               nuint8* loginTime) = 0;

    // The station's network address. BAD_STATION_NUMBER for a number without a station.
    virtual NWCCODE NWGetInetAddr(NWCONN_HANDLE conn, nuint32 connNum, NWINET_ADDR* inetAddr) = 0;

    // ---- Actions ------------------------------------------------------------------------------

    // Clears a station: it goes away with its open files, locks and pending message.
    // NO_CONSOLE_PRIVILEGES without console operator rights, BAD_STATION_NUMBER for a number with
    // no station. Clearing the workstation's own station ends that connection: its reference is
    // no longer scanned or opened and its handles answer INVALID_CONNECTION.
    virtual NWCCODE NWClearConnectionNumber(NWCONN_HANDLE conn, nuint32 connNumber) = 0;

    // Stores message as the pending message of each listed station and writes one result byte
    // per connection into resultList: NW_BROADCAST_SENT, _NO_SUCH_CONNECTION, _NOT_LOGGED_IN,
    // _REFUSES_MESSAGES or _HAS_MESSAGE. INVALID_PARAMETERS (nothing stored) for connCount 0, an
    // empty message or one longer than the server takes (NW_MAX_BROADCAST_MESSAGE_LEN bytes,
    // NW_MAX_BROADCAST_MESSAGE_LEN_OLD before NetWare 3.11).
    virtual NWCCODE NWSendBroadcastMessage(NWCONN_HANDLE conn, const char* message,
                                           nuint16 connCount, const nuint16* connList,
                                           nuint8* resultList) = 0;

    // Switch the server's login switch. NO_CONSOLE_PRIVILEGES without console operator rights.
    virtual NWCCODE NWEnableFileServerLogin(NWCONN_HANDLE conn) = 0;
    virtual NWCCODE NWDisableFileServerLogin(NWCONN_HANDLE conn) = 0;

    // 0 with console operator rights on the handle's server, else NO_CONSOLE_PRIVILEGES.
    virtual NWCCODE NWCheckConsolePrivileges(NWCONN_HANDLE conn) = 0;

    // ==== Volume control operations (role names; types and codes in netclient/volume.h) =======
    //
    // A client that does not override one of these answers NWE_REQUESTER_FAILURE to it, so that
    // clients written for the main program's operations need not know them.
    //
    // Paths are "VOLUME:DIR\SUB\NAME" ("VOLUME:" is the root; a "\" after the colon and "/" as
    // separator are accepted), case-insensitive, in the name space passed (NW_NS_DOS 8.3 names,
    // NW_NS_LONG long names).
    // Common answers: INVALID_CONNECTION (bad handle), VOLUME_DOES_NOT_EXIST (unknown or
    // dismounted volume), INVALID_NAME_SPACE (the volume lacks it), INVALID_PATH (no such entry,
    // or a file where a directory is needed), FAILURE (the entry exists but the search
    // attributes exclude it; also the end of every scan), NWE_PARAM_INVALID (a required pointer
    // is null). Rights: the connection's user needs the rights named per operation on the entry
    // (effective rights: trustee assignments filtered by inherited rights masks down the tree;
    // supervisor-equivalent users have all rights); without them NO_CREATE_PRIVILEGES,
    // NO_DELETE_PRIVILEGES, NO_MODIFY_PRIVILEGES, NO_WRITE_PRIVILEGES or ACCESS_DENIED. A change
    // the server's state store cannot record answers DIRECTORY_IO_ERROR and changes nothing.
    // Every disk access stays beneath the volume's folder: a path that leads through a link on
    // disk (a folder swapped for one, too) answers INVALID_PATH. Names NetWare refuses (see
    // CreateDirectory) that lie on disk are never listed and cannot be reached.

    // ---- Connections by name ------------------------------------------------------------------

    // Opens a new handle (closed with NWCCCloseConn, counted like NWCCOpenConnByRef's) on the
    // workstation's connection to a server: the first live one in NWCCScanConnRefs order, with
    // its user and rights. nameFormat NWCC_NAME_FORMAT_BIND: name is the server's name ("FS1");
    // NWCC_NAME_FORMAT_NDS: its directory name ("FS1.SALES.ACME", case-insensitive; the server's
    // name alone is accepted too). openState as for NWCCOpenConnByRef. NO_SUCH_OBJECT for a name
    // that is no server of the network, NWE_NO_LICENSED_CONNECTION for a server the workstation
    // has no connection to.
    virtual NWCCODE OpenConnByName(const char* name, nuint32 nameFormat, nuint32 openState,
                                   NWCONN_HANDLE* conn);

    // *state := NWCC_AUTHENT_STATE_NDS when the connection is authenticated to its server's
    // directory tree, NWCC_AUTHENT_STATE_BIND when a user is logged in, else
    // NWCC_AUTHENT_STATE_NONE.
    virtual NWCCODE GetConnAuthenticationState(NWCONN_HANDLE conn, nuint32* state);

    // tree := the name of the tree the connection's server belongs to, padded with '_' to
    // NW_TREE_NAME_PADDED_LEN characters (callers strip the padding). ERR_NO_SUCH_ENTRY for a
    // server in no tree.
    virtual NWCCODE GetConnTreeName(NWCONN_HANDLE conn, std::string& tree);

    // name := the server's dotted directory name, e.g. "FS1.SALES.ACME". ERR_NO_SUCH_ENTRY for a
    // server in no tree.
    virtual NWCCODE GetServerDirectoryName(NWCONN_HANDLE conn, std::string& name);

    // Licenses the connection. 0 for every open handle (also when already licensed).
    virtual NWCCODE LicenseConn(NWCONN_HANDLE conn);

    // Authenticates the connection to its server's tree. 0 when the workstation holds a
    // directory-authenticated connection (the network file's directoryAuthenticated) to a server
    // of that tree; from then on this connection's state is NWCC_AUTHENT_STATE_NDS.
    // ERR_FAILED_AUTHENTICATION otherwise (also for a server in no tree or nobody logged in).
    virtual NWCCODE AuthenticateConnToDirectory(NWCONN_HANDLE conn);

    // ---- Directory services -------------------------------------------------------------------

    // value := the string attribute (e.g. "Host Server", "Host Resource Name") of the object
    // named by its dotted name from [Root] ("FS1_SYS.SALES.ACME", case-insensitive) in the tree
    // (case-insensitive; '_' padding allowed). ERR_NO_SUCH_ENTRY for an unknown tree or object,
    // ERR_NO_SUCH_ATTRIBUTE (value empty) for an object without that attribute.
    virtual NWCCODE ReadDirectoryAttribute(const char* tree, const char* object,
                                           const char* attribute, std::string& value);

    // dottedName := the name, leaf first, of the object with identifier id in the tree of the
    // connection's server. ERR_NO_SUCH_ENTRY for an unknown id or a server in no tree.
    virtual NWCCODE MapDirectoryIdToName(NWCONN_HANDLE conn, nuint32 id, std::string& dottedName);

    // *id := the identifier of the object with that dotted name (case-insensitive) in the tree
    // of the connection's server. ERR_NO_SUCH_ENTRY when there is none.
    virtual NWCCODE MapDirectoryNameToId(NWCONN_HANDLE conn, const char* dottedName, nuint32* id);

    // The directory trees the workstation knows, one per call. *iterHandle starts at 0; after
    // the last tree the next call answers FAILURE. tree is not padded.
    virtual NWCCODE ScanDirectoryTrees(nuint32* iterHandle, std::string& tree);

    // The objects directly below container in tree ("[Root]" or "" for the top), one per call, in
    // the order the network file lists them (containers added for dotted names last): name :=
    // its dotted name, objectClass := "Organization", "Organizational Unit", "Volume", ...
    // *iterHandle starts at 0; after the last the next call answers FAILURE. ERR_NO_SUCH_ENTRY
    // for an unknown tree or container.
    virtual NWCCODE ScanDirectoryObjects(const char* tree, const char* container,
                                         nuint32* iterHandle, std::string& name,
                                         std::string& objectClass);

    // ---- Bindery ------------------------------------------------------------------------------

    // The bindery of the connection's server holds its users (OT_USER) and one file server object
    // per server of the network. A user of a server in a tree that is also a User object of the
    // tree in the server's context has that object's identifier (bindery emulation), so one
    // identifier serves both.

    // name := the object's name (upper case), *type := its type in high-low order (BINDERY_USER).
    // NO_SUCH_OBJECT for an unknown id.
    virtual NWCCODE GetBinderyObjectName(NWCONN_HANDLE conn, nuint32 id, std::string& name,
                                         nuint16* type);

    // *id := the identifier of the object with that name (case-insensitive) and type
    // (BINDERY_USER, BINDERY_FILE_SERVER). NO_SUCH_OBJECT when there is none.
    virtual NWCCODE GetBinderyObjectID(NWCONN_HANDLE conn, const char* name, nuint16 type,
                                       nuint32* id);

    // The objects of a type (BINDERY_ANY: every type) whose names match pattern ('*' and '?'
    // wildcards, case-insensitive), one per call. *lastObjectID starts at 0xFFFFFFFF and holds
    // the identifier of the object returned; name and *foundType describe it. After the last the
    // next call answers FAILURE and leaves *lastObjectID.
    virtual NWCCODE ScanBinderyObjects(NWCONN_HANDLE conn, const char* pattern, nuint16 type,
                                       nuint32* lastObjectID, std::string& name,
                                       nuint16* foundType);

    // ---- Volumes ------------------------------------------------------------------------------

    // *volNum := the number of the mounted volume volName (case-insensitive).
    // VOLUME_DOES_NOT_EXIST for an unknown or dismounted volume.
    virtual NWCCODE GetVolumeNumber(NWCONN_HANDLE conn, const char* volName, nuint16* volNum);

    // The volume's block figures: those of the network file's blocks, else of the file system
    // holding its folder (read afresh); purgeableBlocks adds the blocks of the deleted files kept.
    // VOLUME_DOES_NOT_EXIST for a number without a mounted volume.
    virtual NWCCODE GetVolumeStats(NWCONN_HANDLE conn, nuint16 volNum, VOLUME_STATS* stats);

    // Level 1 only (NWE_INFO_LEVEL_INVALID otherwise): sector size, blocks, bad sectors, deleted
    // files kept. VOLUME_DOES_NOT_EXIST as GetVolumeStats.
    virtual NWCCODE GetExtendedVolumeInfo(NWCONN_HANDLE conn, nuint16 volNum, nuint16 level,
                                          EXTENDED_VOLUME_INFO* info);

    // *count := the number of name spaces loaded on the volume, list (NW_MAX_NAME_SPACE_LIST
    // bytes) := their numbers in ascending order. VOLUME_DOES_NOT_EXIST as GetVolumeStats.
    virtual NWCCODE GetVolumeNameSpaces(NWCONN_HANDLE conn, nuint16 volNum, nuint8* count,
                                        nuint8* list);

    // Mounts the volume volName (0 also when it is mounted already) and gives its number.
    // NO_CONSOLE_PRIVILEGES without console operator rights, VOLUME_DOES_NOT_EXIST for a name
    // that is no volume of the server. Mounting and dismounting last until the network is loaded
    // again.
    virtual NWCCODE MountVolume(NWCONN_HANDLE conn, const char* volName, nuint16* volNum);

    // Dismounts the volume: its paths answer VOLUME_DOES_NOT_EXIST, its directory handles
    // BAD_DIRECTORY_HANDLE and its open files INVALID_FILE_HANDLE (closing them still answers 0).
    // NO_CONSOLE_PRIVILEGES, VOLUME_DOES_NOT_EXIST for a number without a mounted volume.
    virtual NWCCODE DismountVolume(NWCONN_HANDLE conn, nuint16 volNum);

    // ---- Directory entries --------------------------------------------------------------------

    // The entry's record: attributes (A_DIRECTORY for a directory), creation, modification,
    // archive and last access dates, creator, modifier and archiver, inherited rights mask,
    // data size, the space restriction of a directory, its number and its name in nameSpace. The
    // root ("VOL:") answers with the volume's name. Needs a right to see the entry: File Scan on
    // it, or a trustee assignment of the user (or a container of it) on it or below it, as the
    // folders on the way to what a user may reach are shown (ACCESS_DENIED).
    virtual NWCCODE GetEntryInfo(NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs,
                                 const char* path, NW_ENTRY_INFO* info);

    // Stores the fields of info that modifyMask names (DM_...). Attributes: the A_DIRECTORY,
    // A_FILE_MIGRATED, A_FILE_COMPRESSED and A_CANT_COMPRESS bits keep their stored values. The
    // inherited rights mask always keeps TR_SUPERVISOR. Modify dates and last access set the
    // real file's times. Rights: dates and attributes need Modify; the inherited rights mask
    // and the space restriction Access Control; creator and archiver Supervisor (all:
    // NO_MODIFY_PRIVILEGES). NO_SUCH_OBJECT for a creator, modifier or archiver that is no
    // object of the server or its tree.
    virtual NWCCODE ModifyEntryInfo(NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs,
                                    const char* path, nuint32 modifyMask,
                                    const NW_ENTRY_INFO* info);

    // *rights := the connection's user's effective rights on the entry (TR_... bits).
    virtual NWCCODE GetEffectiveRights(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                                       nuint16* rights);

    // A directory handle (1 to 255, per connection handle) naming the directory path; freed by
    // DeallocDirHandle or when the connection handle is closed. NO_MORE_DIRECTORY_HANDLES when
    // the connection holds 255.
    virtual NWCCODE AllocTempDirHandle(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                                       NWDIR_HANDLE* dirHandle);

    // Frees a directory handle. BAD_DIRECTORY_HANDLE for one that is not allocated.
    virtual NWCCODE DeallocDirHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle);

    // Sets *seq before the first entry of the handle's directory. BAD_DIRECTORY_HANDLE;
    // INVALID_PATH when its folder is no longer on disk beneath the volume's.
    virtual NWCCODE StartSearch(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint8 nameSpace,
                                SEARCH_SEQUENCE* seq);

    // The next entry after *seq that the search attributes select and whose name in nameSpace
    // matches pattern ('*' and '?' wildcards; "*" and "*.*" match every name): its record, and
    // *seq advanced past it. Entries come in a fixed order; one created during a search may or
    // may not be met, one deleted is not. After the last: FAILURE (*seq unchanged). Needs File
    // Scan on the directory (ACCESS_DENIED). Each step costs O(1) amortised.
    virtual NWCCODE SearchNext(NWCONN_HANDLE conn, SEARCH_SEQUENCE* seq, nuint8 nameSpace,
                               nuint16 searchAttrs, const char* pattern, NW_ENTRY_INFO* info);

    // Sets the space restriction of the handle's directory in 4 KB units (0: nothing may be
    // stored); a negative value removes it. GetEntryInfo and SearchNext report it in
    // spaceRestriction (NW_NO_DIRECTORY_RESTRICTION when there is none). The volume root takes
    // none (DIRECTORY_ACTIVE). Needs Access Control (NO_MODIFY_PRIVILEGES).
    virtual NWCCODE SetDirSpaceRestriction(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                           nint32 units);

    // Creates the directory path. Its inherited rights mask becomes rightsMask (the low byte of
    // the rights word; 0xFB = all rights) with Supervisor; its creator the connection's user.
    // NAME_EXISTS when an entry of that name exists (on disk too, where the listing hides it),
    // INVALID_PATH when the parent does not, INVALID_FILENAME for an empty name, a name made of
    // dots only, a name with characters NetWare refuses (\ / : * ? " < > |, control characters,
    // C1 control characters once on disk) or, in the DOS name space, a name that is no 8.3 name.
    // Needs Create on the parent (NO_CREATE_PRIVILEGES).
    virtual NWCCODE CreateDirectory(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                                    nuint8 rightsMask);

    // Creates the file path, empty, with the attributes given (A_DIRECTORY and status bits are
    // ignored), and opens it for reading and writing (*file). replace false: NAME_EXISTS when an
    // entry of that name exists; replace true: an existing file is emptied (needs Write on it;
    // read-only: NO_WRITE_PRIVILEGES), a directory still answers NAME_EXISTS. INVALID_PATH and
    // INVALID_FILENAME as CreateDirectory. Needs Create on the parent (NO_CREATE_PRIVILEGES).
    virtual NWCCODE CreateFile(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                               nuint32 attributes, bool replace, NW_FILE_HANDLE* file);

    // Deletes the empty directory path with its trustees and restrictions. DIRECTORY_NOT_EMPTY
    // (deleted files kept in it count too), DIRECTORY_ACTIVE for the root or a directory a
    // directory handle names, INVALID_PATH for a file. Needs Erase on it; Delete Inhibit refuses
    // (NO_DELETE_PRIVILEGES).
    virtual NWCCODE DeleteDirectory(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path);

    // Erases the file path: it becomes a deleted file of its directory (ScanSalvageableFiles),
    // with its record and the deleting user, unless it or its directory has Immediate Purge
    // (then it is gone). INVALID_PATH for a directory, FILE_IN_USE when a station or an open
    // file handle has it open. Needs Erase on it; Read Only and Delete Inhibit refuse
    // (NO_DELETE_PRIVILEGES).
    virtual NWCCODE EraseFile(NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs,
                              const char* path);

    // Renames or moves srcPath to dstPath (the full new path, on the same volume), a directory
    // with everything below it, keeping the metadata of every entry moved. NAME_EXISTS when
    // dstPath exists, or when another file holds its name on disk (a name differing only in case
    // that the listing hides: it is never replaced; a change of case of srcPath alone works),
    // INVALID_PATH when its parent does not or lies inside srcPath,
    // RENAMING_ACROSS_VOLUMES, INVALID_FILENAME for the new name, DIRECTORY_ACTIVE for the root.
    // Rights: a rename in place needs Modify on the entry; a move to another directory needs
    // Erase on the entry (NO_DELETE_PRIVILEGES) and Create on the destination directory
    // (NO_CREATE_PRIVILEGES). Rename Inhibit refuses both (NO_MODIFY_PRIVILEGES).
    virtual NWCCODE MoveEntry(NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs,
                              const char* srcPath, const char* dstPath);

    // ---- Files --------------------------------------------------------------------------------

    // Opens the file path (accessRights AR_READ, AR_WRITE or both) at position 0. INVALID_PATH
    // for a directory. Needs Read for AR_READ (ACCESS_DENIED) and Write for AR_WRITE
    // (NO_WRITE_PRIVILEGES; also for a read-only file). The file shows as open by the
    // connection's station (NWScanOpenFilesByConn2) until it is closed.
    virtual NWCCODE OpenFile(NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs,
                             const char* path, nuint8 accessRights, NW_FILE_HANDLE* file);

    // Reads up to bytes bytes from the position into buffer; *bytesRead := the count (0 at the
    // end); the position advances. INVALID_FILE_HANDLE, ACCESS_DENIED when not opened for reading.
    virtual NWCCODE ReadFile(NW_FILE_HANDLE file, nuint32 bytes, nuint32* bytesRead, void* buffer);

    // Writes bytes bytes of data at the position (the file grows as needed); *written := the
    // count; the position advances. INVALID_FILE_HANDLE, NO_WRITE_PRIVILEGES when not opened for
    // writing, INSUFFICIENT_SPACE (nothing written) when the write would end beyond the volume's
    // total space, whatever position was sought.
    virtual NWCCODE WriteFile(NW_FILE_HANDLE file, nuint32 bytes, const void* data,
                              nuint32* written);

    // Moves the position by offset from origin (SEEK_FROM_START, _CURRENT, _END); *newPosition :=
    // the new position (past the end is allowed). INVALID_PARAMETERS (position unchanged) for a
    // position before the start or an unknown origin. INVALID_FILE_HANDLE.
    virtual NWCCODE SeekFile(NW_FILE_HANDLE file, nint64 offset, nuint8 origin,
                             nint64* newPosition);

    // Closes a file handle. INVALID_FILE_HANDLE for one that is not open.
    virtual NWCCODE CloseFile(NW_FILE_HANDLE file);

    // Copies count bytes from src at srcOffset to dst at dstOffset on the server (a kernel copy;
    // no bytes cross to the caller); *copied := the bytes copied (fewer when src ends first).
    // Holes of src stay holes in dst (zeros where dst held bytes). The positions of both handles
    // stay. INVALID_FILE_HANDLE, ACCESS_DENIED when src is not open for reading,
    // NO_WRITE_PRIVILEGES when dst is not open for writing, INSUFFICIENT_SPACE (nothing copied)
    // when the copy would end beyond the volume's total space.
    virtual NWCCODE CopyFileData(NWCONN_HANDLE conn, NW_FILE_HANDLE src, NW_FILE_HANDLE dst,
                                 nuint64 srcOffset, nuint64 dstOffset, nuint64 count,
                                 nuint64* copied);

    // ---- Trustees -----------------------------------------------------------------------------

    // The entry's trustees, up to NW_MAX_TRUSTEES_PER_SET per call (set->count, pairs of object
    // identifier and rights word), in the order they were assigned. *iterHandle starts at 0 and
    // advances; after the last set (at once for an entry without trustees) FAILURE. Needs Access
    // Control or Supervisor on the entry (ACCESS_DENIED).
    virtual NWCCODE ScanEntryTrustees(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                                      nuint32* iterHandle, TRUSTEE_SET* set);

    // Makes objectID a trustee of the entry with the rights word rights (TR_... bits), or
    // replaces the rights of an existing trustee. NO_SUCH_OBJECT for an identifier that is no
    // user or container of the server or its tree. Needs Access Control; granting Supervisor
    // needs Supervisor (NO_MODIFY_PRIVILEGES).
    virtual NWCCODE AddTrusteeToEntry(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                                      nuint32 objectID, nuint16 rights);

    // Removes the trustee objectID from the entry. TRUSTEE_NOT_FOUND when it is none. Needs
    // Access Control (NO_MODIFY_PRIVILEGES).
    virtual NWCCODE DeleteTrusteeFromEntry(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                                           nuint32 objectID);

    // ---- Space restrictions of users on a volume -----------------------------------------------

    // The users with a restriction on the volume from position sequence (0 first), up to
    // NW_MAX_RESTRICTIONS_PER_ANSWER per answer (identifier and restriction in 4 KB units), in
    // the order they were set; the caller advances sequence by numberOfEntries. Past the end:
    // 0 with no entries. A supervisor-equivalent user sees every user's restriction; others only
    // their own (a list of one or none).
    virtual NWCCODE ScanVolumeRestrictions(NWCONN_HANDLE conn, nuint16 volNum, nuint32 sequence,
                                           VOLUME_RESTRICTIONS* restrictions);

    // *restriction := the user's restriction in 4 KB units (NW_NO_VOLUME_RESTRICTION when none),
    // *inUse := the 4 KB blocks the files it owns (creator) take on the volume. NO_SUCH_OBJECT;
    // ACCESS_DENIED for another user's unless the caller is supervisor-equivalent.
    virtual NWCCODE GetObjectVolumeRestriction(NWCONN_HANDLE conn, nuint16 volNum, nuint32 objectID,
                                               nuint32* restriction, nuint32* inUse);

    // Sets the user's restriction (4 KB units; NW_NO_VOLUME_RESTRICTION or more removes it).
    // NO_SUCH_OBJECT; only supervisor-equivalent users may (NO_MODIFY_PRIVILEGES).
    virtual NWCCODE SetObjectVolumeRestriction(NWCONN_HANDLE conn, nuint16 volNum, nuint32 objectID,
                                               nuint32 restriction);

    // Removes the user's restriction. TRUSTEE_NOT_FOUND when it has none; NO_SUCH_OBJECT;
    // NO_MODIFY_PRIVILEGES as SetObjectVolumeRestriction.
    virtual NWCCODE RemoveObjectVolumeRestriction(NWCONN_HANDLE conn, nuint16 volNum,
                                                  nuint32 objectID);

    // ---- Deleted files ------------------------------------------------------------------------

    // The deleted files kept in the handle's directory, oldest first, one per call: *deleted
    // (its record; its name in nameSpace, or the long name when the volume lacks it) and
    // *sequence := its identifier. *sequence starts at 0xFFFFFFFF. After the last: FAILURE.
    // Needs File Scan (ACCESS_DENIED).
    virtual NWCCODE ScanSalvageableFiles(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                         nuint8 nameSpace, nuint32* sequence,
                                         NW_DELETED_FILE* deleted);

    // Purges that very deleted file: its bytes are gone for good. FAILURE when the directory
    // keeps no deleted file with that identifier. Needs Erase on the directory
    // (NO_DELETE_PRIVILEGES).
    virtual NWCCODE PurgeSalvageableFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                         nuint32 sequence);

    // Restores that very deleted file into its directory as newName (in nameSpace; null, empty
    // or the name ScanSalvageableFiles gave in that name space: under its old name) with the
    // metadata it had. NAME_EXISTS when an entry of that
    // name exists, INVALID_FILENAME, FAILURE as PurgeSalvageableFile. Needs Create on the
    // directory (NO_CREATE_PRIVILEGES).
    virtual NWCCODE RecoverSalvageableFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                           nuint8 nameSpace, nuint32 sequence, const char* newName);
};

// The program's own client. Until its NWCallsInit succeeds every operation fails
// (NWE_REQUESTER_FAILURE, or INVALID_CONNECTION for handles). NWCallsInit chooses the back end:
// the workstation file named by VARNOOK_WORKSTATION over the wire (NCP over TCP/IP; passwords
// as netclient/passwords.h says), else the simulated network named by NWSIM_NETWORK in-process,
// else the demo network shipped with the program (copied to $XDG_DATA_HOME/varnook/demo on
// first use) over the wire, served by the user's own demo server (nwsimd beside the program,
// started when it is not running; see src/demoserver.h). A source that does not load is tried
// once: asked again for the same source, NWCallsInit answers the same failure without loading
// or reporting it again.
NWC_API Client& processClient();

// The client that NWCallsInit loaded behind processClient() (the simulated network), or nullptr
// before it was loaded. Tests of a program that runs on the process client count its open
// handles through it.
NWC_API Client* processClientBackEnd();

// What the process client's back end (either one) has open: connection handles, directory
// handles and files. All zero before it was loaded. Tests check that nothing is left open.
struct OpenHandleCounts {
    std::size_t connections = 0;
    std::size_t directories = 0;
    std::size_t files = 0;
};
NWC_API OpenHandleCounts processClientOpenHandles();

// Shorthand for processClient().NWCallsInit(reserved1, reserved2).
NWC_API NWCCODE NWCallsInit(nuint8* reserved1, nuint8* reserved2);

// Why the process client's NWCallsInit failed: the network or workstation file, the place in it
// and what was expected there (the text it also wrote to standard error). Empty when it has not
// failed.
NWC_API std::string processClientFailure();

}  // namespace nw
