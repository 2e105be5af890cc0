// The wire client's file queries: paths in name spaces, the users of a file, a connection's open
// files, directory numbers mapped to paths, volume names and record locks. Batched replies are
// served one record per call from the handle's buffer; answers the queries repeat per row are
// cached per handle (see the README's "Round trips").
#include <cctype>
#include <cstring>

#include "ncp/paths.h"
#include "wirecall.h"

namespace nw::wire {

namespace {

using namespace ncp::call;
// Client has an OpenFile member: the record of 23/235 goes by another name here.
using OpenFileRecord = ncp::call::OpenFile;

// Iteration handles are 16-bit positions; -1 (0xFFFF) marks the end.
std::size_t positionOf(nint16 handle) {
    return static_cast<nuint16>(handle);
}
nint16 handleAt(std::size_t next) {
    return static_cast<nint16>(static_cast<nuint16>(next));
}

// The directory entry number of a volume's root directory.
constexpr std::uint32_t kVolumeRoot = 0;

// A list never holds more records than a 16-bit iteration handle can reach.
constexpr std::size_t kMaxRecords = 65535;

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string joinUpper(const std::vector<std::string>& components, std::size_t from) {
    std::string out;
    for (std::size_t i = from; i < components.size(); ++i) {
        if (i > from) {
            out += '\\';
        }
        out += upper(components[i]);
    }
    return out;
}

std::string placeKey(nuint8 volume, const std::string& joined) {
    return std::to_string(volume) + ":" + joined;
}

void copyTruncated(char* out, std::size_t size, std::string_view text) {
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

}  // namespace

// ---- Shared steps ------------------------------------------------------------------------------

NWCCODE WireClient::fullPath(Handle& h, nuint8 src, nuint8 dst, const char* path,
                             const std::vector<std::string>*& components) {
    std::string text;
    text.reserve(2 + std::strlen(path));
    text += static_cast<char>(src);
    text += static_cast<char>(dst);
    text += path;
    if (auto it = h.fullPathsByText.find(text); it != h.fullPathsByText.end()) {
        components = &it->second;
        return SUCCESSFUL;
    }
    const NWCCODE rc = fullPathParsed(h, src, dst, path, components);
    if (rc == SUCCESSFUL) {
        if (h.fullPathsByText.size() >= detail::kMaxCacheEntries) {
            h.fullPathsByText.clear();
        }
        components = &h.fullPathsByText.emplace(std::move(text), *components).first->second;
    }
    return rc;
}

NWCCODE WireClient::fullPathParsed(Handle& h, nuint8 src, nuint8 dst, const char* path,
                                   const std::vector<std::string>*& components) {
    std::optional<ncp::HandlePath> wirePath = ncp::paths::fromVolumePath(path);
    if (!wirePath || wirePath->components.empty()) {
        return INVALID_PATH;
    }
    const std::string key =
        std::to_string(src) + "|" + std::to_string(dst) + "|" + joinUpper(wirePath->components, 0);
    if (auto it = h.fullPaths.find(key); it != h.fullPaths.end()) {
        components = &it->second;
        return SUCCESSFUL;
    }
    GetFullPath::Request request;
    request.sourceNameSpace = src;
    request.destNameSpace = dst;
    request.path = std::move(*wirePath);
    std::vector<std::string> found;
    // A path too long for one reply comes in parts; the cookies say where the next starts.
    for (int part = 0; part < 16; ++part) {
        const auto reply = call<GetFullPath>(h, request);
        if (!reply.ok()) {
            return reply.code;
        }
        found.insert(found.end(), reply.reply.components.begin(), reply.reply.components.end());
        if (reply.reply.cookieFlags == 0 || reply.reply.components.empty()) {
            break;
        }
        request.cookieFlags = reply.reply.cookieFlags;
        request.cookie1 = reply.reply.cookie1;
        request.cookie2 = reply.reply.cookie2;
    }
    if (found.empty()) {
        return INVALID_PATH;
    }
    detail::bound(h.fullPaths);
    components = &h.fullPaths.emplace(key, std::move(found)).first->second;
    return SUCCESSFUL;
}

void WireClient::rememberPlace(Handle& h, nuint8 volume, const std::vector<std::string>& components,
                               nuint32 dosBase) {
    detail::bound(h.places);
    h.places[placeKey(volume, joinUpper(components, 0))] = {volume, dosBase};
}

NWCCODE WireClient::placeOf(Handle& h, const char* path, detail::EntryPlace& place) {
    if (auto it = h.placesByText.find(path); it != h.placesByText.end()) {
        place = it->second;
        return SUCCESSFUL;
    }
    const NWCCODE rc = placeOfParsed(h, path, place);
    if (rc == SUCCESSFUL) {
        if (h.placesByText.size() >= detail::kMaxCacheEntries) {
            h.placesByText.clear();
        }
        h.placesByText.emplace(path, place);
    }
    return rc;
}

NWCCODE WireClient::placeOfParsed(Handle& h, const char* path, detail::EntryPlace& place) {
    std::optional<ncp::HandlePath> wirePath = ncp::paths::fromVolumePath(path);
    if (!wirePath || wirePath->components.empty()) {
        return INVALID_PATH;
    }
    const std::string volume = upper(wirePath->components.front());
    if (auto number = h.volumeNumbers.find(volume); number != h.volumeNumbers.end()) {
        auto it = h.places.find(placeKey(number->second, joinUpper(wirePath->components, 1)));
        if (it != h.places.end()) {
            place = it->second;
            return SUCCESSFUL;
        }
    }
    GenerateDirBase::Request request;
    request.sourceNameSpace = NW_NS_DOS;
    request.destNameSpace = NW_NS_DOS;
    request.path = *wirePath;
    const auto reply = call<GenerateDirBase>(h, request);
    if (!reply.ok()) {
        return reply.code;
    }
    place = {reply.reply.volume, reply.reply.dosDirBase};
    h.volumeNumbers[volume] = reply.reply.volume;
    std::vector<std::string> below(wirePath->components.begin() + 1, wirePath->components.end());
    rememberPlace(h, reply.reply.volume, below, reply.reply.dosDirBase);
    return SUCCESSFUL;
}

NWCCODE WireClient::volumeName(Handle& h, nuint8 volume, const std::string*& name) {
    if (auto it = h.volumeNames.find(volume); it != h.volumeNames.end()) {
        name = &it->second;
        return SUCCESSFUL;
    }
    const auto reply = call<GetVolumeName>(h, {volume});
    if (!reply.ok()) {
        return reply.code;
    }
    if (reply.reply.volumeName.empty()) {
        return VOLUME_DOES_NOT_EXIST;
    }
    h.volumeNumbers[upper(reply.reply.volumeName)] = volume;
    name = &h.volumeNames.emplace(volume, reply.reply.volumeName).first->second;
    return SUCCESSFUL;
}

NWCCODE WireClient::directoryPath(Handle& h, nuint8 volume, nuint32 dirBase, nuint8 nameSpace,
                                  const std::vector<std::string>*& components) {
    const std::uint64_t key = static_cast<std::uint64_t>(volume) << 40 |
                              static_cast<std::uint64_t>(nameSpace) << 32 | dirBase;
    if (auto it = h.directoryPaths.find(key); it != h.directoryPaths.end()) {
        components = &it->second;
        return SUCCESSFUL;
    }
    std::vector<std::string> found;
    bool have = false;
    if (dirBase == kVolumeRoot) {
        // The volume root: no components, and nothing to ask (23/243 has no answer for it that
        // Wireshark reads as a path).
        have = true;
    }
    // An open file named by 23/235: its directory's path (asked once per directory) and name.
    const std::uint64_t fileKey = static_cast<std::uint64_t>(volume) << 32 | dirBase;
    if (auto file = h.openFileNames.find(fileKey);
        !have && file != h.openFileNames.end() && file->second.nameSpace == nameSpace &&
        !file->second.name.empty() && file->second.parent != dirBase) {
        const std::vector<std::string>* parent = nullptr;
        const detail::OpenFileName named = file->second;
        if (directoryPath(h, volume, named.parent, nameSpace, parent) == SUCCESSFUL) {
            found = *parent;
            found.push_back(named.name);
            have = true;
        } else if (!h.connection->session) {
            return h.connection->failure.code;
        }
    }
    if (!have) {
        if (h.connection->session->knows<MapDirectoryNumberToPath>()) {
            const auto reply = call<MapDirectoryNumberToPath>(h, {volume, dirBase, nameSpace});
            if (reply.ok()) {
                found = reply.reply.components;
                have = true;
            } else if (reply.code != kUnknownCall) {
                return reply.code;
            }
        }
        if (!have) {
            // Servers without 23/243: the full path of the directory base, leaf first.
            if (h.connection->session == nullptr) {
                return h.connection->failure.code;
            }
            GetFullPath::Request request;
            request.sourceNameSpace = nameSpace;
            request.destNameSpace = nameSpace;
            request.path.volume = volume;
            request.path.dirBase = dirBase;
            request.path.handleFlag = ncp::handle_flag::kDirBase;
            const auto reply = call<GetFullPath>(h, request);
            if (!reply.ok()) {
                return reply.code;
            }
            found.assign(reply.reply.components.rbegin(), reply.reply.components.rend());
            if (!found.empty()) {
                found.erase(found.begin());  // the volume name
            }
        }
    }
    detail::bound(h.directoryPaths);
    if (nameSpace == NW_NS_DOS) {
        rememberPlace(h, volume, found, dirBase);
    }
    components = &h.directoryPaths.emplace(key, std::move(found)).first->second;
    return SUCCESSFUL;
}

// ---- Name spaces and paths ----------------------------------------------------------------------

NWCCODE WireClient::NWGetNSPath(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint16 fileFlag,
                                nuint8 srcNamSpc, nuint8 dstNamSpc, NW_NS_PATH* nsPath) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (nsPath == nullptr || nsPath->srcPath == nullptr || nsPath->dstPath == nullptr) {
        return NWE_PARAM_INVALID;
    }
    if (dirHandle != 0) {
        return BAD_DIRECTORY_HANDLE;
    }
    if (fileFlag == 0) {
        // The path must name a directory: its record says so.
        std::optional<ncp::HandlePath> wirePath = ncp::paths::fromVolumePath(nsPath->srcPath);
        if (!wirePath) {
            return INVALID_PATH;
        }
        ObtainEntryInfo::Request request;
        request.sourceNameSpace = srcNamSpc;
        request.destNameSpace = dstNamSpc;
        request.searchAttributes = SA_ALL | SA_HIDDEN | SA_SYSTEM;
        request.path = std::move(*wirePath);
        const auto info = call<ObtainEntryInfo>(*h, request);
        if (!info.ok()) {
            return info.code;
        }
        if ((info.reply.info.attributes & A_DIRECTORY) == 0 && request.path.components.size() > 1) {
            return INVALID_PATH;
        }
        if ((h = use(conn, code)) == nullptr) {
            return code;
        }
    }
    const std::vector<std::string>* components = nullptr;
    if (const NWCCODE rc = fullPath(*h, srcNamSpc, dstNamSpc, nsPath->srcPath, components);
        rc != SUCCESSFUL) {
        return rc;
    }
    // Leaf first, volume last: the directory is everything after the leaf (the entry itself
    // for a directory, and for the volume root).
    const std::size_t first = (fileFlag != 0 && components->size() > 1) ? 1 : 0;
    std::string text = components->back() + ":";
    for (std::size_t i = components->size() - 1; i-- > first;) {
        text += "\\" + (*components)[i];
    }
    if (text.size() + 1 > nsPath->dstPathSize) {
        return NWE_BUFFER_OVERFLOW;
    }
    std::memcpy(nsPath->dstPath, text.c_str(), text.size() + 1);
    return SUCCESSFUL;
}

NWCCODE WireClient::NWGetLongName(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, const char* path,
                                  nuint8 srcNamSpc, nuint8 dstNamSpc, char* longName) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (path == nullptr || longName == nullptr) {
        return NWE_PARAM_INVALID;
    }
    if (dirHandle != 0) {
        return BAD_DIRECTORY_HANDLE;
    }
    const std::vector<std::string>* components = nullptr;
    if (const NWCCODE rc = fullPath(*h, srcNamSpc, dstNamSpc, path, components); rc != SUCCESSFUL) {
        return rc;
    }
    copyTruncated(longName, NW_MAX_LONG_NAME_LEN + 1, components->front());
    return SUCCESSFUL;
}

