// Paths of the volume control operations (see entrypaths.h).
#include "entrypaths.h"

#include <sys/stat.h>

#include "services.h"
#include "volumedisk.h"

namespace nw::sim {

namespace {

bool onDisk(const Volume& volume, const Entry& entry) {
    struct statx st {};
    return !entry.gone && statBeneath(volume, entryKey(&entry), st) == 0 &&
           (entry.isDirectory ? S_ISDIR(st.stx_mode) : S_ISREG(st.stx_mode));
}

}  // namespace

NWCCODE locate(Network& net, Server& server, const char* path, nuint8 nameSpace, Located& out) {
    if (path == nullptr)
        return NWE_PARAM_INVALID;
    ResolvedPath resolved;
    NWCCODE rc = resolvePath(server, path, nameSpace, net.codePage, resolved);
    if (rc != SUCCESSFUL)
        return rc;
    out = {resolved.volume, resolved.entry};
    return SUCCESSFUL;
}

NWCCODE locateAlive(Network& net, Server& server, const char* path, nuint8 nameSpace,
                    Located& out) {
    NWCCODE rc = locate(net, server, path, nameSpace, out);
    if (rc != SUCCESSFUL)
        return rc;
    return stillOnDisk(out);
}

NWCCODE stillOnDisk(const Located& target) {
    if (!onDisk(*target.volume, *target.entry)) {
        if (target.entry->parent != nullptr)
            detachEntry(*target.entry);
        return INVALID_PATH;
    }
    return SUCCESSFUL;
}

NWCCODE locateRecord(Network& net, Server& server, const char* path, nuint8 nameSpace, Located& out,
                     NW_ENTRY_INFO& record) {
    NWCCODE rc = locate(net, server, path, nameSpace, out);
    if (rc != SUCCESSFUL)
        return rc;
    return entryRecord(server, *out.volume, *out.entry, nameSpace, record);
}

NWCCODE locateNew(Network& net, Server& server, const char* path, nuint8 nameSpace,
                  Located& directory, NewName& name) {
    if (path == nullptr)
        return NWE_PARAM_INVALID;
    std::string_view text = path;
    std::size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return INVALID_PATH;
    std::size_t cut = text.find_last_of("\\/");
    if (cut == std::string_view::npos || cut < colon)
        cut = colon;
    std::string parentPath(text.substr(0, cut + (cut == colon ? 1 : 0)));
    std::string newName(text.substr(cut + 1));
    NWCCODE rc = locateAlive(net, server, parentPath.c_str(), nameSpace, directory);
    if (rc != SUCCESSFUL)
        return rc;
    if (!directory.entry->isDirectory)
        return INVALID_PATH;
    if (!isValidEntryName(newName))
        return INVALID_FILENAME;
    if (nameSpace == NW_NS_DOS) {
        if (!isDosName(newName))
            return INVALID_FILENAME;
        newName = upperAscii(newName);
    }
    std::optional<std::string> diskName = net.codePage.toUtf8(newName);
    if (!diskName || hasC1Control(*diskName))
        return INVALID_FILENAME;
    name.diskName = std::move(*diskName);
    name.longName = newName;
    if (!directory.entry->scanned)
        refreshDirectory(*directory.volume, *directory.entry, net.codePage);
    std::string key = upperAscii(newName);
    Entry* existing = nullptr;
    if (auto it = directory.entry->byLongKey.find(key); it != directory.entry->byLongKey.end())
        existing = it->second;
    if (nameSpace == NW_NS_DOS && existing == nullptr) {
        if (auto it = directory.entry->byDosName.find(key); it != directory.entry->byDosName.end())
            existing = it->second;
    }
    if (existing != nullptr && !onDisk(*directory.volume, *existing)) {
        detachEntry(*existing);
        existing = nullptr;
    }
    name.existing = existing;
    struct statx st {};
    name.onDisk =
        statBeneath(*directory.volume, childKey(entryKey(directory.entry), name.diskName), st) == 0;
    return SUCCESSFUL;
}

bool isKnownObject(const Network& net, const Server& server, nuint32 id) {
    for (const auto& object : server.objects) {
        if (object->id == id && object->type == OT_USER)
            return true;
    }
    for (const Tree& tree : net.trees) {
        if (server.tree.empty() || upperAscii(tree.name) != upperAscii(server.tree))
            continue;
        for (const TreeObject& object : tree.objects) {
            if (object.id == id && object.objectClass != "Volume" &&
                object.objectClass != "NCP Server") {
                return true;
            }
        }
    }
    return false;
}

void forgetEntry(Volume& volume, const std::string& key) {
    auto& entries = volume.data.entries;
    for (auto it = entries.begin(); it != entries.end();) {
        const std::string& k = it->first;
        bool below = k == key || (k.size() > key.size() && k.compare(0, key.size(), key) == 0 &&
                                  k[key.size()] == '/');
        it = below ? entries.erase(it) : std::next(it);
    }
    auto kept = volume.data.deleted.find(key);
    if (kept == volume.data.deleted.end() || key.empty())
        return;
    auto files = std::move(kept->second);
    volume.data.deleted.erase(kept);
    auto& root = volume.data.deleted[""];
    for (auto& [id, file] : files) {
        file.directory.clear();
        root.emplace(id, std::move(file));
    }
}

}  // namespace nw::sim
