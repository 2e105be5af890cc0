// The simulated client's operations.
#include "netclient/sim/simclient.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "loader.h"
#include "model.h"
#include "servermodel.h"
#include "services.h"

namespace nw::sim {

namespace {

constexpr const char* kNotLoggedIn = "NOT_LOGGED_IN";

// Copies text NUL-terminated into a buffer of size bytes; false when it does not fit.
bool copyText(char* out, std::size_t size, std::string_view text) {
    if (text.size() + 1 > size)
        return false;
    std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\0';
    return true;
}

// Iteration handles are 16-bit positions; -1 (0xFFFF) marks the end.
std::size_t position(nint16 handle) {
    return static_cast<nuint16>(handle);
}
nint16 handleAt(std::size_t next) {
    return static_cast<nint16>(static_cast<nuint16>(next));
}

// The server reports object types high byte first.
nuint16 highLow(nuint16 value) {
    return static_cast<nuint16>(value << 8 | value >> 8);
}

void put48(nuint8* out, std::uint64_t value) {
    for (int i = 0; i < 6; ++i)
        out[i] = static_cast<nuint8>(value >> (8 * i));
}

template <class T>
void set(T* out, T value) {
    if (out != nullptr)
        *out = value;
}

bool driveUsable(const Network& net, const std::optional<Drive>& drive) {
    if (!drive || !drive->volume->mounted)
        return false;
    return std::any_of(net.connections.begin(), net.connections.end(), [&](const auto& c) {
        return !c->ended && c->server == drive->volume->server;
    });
}

}  // namespace

SimClient::SimClient(std::unique_ptr<Network> net)
    : model_(std::make_unique<ServerModel>(std::move(net))), net_(model_->net()) {}
SimClient::~SimClient() = default;

Network& SimClient::network() {
    return net_;
}

std::unique_ptr<SimClient> SimClient::load(const std::filesystem::path& file) {
    return std::unique_ptr<SimClient>(new SimClient(loadNetworkFile(file)));
}

std::unique_ptr<SimClient> SimClient::fromText(std::string_view json,
                                               const std::filesystem::path& baseDir,
                                               std::string fileName) {
    return std::unique_ptr<SimClient>(new SimClient(loadNetwork(json, baseDir, fileName)));
}

WsConnection* SimClient::live(NWCONN_HANDLE conn) {
    auto it = handles_.find(conn);
    if (it == handles_.end() || it->second->ended)
        return nullptr;
    return it->second;
}

const Caller* SimClient::caller(NWCONN_HANDLE conn) {
    WsConnection* connection = live(conn);
    if (connection == nullptr)
        return nullptr;
    // Kept: what a workstation connection counts as does not change while it lives.
    std::unique_ptr<Caller>& cached = callers_[connection];
    if (!cached) {
        cached = std::make_unique<Caller>(
            model_->caller(*connection->server, connection->station, connection->consoleOperator));
    }
    return cached.get();
}

NWCCODE SimClient::NWCallsInit(nuint8*, nuint8*) {
    return SUCCESSFUL;
}

NWCCODE SimClient::GetWorkstationCodePage(std::string& name) {
    name = net_.codePage.name();
    return SUCCESSFUL;
}

// ---- Connection references and handles ---------------------------------------------------------

NWCCODE SimClient::NWCCScanConnRefs(nuint32* scanIterator, NWCONN_REF* connRef) {
    if (scanIterator == nullptr || connRef == nullptr)
        return NWE_PARAM_INVALID;
    for (std::size_t i = *scanIterator; i < net_.connections.size(); ++i) {
        if (net_.connections[i]->ended)
            continue;
        *connRef = net_.connections[i]->ref;
        *scanIterator = static_cast<nuint32>(i + 1);
        return SUCCESSFUL;
    }
    *scanIterator = static_cast<nuint32>(net_.connections.size());
    return NWE_NO_MORE_ENTRIES;
}

NWCCODE SimClient::NWCCGetConnRefInfo(NWCONN_REF connRef, nuint32 infoType, nuint32 len,
                                      void* buffer) {
    WsConnection* connection = net_.connectionByRef(connRef);
    if (connection == nullptr || connection->ended)
        return INVALID_CONNECTION;
    if (infoType != NWCC_INFO_SERVER_NAME)
        return NWE_INFO_TYPE_INVALID;
    if (buffer == nullptr)
        return NWE_PARAM_INVALID;
    return copyText(static_cast<char*>(buffer), len, connection->server->name)
               ? SUCCESSFUL
               : NWE_BUFFER_OVERFLOW;
}

NWCCODE SimClient::NWCCOpenConnByRef(NWCONN_REF connRef, nuint32 openState, nuint32,
                                     NWCONN_HANDLE* conn) {
    if (conn == nullptr)
        return NWE_PARAM_INVALID;
    if (openState != NWCC_OPEN_LICENSED && openState != NWCC_OPEN_UNLICENSED) {
        return NWE_PARAM_INVALID;
    }
    WsConnection* connection = net_.connectionByRef(connRef);
    if (connection == nullptr || connection->ended)
        return INVALID_CONNECTION;
    NWCONN_HANDLE handle = nextHandle_++;
    handles_.emplace(handle, connection);
    *conn = handle;
    return SUCCESSFUL;
}

NWCCODE SimClient::NWCCCloseConn(NWCONN_HANDLE conn) {
    if (handles_.erase(conn) != 1)
        return INVALID_CONNECTION;
    model_->releaseOwner(conn);
    return SUCCESSFUL;
}

NWCCODE SimClient::NWGetFileServerLoginStatus(NWCONN_HANDLE conn, nuint8* loginEnabledFlag) {
    WsConnection* connection = live(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    if (loginEnabledFlag == nullptr)
        return NWE_PARAM_INVALID;
    *loginEnabledFlag = connection->server->loginEnabled ? 1 : 0;
    return SUCCESSFUL;
}

// ---- Drives -----------------------------------------------------------------------------------

NWCCODE SimClient::NWGetDriveInformation(nuint16 drive, nuint16, NWCONN_HANDLE* conn,
                                         nuint8* status, nuint32* rootOffset, char*) {
    if (drive < 1 || drive > 26 || !driveUsable(net_, net_.drives[drive]))
        return INVALID_DRIVE;
    set<NWCONN_HANDLE>(conn, 0);
    set<nuint8>(status, NW_NETWARE_DRIVE);
    set<nuint32>(rootOffset, 0);
    return SUCCESSFUL;
}

NWCCODE SimClient::GetDriveMapping(nuint16 drive, std::string& target, std::string& localFolder) {
    if (drive < 1 || drive > 26 || !driveUsable(net_, net_.drives[drive]))
        return INVALID_DRIVE;
    const Drive& mapping = *net_.drives[drive];
    target = mapping.target;
    localFolder = mapping.volume->diskPath(mapping.directory).string();
    return SUCCESSFUL;
}

// ---- Name spaces and paths --------------------------------------------------------------------

NWCCODE SimClient::NWGetNSPath(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint16 fileFlag,
                               nuint8 srcNamSpc, nuint8 dstNamSpc, NW_NS_PATH* nsPath) {
    WsConnection* connection = live(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    if (nsPath == nullptr || nsPath->srcPath == nullptr || nsPath->dstPath == nullptr) {
        return NWE_PARAM_INVALID;
    }
    if (dirHandle != 0)
        return BAD_DIRECTORY_HANDLE;
    ResolvedPath resolved;
    NWCCODE rc =
        resolvePath(*connection->server, nsPath->srcPath, srcNamSpc, net_.codePage, resolved);
    if (rc != SUCCESSFUL)
        return rc;
    if (!resolved.volume->hasNameSpace(dstNamSpc))
        return INVALID_NAME_SPACE;
    const Entry* directory = resolved.entry;
    if (fileFlag != 0) {
        if (directory->parent != nullptr)
            directory = directory->parent;
    } else if (!directory->isDirectory) {
        return INVALID_PATH;
    }
    std::string path = directoryPath(*resolved.volume, directory, dstNamSpc);
    return copyText(nsPath->dstPath, nsPath->dstPathSize, path) ? SUCCESSFUL : NWE_BUFFER_OVERFLOW;
}

NWCCODE SimClient::NWGetLongName(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, const char* path,
                                 nuint8 srcNamSpc, nuint8 dstNamSpc, char* longName) {
    WsConnection* connection = live(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    if (path == nullptr || longName == nullptr)
        return NWE_PARAM_INVALID;
    if (dirHandle != 0)
        return BAD_DIRECTORY_HANDLE;
    ResolvedPath resolved;
    NWCCODE rc = resolvePath(*connection->server, path, srcNamSpc, net_.codePage, resolved);
    if (rc != SUCCESSFUL)
        return rc;
    if (!resolved.volume->hasNameSpace(dstNamSpc))
        return INVALID_NAME_SPACE;
    copyText(longName, NW_MAX_LONG_NAME_LEN + 1, resolved.entry->name(dstNamSpc));
    return SUCCESSFUL;
}

// ---- Files, connections and locks -------------------------------------------------------------

NWCCODE SimClient::NWScanConnectionsUsingFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                              const char* filePath, nint16* iterHandle,
                                              CONN_USING_FILE* fileUse,
                                              CONNS_USING_FILE* fileUsed) {
    WsConnection* connection = live(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    if (filePath == nullptr || iterHandle == nullptr || fileUse == nullptr || fileUsed == nullptr) {
        return NWE_PARAM_INVALID;
    }
    if (NWCCODE rc = model_->mayWatch(*caller(conn)); rc != SUCCESSFUL)
        return rc;
    if (dirHandle != 0)
        return BAD_DIRECTORY_HANDLE;
    ResolvedPath resolved;
    NWCCODE rc = resolvePath(*connection->server, filePath, NW_NS_DOS, net_.codePage, resolved);
    if (rc != SUCCESSFUL)
        return rc;
    const FileUsage* usage = resolved.entry->usage.get();
    std::size_t count = usage != nullptr ? usage->openers.size() : 0;
    std::size_t index = position(*iterHandle);
    *fileUse = CONN_USING_FILE{};
    *fileUsed = CONNS_USING_FILE{};
    fileUsed->connCount = static_cast<nuint16>(count);
    fileUsed->useCount = static_cast<nuint16>(count);
    fileUsed->openCount = static_cast<nuint16>(count);
    if (*iterHandle == NW_ITERATION_END || index >= count) {
        *iterHandle = NW_ITERATION_END;
        return FAILURE;
    }
    const Opener& opener = usage->openers[index];
    fileUse->connNumber = opener.station->number;
    fileUse->taskNumber = opener.task;
    fileUsed->connInfo[0] = *fileUse;
    fileUsed->nextRequest = static_cast<nuint16>(index + 1);
    *iterHandle = handleAt(index + 1);
    return SUCCESSFUL;
}

NWCCODE SimClient::NWGetUserInfo(NWCONN_HANDLE conn, nuint32 connNum, char* userName,
                                 NWUSER_INFO* userInfo) {
    WsConnection* connection = live(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    const Station* station = connection->server->station(connNum);
    if (station == nullptr)
        return BAD_STATION_NUMBER;
    if (station->authenticated)
        return USER_INFO_AUTHENTICATED;
    if (userName != nullptr) {
        std::strcpy(userName, station->object ? station->object->name.c_str() : kNotLoggedIn);
    }
    if (userInfo != nullptr) {
        NWUSER_INFO info;
        info.connNum = connNum;
        info.useCount = 1;
        info.connInUse = 0;
        std::memcpy(info.loginTime, station->loginTime.data(), station->loginTime.size());
        info.objType = station->object ? highLow(station->object->type) : 0;
        info.fileLockCount = static_cast<nuint16>(station->openFiles.size());
        info.lockCount = station->lockCount;
        put48(info.totalBytesRead, station->bytesRead);
        put48(info.totalBytesWritten, station->bytesWritten);
        std::memcpy(static_cast<void*>(userInfo), &info, sizeof info);
    }
    return SUCCESSFUL;
}

NWCCODE SimClient::NWScanOpenFilesByConn2(NWCONN_HANDLE conn, nuint16 connNum, nint16* iterHandle,
                                          OPEN_FILE_CONN_CTRL*, OPEN_FILE_CONN* openFile) {
    WsConnection* connection = live(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    if (iterHandle == nullptr || openFile == nullptr)
        return NWE_PARAM_INVALID;
    if (NWCCODE rc = model_->mayWatch(*caller(conn)); rc != SUCCESSFUL)
        return rc;
    const Station* station = connection->server->station(connNum);
    if (station == nullptr)
        return BAD_STATION_NUMBER;
    std::size_t index = position(*iterHandle);
    if (*iterHandle == NW_ITERATION_END || index >= station->openFiles.size()) {
        *iterHandle = NW_ITERATION_END;
        return FAILURE;
    }
    const sim::OpenFile& open = station->openFiles[index];
    *openFile = OPEN_FILE_CONN{};
    openFile->taskNumber = open.task;
    openFile->volNumber = open.volume->number;
    openFile->parent = open.file->parent->number;
    openFile->dirEntry = open.file->number;
    openFile->nameSpace = NW_NS_DOS;
    openFile->nameLen = static_cast<nuint8>(open.file->dosName.size());
    copyText(openFile->fileName, sizeof openFile->fileName, open.file->dosName);
    *iterHandle = handleAt(index + 1);
    return SUCCESSFUL;
}

NWCCODE SimClient::NWGetPathFromDirectoryBase(NWCONN_HANDLE conn, nuint8 volNum, nuint32 dirBase,
                                              nuint8 namSpc, nuint8* len, char* pathName) {
    WsConnection* connection = live(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    if (len == nullptr || pathName == nullptr)
        return NWE_PARAM_INVALID;
    if (NWCCODE rc = model_->mayWatch(*caller(conn)); rc != SUCCESSFUL)
        return rc;
    const Volume* volume = connection->server->volumeNumbered(volNum);
    if (volume == nullptr || !volume->mounted)
        return VOLUME_DOES_NOT_EXIST;
    if (!volume->hasNameSpace(namSpc))
        return INVALID_NAME_SPACE;
    const Entry* entry = volume->entry(dirBase);
    if (entry == nullptr)
        return INVALID_PATH;
    std::vector<std::string> names = pathNames(entry, namSpc);
    std::size_t total = 0;
    for (const std::string& name : names)
        total += 1 + name.size();
    if (total > *len)
        return NWE_BUFFER_OVERFLOW;
    char* out = pathName;
    for (const std::string& name : names) {
        *out++ = static_cast<char>(name.size());
        std::memcpy(out, name.data(), name.size());
        out += name.size();
    }
    *len = static_cast<nuint8>(total);
    return SUCCESSFUL;
}

NWCCODE SimClient::NWGetVolumeName(NWCONN_HANDLE conn, nuint16 volNum, char* volName) {
    WsConnection* connection = live(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    if (volName == nullptr)
        return NWE_PARAM_INVALID;
    const Volume* volume = connection->server->volumeNumbered(volNum);
    if (volume == nullptr || !volume->mounted)
        return VOLUME_DOES_NOT_EXIST;
    copyText(volName, 256, volume->name);
    return SUCCESSFUL;
}

NWCCODE SimClient::NWScanPhysicalLocksByFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                             const char* path, nuint8, nint16* iterHandle,
                                             PHYSICAL_LOCK* lock, PHYSICAL_LOCKS* locks) {
    WsConnection* connection = live(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    if (path == nullptr || iterHandle == nullptr || lock == nullptr)
        return NWE_PARAM_INVALID;
    if (NWCCODE rc = model_->mayWatch(*caller(conn)); rc != SUCCESSFUL)
        return rc;
    if (dirHandle != 0)
        return BAD_DIRECTORY_HANDLE;
    ResolvedPath resolved;
    NWCCODE rc = resolvePath(*connection->server, path, NW_NS_DOS, net_.codePage, resolved);
    if (rc != SUCCESSFUL)
        return rc;
    const FileUsage* usage = resolved.entry->usage.get();
    std::size_t count = usage != nullptr ? usage->locks.size() : 0;
    std::size_t index = position(*iterHandle);
    *lock = PHYSICAL_LOCK{};
    if (locks != nullptr) {
        locks->nextRequest = 0;
        locks->numRecords = static_cast<nuint16>(count);
    }
    if (*iterHandle == NW_ITERATION_END || index >= count) {
        *iterHandle = NW_ITERATION_END;
        return FAILURE;
    }
    const Lock& found = usage->locks[index];
    lock->loggedCount = 1;
    lock->recordStart = found.start;
    lock->recordEnd = found.end;
    lock->connNumber = found.station->number;
    lock->taskNumber = found.task;
    lock->lockType = found.type;
    if (locks != nullptr)
        locks->nextRequest = static_cast<nuint16>(index + 1);
    *iterHandle = handleAt(index + 1);
    return SUCCESSFUL;
}

// ---- Servers ----------------------------------------------------------------------------------

NWCCODE SimClient::NWGetFileServerInformation(NWCONN_HANDLE conn, char* serverName,
                                              nuint8* majorVer, nuint8* minVer, nuint8* rev,
                                              nuint16* maxConns, nuint16* maxConnsUsed,
                                              nuint16* connsInUse, nuint16* numVolumes,
                                              nuint8* SFTLevel, nuint8* TTSLevel) {
    WsConnection* connection = live(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    const Server& server = *connection->server;
    if (serverName != nullptr)
        copyText(serverName, NW_MAX_SERVER_NAME_LEN + 1, server.name);
    set(majorVer, server.version[0]);
    set(minVer, server.version[1]);
    set(rev, server.version[2]);
    set(maxConns, server.maxConnections);
    set(maxConnsUsed, server.peakStationCount);
    set(connsInUse, server.stationCount);
    set(numVolumes, static_cast<nuint16>(server.volumes.size()));
    set(SFTLevel, server.sftLevel);
    set(TTSLevel, server.ttsLevel);
    return SUCCESSFUL;
}

NWCCODE SimClient::NWGetConnectionInformation(NWCONN_HANDLE conn, nuint32 connNumber, char* objName,
                                              nuint16* objType, nuint32* objID, nuint8* loginTime) {
    WsConnection* connection = live(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    const Station* station = connection->server->station(connNumber);
    if (station == nullptr)
        return BAD_STATION_NUMBER;
    const BinderyObject* object = station->object;
    if (objName != nullptr)
        std::strcpy(objName, object ? object->name.c_str() : kNotLoggedIn);
    set<nuint16>(objType, object ? highLow(object->type) : 0);
    set<nuint32>(objID, object ? object->id : 0);
    if (loginTime != nullptr) {
        std::memcpy(loginTime, station->loginTime.data(), station->loginTime.size());
    }
    return SUCCESSFUL;
}

NWCCODE SimClient::NWGetInetAddr(NWCONN_HANDLE conn, nuint32 connNum, NWINET_ADDR* inetAddr) {
    WsConnection* connection = live(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    if (inetAddr == nullptr)
        return NWE_PARAM_INVALID;
    const Station* station = connection->server->station(connNum);
    if (station == nullptr)
        return BAD_STATION_NUMBER;
    *inetAddr = NWINET_ADDR{};
    std::memcpy(inetAddr->networkAddr, station->address.data(), 4);
    std::memcpy(inetAddr->netNodeAddr, station->address.data() + 4, 6);
    std::memcpy(inetAddr->socket, station->address.data() + 10, 2);
    return SUCCESSFUL;
}

// ---- Actions ----------------------------------------------------------------------------------

NWCCODE SimClient::NWClearConnectionNumber(NWCONN_HANDLE conn, nuint32 connNumber) {
    const Caller* who = caller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    return model_->clearStation(*who, connNumber);
}

NWCCODE SimClient::NWSendBroadcastMessage(NWCONN_HANDLE conn, const char* message,
                                          nuint16 connCount, const nuint16* connList,
                                          nuint8* resultList) {
    const Caller* who = caller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    if (message == nullptr || connList == nullptr || resultList == nullptr || connCount == 0) {
        return INVALID_PARAMETERS;
    }
    std::vector<nuint32> numbers(connList, connList + connCount);
    return model_->broadcast(*who, message, numbers, std::span<nuint8>(resultList, connCount));
}

NWCCODE SimClient::switchLogins(NWCONN_HANDLE conn, bool enabled) {
    const Caller* who = caller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    return model_->setLoginsEnabled(*who, enabled);
}

NWCCODE SimClient::NWEnableFileServerLogin(NWCONN_HANDLE conn) {
    return switchLogins(conn, true);
}

NWCCODE SimClient::NWDisableFileServerLogin(NWCONN_HANDLE conn) {
    return switchLogins(conn, false);
}

NWCCODE SimClient::NWCheckConsolePrivileges(NWCONN_HANDLE conn) {
    const Caller* who = caller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    return who->consoleOperator ? SUCCESSFUL : NO_CONSOLE_PRIVILEGES;
}

}  // namespace nw::sim
