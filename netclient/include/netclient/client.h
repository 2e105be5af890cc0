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

#include <string>

#include "netclient/export.h"
#include "netclient/types.h"

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
    // that holds the drive's root (UTF-8 file system path). Same answers as NWGetDriveInformation.
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
};

// The program's own client. Until its NWCallsInit succeeds every operation fails
// (NWE_REQUESTER_FAILURE, or INVALID_CONNECTION for handles). NWCallsInit loads the simulated
// network named by NWSIM_NETWORK, else the demo network shipped with the program (copied to
// $XDG_DATA_HOME/varnook/demo on first use).
NWC_API Client& processClient();

// Shorthand for processClient().NWCallsInit(reserved1, reserved2).
NWC_API NWCCODE NWCallsInit(nuint8* reserved1, nuint8* reserved2);

}  // namespace nw
