// Types, constants, completion codes and records of the NetWare client interface.
//
// Records are zero-initialised. Where callers read raw bytes (the user information record, the
// login time, the network address, length-prefixed paths) the struct is that byte layout; the
// static_asserts below pin it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace nw {

using nuint8 = std::uint8_t;
using nint8 = std::int8_t;
using nuint16 = std::uint16_t;
using nint16 = std::int16_t;
using nuint32 = std::uint32_t;
using nint32 = std::int32_t;

// Completion code of every operation: 0 is success; NetWare errors are 0x88xx (requester) and
// 0x89xx (server); directory-services errors are negative.
using NWCCODE = std::int32_t;
// A connection handle, valid from NWCCOpenConnByRef until NWCCCloseConn. 0 is never a handle.
using NWCONN_HANDLE = std::uint32_t;
// A connection reference names one of the workstation's connections to a server.
using NWCONN_REF = std::uint32_t;
// Directory handles; every caller passes 0 (paths are then "VOLUME:DIR\FILE").
using NWDIR_HANDLE = std::uint8_t;

// ---- Completion codes -------------------------------------------------------------------------
inline constexpr NWCCODE SUCCESSFUL = 0;
inline constexpr NWCCODE INVALID_CONNECTION = 0x8801;     // handle or reference not open/known
inline constexpr NWCCODE NWE_BUFFER_OVERFLOW = 0x880E;    // an output does not fit its buffer
inline constexpr NWCCODE NWE_NO_MORE_ENTRIES = 0x8834;    // end of the connection-reference scan
inline constexpr NWCCODE NWE_PARAM_INVALID = 0x8836;      // a required pointer is null, bad mode
inline constexpr NWCCODE INVALID_DRIVE = 0x883C;          // the drive letter is not a NetWare drive
inline constexpr NWCCODE NWE_INFO_TYPE_INVALID = 0x8868;  // unknown connection information type
inline constexpr NWCCODE NWE_REQUESTER_FAILURE = 0x88FF;  // the client could not be initialised
// The wire back end's own answers (NCP over TCP/IP; netclient/wire/README.md). The transport's
// codes end the TCP session; the next open of the reference tries once more, at most once a
// minute.
inline constexpr NWCCODE NWE_REPLY_TIMEOUT = 0x8805;    // no reply within the reply timeout
inline constexpr NWCCODE NWE_BAD_REPLY = 0x8816;        // a reply that is no valid NCP answer
inline constexpr NWCCODE NWE_CONNECTION_LOST = 0x8819;  // TCP closed or reset, server going down
inline constexpr NWCCODE NWE_CONNECT_FAILED = 0x8885;   // the server could not be reached
inline constexpr NWCCODE NWE_NO_PASSWORD = 0x8887;      // no password to log in with
inline constexpr NWCCODE NWE_NOT_SUPPORTED_OVER_WIRE = 0x8891;  // not carried over NCP yet
inline constexpr NWCCODE USER_INFO_AUTHENTICATED = 0x897D;      // station is authenticated: no info
inline constexpr NWCCODE NAME_EXISTS = 0x8992;
inline constexpr NWCCODE VOLUME_DOES_NOT_EXIST = 0x8998;
inline constexpr NWCCODE BAD_DIRECTORY_HANDLE = 0x899B;  // only directory handle 0 is known
inline constexpr NWCCODE INVALID_PATH = 0x899C;
inline constexpr NWCCODE INVALID_NAME_SPACE = 0x89BF;  // the volume lacks the name space
inline constexpr NWCCODE INTRUDER_LOCKOUT = 0x89C5;    // login refused: the account is locked
inline constexpr NWCCODE NO_CONSOLE_PRIVILEGES = 0x89C6;
inline constexpr NWCCODE WRONG_PASSWORD = 0x89DE;  // login refused: incorrect password
inline constexpr NWCCODE INVALID_PARAMETERS = 0x89FB;
inline constexpr NWCCODE MESSAGE_QUEUE_FULL = 0x89FC;
inline constexpr NWCCODE BAD_STATION_NUMBER = 0x89FD;
inline constexpr NWCCODE FAILURE = 0x89FF;  // also the answer of a server scan past its last item

