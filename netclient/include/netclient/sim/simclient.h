// The simulated NetWare network: a Client that answers as NetWare 4/5/6 servers do, from a
// network file (see the README's "Network file" section). Volume contents are real folders.
// This is the in-process door on the simulator's server model (netclient/sim/servermodel.h):
// it keeps the workstation's side (connection references and handles, drives, the code page)
// and asks the model with the rights the network file gives each workstation connection.
//
// A test builds its own network from JSON text and a scratch folder:
//
//     auto sim = nw::sim::SimClient::fromText(R"({ "workstation": {...}, "servers": [...] })",
//                                              scratchDir);
//     codeUnderTest(*sim);
//     EXPECT_EQ(sim->openHandleCount(), 0u);
//
// (netclient/tests/testnet.h makes the scratch folder and its files in one line.)
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>

#include "netclient/client.h"
#include "netclient/sim/loaderror.h"

namespace nw::sim {

struct Caller;
struct Located;
struct Network;
struct WsConnection;
class ServerModel;

class NWC_API SimClient : public Client {
public:
    // Loads a network file. Throws LoadError; nothing is kept of a file that fails.
    static std::unique_ptr<SimClient> load(const std::filesystem::path& file);
    // Loads network JSON text; folders are relative to baseDir; fileName names the text in
    // error messages.
    static std::unique_ptr<SimClient> fromText(std::string_view json,
                                               const std::filesystem::path& baseDir,
                                               std::string fileName = "network.json");
    ~SimClient() override;

    // Handles opened by NWCCOpenConnByRef and not yet closed.
    std::size_t openHandleCount() const { return handles_.size(); }

