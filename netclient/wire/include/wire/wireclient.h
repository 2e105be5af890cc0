// The wire back end of nw::Client: the workstation's connections (a workstation file) served
// by NetWare servers over NCP/TCP.
//
// Local, as on a NetWare workstation: connection references, drive mappings, the code page.
// Everything else travels as NCP requests, one TCP session per workstation connection, shared
// by every handle opened on it. The session is opened (and logged in) on the first open of the
// reference and lasts until the client is destroyed or the server clears it; closing the last
// handle does not log out. See netclient/wire/README.md for the calls, fallbacks and caches.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "netclient/client.h"
#include "netclient/operations.h"
#include "wire/passwords.h"
#include "wire/session.h"
#include "wire/transport.h"
#include "wire/workstation.h"

namespace nw::wire {

namespace detail {
struct Connection;
struct Handle;
struct EntryPlace;
struct SearchBuffer;
struct WireFile;
}  // namespace detail

// Answers every volume control operation "not carried over the wire yet", so that the wire
// client overrides only what it carries.
class NotOverWire : public Client {
public:
#define NW_NOT_OVER_WIRE(name, params, args) NWCCODE name params override;
    NW_VOLUME_OPERATIONS(NW_NOT_OVER_WIRE)
#undef NW_NOT_OVER_WIRE
};

struct WireOptions {
    // Connect: 3 s; replies: the workstation file's timeoutSeconds (10 s by default).
    std::chrono::milliseconds connectTimeout{3000};
    std::optional<std::chrono::milliseconds> replyTimeout;
    // After a transport failure a reference is tried again at most this often.
    std::chrono::milliseconds retryInterval{60000};
    // The clock of that rule (tests move it).
    std::function<SteadyClock::time_point()> clock = [] { return SteadyClock::now(); };
    // When set, every session's traffic is written there as a capture (SERVER-PID-N.pcap).
    std::filesystem::path captureFolder;
    // When set, asked before a reference is attached again after a failure: the workstation as
    // it stands now (the addresses of a server that was restarted), or nullopt to keep the old.
    std::function<std::optional<WorkstationConfig>()> reloadWorkstation;
};

class WireClient final : public NotOverWire {
public:
    WireClient(WorkstationConfig workstation, std::unique_ptr<PasswordSource> passwords,
               WireOptions options = {});
    ~WireClient() override;
    WireClient(const WireClient&) = delete;
    WireClient& operator=(const WireClient&) = delete;

    // Handles opened and not yet closed.
    std::size_t openHandleCount() const;
    // Directory handles allocated and files opened through them, not yet released.
    std::size_t openDirHandleCount() const;
    std::size_t openFileHandleCount() const { return files_.size(); }
    // Request/reply round trips over every session so far.
    std::uint64_t roundTrips() const;
    // The text of the last failure of a reference's connection (transport, login); empty
    // when there was none.
    std::string failureText(NWCONN_REF ref) const;
    // The connection number the server gave a live connection; 0 when it is not attached.
    nuint16 ownConnectionNumber(NWCONN_REF ref) const;
    const WorkstationConfig& workstation() const { return workstation_; }

    NWCCODE NWCallsInit(nuint8* reserved1, nuint8* reserved2) override;
    NWCCODE GetWorkstationCodePage(std::string& name) override;
    NWCCODE NWCCScanConnRefs(nuint32* scanIterator, NWCONN_REF* connRef) override;
    NWCCODE NWCCGetConnRefInfo(NWCONN_REF connRef, nuint32 infoType, nuint32 len,
                               void* buffer) override;
    NWCCODE NWCCOpenConnByRef(NWCONN_REF connRef, nuint32 openState, nuint32 reserved,
                              NWCONN_HANDLE* conn) override;
    NWCCODE NWCCCloseConn(NWCONN_HANDLE conn) override;
    NWCCODE GetConnRefFailure(NWCONN_REF connRef, std::string& text) override;
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

    // The volume control operations: connections by name, directory handles and searches
    // (wire_search.cpp). Those not overridden here answer NWE_NOT_SUPPORTED_OVER_WIRE.
    NWCCODE OpenConnByName(const char* name, nuint32 nameFormat, nuint32 openState,
                           NWCONN_HANDLE* conn) override;
    NWCCODE GetConnAuthenticationState(NWCONN_HANDLE conn, nuint32* state) override;
    NWCCODE GetVolumeNumber(NWCONN_HANDLE conn, const char* volName, nuint16* volNum) override;
    NWCCODE AllocTempDirHandle(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                               NWDIR_HANDLE* dirHandle) override;
    NWCCODE DeallocDirHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle) override;
    NWCCODE StartSearch(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint8 nameSpace,
                        SEARCH_SEQUENCE* seq) override;
    NWCCODE SearchNext(NWCONN_HANDLE conn, SEARCH_SEQUENCE* seq, nuint8 nameSpace,
                       nuint16 searchAttrs, const char* pattern, NW_ENTRY_INFO* info) override;