// ---- Constants --------------------------------------------------------------------------------
inline constexpr nuint32 NWCC_INFO_SERVER_NAME = 7;  // NWCCGetConnRefInfo: NUL-terminated name
inline constexpr nuint32 NWCC_OPEN_LICENSED = 1;
inline constexpr nuint32 NWCC_OPEN_UNLICENSED = 2;

inline constexpr nuint8 NW_NS_DOS = 0;
inline constexpr nuint8 NW_NS_MAC = 1;
inline constexpr nuint8 NW_NS_NFS = 2;
inline constexpr nuint8 NW_NS_FTAM = 3;
inline constexpr nuint8 NW_NS_LONG = 4;  // long (OS/2) names

inline constexpr std::size_t NW_MAX_SERVER_NAME_LEN = 48;  // a 49-byte buffer holds it with NUL
inline constexpr std::size_t NW_MAX_OBJECT_NAME_LEN = 47;  // bindery object names
inline constexpr std::size_t NW_MAX_VOLUME_NAME_LEN = 15;
inline constexpr std::size_t NW_MAX_LONG_NAME_LEN = 255;  // one path component, long names

inline constexpr nint16 NW_ITERATION_END = -1;  // iteration handles read -1 after the last item

// NWGetDriveInformation status byte of a NetWare drive.
inline constexpr nuint8 NW_NETWARE_DRIVE = 0x20;

// Bindery object types (as the file format and the server store them; NWGetConnectionInformation
// reports them in the server's high-low byte order, so a user reads 0x0100 = 256).
inline constexpr nuint16 OT_USER = 1;
inline constexpr nuint16 OT_USER_GROUP = 2;
inline constexpr nuint16 OT_PRINT_QUEUE = 3;
inline constexpr nuint16 OT_FILE_SERVER = 4;
inline constexpr nuint16 OT_JOB_SERVER = 5;
inline constexpr nuint16 OT_GATEWAY = 6;
inline constexpr nuint16 OT_PRINT_SERVER = 7;

// NWSendBroadcastMessage result bytes, one per connection.
inline constexpr nuint8 NW_BROADCAST_SENT = 0;
inline constexpr nuint8 NW_BROADCAST_NO_SUCH_CONNECTION = 1;
inline constexpr nuint8 NW_BROADCAST_NOT_LOGGED_IN = 2;
inline constexpr nuint8 NW_BROADCAST_REFUSES_MESSAGES = 3;
inline constexpr nuint8 NW_BROADCAST_HAS_MESSAGE = 4;

// Longest broadcast message a server takes, in bytes of the workstation code page: NetWare
// 3.11 and later take 250, older servers 58.
inline constexpr std::size_t NW_MAX_BROADCAST_MESSAGE_LEN = 250;
inline constexpr std::size_t NW_MAX_BROADCAST_MESSAGE_LEN_OLD = 58;

// ---- Records ----------------------------------------------------------------------------------

// NWGetNSPath: srcPath names an entry ("VOL:DIR\FILE", in the source name space); the client
// writes the path of its directory in the destination name space into dstPath (NUL-terminated,
// at most dstPathSize bytes with the NUL).
struct NW_NS_PATH {
    const char* srcPath = nullptr;
    char* dstPath = nullptr;
    nuint16 dstPathSize = 0;
};

// NWScanConnectionsUsingFile: the connection of this step.
struct CONN_USING_FILE {
    nuint16 connNumber = 0;
    nuint16 taskNumber = 0;
    nuint8 lockType = 0;
    nuint8 accessControl = 0;
    nuint8 lockFlag = 0;
};

// NWScanConnectionsUsingFile: the file-use summary. connCount is the number of connections that
// have the file open; connInfo[0] repeats the connection of this step.
struct CONNS_USING_FILE {
    nuint16 nextRequest = 0;
    nuint16 useCount = 0;
    nuint16 openCount = 0;
    nuint16 openForReadCount = 0;
    nuint16 openForWriteCount = 0;
    nuint16 denyReadCount = 0;
    nuint16 denyWriteCount = 0;
    nuint8 locked = 0;
    nuint8 forkCount = 0;
    nuint16 connCount = 0;
    CONN_USING_FILE connInfo[70] = {};
};