// ---- Users of a file ----------------------------------------------------------------------------

NWCCODE WireClient::loadUsers(Handle& h, const char* path) {
    std::vector<FileConnection> records;
    FileUsage usage;
    const bool old =
        h.connection->session->before311() || !h.connection->session->knows<ConnectionsUsingFile>();
    if (!old) {
        detail::EntryPlace place;
        if (const NWCCODE rc = placeOf(h, path, place); rc != SUCCESSFUL) {
            return rc;
        }
        ConnectionsUsingFile::Request request{0, place.volume, place.dosBase, 0};
        for (bool first = true; records.size() < kMaxRecords; first = false) {
            const auto reply = call<ConnectionsUsingFile>(h, request);
            if (!reply.ok()) {
                if (reply.code == kUnknownCall && first) {
                    return loadUsers(h, path);  // the server knows only the older form
                }
                return reply.code;
            }
            if (first) {
                usage = reply.reply.usage;
            }
            records.insert(records.end(), reply.reply.connections.begin(),
                           reply.reply.connections.end());
            if (reply.reply.nextRecord == 0 || reply.reply.connections.empty() ||
                reply.reply.nextRecord == request.lastRecord) {
                break;
            }
            request.lastRecord = reply.reply.nextRecord;
        }
    } else {
        ConnectionsUsingFileOld::Request request{0, 0, path};
        for (bool first = true; records.size() < kMaxRecords; first = false) {
            const auto reply = call<ConnectionsUsingFileOld>(h, request);
            if (!reply.ok()) {
                return reply.code;
            }
            if (first) {
                usage = reply.reply.usage;
            }
            records.insert(records.end(), reply.reply.connections.begin(),
                           reply.reply.connections.end());
            if (reply.reply.nextRecord == 0 || reply.reply.connections.empty() ||
                reply.reply.nextRecord == request.lastRecord) {
                break;
            }
            request.lastRecord = reply.reply.nextRecord;
        }
    }
    if (records.size() > kMaxRecords) {
        records.resize(kMaxRecords);
    }
    h.users = detail::ScanBuffer<FileConnection>{path, std::move(records), 0, 0};
    h.usage = usage;
    return SUCCESSFUL;
}