    // Directory services (wire_directory.cpp).
    NWCCODE GetConnTreeName(NWCONN_HANDLE conn, std::string& tree) override;
    NWCCODE GetServerDirectoryName(NWCONN_HANDLE conn, std::string& name) override;
    NWCCODE LicenseConn(NWCONN_HANDLE conn) override;
    NWCCODE ReadDirectoryAttribute(const char* tree, const char* object, const char* attribute,
                                   std::string& value) override;
    NWCCODE MapDirectoryIdToName(NWCONN_HANDLE conn, nuint32 id, std::string& dottedName) override;
    NWCCODE MapDirectoryNameToId(NWCONN_HANDLE conn, const char* dottedName, nuint32* id) override;
    NWCCODE ScanDirectoryTrees(nuint32* iterHandle, std::string& tree) override;
    NWCCODE ScanDirectoryObjects(const char* tree, const char* container, nuint32* iterHandle,
                                 std::string& name, std::string& objectClass) override;

    // Volumes (wire_volumes.cpp).
    NWCCODE AuthenticateConnToDirectory(NWCONN_HANDLE conn) override;
    NWCCODE GetVolumeStats(NWCONN_HANDLE conn, nuint16 volNum, VOLUME_STATS* stats) override;
    NWCCODE GetExtendedVolumeInfo(NWCONN_HANDLE conn, nuint16 volNum, nuint16 level,
                                  EXTENDED_VOLUME_INFO* info) override;
    NWCCODE GetVolumeNameSpaces(NWCONN_HANDLE conn, nuint16 volNum, nuint8* count,
                                nuint8* list) override;
    NWCCODE MountVolume(NWCONN_HANDLE conn, const char* volName, nuint16* volNum) override;
    NWCCODE DismountVolume(NWCONN_HANDLE conn, nuint16 volNum) override;

    // Entries (wire_entries.cpp).
    NWCCODE GetEntryInfo(NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs,
                         const char* path, NW_ENTRY_INFO* info) override;
    NWCCODE ModifyEntryInfo(NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs,
                            const char* path, nuint32 modifyMask,
                            const NW_ENTRY_INFO* info) override;
    NWCCODE GetEffectiveRights(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                               nuint16* rights) override;
    NWCCODE SetDirSpaceRestriction(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                   nint32 units) override;
    NWCCODE CreateDirectory(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                            nuint8 rightsMask) override;
    NWCCODE DeleteDirectory(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path) override;
    NWCCODE EraseFile(NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs,
                      const char* path) override;
    NWCCODE MoveEntry(NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs,
                      const char* srcPath, const char* dstPath) override;

    // File contents (wire_filedata.cpp).
    NWCCODE CreateFile(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path, nuint32 attributes,
                       bool replace, NW_FILE_HANDLE* file) override;
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

    // Bindery (wire_bindery.cpp).
    NWCCODE GetBinderyObjectName(NWCONN_HANDLE conn, nuint32 id, std::string& name,
                                 nuint16* type) override;
    NWCCODE GetBinderyObjectID(NWCONN_HANDLE conn, const char* name, nuint16 type,
                               nuint32* id) override;
    NWCCODE ScanBinderyObjects(NWCONN_HANDLE conn, const char* pattern, nuint16 type,
                               nuint32* lastObjectID, std::string& name,
                               nuint16* foundType) override;

    // Trustees and users' space restrictions (wire_rights.cpp).
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

    // Deleted files (wire_salvage.cpp).
    NWCCODE ScanSalvageableFiles(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint8 nameSpace,
                                 nuint32* sequence, NW_DELETED_FILE* deleted) override;
    NWCCODE PurgeSalvageableFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                 nuint32 sequence) override;
    NWCCODE RecoverSalvageableFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint8 nameSpace,
                                   nuint32 sequence, const char* newName) override;

