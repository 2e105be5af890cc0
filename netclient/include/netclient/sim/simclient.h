// The simulated NetWare network: a Client that answers as NetWare 4/5/6 servers do, from a
// network file (see the README's "Network file" section). Volume contents are real folders.
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

namespace nw::sim {

struct Network;
struct WsConnection;

// A network file that cannot be loaded. what() names the file, the JSON path of the bad value
// and what was expected, e.g.
//   net.json: servers[0].volumes[1].nameSpaces[2]: expected an integer from 0 to 4, got "x"
class NWC_API LoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

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

    // The model, for the simulator's own extensions and tests.
    Network& network() { return *net_; }

private:
    explicit SimClient(std::unique_ptr<Network> net);
    // The workstation connection behind an open handle whose connection is still alive.
    WsConnection* live(NWCONN_HANDLE conn);
    NWCCODE switchLogins(NWCONN_HANDLE conn, bool enabled);

    std::unique_ptr<Network> net_;
    std::unordered_map<NWCONN_HANDLE, WsConnection*> handles_;
    NWCONN_HANDLE nextHandle_ = 0x1000;
};

}  // namespace nw::sim
