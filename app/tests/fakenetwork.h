// A small NetWare network built in code: connections to servers and drive mappings onto local
// folders, whose folders and files the directory search lists as a server would. Operations the
// main window does not use answer NWE_REQUESTER_FAILURE.
#pragma once

#include <cctype>
#include <filesystem>
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
    int dirHandles = 0;  // directory handles allocated and not freed

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

    // The folder of a NetWare path ("SYS:PUBLIC") on the handle's server: below the local
    // folder of a drive mapped onto that volume (and folder).
    nw::NWCCODE AllocTempDirHandle(nw::NWCONN_HANDLE conn, nw::nuint8, const char* path,
                                   nw::NWDIR_HANDLE* dir) override {
        const Connection* c = find(conn - 1000);
        const std::string text = path;
        const std::size_t colon = text.find(':');
        if (c == nullptr || colon == std::string::npos) {
            return nw::INVALID_PATH;
        }
        std::string below = text.substr(colon + 1);
        while (!below.empty() && below.front() == '\\') {
            below.erase(0, 1);
        }
        const std::string unc =
            "\\\\" + c->server + "\\" + text.substr(0, colon) + (below.empty() ? "" : "\\" + below);
        for (const auto& [number, drive] : drives) {
            const std::string root = upper(drive.target);
            if (upper(unc).compare(0, root.size(), root) != 0 ||
                (unc.size() > root.size() && unc[root.size()] != '\\')) {
                continue;
            }
            std::filesystem::path local = drive.folder;
            const std::string rest = unc.size() > root.size() ? unc.substr(root.size() + 1) : "";
            for (std::size_t start = 0; start < rest.size();) {
                std::size_t end = rest.find('\\', start);
                end = end == std::string::npos ? rest.size() : end;
                local /= rest.substr(start, end - start);
                start = end + 1;
            }
            std::error_code ec;
            if (!std::filesystem::is_directory(local, ec)) {
                return nw::INVALID_PATH;
            }
            std::vector<std::pair<std::string, bool>> entries;
            for (const auto& entry : std::filesystem::directory_iterator(local, ec)) {
                entries.emplace_back(entry.path().filename().string(), entry.is_directory(ec));
            }
            *dir = static_cast<nw::NWDIR_HANDLE>(++nextDir_);
            listings_[*dir] = std::move(entries);
            ++dirHandles;
            return nw::SUCCESSFUL;
        }
        return nw::INVALID_PATH;
    }
    nw::NWCCODE DeallocDirHandle(nw::NWCONN_HANDLE, nw::NWDIR_HANDLE dir) override {
        if (listings_.erase(dir) == 0) {
            return nw::BAD_DIRECTORY_HANDLE;
        }
        --dirHandles;
        return nw::SUCCESSFUL;
    }
    nw::NWCCODE StartSearch(nw::NWCONN_HANDLE, nw::NWDIR_HANDLE dir, nw::nuint8,
                            nw::SEARCH_SEQUENCE* seq) override {
        if (listings_.count(dir) == 0) {
            return nw::BAD_DIRECTORY_HANDLE;
        }
        seq->dirNumber = dir;
        seq->sequence = 0;
        return nw::SUCCESSFUL;
    }
    nw::NWCCODE SearchNext(nw::NWCONN_HANDLE, nw::SEARCH_SEQUENCE* seq, nw::nuint8, nw::nuint16,
                           const char*, nw::NW_ENTRY_INFO* info) override {
        const auto it = listings_.find(static_cast<nw::NWDIR_HANDLE>(seq->dirNumber));
        if (it == listings_.end() || seq->sequence >= it->second.size()) {
            return nw::FAILURE;
        }
        const auto& [name, folder] = it->second[seq->sequence++];
        *info = nw::NW_ENTRY_INFO{};
        info->attributes = folder ? nw::A_DIRECTORY : 0;
        info->nameLength = static_cast<nw::nuint8>(name.copy(info->entryName, 255));
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
    static std::string upper(std::string text) {
        for (char& c : text) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        return text;
    }
    std::map<nw::NWDIR_HANDLE, std::vector<std::pair<std::string, bool>>> listings_;
    int nextDir_ = 0;

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