NWCCODE WireClient::NWScanConnectionsUsingFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                               const char* filePath, nint16* iterHandle,
                                               CONN_USING_FILE* fileUse,
                                               CONNS_USING_FILE* fileUsed) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (filePath == nullptr || iterHandle == nullptr || fileUse == nullptr || fileUsed == nullptr) {
        return NWE_PARAM_INVALID;
    }
    if (dirHandle != 0) {
        return BAD_DIRECTORY_HANDLE;
    }
    const std::size_t index = positionOf(*iterHandle);
    if (*iterHandle != NW_ITERATION_END && (index == 0 || !h->users || h->users->key != filePath)) {
        if (const NWCCODE rc = loadUsers(*h, filePath); rc != SUCCESSFUL) {
            return rc;
        }
    }
    const std::size_t count = h->users ? h->users->records.size() : 0;
    *fileUse = CONN_USING_FILE{};
    *fileUsed = CONNS_USING_FILE{};
    fileUsed->connCount = static_cast<nuint16>(count);
    fileUsed->useCount = h->usage.useCount;
    fileUsed->openCount = h->usage.openCount;
    fileUsed->openForReadCount = h->usage.openForRead;
    fileUsed->openForWriteCount = h->usage.openForWrite;
    fileUsed->denyReadCount = h->usage.denyRead;
    fileUsed->denyWriteCount = h->usage.denyWrite;
    if (*iterHandle == NW_ITERATION_END || index >= count) {
        *iterHandle = NW_ITERATION_END;
        h->users.reset();
        return FAILURE;
    }
    const FileConnection& record = h->users->records[index];
    fileUse->connNumber = record.connection;
    fileUse->taskNumber = record.task;
    fileUse->lockType = record.lockType;
    fileUse->accessControl = record.accessControl;
    fileUse->lockFlag = record.lockFlag;
    fileUsed->connInfo[0] = *fileUse;
    fileUsed->nextRequest = static_cast<nuint16>(index + 1);
    *iterHandle = handleAt(index + 1);
    return SUCCESSFUL;
}