    NWCCODE NWCallsInit(nuint8* reserved1, nuint8* reserved2) override;
    NWCCODE GetWorkstationCodePage(std::string& name) override;
    NWCCODE NWCCScanConnRefs(nuint32* scanIterator, NWCONN_REF* connRef) override;
    NWCCODE NWCCGetConnRefInfo(NWCONN_REF connRef, nuint32 infoType, nuint32 len,
                               void* buffer) override;
    NWCCODE NWCCOpenConnByRef(NWCONN_REF connRef, nuint32 openState, nuint32 reserved,
                              NWCONN_HANDLE* conn) override;
    NWCCODE NWCCCloseConn(NWCONN_HANDLE conn) override;
    NWCCODE NWGetFileServerLoginStatus(NWCONN_HANDLE conn, nuint8* loginEnabledFlag) override;
    NWCCODE NWGetDriveInformation(nuint16 drive, nuint16 mode, NWCONN_HANDLE* conn, nuint8* status,
                                  nuint32* rootOffset, char* path) override;
    NWCCODE GetDriveMapping(nuint16 drive, std::string& target, std::string& localFolder) override;
    NWCCODE NWGetNSPath(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint16 fileFlag,
                        nuint8 srcNamSpc, nuint8 dstNamSpc, NW_NS_PATH* nsPath) override;
    NWCCODE NWGetLongName(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, const char* path,
                          nuint8 srcNamSpc, nuint8 dstNamSpc, char* longName) override;
    NWCCODE NWScanConnectionsUsingFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                       const char* filePath, nint16* iterHandle,
                                       CONN_USING_FILE* fileUse,
                                       CONNS_USING_FILE* fileUsed) override;
    NWCCODE NWGetUserInfo(NWCONN_HANDLE conn, nuint32 connNum, char* userName,
                          NWUSER_INFO* userInfo) override;
    NWCCODE NWScanOpenFilesByConn2(NWCONN_HANDLE conn, nuint16 connNum, nint16* iterHandle,
                                   OPEN_FILE_CONN_CTRL* openCtrl,
                                   OPEN_FILE_CONN* openFile) override;
    NWCCODE NWGetPathFromDirectoryBase(NWCONN_HANDLE conn, nuint8 volNum, nuint32 dirBase,
                                       nuint8 namSpc, nuint8* len, char* pathName) override;
    NWCCODE NWGetVolumeName(NWCONN_HANDLE conn, nuint16 volNum, char* volName) override;
    NWCCODE NWScanPhysicalLocksByFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, const char* path,
                                      nuint8 dataStream, nint16* iterHandle, PHYSICAL_LOCK* lock,
                                      PHYSICAL_LOCKS* locks) override;
    NWCCODE NWGetFileServerInformation(NWCONN_HANDLE conn, char* serverName, nuint8* majorVer,
                                       nuint8* minVer, nuint8* rev, nuint16* maxConns,
                                       nuint16* maxConnsUsed, nuint16* connsInUse,
                                       nuint16* numVolumes, nuint8* SFTLevel,
                                       nuint8* TTSLevel) override;
    NWCCODE NWGetConnectionInformation(NWCONN_HANDLE conn, nuint32 connNumber, char* objName,
                                       nuint16* objType, nuint32* objID,
                                       nuint8* loginTime) override;
    NWCCODE NWGetInetAddr(NWCONN_HANDLE conn, nuint32 connNum, NWINET_ADDR* inetAddr) override;
    NWCCODE NWClearConnectionNumber(NWCONN_HANDLE conn, nuint32 connNumber) override;
    NWCCODE NWSendBroadcastMessage(NWCONN_HANDLE conn, const char* message, nuint16 connCount,
                                   const nuint16* connList, nuint8* resultList) override;
    NWCCODE NWEnableFileServerLogin(NWCONN_HANDLE conn) override;
    NWCCODE NWDisableFileServerLogin(NWCONN_HANDLE conn) override;
    NWCCODE NWCheckConsolePrivileges(NWCONN_HANDLE conn) override;

    // ---- Volume control operations (netclient/sim/README: "Volumes") ----
    // Directory handles allocated and not yet freed, over every connection handle.
    std::size_t openDirHandleCount() const;
    // Files opened (OpenFile, CreateFile) and not yet closed.
    std::size_t openFileHandleCount() const;
    // Why the state store cannot be used, or why it only reads (another process, named there,
    // holds the lock on the network's state); empty while it can change (or was not needed yet).
    const std::string& stateError() const;

    NWCCODE OpenConnByName(const char* name, nuint32 nameFormat, nuint32 openState,
                           NWCONN_HANDLE* conn) override;
    NWCCODE GetConnAuthenticationState(NWCONN_HANDLE conn, nuint32* state) override;
    NWCCODE GetConnTreeName(NWCONN_HANDLE conn, std::string& tree) override;
    NWCCODE GetServerDirectoryName(NWCONN_HANDLE conn, std::string& name) override;
    NWCCODE LicenseConn(NWCONN_HANDLE conn) override;
    NWCCODE AuthenticateConnToDirectory(NWCONN_HANDLE conn) override;
    NWCCODE ReadDirectoryAttribute(const char* tree, const char* object, const char* attribute,
                                   std::string& value) override;
    NWCCODE MapDirectoryIdToName(NWCONN_HANDLE conn, nuint32 id, std::string& dottedName) override;
    NWCCODE MapDirectoryNameToId(NWCONN_HANDLE conn, const char* dottedName, nuint32* id) override;
    NWCCODE ScanDirectoryTrees(nuint32* iterHandle, std::string& tree) override;
    NWCCODE ScanDirectoryObjects(const char* tree, const char* container, nuint32* iterHandle,
                                 std::string& name, std::string& objectClass) override;
    NWCCODE GetBinderyObjectName(NWCONN_HANDLE conn, nuint32 id, std::string& name,
                                 nuint16* type) override;
    NWCCODE GetBinderyObjectID(NWCONN_HANDLE conn, const char* name, nuint16 type,
                               nuint32* id) override;
    NWCCODE ScanBinderyObjects(NWCONN_HANDLE conn, const char* pattern, nuint16 type,
                               nuint32* lastObjectID, std::string& name,
                               nuint16* foundType) override;
    NWCCODE GetVolumeNumber(NWCONN_HANDLE conn, const char* volName, nuint16* volNum) override;
    NWCCODE GetVolumeStats(NWCONN_HANDLE conn, nuint16 volNum, VOLUME_STATS* stats) override;
    NWCCODE GetExtendedVolumeInfo(NWCONN_HANDLE conn, nuint16 volNum, nuint16 level,
                                  EXTENDED_VOLUME_INFO* info) override;
    NWCCODE GetVolumeNameSpaces(NWCONN_HANDLE conn, nuint16 volNum, nuint8* count,
                                nuint8* list) override;
    NWCCODE MountVolume(NWCONN_HANDLE conn, const char* volName, nuint16* volNum) override;
    NWCCODE DismountVolume(NWCONN_HANDLE conn, nuint16 volNum) override;
    NWCCODE GetEntryInfo(NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs,
                         const char* path, NW_ENTRY_INFO* info) override;
    NWCCODE ModifyEntryInfo(NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs,
                            const char* path, nuint32 modifyMask,
                            const NW_ENTRY_INFO* info) override;
    NWCCODE GetEffectiveRights(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                               nuint16* rights) override;
    NWCCODE AllocTempDirHandle(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                               NWDIR_HANDLE* dirHandle) override;
    NWCCODE DeallocDirHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle) override;
    NWCCODE StartSearch(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint8 nameSpace,
                        SEARCH_SEQUENCE* seq) override;
    NWCCODE SearchNext(NWCONN_HANDLE conn, SEARCH_SEQUENCE* seq, nuint8 nameSpace,
                       nuint16 searchAttrs, const char* pattern, NW_ENTRY_INFO* info) override;
    NWCCODE SetDirSpaceRestriction(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                   nint32 units) override;
    NWCCODE CreateDirectory(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                            nuint8 rightsMask) override;
    NWCCODE CreateFile(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path, nuint32 attributes,
                       bool replace, NW_FILE_HANDLE* file) override;
    NWCCODE DeleteDirectory(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path) override;
    NWCCODE EraseFile(NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs,
                      const char* path) override;
    NWCCODE MoveEntry(NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs,
                      const char* srcPath, const char* dstPath) override;
    NWCCODE OpenFile(NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs, const char* path,
                     nuint8 accessRights, NW_FILE_HANDLE* file) override;
    NWCCODE ReadFile(NW_FILE_HANDLE file, nuint32 bytes, nuint32* bytesRead, void* buffer) override;
    NWCCODE WriteFile(NW_FILE_HANDLE file, nuint32 bytes, const void* data,
                      nuint32* written) override;
    NWCCODE SeekFile(NW_FILE_HANDLE file, nint64 offset, nuint8 origin,
                     nint64* newPosition) override;
    NWCCODE CloseFile(NW_FILE_HANDLE file) override;
    NWCCODE CopyFileData(NWCONN_HANDLE conn, NW_FILE_HANDLE src, NW_FILE_HANDLE dst,
                         nuint64 srcOffset, nuint64 dstOffset, nuint64 count,
                         nuint64* copied) override;
    NWCCODE ScanEntryTrustees(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                              nuint32* iterHandle, TRUSTEE_SET* set) override;
    NWCCODE AddTrusteeToEntry(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                              nuint32 objectID, nuint16 rights) override;
    NWCCODE DeleteTrusteeFromEntry(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                                   nuint32 objectID) override;
    NWCCODE ScanVolumeRestrictions(NWCONN_HANDLE conn, nuint16 volNum, nuint32 sequence,
                                   VOLUME_RESTRICTIONS* restrictions) override;
    NWCCODE GetObjectVolumeRestriction(NWCONN_HANDLE conn, nuint16 volNum, nuint32 objectID,
                                       nuint32* restriction, nuint32* inUse) override;
    NWCCODE SetObjectVolumeRestriction(NWCONN_HANDLE conn, nuint16 volNum, nuint32 objectID,
                                       nuint32 restriction) override;
    NWCCODE RemoveObjectVolumeRestriction(NWCONN_HANDLE conn, nuint16 volNum,
                                          nuint32 objectID) override;
    NWCCODE ScanSalvageableFiles(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint8 nameSpace,
                                 nuint32* sequence, NW_DELETED_FILE* deleted) override;
    NWCCODE PurgeSalvageableFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                 nuint32 sequence) override;
    NWCCODE RecoverSalvageableFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint8 nameSpace,
                                   nuint32 sequence, const char* newName) override;

    // The model, for the simulator's own extensions and tests.
    Network& network();
    ServerModel& model() { return *model_; }

private:
    explicit SimClient(std::unique_ptr<Network> net);
    // The workstation connection behind an open handle whose connection is still alive.
    WsConnection* live(NWCONN_HANDLE conn);
    // Who asks through a live handle: the connection's station, the object the network file
    // logs in on it and its console operator right; null for a bad handle.
    const Caller* caller(NWCONN_HANDLE conn);
    // caller, with the state store opened (it replaces the network file's volume data).
    const Caller* volumeCaller(NWCONN_HANDLE conn);
    // volumeCaller, and the entry a path names, still on disk: INVALID_CONNECTION, the path's
    // errors or 0.
    NWCCODE entryOf(NWCONN_HANDLE conn, const char* path, nuint8 nameSpace, const Caller*& who,
                    Located& target);
    NWCCODE switchLogins(NWCONN_HANDLE conn, bool enabled);

    std::unique_ptr<ServerModel> model_;
    Network& net_;
    std::unordered_map<NWCONN_HANDLE, WsConnection*> handles_;
    std::unordered_map<const WsConnection*, std::unique_ptr<Caller>> callers_;
    NWCONN_HANDLE nextHandle_ = 0x1000;
};

}  // namespace nw::sim