#pragma pack(push, 1)
// NWGetUserInfo: the 84-byte user information record. Callers read bytes 16-19 (0 = the
// connection is in use), 21-26 (login time: year modulo 100, month, day, hour, minute, second),
// 48-49 (lock count), 50-55 and 56-61 (bytes read and written, 48-bit, least significant first).
struct NWUSER_INFO {
    nuint8 serverTimeAndVConsoleInfo[8] = {};  // 0
    nuint32 connNum = 0;                       // 8
    nuint32 useCount = 0;                      // 12
    nuint32 connInUse = 0;                     // 16: 0 = in use
    nuint8 connServiceType = 0;                // 20
    nuint8 loginTime[7] = {};                  // 21: yy, mm, dd, hh, mi, ss, day of week (0 = Sun)
    nuint32 expirationTime = 0;                // 28
    nuint32 objType = 0;                       // 32
    nuint8 transactionFlag = 0;                // 36
    nuint8 logicalLockThreshold = 0;           // 37
    nuint8 recordLockThreshold = 0;            // 38
    nuint8 fileWriteFlags = 0;                 // 39
    nuint8 fileWriteState = 0;                 // 40
    nuint8 filler = 0;                         // 41
    nuint16 fileLockCount = 0;                 // 42: open files
    nuint16 recordLockCount = 0;               // 44
    nuint16 reserved = 0;                      // 46
    nuint16 lockCount = 0;                     // 48: physical locks held
    nuint8 totalBytesRead[6] = {};             // 50
    nuint8 totalBytesWritten[6] = {};          // 56
    nuint32 totalRequests = 0;                 // 62
    nuint32 heldRequests = 0;                  // 66
    nuint8 heldBytesRead[6] = {};              // 70
    nuint8 heldBytesWritten[6] = {};           // 76
    nuint8 reserved2[2] = {};                  // 82
};

// NWScanOpenFilesByConn2: control record, handed back unchanged between calls (518 bytes).
struct OPEN_FILE_CONN_CTRL {
    nuint16 nextRequest = 0;
    nuint16 openCount = 0;
    nuint8 buffer[512] = {};
    nuint16 curRecord = 0;
};

// NWScanPhysicalLocksByFile: lock block (654 bytes); numRecords is the number of locks on the
// file.
struct PHYSICAL_LOCKS {
    nuint16 nextRequest = 0;
    nuint16 numRecords = 0;
    nuint8 locks[650] = {};
};
#pragma pack(pop)

static_assert(sizeof(NWUSER_INFO) == 84);
static_assert(offsetof(NWUSER_INFO, connInUse) == 16);
static_assert(offsetof(NWUSER_INFO, loginTime) == 21);
static_assert(offsetof(NWUSER_INFO, lockCount) == 48);
static_assert(offsetof(NWUSER_INFO, totalBytesRead) == 50);
static_assert(offsetof(NWUSER_INFO, totalBytesWritten) == 56);
static_assert(sizeof(OPEN_FILE_CONN_CTRL) == 518);
static_assert(sizeof(PHYSICAL_LOCKS) == 654);

// NWScanOpenFilesByConn2: one open file. Callers read volNumber and dirEntry; fileName is the
// file's DOS name (nameLen bytes, also NUL-terminated).
struct OPEN_FILE_CONN {
    nuint16 taskNumber = 0;
    nuint8 lockType = 0;
    nuint8 accessControl = 0;
    nuint8 lockFlag = 0;
    nuint8 volNumber = 0;
    nuint32 parent = 0;
    nuint32 dirEntry = 0;
    nuint8 forkCount = 0;
    nuint8 nameSpace = 0;
    nuint8 nameLen = 0;
    char fileName[256] = {};
};

// NWScanPhysicalLocksByFile: one lock. loggedCount is non-zero when the entry describes a lock.
struct PHYSICAL_LOCK {
    nuint16 loggedCount = 0;
    nuint16 shareableLockCount = 0;
    nuint32 recordStart = 0;
    nuint32 recordEnd = 0;
    nuint16 connNumber = 0;
    nuint16 taskNumber = 0;
    nuint8 lockType = 0;
};

// NWGetInetAddr: network address in wire order: network (bytes 0-3), node (4-9), socket (10-11).
struct NWINET_ADDR {
    nuint8 networkAddr[4] = {};
    nuint8 netNodeAddr[6] = {};
    nuint8 socket[2] = {};
    nuint16 connType = 0;
};
static_assert(offsetof(NWINET_ADDR, socket) == 10);

}  // namespace nw