// ---- A connection's open files
// -------------------------------------------------------------------

NWCCODE WireClient::loadOpenFiles(Handle& h, nuint16 connNum, std::size_t position) {
    const std::string key = std::to_string(connNum);
    auto fetch = [&](std::uint16_t lastRecord, std::vector<OpenFileRecord>& records,
                     std::uint16_t& next) -> NWCCODE {
        Session& session = *h.connection->session;
        if (!session.before311() && session.knows<ConnectionOpenFiles>()) {
            const auto reply = call<ConnectionOpenFiles>(h, {connNum, lastRecord});
            if (reply.ok()) {
                records = reply.reply.files;
                next = reply.reply.nextRecord;
                for (const OpenFileRecord& f : records) {
                    detail::bound(h.openFileNames);
                    detail::OpenFileName& named =
                        h.openFileNames[static_cast<std::uint64_t>(f.volume) << 32 | f.dirEntry];
                    named.parent = f.parent;
                    named.nameSpace = f.nameSpace;
                    if (named.name != f.name) {  // most files were met before, by other stations
                        named.name = f.name;
                    }
                }
                return SUCCESSFUL;
            }
            if (reply.code != kUnknownCall) {
                return reply.code;
            }
        }
        if (h.connection->session == nullptr) {
            return h.connection->failure.code;
        }
        const auto reply = call<ConnectionOpenFilesOld>(h, {connNum, lastRecord});
        if (!reply.ok()) {
            return reply.code;
        }
        records.clear();
        for (const OpenFileOld& f : reply.reply.files) {
            OpenFileRecord file;
            file.task = f.task;
            file.lockType = f.lockType;
            file.accessControl = f.accessControl;
            file.lockFlag = f.lockFlag;
            file.volume = f.volume;
            file.dirEntry = f.dirEntry;
            file.nameSpace = NW_NS_DOS;
            file.name = f.name;
            records.push_back(std::move(file));
        }
        next = reply.reply.nextRecord;
        return SUCCESSFUL;
    };
    if (position == 0 || !h.openFiles || h.openFiles->key != key || position < h.openFiles->base) {
        detail::ScanBuffer<OpenFileRecord> fresh;
        fresh.key = key;
        if (const NWCCODE rc = fetch(0, fresh.records, fresh.nextRecord); rc != SUCCESSFUL) {
            return rc;
        }
        h.openFiles = std::move(fresh);
    }
    detail::ScanBuffer<OpenFileRecord>& buffer = *h.openFiles;
    while (position >= buffer.base + buffer.records.size() && buffer.nextRecord != 0 &&
           !buffer.records.empty() && buffer.base + buffer.records.size() < kMaxRecords) {
        std::vector<OpenFileRecord> records;
        std::uint16_t next = 0;
        if (const NWCCODE rc = fetch(buffer.nextRecord, records, next); rc != SUCCESSFUL) {
            return rc;
        }
        if (next == buffer.nextRecord) {
            next = 0;  // a server that does not move on: the list ends here
        }
        buffer.base += buffer.records.size();
        buffer.records = std::move(records);
        buffer.nextRecord = next;
    }
    return SUCCESSFUL;
}

