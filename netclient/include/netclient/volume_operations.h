// The list of the volume control operations of Client (the section "Volume control operations"
// of client.h), in that order, for NW_CLIENT_OPERATIONS: X(name, parameter list, argument list).
#pragma once

#include <string>

#include "netclient/types.h"
#include "netclient/volume.h"

#define NW_VOLUME_OPERATIONS(X)                                                                   \
    X(OpenConnByName,                                                                             \
      (const char* name, nuint32 nameFormat, nuint32 openState, NWCONN_HANDLE* conn),             \
      (name, nameFormat, openState, conn))                                                        \
    X(GetConnAuthenticationState, (NWCONN_HANDLE conn, nuint32 * state), (conn, state))           \
    X(GetConnTreeName, (NWCONN_HANDLE conn, std::string & tree), (conn, tree))                    \
    X(GetServerDirectoryName, (NWCONN_HANDLE conn, std::string & name), (conn, name))             \
    X(LicenseConn, (NWCONN_HANDLE conn), (conn))                                                  \
    X(AuthenticateConnToDirectory, (NWCONN_HANDLE conn), (conn))                                  \
    X(ReadDirectoryAttribute,                                                                     \
      (const char* tree, const char* object, const char* attribute, std::string& value),          \
      (tree, object, attribute, value))                                                           \
    X(MapDirectoryIdToName, (NWCONN_HANDLE conn, nuint32 id, std::string & dottedName),           \
      (conn, id, dottedName))                                                                     \
    X(MapDirectoryNameToId, (NWCONN_HANDLE conn, const char* dottedName, nuint32* id),            \
      (conn, dottedName, id))                                                                     \
    X(ScanDirectoryTrees, (nuint32 * iterHandle, std::string & tree), (iterHandle, tree))         \
    X(ScanDirectoryObjects,                                                                       \
      (const char* tree, const char* container, nuint32* iterHandle, std::string& name,           \
       std::string& objectClass),                                                                 \
      (tree, container, iterHandle, name, objectClass))                                           \
    X(GetBinderyObjectName, (NWCONN_HANDLE conn, nuint32 id, std::string & name, nuint16 * type), \
      (conn, id, name, type))                                                                     \
    X(GetBinderyObjectID, (NWCONN_HANDLE conn, const char* name, nuint16 type, nuint32* id),      \
      (conn, name, type, id))                                                                     \
    X(ScanBinderyObjects,                                                                         \
      (NWCONN_HANDLE conn, const char* pattern, nuint16 type, nuint32* lastObjectID,              \
       std::string& name, nuint16* foundType),                                                    \
      (conn, pattern, type, lastObjectID, name, foundType))                                       \
    X(GetVolumeNumber, (NWCONN_HANDLE conn, const char* volName, nuint16* volNum),                \
      (conn, volName, volNum))                                                                    \
    X(GetVolumeStats, (NWCONN_HANDLE conn, nuint16 volNum, VOLUME_STATS * stats),                 \
      (conn, volNum, stats))                                                                      \
    X(GetExtendedVolumeInfo,                                                                      \
      (NWCONN_HANDLE conn, nuint16 volNum, nuint16 level, EXTENDED_VOLUME_INFO * info),           \
      (conn, volNum, level, info))                                                                \
    X(GetVolumeNameSpaces, (NWCONN_HANDLE conn, nuint16 volNum, nuint8 * count, nuint8 * list),   \
      (conn, volNum, count, list))                                                                \
    X(MountVolume, (NWCONN_HANDLE conn, const char* volName, nuint16* volNum),                    \
      (conn, volName, volNum))                                                                    \
    X(DismountVolume, (NWCONN_HANDLE conn, nuint16 volNum), (conn, volNum))                       \
    X(GetEntryInfo,                                                                               \
      (NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs, const char* path,               \
       NW_ENTRY_INFO* info),                                                                      \
      (conn, nameSpace, searchAttrs, path, info))                                                 \
    X(ModifyEntryInfo,                                                                            \
      (NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs, const char* path,               \
       nuint32 modifyMask, const NW_ENTRY_INFO* info),                                            \
      (conn, nameSpace, searchAttrs, path, modifyMask, info))                                     \
    X(GetEffectiveRights,                                                                         \
      (NWCONN_HANDLE conn, nuint8 nameSpace, const char* path, nuint16* rights),                  \
      (conn, nameSpace, path, rights))                                                            \
    X(AllocTempDirHandle,                                                                         \
      (NWCONN_HANDLE conn, nuint8 nameSpace, const char* path, NWDIR_HANDLE* dirHandle),          \
      (conn, nameSpace, path, dirHandle))                                                         \
    X(DeallocDirHandle, (NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle), (conn, dirHandle))          \
    X(StartSearch,                                                                                \
      (NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint8 nameSpace, SEARCH_SEQUENCE * seq),      \
      (conn, dirHandle, nameSpace, seq))                                                          \
    X(SearchNext,                                                                                 \
      (NWCONN_HANDLE conn, SEARCH_SEQUENCE * seq, nuint8 nameSpace, nuint16 searchAttrs,          \
       const char* pattern, NW_ENTRY_INFO* info),                                                 \
      (conn, seq, nameSpace, searchAttrs, pattern, info))                                         \
    X(SetDirSpaceRestriction, (NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nint32 units),         \
      (conn, dirHandle, units))                                                                   \
    X(CreateDirectory,                                                                            \
      (NWCONN_HANDLE conn, nuint8 nameSpace, const char* path, nuint8 rightsMask),                \
      (conn, nameSpace, path, rightsMask))                                                        \
    X(CreateFile,                                                                                 \
      (NWCONN_HANDLE conn, nuint8 nameSpace, const char* path, nuint32 attributes, bool replace,  \
       NW_FILE_HANDLE* file),                                                                     \
      (conn, nameSpace, path, attributes, replace, file))                                         \
    X(DeleteDirectory, (NWCONN_HANDLE conn, nuint8 nameSpace, const char* path),                  \
      (conn, nameSpace, path))                                                                    \
    X(EraseFile, (NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs, const char* path),   \
      (conn, nameSpace, searchAttrs, path))                                                       \
    X(MoveEntry,                                                                                  \
      (NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs, const char* srcPath,            \
       const char* dstPath),                                                                      \
      (conn, nameSpace, searchAttrs, srcPath, dstPath))                                           \
    X(OpenFile,                                                                                   \
      (NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs, const char* path,               \
       nuint8 accessRights, NW_FILE_HANDLE* file),                                                \
      (conn, nameSpace, searchAttrs, path, accessRights, file))                                   \
    X(ReadFile, (NW_FILE_HANDLE file, nuint32 bytes, nuint32 * bytesRead, void* buffer),          \
      (file, bytes, bytesRead, buffer))                                                           \
    X(WriteFile, (NW_FILE_HANDLE file, nuint32 bytes, const void* data, nuint32* written),        \
      (file, bytes, data, written))                                                               \
    X(SeekFile, (NW_FILE_HANDLE file, nint64 offset, nuint8 origin, nint64 * newPosition),        \
      (file, offset, origin, newPosition))                                                        \
    X(CloseFile, (NW_FILE_HANDLE file), (file))                                                   \
    X(CopyFileData,                                                                               \
      (NWCONN_HANDLE conn, NW_FILE_HANDLE src, NW_FILE_HANDLE dst, nuint64 srcOffset,             \
       nuint64 dstOffset, nuint64 count, nuint64 * copied),                                       \
      (conn, src, dst, srcOffset, dstOffset, count, copied))                                      \
    X(ScanEntryTrustees,                                                                          \
      (NWCONN_HANDLE conn, nuint8 nameSpace, const char* path, nuint32* iterHandle,               \
       TRUSTEE_SET* set),                                                                         \
      (conn, nameSpace, path, iterHandle, set))                                                   \
    X(AddTrusteeToEntry,                                                                          \
      (NWCONN_HANDLE conn, nuint8 nameSpace, const char* path, nuint32 objectID, nuint16 rights), \
      (conn, nameSpace, path, objectID, rights))                                                  \
    X(DeleteTrusteeFromEntry,                                                                     \
      (NWCONN_HANDLE conn, nuint8 nameSpace, const char* path, nuint32 objectID),                 \
      (conn, nameSpace, path, objectID))                                                          \
    X(ScanVolumeRestrictions,                                                                     \
      (NWCONN_HANDLE conn, nuint16 volNum, nuint32 sequence, VOLUME_RESTRICTIONS * restrictions), \
      (conn, volNum, sequence, restrictions))                                                     \
    X(GetObjectVolumeRestriction,                                                                 \
      (NWCONN_HANDLE conn, nuint16 volNum, nuint32 objectID, nuint32 * restriction,               \
       nuint32 * inUse),                                                                          \
      (conn, volNum, objectID, restriction, inUse))                                               \
    X(SetObjectVolumeRestriction,                                                                 \
      (NWCONN_HANDLE conn, nuint16 volNum, nuint32 objectID, nuint32 restriction),                \
      (conn, volNum, objectID, restriction))                                                      \
    X(RemoveObjectVolumeRestriction, (NWCONN_HANDLE conn, nuint16 volNum, nuint32 objectID),      \
      (conn, volNum, objectID))                                                                   \
    X(ScanSalvageableFiles,                                                                       \
      (NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint8 nameSpace, nuint32 * sequence,          \
       NW_DELETED_FILE * deleted),                                                                \
      (conn, dirHandle, nameSpace, sequence, deleted))                                            \
    X(PurgeSalvageableFile, (NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32 sequence),       \
      (conn, dirHandle, sequence))                                                                \
    X(RecoverSalvageableFile,                                                                     \
      (NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint8 nameSpace, nuint32 sequence,            \
       const char* newName),                                                                      \
      (conn, dirHandle, nameSpace, sequence, newName))
