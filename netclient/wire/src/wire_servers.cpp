// The wire client's server calls: information, stations, users, and the console actions.
#include <cstring>

#include "wirecall.h"

namespace nw::wire {

namespace {

using namespace ncp::call;

template <class T>
void set(T* out, T value) {
    if (out != nullptr) {
        *out = value;
    }
}

nuint16 swapBytes(nuint16 value) {
    return static_cast<nuint16>(value << 8 | value >> 8);
}

void put48(nuint8* out, std::uint64_t value) {
    for (int i = 0; i < 6; ++i) {
        out[i] = static_cast<nuint8>(value >> (8 * i));
    }
}

void copyTruncated(char* out, std::size_t size, std::string_view text) {
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

constexpr const char* kNotLoggedIn = "NOT_LOGGED_IN";

}  // namespace

NWCCODE WireClient::NWGetFileServerLoginStatus(NWCONN_HANDLE conn, nuint8* loginEnabledFlag) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (loginEnabledFlag == nullptr) {
        return NWE_PARAM_INVALID;
    }
    const auto reply = call<GetLoginStatus>(*h, {});
    if (reply.ok()) {
        *loginEnabledFlag = reply.reply.loginsAllowed != 0 ? 1 : 0;
    }
    return reply.code;
}

NWCCODE WireClient::NWGetFileServerInformation(NWCONN_HANDLE conn, char* serverName,
                                               nuint8* majorVer, nuint8* minVer, nuint8* rev,
                                               nuint16* maxConns, nuint16* maxConnsUsed,
                                               nuint16* connsInUse, nuint16* numVolumes,
                                               nuint8* SFTLevel, nuint8* TTSLevel) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    const auto reply = call<GetFileServerInfo>(*h, {});
    if (!reply.ok()) {
        return reply.code;
    }
    const GetFileServerInfo::Reply& info = reply.reply;
    if (serverName != nullptr) {
        copyTruncated(serverName, NW_MAX_SERVER_NAME_LEN + 1, info.serverName);
    }
    set(majorVer, info.osMajor);
    set(minVer, info.osMinor);
    set(rev, info.osRevision);
    set(maxConns, info.maxConnections);
    set(maxConnsUsed, info.peakConnections);
    set(connsInUse, info.connectionsInUse);
    set(numVolumes, info.maxVolumes);
    set(SFTLevel, info.sftLevel);
    set(TTSLevel, info.ttsLevel);
    return SUCCESSFUL;
}

NWCCODE WireClient::NWGetConnectionInformation(NWCONN_HANDLE conn, nuint32 connNumber,
                                               char* objName, nuint16* objType, nuint32* objID,
                                               nuint8* loginTime) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    StationInfo info;
    Session& session = *h->connection->session;
    bool done = false;
    if (!session.before311() && session.knows<GetStationInfo>()) {
        const auto reply = call<GetStationInfo>(*h, {connNumber});
        if (reply.ok()) {
            info = reply.reply;
            done = true;
        } else if (reply.code != kUnknownCall) {
            return reply.code;
        }
    }
    if (!done) {
        if (connNumber > 0xFF) {
            return BAD_STATION_NUMBER;  // the older call names stations in one byte
        }
        const auto reply = call<GetStationInfoOld>(*h, {static_cast<std::uint8_t>(connNumber)});
        if (!reply.ok()) {
            return reply.code;
        }
        info = reply.reply;
    }
    const bool nobody = info.objectId == 0 && info.objectName.empty();
    if (objName != nullptr) {
        // The caller's buffer holds 255 bytes; names are at most 48.
        copyTruncated(objName, NW_MAX_SERVER_NAME_LEN + 1, nobody ? kNotLoggedIn : info.objectName);
    }
    // Callers read the type as the server's two bytes, high first: a user reads 0x0100.
    set<nuint16>(objType, swapBytes(info.objectType));
    set<nuint32>(objID, info.objectId);
    if (loginTime != nullptr) {
        std::memcpy(loginTime, info.loginTime.data(), info.loginTime.size());
    }
    return SUCCESSFUL;
}