NWCCODE WireClient::NWScanOpenFilesByConn2(NWCONN_HANDLE conn, nuint16 connNum, nint16* iterHandle,
                                           OPEN_FILE_CONN_CTRL*, OPEN_FILE_CONN* openFile) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (iterHandle == nullptr || openFile == nullptr) {
        return NWE_PARAM_INVALID;
    }
    const std::size_t index = positionOf(*iterHandle);
    if (*iterHandle != NW_ITERATION_END) {
        if (const NWCCODE rc = loadOpenFiles(*h, connNum, index); rc != SUCCESSFUL) {
            return rc;
        }
    }
    if (*iterHandle == NW_ITERATION_END || !h->openFiles || index < h->openFiles->base ||
        index >= h->openFiles->base + h->openFiles->records.size()) {
        *iterHandle = NW_ITERATION_END;
        h->openFiles.reset();
        return FAILURE;
    }
    const OpenFileRecord& f = h->openFiles->records[index - h->openFiles->base];
    *openFile = OPEN_FILE_CONN{};
    openFile->taskNumber = f.task;
    openFile->lockType = f.lockType;
    openFile->accessControl = f.accessControl;
    openFile->lockFlag = f.lockFlag;
    openFile->volNumber = f.volume;
    openFile->parent = f.parent;
    openFile->dirEntry = f.dirEntry;
    openFile->forkCount = f.forkCount;
    openFile->nameSpace = f.nameSpace;
    copyTruncated(openFile->fileName, sizeof openFile->fileName, f.name);
    openFile->nameLen = static_cast<nuint8>(std::strlen(openFile->fileName));
    *iterHandle = handleAt(index + 1);
    return SUCCESSFUL;
}

