// The list of Client operations, for code that treats every operation alike (forwarding,
// fault injection). X(name, parameter list, argument list) per operation, in the order of
// client.h. Adding an operation to Client means adding it here too; the compiler then points
// at every decorator that must follow.
#pragma once

#include <string>

#include "netclient/types.h"
#include "netclient/volume_operations.h"

#define NW_CLIENT_OPERATIONS(X)                                                                    \
    X(NWCallsInit, (nuint8 * reserved1, nuint8 * reserved2), (reserved1, reserved2))               \
    X(GetWorkstationCodePage, (std::string & name), (name))                                        \
    X(NWCCScanConnRefs, (nuint32 * scanIterator, NWCONN_REF * connRef), (scanIterator, connRef))   \
    X(NWCCGetConnRefInfo, (NWCONN_REF connRef, nuint32 infoType, nuint32 len, void* buffer),       \
      (connRef, infoType, len, buffer))                                                            \
    X(NWCCOpenConnByRef,                                                                           \
      (NWCONN_REF connRef, nuint32 openState, nuint32 reserved, NWCONN_HANDLE * conn),             \
      (connRef, openState, reserved, conn))                                                        \
    X(NWCCCloseConn, (NWCONN_HANDLE conn), (conn))                                                 \
    X(GetConnRefFailure, (NWCONN_REF connRef, std::string & text), (connRef, text))                \
    X(NWGetFileServerLoginStatus, (NWCONN_HANDLE conn, nuint8 * loginEnabledFlag),                 \
      (conn, loginEnabledFlag))                                                                    \
    X(NWGetDriveInformation,                                                                       \
      (nuint16 drive, nuint16 mode, NWCONN_HANDLE * conn, nuint8 * status, nuint32 * rootOffset,   \
       char* path),                                                                                \
      (drive, mode, conn, status, rootOffset, path))                                               \
    X(GetDriveMapping, (nuint16 drive, std::string & target, std::string & localFolder),           \
      (drive, target, localFolder))                                                                \
    X(NWGetNSPath,                                                                                 \
      (NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint16 fileFlag, nuint8 srcNamSpc,             \
       nuint8 dstNamSpc, NW_NS_PATH * nsPath),                                                     \
      (conn, dirHandle, fileFlag, srcNamSpc, dstNamSpc, nsPath))                                   \
    X(NWGetLongName,                                                                               \
      (NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, const char* path, nuint8 srcNamSpc,             \
       nuint8 dstNamSpc, char* longName),                                                          \
      (conn, dirHandle, path, srcNamSpc, dstNamSpc, longName))                                     \
    X(NWScanConnectionsUsingFile,                                                                  \
      (NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, const char* filePath, nint16* iterHandle,       \
       CONN_USING_FILE* fileUse, CONNS_USING_FILE* fileUsed),                                      \
      (conn, dirHandle, filePath, iterHandle, fileUse, fileUsed))                                  \
    X(NWGetUserInfo, (NWCONN_HANDLE conn, nuint32 connNum, char* userName, NWUSER_INFO* userInfo), \
      (conn, connNum, userName, userInfo))                                                         \
    X(NWScanOpenFilesByConn2,                                                                      \
      (NWCONN_HANDLE conn, nuint16 connNum, nint16 * iterHandle, OPEN_FILE_CONN_CTRL * openCtrl,   \
       OPEN_FILE_CONN * openFile),                                                                 \
      (conn, connNum, iterHandle, openCtrl, openFile))                                             \
    X(NWGetPathFromDirectoryBase,                                                                  \
      (NWCONN_HANDLE conn, nuint8 volNum, nuint32 dirBase, nuint8 namSpc, nuint8 * len,            \
       char* pathName),                                                                            \
      (conn, volNum, dirBase, namSpc, len, pathName))                                              \
    X(NWGetVolumeName, (NWCONN_HANDLE conn, nuint16 volNum, char* volName),                        \
      (conn, volNum, volName))                                                                     \
    X(NWScanPhysicalLocksByFile,                                                                   \
      (NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, const char* path, nuint8 dataStream,            \
       nint16* iterHandle, PHYSICAL_LOCK* lock, PHYSICAL_LOCKS* locks),                            \
      (conn, dirHandle, path, dataStream, iterHandle, lock, locks))                                \
    X(NWGetFileServerInformation,                                                                  \
      (NWCONN_HANDLE conn, char* serverName, nuint8* majorVer, nuint8* minVer, nuint8* rev,        \
       nuint16* maxConns, nuint16* maxConnsUsed, nuint16* connsInUse, nuint16* numVolumes,         \
       nuint8* SFTLevel, nuint8* TTSLevel),                                                        \
      (conn, serverName, majorVer, minVer, rev, maxConns, maxConnsUsed, connsInUse, numVolumes,    \
       SFTLevel, TTSLevel))                                                                        \
    X(NWGetConnectionInformation,                                                                  \
      (NWCONN_HANDLE conn, nuint32 connNumber, char* objName, nuint16* objType, nuint32* objID,    \
       nuint8* loginTime),                                                                         \
      (conn, connNumber, objName, objType, objID, loginTime))                                      \
    X(NWGetInetAddr, (NWCONN_HANDLE conn, nuint32 connNum, NWINET_ADDR * inetAddr),                \
      (conn, connNum, inetAddr))                                                                   \
    X(NWClearConnectionNumber, (NWCONN_HANDLE conn, nuint32 connNumber), (conn, connNumber))       \
    X(NWSendBroadcastMessage,                                                                      \
      (NWCONN_HANDLE conn, const char* message, nuint16 connCount, const nuint16* connList,        \
       nuint8* resultList),                                                                        \
      (conn, message, connCount, connList, resultList))                                            \
    X(NWEnableFileServerLogin, (NWCONN_HANDLE conn), (conn))                                       \
    X(NWDisableFileServerLogin, (NWCONN_HANDLE conn), (conn))                                      \
    X(NWCheckConsolePrivileges, (NWCONN_HANDLE conn), (conn))                                      \
    NW_VOLUME_OPERATIONS(X)
