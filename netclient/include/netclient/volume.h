// Types, constants, completion codes and records of the volume operations of the NetWare client
// interface: connections by name, directory services, the bindery, volumes, directory entries,
// files, trustees, space restrictions and deleted files (the members of nw::Client in the
// section "Volume control operations" of client.h).
//
// Records are zero-initialised. NW_DELETED_FILE is a pinned byte layout (376 bytes): a caller may
// keep it as raw bytes and hand its fields back later.
#pragma once

#include <cstddef>
#include <cstdint>

#include "netclient/types.h"

namespace nw {

using nuint64 = std::uint64_t;
using nint64 = std::int64_t;

// A file opened through the client (OpenFile, CreateFile), valid until CloseFile. 0 is never a
// handle.
using NW_FILE_HANDLE = std::uint32_t;

// ---- Completion codes -------------------------------------------------------------------------
// Requester codes.
inline constexpr NWCCODE NWE_NO_LICENSED_CONNECTION = 0x880F;  // no connection to that server
inline constexpr NWCCODE NWE_INFO_LEVEL_INVALID = 0x886B;      // information level not known
// Server codes.
// Out of disk space: a write or copy that would end beyond the volume's total space (0x01 is the
// code the server's write and copy calls carry for it).
inline constexpr NWCCODE INSUFFICIENT_SPACE = 0x8901;
inline constexpr NWCCODE NO_CREATE_PRIVILEGES = 0x8984;
inline constexpr NWCCODE INVALID_FILE_HANDLE = 0x8988;
inline constexpr NWCCODE NO_DELETE_PRIVILEGES = 0x898A;
inline constexpr NWCCODE NO_MODIFY_PRIVILEGES = 0x898C;
inline constexpr NWCCODE FILE_IN_USE = 0x898D;  // erasing a file that a station has open
inline constexpr NWCCODE NO_WRITE_PRIVILEGES = 0x8991;
inline constexpr NWCCODE RENAMING_ACROSS_VOLUMES = 0x899A;
inline constexpr NWCCODE NO_MORE_DIRECTORY_HANDLES = 0x899D;
inline constexpr NWCCODE INVALID_FILENAME = 0x899E;  // empty, ".", "..", refused characters
inline constexpr NWCCODE DIRECTORY_ACTIVE = 0x899F;  // the volume root, or a directory in use
inline constexpr NWCCODE DIRECTORY_NOT_EMPTY = 0x89A0;
inline constexpr NWCCODE DIRECTORY_IO_ERROR = 0x89A1;  // the disk or the state store failed
inline constexpr NWCCODE ACCESS_DENIED = 0x89A8;
inline constexpr NWCCODE NO_SUCH_OBJECT = 0x89FC;     // bindery: no object with that name or id
inline constexpr NWCCODE TRUSTEE_NOT_FOUND = 0x89FE;  // also: no restriction to remove
// FAILURE (0x89FF, types.h) ends every scan and answers a named entry that the search attributes
// exclude.
// Directory-services codes (negative).
inline constexpr NWCCODE ERR_NO_SUCH_ENTRY = -601;
inline constexpr NWCCODE ERR_NO_SUCH_ATTRIBUTE = -603;
inline constexpr NWCCODE ERR_FAILED_AUTHENTICATION = -669;

// ---- Connections ------------------------------------------------------------------------------
// OpenConnByName name formats.
inline constexpr nuint32 NWCC_NAME_FORMAT_BIND = 0;  // bindery server name, "FS1"
inline constexpr nuint32 NWCC_NAME_FORMAT_NDS = 1;   // directory name, "FS1.SALES.ACME"
// GetConnAuthenticationState answers.
inline constexpr nuint32 NWCC_AUTHENT_STATE_NONE = 0;  // attached, nobody logged in
inline constexpr nuint32 NWCC_AUTHENT_STATE_BIND = 1;  // logged in to the server's bindery
inline constexpr nuint32 NWCC_AUTHENT_STATE_NDS = 2;   // authenticated to the directory tree
// Tree names come padded with '_' to this length, as NetWare hands them out.
inline constexpr std::size_t NW_TREE_NAME_PADDED_LEN = 32;

// Bindery object types as the bindery calls take and give them: in the server's high-low byte
// order, like NWGetConnectionInformation (a user, OT_USER = 1 in the file, is 0x0100 here).
inline constexpr nuint16 BINDERY_USER = 0x0100;
inline constexpr nuint16 BINDERY_FILE_SERVER = 0x0400;
inline constexpr nuint16 BINDERY_ANY = 0xFFFF;  // ScanBinderyObjects: every type

// ---- Entries ----------------------------------------------------------------------------------
// Attributes (32-bit attributes word).
inline constexpr nuint32 A_READ_ONLY = 0x00000001;
inline constexpr nuint32 A_HIDDEN = 0x00000002;
inline constexpr nuint32 A_SYSTEM = 0x00000004;
inline constexpr nuint32 A_EXECUTE_ONLY = 0x00000008;
inline constexpr nuint32 A_DIRECTORY = 0x00000010;  // set by the server, never by a caller
inline constexpr nuint32 A_NEEDS_ARCHIVED = 0x00000020;
inline constexpr nuint32 A_SHAREABLE = 0x00000080;
inline constexpr nuint32 A_DONT_SUBALLOCATE = 0x00000800;
inline constexpr nuint32 A_TRANSACTIONAL = 0x00001000;
inline constexpr nuint32 A_IMMEDIATE_PURGE = 0x00010000;
inline constexpr nuint32 A_RENAME_INHIBIT = 0x00020000;
inline constexpr nuint32 A_DELETE_INHIBIT = 0x00040000;
inline constexpr nuint32 A_COPY_INHIBIT = 0x00080000;
inline constexpr nuint32 A_FILE_MIGRATED = 0x00400000;  // status, kept as stored
inline constexpr nuint32 A_DONT_MIGRATE = 0x00800000;
inline constexpr nuint32 A_IMMEDIATE_COMPRESS = 0x02000000;
inline constexpr nuint32 A_FILE_COMPRESSED = 0x04000000;  // status, kept as stored
inline constexpr nuint32 A_DONT_COMPRESS = 0x08000000;
inline constexpr nuint32 A_CANT_COMPRESS = 0x20000000;  // status, kept as stored

// Rights (trustee rights words and inherited rights masks).
inline constexpr nuint16 TR_READ = 0x0001;
inline constexpr nuint16 TR_WRITE = 0x0002;
inline constexpr nuint16 TR_CREATE = 0x0008;
inline constexpr nuint16 TR_ERASE = 0x0010;
inline constexpr nuint16 TR_ACCESS_CONTROL = 0x0020;
inline constexpr nuint16 TR_FILE_SCAN = 0x0040;
inline constexpr nuint16 TR_MODIFY = 0x0080;
inline constexpr nuint16 TR_SUPERVISOR = 0x0100;
inline constexpr nuint16 TR_ALL = 0x01FB;

// Search attributes. An entry with the Hidden (System) attribute matches only when SA_HIDDEN
// (SA_SYSTEM) is set. Which kinds match:
//   SA_ALL (0x8000) set, or a low byte of 0xFB or 0xFF (e.g. 251): files and directories, and
//     for 0xFB/0xFF hidden and system ones too;
//   otherwise SA_SUBDIR_ONLY (0x10) set: directories only (e.g. 22 = 0x16);
//   otherwise files only (e.g. 6; 0 = ordinary files only).
inline constexpr nuint16 SA_NORMAL = 0x0000;
inline constexpr nuint16 SA_HIDDEN = 0x0002;
inline constexpr nuint16 SA_SYSTEM = 0x0004;
inline constexpr nuint16 SA_SUBDIR_ONLY = 0x0010;
inline constexpr nuint16 SA_ALL = 0x8000;
inline constexpr nuint16 SA_FILES = SA_HIDDEN | SA_SYSTEM;                         // 6
inline constexpr nuint16 SA_DIRECTORIES = SA_SUBDIR_ONLY | SA_HIDDEN | SA_SYSTEM;  // 22
inline constexpr nuint16 SA_ANY = 0x00FB;                                          // 251

// ModifyEntryInfo modification mask: which fields of the record are stored.
inline constexpr nuint32 DM_ATTRIBUTES = 0x0002;
inline constexpr nuint32 DM_CREATE_DATE = 0x0004;
inline constexpr nuint32 DM_CREATE_TIME = 0x0008;
inline constexpr nuint32 DM_CREATOR_ID = 0x0010;
inline constexpr nuint32 DM_ARCHIVE_DATE = 0x0020;
inline constexpr nuint32 DM_ARCHIVE_TIME = 0x0040;
inline constexpr nuint32 DM_ARCHIVER_ID = 0x0080;
inline constexpr nuint32 DM_MODIFY_DATE = 0x0100;
inline constexpr nuint32 DM_MODIFY_TIME = 0x0200;
inline constexpr nuint32 DM_MODIFIER_ID = 0x0400;
inline constexpr nuint32 DM_LAST_ACCESS_DATE = 0x0800;
inline constexpr nuint32 DM_INHERITED_RIGHTS_MASK = 0x1000;
inline constexpr nuint32 DM_MAXIMUM_SPACE = 0x2000;  // directories: spaceRestriction

// OpenFile access rights.
inline constexpr nuint8 AR_READ = 0x01;
inline constexpr nuint8 AR_WRITE = 0x02;

// SeekFile origins.
inline constexpr nuint8 SEEK_FROM_START = 0;
inline constexpr nuint8 SEEK_FROM_CURRENT = 1;
inline constexpr nuint8 SEEK_FROM_END = 2;

// Space figures.
inline constexpr nint32 NW_NO_DIRECTORY_RESTRICTION = -1;        // spaceRestriction: none
inline constexpr nuint32 NW_NO_VOLUME_RESTRICTION = 0x40000000;  // a user without a restriction
inline constexpr std::size_t NW_MAX_NAME_SPACE_LIST = 20;
inline constexpr std::size_t NW_MAX_TRUSTEES_PER_SET = 20;
inline constexpr std::size_t NW_MAX_RESTRICTIONS_PER_ANSWER = 12;

// ---- Records ----------------------------------------------------------------------------------

// GetVolumeStats. A block is sectorsPerBlock sectors of 512 bytes.
struct VOLUME_STATS {
    nuint32 totalBlocks = 0;
    nuint32 freeBlocks = 0;
    nuint32 purgeableBlocks = 0;        // held by deleted files that can be purged
    nuint32 notYetPurgeableBlocks = 0;  // always 0 here
    nuint32 totalDirEntries = 0;
    nuint32 availableDirEntries = 0;
    nuint8 sectorsPerBlock = 0;
    nuint16 isRemovable = 0;  // non-zero: removable
    nuint16 volumeNumber = 0;
    char volumeName[NW_MAX_VOLUME_NAME_LEN + 1] = {};
};

// GetExtendedVolumeInfo, level 1.
struct EXTENDED_VOLUME_INFO {
    nuint32 sectorSize = 0;  // 512
    nuint32 sectorsPerBlock = 0;
    nuint32 totalBlocks = 0;
    nuint32 freeBlocks = 0;
    nuint32 badSectors = 0;    // unusable sectors of 512 bytes
    nuint32 deletedFiles = 0;  // deleted files kept for salvage
};

// GetEntryInfo, SearchNext, ModifyEntryInfo. Dates and times are DOS packed: date = (year -
// 1980) << 9 | month << 5 | day, time = hour << 11 | minute << 5 | second / 2; 0 = never.
struct NW_ENTRY_INFO {
    nuint32 attributes = 0;
    nuint16 creationDate = 0;
    nuint16 creationTime = 0;
    nuint32 creatorID = 0;
    nuint16 modifyDate = 0;
    nuint16 modifyTime = 0;
    nuint32 modifierID = 0;
    nuint16 archiveDate = 0;
    nuint16 archiveTime = 0;
    nuint32 archiverID = 0;
    nuint16 lastAccessDate = 0;
    nuint16 inheritedRightsMask = 0;
    nuint64 dataSize = 0;                                   // bytes of a file; 0 for a directory
    nint32 spaceRestriction = NW_NO_DIRECTORY_RESTRICTION;  // directories, 4 KB units
    nuint16 volNumber = 0;
    nuint32 dirEntNum = 0;  // the entry's directory entry number on the volume
    nuint8 nameSpace = 0;   // the name space of entryName
    nuint8 nameLength = 0;
    char entryName[NW_MAX_LONG_NAME_LEN + 1] = {};
};

// StartSearch / SearchNext: where a search stands. It holds no server resources: drop it at
// will. sequence 0xFFFFFFFF = before the first entry.
struct SEARCH_SEQUENCE {
    nuint16 volNumber = 0;
    nuint32 dirNumber = 0;
    nuint32 sequence = 0xFFFFFFFF;
};

struct NW_TRUSTEE {
    nuint32 objectID = 0;
    nuint16 objectRights = 0;
};

// ScanEntryTrustees: up to NW_MAX_TRUSTEES_PER_SET trustees per answer.
struct TRUSTEE_SET {
    nuint16 count = 0;
    NW_TRUSTEE trustees[NW_MAX_TRUSTEES_PER_SET] = {};
};

struct NW_VOLUME_RESTRICTION {
    nuint32 objectID = 0;
    nuint32 restriction = 0;  // 4 KB units
};

// ScanVolumeRestrictions: up to NW_MAX_RESTRICTIONS_PER_ANSWER users per answer.
struct VOLUME_RESTRICTIONS {
    nuint8 numberOfEntries = 0;
    NW_VOLUME_RESTRICTION resInfo[NW_MAX_RESTRICTIONS_PER_ANSWER] = {};
};

#pragma pack(push, 1)
// ScanSalvageableFiles: one deleted file (376 bytes). sequence names this very deleted file in
// its directory for PurgeSalvageableFile and RecoverSalvageableFile; it never names another one
// while this one exists. The entry fields are those the file had when it was erased.
struct NW_DELETED_FILE {
    nuint32 sequence = 0;             // 0
    nuint32 parent = 0;               // 4: directory entry number of its directory
    nuint32 attributes = 0;           // 8
    nuint8 nameSpace = 0;             // 12: the name space of entryName
    nuint8 nameLength = 0;            // 13
    char entryName[256] = {};         // 14
    nuint16 creationDate = 0;         // 270
    nuint16 creationTime = 0;         // 272
    nuint32 creatorID = 0;            // 274
    nuint16 modifyDate = 0;           // 278
    nuint16 modifyTime = 0;           // 280
    nuint32 modifierID = 0;           // 282
    nuint16 archiveDate = 0;          // 286
    nuint16 archiveTime = 0;          // 288
    nuint32 archiverID = 0;           // 290
    nuint16 lastAccessDate = 0;       // 294
    nuint16 inheritedRightsMask = 0;  // 296
    nuint64 dataSize = 0;             // 298
    nuint16 deletedDate = 0;          // 306
    nuint16 deletedTime = 0;          // 308
    nuint32 deletorID = 0;            // 310
    nuint8 reserved[62] = {};         // 314
};
#pragma pack(pop)
static_assert(sizeof(NW_DELETED_FILE) == 376);
static_assert(offsetof(NW_DELETED_FILE, entryName) == 14);
static_assert(offsetof(NW_DELETED_FILE, dataSize) == 298);
static_assert(offsetof(NW_DELETED_FILE, deletorID) == 310);

}  // namespace nw