// ---- Directory numbers and volumes
// ---------------------------------------------------------------

NWCCODE WireClient::NWGetPathFromDirectoryBase(NWCONN_HANDLE conn, nuint8 volNum, nuint32 dirBase,
                                               nuint8 namSpc, nuint8* len, char* pathName) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (len == nullptr || pathName == nullptr) {
        return NWE_PARAM_INVALID;
    }
    const std::vector<std::string>* components = nullptr;
    if (const NWCCODE rc = directoryPath(*h, volNum, dirBase, namSpc, components);
        rc != SUCCESSFUL) {
        return rc;
    }
    std::size_t total = 0;
    for (const std::string& c : *components) {
        total += 1 + c.size();
    }
    if (total > *len) {
        return NWE_BUFFER_OVERFLOW;
    }
    char* out = pathName;
    for (const std::string& c : *components) {
        *out++ = static_cast<char>(c.size());
        std::memcpy(out, c.data(), c.size());
        out += c.size();
    }
    *len = static_cast<nuint8>(total);
    return SUCCESSFUL;
}

NWCCODE WireClient::NWGetVolumeName(NWCONN_HANDLE conn, nuint16 volNum, char* volName) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (volName == nullptr) {
        return NWE_PARAM_INVALID;
    }
    if (volNum > 255) {
        return VOLUME_DOES_NOT_EXIST;
    }
    const std::string* name = nullptr;
    if (const NWCCODE rc = volumeName(*h, static_cast<nuint8>(volNum), name); rc != SUCCESSFUL) {
        return rc;
    }
    copyTruncated(volName, 256, *name);
    return SUCCESSFUL;
}

NWCCODE WireClient::GetVolumeNumber(NWCONN_HANDLE conn, const char* volName, nuint16* volNum) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (volName == nullptr || volNum == nullptr) {
        return NWE_PARAM_INVALID;
    }
    const std::string key = upper(volName);
    if (auto it = h->volumeNumbers.find(key); it != h->volumeNumbers.end()) {
        *volNum = it->second;
        return SUCCESSFUL;
    }
    const auto reply = call<ncp::call::GetVolumeNumber>(*h, {volName});
    if (!reply.ok()) {
        return reply.code;
    }
    h->volumeNumbers[key] = reply.reply.volume;
    *volNum = reply.reply.volume;
    return SUCCESSFUL;
}

