#include "core/folderlisting.h"

#include <array>
#include <cctype>

#include "core/connhandle.h"
#include "core/servers.h"

namespace varnook {

namespace {

// Searches end on the server's word; the bound only guards against one that never does.
constexpr int kMaxEntries = 1'000'000;

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// "\\SERVER\VOLUME\DIR" and the browser path below the drive's root to the server's name and
// the NetWare path "VOLUME:DIR\SUB".
bool NetWarePath(const std::string& target, const std::string& below, std::string& server,
                 std::string& path) {
    if (target.size() < 3 || target.compare(0, 2, "\\\\") != 0) {
        return false;
    }
    const std::size_t serverEnd = target.find('\\', 2);
    if (serverEnd == std::string::npos) {
        return false;
    }
    server = Upper(target.substr(2, serverEnd - 2));
    std::string rest = target.substr(serverEnd + 1);
    const std::size_t volumeEnd = rest.find('\\');
    path = rest.substr(0, volumeEnd) + ":";
    std::string folder =
        volumeEnd == std::string::npos ? std::string() : rest.substr(volumeEnd + 1);
    std::size_t start = 0;
    while (start < below.size()) {
        std::size_t end = below.find('\\', start);
        if (end == std::string::npos) {
            end = below.size();
        }
        const std::string part = below.substr(start, end - start);
        // Browser paths never climb above the drive's root.
        if (part == "." || part == ".." || part.find('/') != std::string::npos ||
            part.find(':') != std::string::npos) {
            return false;
        }
        if (!part.empty()) {
            folder += (folder.empty() || folder.back() == '\\' ? "" : "\\") + part;
        }
        start = end + 1;
    }
    while (!folder.empty() && folder.back() == '\\') {
        folder.pop_back();
    }
    path += folder;
    return server.size() > 0 && path.size() > 1;
}

// The first connection reference to the server, 0 when the workstation has none.
nw::NWCONN_REF ConnRefOf(nw::Client& client, const std::string& server) {
    nw::nuint32 iterator = 0;
    nw::NWCONN_REF ref = 0;
    while (client.NWCCScanConnRefs(&iterator, &ref) == nw::SUCCESSFUL) {
        if (Upper(ServerNameOfConnRef(client, ref)) == server) {
            return ref;
        }
    }
    return 0;
}

std::optional<FolderListing> Search(nw::Client& client, nw::NWCONN_HANDLE conn,
                                    const std::string& path, nw::nuint8 nameSpace,
                                    nw::NWCCODE& rc) {
    nw::NWDIR_HANDLE dir = 0;
    rc = client.AllocTempDirHandle(conn, nameSpace, path.c_str(), &dir);
    if (rc != nw::SUCCESSFUL) {
        return std::nullopt;
    }
    FolderListing listing;
    nw::SEARCH_SEQUENCE sequence;
    bool listed = client.StartSearch(conn, dir, nameSpace, &sequence) == nw::SUCCESSFUL;
    nw::NW_ENTRY_INFO info;
    for (int n = 0; listed && n < kMaxEntries; ++n) {
        const nw::NWCCODE next = client.SearchNext(
            conn, &sequence, nameSpace, nw::SA_ALL | nw::SA_HIDDEN | nw::SA_SYSTEM, "*", &info);
        if (next == nw::FAILURE) {
            break;  // the end of the folder
        }
        if (next != nw::SUCCESSFUL) {
            listed = false;
            break;
        }
        std::string name(info.entryName,
                         std::min<std::size_t>(info.nameLength, sizeof info.entryName - 1));
        ((info.attributes & nw::A_DIRECTORY) != 0 ? listing.folders : listing.files)
            .push_back(std::move(name));
    }
    client.DeallocDirHandle(conn, dir);
    if (!listed) {
        return std::nullopt;
    }
    SortWithoutRegardToCase(listing.folders);
    SortWithoutRegardToCase(listing.files);
    return listing;
}

}  // namespace

std::optional<FolderListing> ListDriveFolder(nw::Client& client, const std::string& dosPath) {
    const int d = DriveNumber(dosPath);
    if (d == 0 || dosPath.size() < 3 || dosPath[1] != ':' || dosPath[2] != '\\') {
        return std::nullopt;
    }
    std::string target;
    std::string folder;
    if (client.GetDriveMapping(static_cast<nw::nuint16>(d), target, folder) != nw::SUCCESSFUL) {
        return std::nullopt;
    }
    std::string server;
    std::string path;
    if (!NetWarePath(target, dosPath.substr(3), server, path)) {
        return std::nullopt;
    }
    const nw::NWCONN_REF ref = ConnRefOf(client, server);
    if (ref == 0) {
        return std::nullopt;
    }
    const ConnHandle conn(client, ref);
    if (!conn.ok()) {
        return std::nullopt;
    }
    nw::NWCCODE rc = nw::SUCCESSFUL;
    std::optional<FolderListing> listing = Search(client, conn.get(), path, nw::NW_NS_LONG, rc);
    if (!listing && rc == nw::INVALID_NAME_SPACE) {
        listing = Search(client, conn.get(), path, nw::NW_NS_DOS, rc);
    }
    return listing;
}

}  // namespace varnook
