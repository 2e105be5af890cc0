#include "core/servers.h"

#include <array>
#include <filesystem>
#include <system_error>

#include "core/folderlisting.h"
#include "core/nultext.h"

namespace varnook {

const char* ServerRow::LoginStatusText() const {
    switch (login) {
        case Login::Enabled:
            return "Enabled";
        case Login::Disabled:
            return "Disabled";
        case Login::Unknown:
            break;
    }
    return "Unknown";
}

std::string ServerNameOfConnRef(nw::Client& client, nw::NWCONN_REF ref) {
    std::array<char, nw::NW_MAX_SERVER_NAME_LEN + 1> name{};
    if (client.NWCCGetConnRefInfo(ref, nw::NWCC_INFO_SERVER_NAME, name.size(), name.data()) !=
        nw::SUCCESSFUL) {
        return {};
    }
    return CutAtNul(name.data(), name.size());
}

std::vector<ServerRow> ScanServers(nw::Client& client) {
    std::vector<ServerRow> rows;
    nw::nuint32 iterator = 0;
    nw::NWCONN_REF ref = 0;
    // A workstation holds far fewer connections than this; the bound only guards against a
    // client whose scan never ends.
    constexpr size_t kMaxRows = 65536;
    while (rows.size() < kMaxRows && client.NWCCScanConnRefs(&iterator, &ref) == nw::SUCCESSFUL) {
        ServerRow row;
        row.connRef = ref;
        row.name = ServerNameOfConnRef(client, ref);
        nw::NWCONN_HANDLE conn = 0;
        if (client.NWCCOpenConnByRef(ref, nw::NWCC_OPEN_LICENSED, 0, &conn) == nw::SUCCESSFUL) {
            nw::nuint8 loginEnabled = 0;
            client.NWGetFileServerLoginStatus(conn, &loginEnabled);
            client.NWCCCloseConn(conn);
            row.login = loginEnabled != 0 ? ServerRow::Login::Enabled : ServerRow::Login::Disabled;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

int NetWareDriveInformation(nw::Client& client, int drive) {
    if (drive < 1 || drive > 26) {
        return nw::INVALID_DRIVE;
    }
    nw::NWCONN_HANDLE conn = 0;
    nw::nuint8 status = 0;
    nw::nuint32 rootOffset = 0;
    std::array<char, 256> path{};
    return client.NWGetDriveInformation(static_cast<nw::nuint16>(drive), 0, &conn, &status,
                                        &rootOffset, path.data());
}

std::vector<std::string> NetWorkstation::DriveListTexts() {
    std::vector<std::string> texts;
    for (int d = 1; d <= 26; ++d) {
        const char letter = static_cast<char>('a' + d - 1);
        std::string target;
        std::string folder;
        if (client_.GetDriveMapping(static_cast<nw::nuint16>(d), target, folder) ==
            nw::SUCCESSFUL) {
            texts.push_back(std::string(1, letter) + ": [" + target + "]");
        } else if (d == 3) {
            texts.emplace_back("c: [Local Disk]");
        }
    }
    return texts;
}

std::optional<FolderListing> NetWorkstation::ListFolder(const std::string& dosPath) {
    return ListDriveFolder(client_, dosPath);
}

int NetWorkstation::DriveNumberOfLocalPath(const std::string& localPath) {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::weakly_canonical(localPath, ec);
    if (ec) {
        return 3;
    }
    for (int d = 1; d <= 26; ++d) {
        std::string target;
        std::string folder;
        // A drive with no folder on this machine (over the wire) holds no local path.
        if (client_.GetDriveMapping(static_cast<nw::nuint16>(d), target, folder) !=
                nw::SUCCESSFUL ||
            folder.empty()) {
            continue;
        }
        std::error_code folderError;
        const std::filesystem::path root = std::filesystem::weakly_canonical(folder, folderError);
        if (folderError) {
            continue;
        }
        // The program folder lies on drive d when it is the drive's folder or inside it.
        auto r = root.begin();
        auto s = self.begin();
        for (; r != root.end() && s != self.end() && *r == *s; ++r, ++s) {
        }
        if (r == root.end() || (std::next(r) == root.end() && r->empty())) {
            return d;
        }
    }
    return 3;
}

}  // namespace varnook