// ---- Record locks
// ---------------------------------------------------------------------------------

NWCCODE WireClient::loadLocks(Handle& h, const char* path) {
    std::vector<PhysicalLock> records;
    const bool old =
        h.connection->session->before311() || !h.connection->session->knows<PhysicalLocksByFile>();
    if (!old) {
        detail::EntryPlace place;
        if (const NWCCODE rc = placeOf(h, path, place); rc != SUCCESSFUL) {
            return rc;
        }
        PhysicalLocksByFile::Request request{0, place.volume, place.dosBase, 0};
        for (bool first = true; records.size() < kMaxRecords; first = false) {
            auto reply = call<PhysicalLocksByFile>(h, request);
            if (!reply.ok()) {
                if (reply.code == kUnknownCall && first) {
                    return loadLocks(h, path);
                }
                return reply.code;
            }
            const bool done = reply.reply.nextRecord == 0 || reply.reply.locks.empty() ||
                              reply.reply.nextRecord == request.lastRecord;
            if (records.empty()) {
                records = std::move(reply.reply.locks);  // most files answer in one batch
            } else {
                records.insert(records.end(), reply.reply.locks.begin(), reply.reply.locks.end());
            }
            if (done) {
                break;
            }
            request.lastRecord = reply.reply.nextRecord;
        }
    } else {
        PhysicalLocksByFileOld::Request request{0, 0, path};
        while (records.size() < kMaxRecords) {
            const auto reply = call<PhysicalLocksByFileOld>(h, request);
            if (!reply.ok()) {
                return reply.code;
            }
            records.insert(records.end(), reply.reply.locks.begin(), reply.reply.locks.end());
            if (reply.reply.nextRecord == 0 || reply.reply.locks.empty() ||
                reply.reply.nextRecord == request.lastRecord) {
                break;
            }
            request.lastRecord = reply.reply.nextRecord;
        }
    }
    if (records.size() > kMaxRecords) {
        records.resize(kMaxRecords);
    }
    h.locks = detail::ScanBuffer<PhysicalLock>{path, std::move(records), 0, 0};
    return SUCCESSFUL;
}

NWCCODE WireClient::NWScanPhysicalLocksByFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                              const char* path, nuint8, nint16* iterHandle,
                                              PHYSICAL_LOCK* lock, PHYSICAL_LOCKS* locks) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (path == nullptr || iterHandle == nullptr || lock == nullptr) {
        return NWE_PARAM_INVALID;
    }
    if (dirHandle != 0) {
        return BAD_DIRECTORY_HANDLE;
    }
    const std::size_t index = positionOf(*iterHandle);
    if (*iterHandle != NW_ITERATION_END && (index == 0 || !h->locks || h->locks->key != path)) {
        if (const NWCCODE rc = loadLocks(*h, path); rc != SUCCESSFUL) {
            return rc;
        }
    }
    const std::size_t count = h->locks ? h->locks->records.size() : 0;
    *lock = PHYSICAL_LOCK{};
    if (locks != nullptr) {
        locks->nextRequest = 0;
        locks->numRecords = static_cast<nuint16>(count);
    }
    if (*iterHandle == NW_ITERATION_END || index >= count) {
        *iterHandle = NW_ITERATION_END;
        h->locks.reset();
        return FAILURE;
    }
    const PhysicalLock& found = h->locks->records[index];
    // Each record the server lists is one lock logged on the file.
    lock->loggedCount = found.loggedCount != 0 ? found.loggedCount : 1;
    lock->shareableLockCount = found.shareableCount;
    lock->recordStart = found.recordStart;
    lock->recordEnd = found.recordEnd;
    lock->connNumber = found.connection;
    lock->taskNumber = found.task;
    lock->lockType = found.lockType;
    if (locks != nullptr) {
        locks->nextRequest = static_cast<nuint16>(index + 1);
    }
    *iterHandle = handleAt(index + 1);
    return SUCCESSFUL;
}

}  // namespace nw::wire