private:
    using Connection = detail::Connection;
    using Handle = detail::Handle;

    Connection* connectionByRef(NWCONN_REF ref) const;
    // Makes the connection usable: attaches and logs in as the rules allow. 0 or why not.
    NWCCODE ensureLive(Connection& connection);
    NWCCODE attach(Connection& connection);
    NWCCODE login(Connection& connection);
    // Ends a connection's session after a failure, as cleared or to be tried again.
    void settle(Connection& connection);
    NWCCODE openHandle(Connection& connection, NWCONN_HANDLE* conn);
    // The handle's state when its session still carries calls; else null and the code.
    Handle* use(NWCONN_HANDLE conn, NWCCODE& code);
    // use(), then the volume path in its wire form; a missing or unusable path answers
    // INVALID_PATH.
    Handle* useWithPath(NWCONN_HANDLE conn, const char* path, ncp::HandlePath& wirePath,
                        NWCCODE& code);
    template <class C>
    Outcome<typename C::Reply> call(Handle& handle, const typename C::Request& request);

    // Shared steps of the file queries (wire_files.cpp).
    // fullPath and placeOf answer from the caller's text when it was asked before, else parse
    // it (the ...Parsed steps).
    NWCCODE fullPath(Handle& h, nuint8 src, nuint8 dst, const char* path,
                     const std::vector<std::string>*& components);
    NWCCODE fullPathParsed(Handle& h, nuint8 src, nuint8 dst, const char* path,
                           const std::vector<std::string>*& components);
    NWCCODE placeOf(Handle& h, const char* path, detail::EntryPlace& place);
    NWCCODE placeOfParsed(Handle& h, const char* path, detail::EntryPlace& place);
    NWCCODE directoryPath(Handle& h, nuint8 volume, nuint32 dirBase, nuint8 nameSpace,
                          const std::vector<std::string>*& components);
    NWCCODE volumeName(Handle& h, nuint8 volume, const std::string*& name);
    NWCCODE loadUsers(Handle& h, const char* path);
    NWCCODE loadLocks(Handle& h, const char* path);
    NWCCODE loadOpenFiles(Handle& h, nuint16 connNum, std::size_t position);
    void rememberPlace(Handle& h, nuint8 volume, const std::vector<std::string>& components,
                       nuint32 dosBase);
    NWCCODE fetchSearch(Handle& h, detail::SearchBuffer& search);
    void releaseDirHandles(Handle& h);
    // Entries and files (wire_entries.cpp, wire_filedata.cpp).
    NWCCODE entryRecord(Handle& h, nuint8 nameSpace, nuint16 searchAttrs, const char* path,
                        ncp::EntryInfo& record);
    NWCCODE openOrCreate(Handle& h, NWCONN_HANDLE conn,
                         const ncp::call::OpenCreateEntry::Request& request, NW_FILE_HANDLE* file);
    // The open file and its connection's state when its session still carries calls.
    detail::WireFile* fileOf(NW_FILE_HANDLE file, Handle*& h, NWCCODE& code);
    // Closes the files a connection handle opened (as its close does on the server).
    void releaseFiles(NWCONN_HANDLE conn);
    // Drops the volume names and numbers every handle on the connection has cached.
    void forgetVolumes(Connection& connection);
    // One directory-services verb over 104/2: 0, the directory's negative error, or why the
    // exchange failed.
    template <class V>
    NWCCODE directoryVerb(Handle& h, const typename V::Request& request, typename V::Reply& reply);
    // The tree of the handle's server, as 104/1 names it (padded); ERR_NO_SUCH_ENTRY for none.
    NWCCODE treeOf(Handle& h, std::string& tree);
    // A new handle on a workstation connection to a server of the tree; the caller closes it.
    NWCCODE openTreeConnection(const char* tree, NWCONN_HANDLE& conn);
    // A new handle on the workstation connection whose server has that directory name
    // (upper-case, a leading dot allowed), as the server itself names it (verb 53); the caller
    // closes it. NO_SUCH_OBJECT when no connected server has that name.
    NWCCODE openConnByDirectoryName(std::string name, NWCONN_HANDLE& conn);
    // The deleted file a directory handle's directory keeps under that sequence (87/22).
    NWCCODE salvageTarget(Handle& h, NWDIR_HANDLE dirHandle, nuint8 nameSpace, nuint32 sequence,
                          ncp::call::SalvageTarget& target);

    WorkstationConfig workstation_;
    std::unique_ptr<PasswordSource> passwords_;
    WireOptions options_;
    std::vector<std::unique_ptr<Connection>> connections_;
    std::map<NWCONN_HANDLE, std::unique_ptr<Handle>> handles_;
    NWCONN_HANDLE nextHandle_ = 0x2000;
    std::uint32_t nextSearchToken_ = 1;
    std::map<NW_FILE_HANDLE, std::unique_ptr<detail::WireFile>> files_;
    NW_FILE_HANDLE nextFile_ = 1;
    std::map<NWCONN_REF, std::string> treeNames_;  // "" for a server in no tree
    std::vector<std::string> knownTrees_;          // ScanDirectoryTrees
    std::string listingKey_;                       // ScanDirectoryObjects: tree and container
    std::vector<std::pair<std::string, std::string>> listing_;  // name, class
    unsigned captures_ = 0;
};

}  // namespace nw::wire