NWCCODE WireClient::NWGetInetAddr(NWCONN_HANDLE conn, nuint32 connNum, NWINET_ADDR* inetAddr) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (inetAddr == nullptr) {
        return NWE_PARAM_INVALID;
    }
    NetAddress address{};
    std::uint8_t type = address_type::kIpx;
    Session& session = *h->connection->session;
    bool done = false;
    if (!session.before311() && session.knows<GetInternetAddress>()) {
        const auto reply = call<GetInternetAddress>(*h, {connNum});
        if (reply.ok()) {
            address = reply.reply.address;
            type = reply.reply.connectionType;
            done = true;
        } else if (reply.code != kUnknownCall) {
            return reply.code;
        }
    }
    if (!done) {
        if (connNum > 0xFF) {
            return BAD_STATION_NUMBER;
        }
        const auto reply = call<GetInternetAddressOld>(*h, {static_cast<std::uint8_t>(connNum)});
        if (!reply.ok()) {
            return reply.code;
        }
        address = reply.reply.address;
    }
    *inetAddr = NWINET_ADDR{};
    std::memcpy(inetAddr->networkAddr, address.data(), 4);
    std::memcpy(inetAddr->netNodeAddr, address.data() + 4, 6);
    std::memcpy(inetAddr->socket, address.data() + 10, 2);
    inetAddr->connType = type;
    return SUCCESSFUL;
}

NWCCODE WireClient::NWGetUserInfo(NWCONN_HANDLE conn, nuint32 connNum, char* userName,
                                  NWUSER_INFO* userInfo) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    Session& session = *h->connection->session;
    if (session.before311() || !session.knows<UserInformation>()) {
        // Servers before 3.11: the station's name, type and login time, without counters.
        char name[NW_MAX_SERVER_NAME_LEN + 1] = {};
        nuint16 type = 0;
        nuint32 id = 0;
        nuint8 time[7] = {};
        const NWCCODE rc = NWGetConnectionInformation(conn, connNum, name, &type, &id, time);
        if (rc != SUCCESSFUL) {
            return rc;
        }
        if (userName != nullptr) {
            copyTruncated(userName, NW_MAX_OBJECT_NAME_LEN + 1, name);
        }
        if (userInfo != nullptr) {
            NWUSER_INFO info;
            info.connNum = connNum;
            info.useCount = 1;
            std::memcpy(info.loginTime, time, sizeof time);
            info.objType = type;
            std::memcpy(static_cast<void*>(userInfo), &info, sizeof info);
        }
        return SUCCESSFUL;
    }
    const auto reply = call<UserInformation>(*h, {connNum});
    if (!reply.ok()) {
        if (reply.code == kUnknownCall && h->connection->session) {
            return NWGetUserInfo(conn, connNum, userName, userInfo);
        }
        return reply.code;
    }
    const UserInformation::Reply& r = reply.reply;
    if (userName != nullptr) {
        copyTruncated(userName, NW_MAX_OBJECT_NAME_LEN + 1,
                      r.userName.empty() ? std::string(kNotLoggedIn) : r.userName);
    }
    if (userInfo != nullptr) {
        NWUSER_INFO info;
        info.serverTimeAndVConsoleInfo[0] = static_cast<nuint8>(r.serverUpTime);
        info.serverTimeAndVConsoleInfo[1] = static_cast<nuint8>(r.serverUpTime >> 8);
        info.serverTimeAndVConsoleInfo[2] = static_cast<nuint8>(r.serverUpTime >> 16);
        info.serverTimeAndVConsoleInfo[3] = static_cast<nuint8>(r.serverUpTime >> 24);
        info.serverTimeAndVConsoleInfo[4] = r.consoleVersion;
        info.serverTimeAndVConsoleInfo[5] = r.consoleRevision;
        info.connNum = r.connection;
        info.useCount = r.useCount;
        info.connInUse = 0;  // no wire field: the reply itself says the connection is in use
        info.connServiceType = r.serviceType;
        std::memcpy(info.loginTime, r.loginTime.data(), r.loginTime.size());
        info.expirationTime = r.expirationTime;
        info.objType = r.objectType;
        info.transactionFlag = r.transactionFlag;
        info.logicalLockThreshold = r.logicalLockThreshold;
        info.recordLockThreshold = r.recordLockThreshold;
        info.fileWriteFlags = r.fileWriteFlags;
        info.fileWriteState = r.fileWriteState;
        info.fileLockCount = r.fileLockCount;
        info.recordLockCount = r.recordLockCount;
        // No wire field counts physical locks apart: the record locks are they.
        info.lockCount = r.recordLockCount;
        put48(info.totalBytesRead, r.bytesRead);
        put48(info.totalBytesWritten, r.bytesWritten);
        info.totalRequests = r.totalRequests;
        info.heldRequests = r.heldRequests;
        put48(info.heldBytesRead, r.heldBytesRead);
        put48(info.heldBytesWritten, r.heldBytesWritten);
        std::memcpy(static_cast<void*>(userInfo), &info, sizeof info);
    }
    return SUCCESSFUL;
}

