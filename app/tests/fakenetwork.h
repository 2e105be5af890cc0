// A small NetWare network built in code: connections to servers and drive mappings onto local
// folders. Operations the main window does not use answer NWE_REQUESTER_FAILURE.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "netclient/client.h"
#include "netclient/operations.h"

namespace varnook::test {

class FakeNetwork : public nw::Client {
public:
    struct Connection {
        std::string server;
        nw::NWCONN_REF ref = 0;
        bool loginEnabled = true;
        bool opens = true;  // NWCCOpenConnByRef succeeds
        bool named = true;  // NWCCGetConnRefInfo answers
    };
    struct Drive {
        std::string target;  // "\\FS1\SYS"
        std::string folder;  // local folder of the drive's root
    };

    std::vector<Connection> connections;
    std::map<int, Drive> drives;  // 1 = A
    nw::NWCCODE initResult = nw::SUCCESSFUL;
    int openHandles = 0;
    int scans = 0;

    nw::NWCCODE NWCallsInit(nw::nuint8*, nw::nuint8*) override { return initResult; }
    nw::NWCCODE NWCCScanConnRefs(nw::nuint32* it, nw::NWCONN_REF* ref) override {
        if (*it == 0) {
            ++scans;
        }
        if (*it >= connections.size()) {
            return nw::NWE_NO_MORE_ENTRIES;
        }
        *ref = connections[(*it)++].ref;
        return nw::SUCCESSFUL;
    }
    nw::NWCCODE NWCCGetConnRefInfo(nw::NWCONN_REF ref, nw::nuint32, nw::nuint32 len,
                                   void* buffer) override {
        const Connection* c = find(ref);
        if (c == nullptr || !c->named) {
            return nw::INVALID_CONNECTION;
        }
        std::string name = c->server.substr(0, len - 1);
        std::copy(name.begin(), name.end(), static_cast<char*>(buffer));
        static_cast<char*>(buffer)[name.size()] = '\0';
        return nw::SUCCESSFUL;
    }
    nw::NWCCODE NWCCOpenConnByRef(nw::NWCONN_REF ref, nw::nuint32, nw::nuint32,
                                  nw::NWCONN_HANDLE* conn) override {
        const Connection* c = find(ref);
        if (c == nullptr || !c->opens) {
            return nw::INVALID_CONNECTION;
        }
        ++openHandles;
        *conn = 1000 + ref;
        return nw::SUCCESSFUL;
    }
    nw::NWCCODE NWCCCloseConn(nw::NWCONN_HANDLE) override {
        --openHandles;
        return nw::SUCCESSFUL;
    }
    nw::NWCCODE NWGetFileServerLoginStatus(nw::NWCONN_HANDLE conn, nw::nuint8* flag) override {
        const Connection* c = find(conn - 1000);
        *flag = c != nullptr && c->loginEnabled ? 1 : 0;
        return nw::SUCCESSFUL;
    }
    nw::NWCCODE NWGetDriveInformation(nw::nuint16 drive, nw::nuint16, nw::NWCONN_HANDLE* conn,
                                      nw::nuint8* status, nw::nuint32* offset, char*) override {
        if (drives.count(drive) == 0) {
            return nw::INVALID_DRIVE;
        }
        *conn = 0;
        *status = nw::NW_NETWARE_DRIVE;
        *offset = 0;
        return nw::SUCCESSFUL;
    }
    nw::NWCCODE GetDriveMapping(nw::nuint16 drive, std::string& target,
                                std::string& folder) override {
        const auto it = drives.find(drive);
        if (it == drives.end()) {
            return nw::INVALID_DRIVE;
        }
        target = it->second.target;
        folder = it->second.folder;
        return nw::SUCCESSFUL;
    }

#define VARNOOK_FAKE_UNUSED(name, params, args) \
    nw::NWCCODE name params override {          \
        return nw::NWE_REQUESTER_FAILURE;       \
    }
    VARNOOK_FAKE_UNUSED(NWGetNSPath,
                        (nw::NWCONN_HANDLE, nw::NWDIR_HANDLE, nw::nuint16, nw::nuint8, nw::nuint8,
                         nw::NW_NS_PATH*),
                        ())
    VARNOOK_FAKE_UNUSED(NWGetLongName,
                        (nw::NWCONN_HANDLE, nw::NWDIR_HANDLE, const char*, nw::nuint8, nw::nuint8,
                         char*),
                        ())
    VARNOOK_FAKE_UNUSED(NWScanConnectionsUsingFile,
                        (nw::NWCONN_HANDLE, nw::NWDIR_HANDLE, const char*, nw::nint16*,
                         nw::CONN_USING_FILE*, nw::CONNS_USING_FILE*),
                        ())
    VARNOOK_FAKE_UNUSED(NWGetUserInfo, (nw::NWCONN_HANDLE, nw::nuint32, char*, nw::NWUSER_INFO*),
                        ())
    VARNOOK_FAKE_UNUSED(NWScanOpenFilesByConn2,
                        (nw::NWCONN_HANDLE, nw::nuint16, nw::nint16*, nw::OPEN_FILE_CONN_CTRL*,
                         nw::OPEN_FILE_CONN*),
                        ())
    VARNOOK_FAKE_UNUSED(NWGetPathFromDirectoryBase,
                        (nw::NWCONN_HANDLE, nw::nuint8, nw::nuint32, nw::nuint8, nw::nuint8*,
                         char*),
                        ())
    VARNOOK_FAKE_UNUSED(NWGetVolumeName, (nw::NWCONN_HANDLE, nw::nuint16, char*), ())
    VARNOOK_FAKE_UNUSED(NWScanPhysicalLocksByFile,
                        (nw::NWCONN_HANDLE, nw::NWDIR_HANDLE, const char*, nw::nuint8, nw::nint16*,
                         nw::PHYSICAL_LOCK*, nw::PHYSICAL_LOCKS*),
                        ())
    VARNOOK_FAKE_UNUSED(NWGetFileServerInformation,
                        (nw::NWCONN_HANDLE, char*, nw::nuint8*, nw::nuint8*, nw::nuint8*,
                         nw::nuint16*, nw::nuint16*, nw::nuint16*, nw::nuint16*, nw::nuint8*,
                         nw::nuint8*),
                        ())
    VARNOOK_FAKE_UNUSED(NWGetConnectionInformation,
                        (nw::NWCONN_HANDLE, nw::nuint32, char*, nw::nuint16*, nw::nuint32*,
                         nw::nuint8*),
                        ())
    VARNOOK_FAKE_UNUSED(NWGetInetAddr, (nw::NWCONN_HANDLE, nw::nuint32, nw::NWINET_ADDR*), ())
    VARNOOK_FAKE_UNUSED(NWClearConnectionNumber, (nw::NWCONN_HANDLE, nw::nuint32), ())
    VARNOOK_FAKE_UNUSED(NWSendBroadcastMessage,
                        (nw::NWCONN_HANDLE, const char*, nw::nuint16, const nw::nuint16*,
                         nw::nuint8*),
                        ())
    VARNOOK_FAKE_UNUSED(NWEnableFileServerLogin, (nw::NWCONN_HANDLE), ())
    VARNOOK_FAKE_UNUSED(NWDisableFileServerLogin, (nw::NWCONN_HANDLE), ())
    VARNOOK_FAKE_UNUSED(NWCheckConsolePrivileges, (nw::NWCONN_HANDLE), ())
#undef VARNOOK_FAKE_UNUSED

private:
    const Connection* find(nw::NWCONN_REF ref) const {
        for (const Connection& c : connections) {
            if (c.ref == ref) {
                return &c;
            }
        }
        return nullptr;
    }
};

}  // namespace varnook::test