// ---- Actions ------------------------------------------------------------------------------------

NWCCODE WireClient::NWClearConnectionNumber(NWCONN_HANDLE conn, nuint32 connNumber) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    Connection& connection = *h->connection;
    const nuint16 own = connection.session->connectionNumber();
    NWCCODE rc = kUnknownCall;
    if (!connection.session->before311() && connection.session->knows<ClearConnection>()) {
        rc = call<ClearConnection>(*h, {connNumber}).code;
    }
    if (rc == kUnknownCall && connection.session) {
        rc = connNumber > 0xFF
                 ? BAD_STATION_NUMBER
                 : call<ClearConnectionOld>(*h, {static_cast<std::uint8_t>(connNumber)}).code;
    }
    if (rc == SUCCESSFUL && connNumber == own && connection.session) {
        // This workstation's own connection is gone: the reference is no longer scanned or
        // opened, and its handles answer INVALID_CONNECTION.
        connection.session->markCleared();
        settle(connection);
    }
    return rc;
}

NWCCODE WireClient::NWSendBroadcastMessage(NWCONN_HANDLE conn, const char* message,
                                           nuint16 connCount, const nuint16* connList,
                                           nuint8* resultList) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (message == nullptr || connList == nullptr || resultList == nullptr || connCount == 0) {
        return INVALID_PARAMETERS;
    }
    Session& session = *h->connection->session;
    const bool old = session.before311() || !session.knows<SendBroadcast>();
    const std::size_t length = std::strlen(message);
    const std::size_t limit = old ? NW_MAX_BROADCAST_MESSAGE_LEN_OLD : NW_MAX_BROADCAST_MESSAGE_LEN;
    if (length == 0 || length > limit) {
        return INVALID_PARAMETERS;
    }
    if (!old) {
        SendBroadcast::Request request;
        request.connections.assign(connList, connList + connCount);
        request.message = message;
        const auto reply = call<SendBroadcast>(*h, request);
        if (reply.ok()) {
            if (reply.reply.results.size() != connCount) {
                return NWE_BAD_REPLY;
            }
            for (nuint16 i = 0; i < connCount; ++i) {
                resultList[i] = static_cast<nuint8>(reply.reply.results[i]);
            }
            return SUCCESSFUL;
        }
        if (reply.code != kUnknownCall || !h->connection->session) {
            return reply.code;
        }
        if (length > NW_MAX_BROADCAST_MESSAGE_LEN_OLD) {
            return INVALID_PARAMETERS;
        }
    }
    // The older call names up to 255 stations of numbers below 256 per request.
    SendBroadcastOld::Request request;
    request.message = message;
    std::vector<nuint16> sentTo;
    for (nuint16 i = 0; i < connCount; ++i) {
        if (connList[i] > 0xFF) {
            resultList[i] = NW_BROADCAST_NO_SUCH_CONNECTION;
        } else {
            request.connections.push_back(static_cast<std::uint8_t>(connList[i]));
            sentTo.push_back(i);
        }
    }
    for (std::size_t start = 0; start < sentTo.size(); start += 255) {
        SendBroadcastOld::Request part;
        part.message = request.message;
        const std::size_t end = std::min(sentTo.size(), start + 255);
        part.connections.assign(request.connections.begin() + start,
                                request.connections.begin() + end);
        const auto reply = call<SendBroadcastOld>(*h, part);
        if (!reply.ok()) {
            return reply.code;
        }
        if (reply.reply.results.size() != part.connections.size()) {
            return NWE_BAD_REPLY;
        }
        for (std::size_t i = start; i < end; ++i) {
            resultList[sentTo[i]] = reply.reply.results[i - start];
        }
    }
    return SUCCESSFUL;
}

NWCCODE WireClient::NWEnableFileServerLogin(NWCONN_HANDLE conn) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    return h == nullptr ? code : call<EnableLogin>(*h, {}).code;
}

NWCCODE WireClient::NWDisableFileServerLogin(NWCONN_HANDLE conn) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    return h == nullptr ? code : call<DisableLogin>(*h, {}).code;
}

NWCCODE WireClient::NWCheckConsolePrivileges(NWCONN_HANDLE conn) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    return h == nullptr ? code : call<CheckConsolePrivileges>(*h, {}).code;
}

}  // namespace nw::wire
