// Helpers of the volume control operations (see services.h).
#include "services.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <unordered_set>

#include "dostime.h"
#include "store.h"
#include "volumedisk.h"

namespace nw::sim {

// ---- Entries ------------------------------------------------------------------------------------

std::string entryKey(const Entry* entry) {
    std::vector<const Entry*> chain;
    for (; entry != nullptr && entry->parent != nullptr; entry = entry->parent)
        chain.push_back(entry);
    std::string key;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!key.empty())
            key += '/';
        key += (*it)->diskName;
    }
    return key;
}

std::string childKey(const std::string& directoryKey, const std::string& diskName) {
    return directoryKey.empty() ? diskName : directoryKey + "/" + diskName;
}

bool isValidEntryName(std::string_view name) {
    if (name.empty() || name.size() > NW_MAX_LONG_NAME_LEN ||
        name.find_first_not_of('.') == std::string_view::npos) {
        return false;
    }
    return std::none_of(name.begin(), name.end(), [](char c) {
        auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F ||
               std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos;
    });
}

bool hasC1Control(std::string_view utf8) {
    for (std::size_t i = 0; i + 1 < utf8.size(); ++i) {
        if (static_cast<unsigned char>(utf8[i]) == 0xC2 &&
            (static_cast<unsigned char>(utf8[i + 1]) & 0xE0) == 0x80) {
            return true;
        }
    }
    return false;
}

const EntryMeta* metaOf(const Volume& volume, const std::string& key) {
    auto it = volume.data.entries.find(key);
    return it == volume.data.entries.end() ? nullptr : &it->second;
}

EntryMeta metaCopy(const Volume& volume, const std::string& key) {
    const EntryMeta* stored = metaOf(volume, key);
    return stored != nullptr ? *stored : EntryMeta{};
}

void keepMeta(Volume& volume, const std::string& key, EntryMeta meta) {
    if (meta.isDefault())
        volume.data.entries.erase(key);
    else
        volume.data.entries[key] = std::move(meta);
}

Entry& newEntry(Volume& volume, Entry& directory, const std::string& diskName,
                const std::string& longName, bool isDirectory) {
    auto entry = std::make_unique<Entry>();
    entry->number = static_cast<nuint32>(volume.entries.size());
    entry->isDirectory = isDirectory;
    entry->scanned = isDirectory;
    Entry& made = *entry;
    volume.entries.push_back(std::move(entry));
    attachEntry(directory, made, diskName, longName);
    return made;
}

void detachEntry(Entry& entry) {
    Entry* parent = entry.parent;
    entry.gone = true;
    if (parent == nullptr)
        return;
    if (entry.slot < parent->children.size() && parent->children[entry.slot] == &entry)
        parent->children[entry.slot] = nullptr;
    auto byLong = parent->byLongKey.find(upperAscii(entry.longName));
    if (byLong != parent->byLongKey.end() && byLong->second == &entry)
        parent->byLongKey.erase(byLong);
    auto byDos = parent->byDosName.find(entry.dosName);
    if (byDos != parent->byDosName.end() && byDos->second == &entry) {
        parent->byDosName.erase(byDos);
        releaseDosName(*parent, entry.dosName);
    }
}

void attachEntry(Entry& directory, Entry& entry, const std::string& diskName,
                 const std::string& longName) {
    entry.parent = &directory;
    entry.diskName = diskName;
    entry.longName = longName;
    entry.gone = false;
    std::string upper = upperAscii(longName);
    entry.dosName = isDosName(longName) && directory.byDosName.count(upper) == 0
                        ? upper
                        : deriveDosName(directory, longName);
    entry.slot = directory.children.size();
    directory.children.push_back(&entry);
    directory.byLongKey[upperAscii(longName)] = &entry;
    directory.byDosName[entry.dosName] = &entry;
}

bool searchSelects(nuint16 searchAttrs, bool isDirectory, nuint32 attributes) {
    nuint16 low = searchAttrs & 0xFF;
    bool everything = low == 0xFB || low == 0xFF;
    if (!everything) {
        if ((attributes & A_HIDDEN) != 0 && (searchAttrs & SA_HIDDEN) == 0)
            return false;
        if ((attributes & A_SYSTEM) != 0 && (searchAttrs & SA_SYSTEM) == 0)
            return false;
    }
    if (everything || (searchAttrs & SA_ALL) != 0)
        return true;
    if ((searchAttrs & SA_SUBDIR_ONLY) != 0)
        return isDirectory;
    return !isDirectory;
}

bool wildcardMatch(std::string_view pattern, std::string_view name) {
    if (pattern == "*" || pattern == "*.*")
        return true;
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    std::size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || upper(pattern[p]) == upper(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

// ---- Callers and rights -------------------------------------------------------------------------

Caller callerOf(const Network& net, Server& server, Station* station, bool consoleOperator) {
    Caller caller;
    caller.server = &server;
    caller.station = station;
    caller.consoleOperator = consoleOperator;
    caller.object = station != nullptr ? station->object : nullptr;
    if (caller.object == nullptr)
        return caller;
    caller.ids.push_back(caller.object->id);
    caller.supervisor = caller.server->data.supervisors.count(caller.object) != 0;
    // A user that is also a User object of the tree counts as each container above it.
    for (const Tree& tree : net.trees) {
        if (upperAscii(tree.name) != upperAscii(caller.server->tree) || caller.server->tree.empty())
            continue;
        for (const TreeObject& object : tree.objects) {
            if (object.id != caller.object->id || object.objectClass != "User")
                continue;
            std::string upper = upperAscii(object.name);
            for (std::size_t dot = upper.find('.'); dot != std::string::npos;
                 dot = upper.find('.', dot + 1)) {
                std::string container = upper.substr(dot + 1);
                for (const TreeObject& other : tree.objects) {
                    if (upperAscii(other.name) == container)
                        caller.ids.push_back(other.id);
                }
            }
        }
    }
    return caller;
}

nuint16 effectiveRights(const Caller& caller, const Volume& volume, const Entry* entry) {
    if (caller.object == nullptr)
        return 0;
    if (caller.supervisor)
        return TR_ALL;
    std::vector<const Entry*> chain;
    for (const Entry* e = entry; e != nullptr; e = e->parent)
        chain.push_back(e);
    std::vector<nuint16> rights(caller.ids.size(), 0);
    std::string key;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        bool root = (*it)->parent == nullptr;
        if (!root)
            key = key.empty() ? (*it)->diskName : key + "/" + (*it)->diskName;
        const EntryMeta* meta = metaOf(volume, key);
        nuint16 mask = meta != nullptr ? meta->inheritedRights : TR_ALL;
        for (std::size_t i = 0; i < caller.ids.size(); ++i) {
            nuint16 inherited = 0;
            if (!root)
                inherited = (rights[i] & TR_SUPERVISOR) != 0 ? TR_ALL : (rights[i] & mask);
            nuint16 now = inherited;
            if (meta != nullptr) {
                for (const Trustee& trustee : meta->trustees) {
                    if (trustee.id == caller.ids[i])
                        now = trustee.rights;
                }
            }
            if (((inherited | now) & TR_SUPERVISOR) != 0)
                now = TR_ALL;
            rights[i] = now;
        }
    }
    nuint16 all = 0;
    for (nuint16 r : rights)
        all |= r;
    return all & TR_ALL;
}

bool canSee(const Caller& caller, const Volume& volume, const Entry* entry) {
    if ((effectiveRights(caller, volume, entry) & TR_FILE_SCAN) != 0)
        return true;
    if (caller.object == nullptr)
        return false;
    std::string key = entryKey(entry);
    for (const auto& [k, meta] : volume.data.entries) {
        bool atOrBelow =
            key.empty() || k == key ||
            (k.size() > key.size() && k.compare(0, key.size(), key) == 0 && k[key.size()] == '/');
        if (!atOrBelow)
            continue;
        for (const Trustee& trustee : meta.trustees) {
            if (trustee.rights != 0 &&
                std::find(caller.ids.begin(), caller.ids.end(), trustee.id) != caller.ids.end()) {
                return true;
            }
        }
    }
    return false;
}

// ---- Records ------------------------------------------------------------------------------------

NWCCODE entryRecord(const Server& server, const Volume& volume, Entry& entry, nuint8 nameSpace,
                    NW_ENTRY_INFO& info) {
    std::string key = entryKey(&entry);
    struct statx st {};
    if (entry.gone || statBeneath(volume, key, st) != 0 ||
        !(entry.isDirectory ? S_ISDIR(st.stx_mode) : S_ISREG(st.stx_mode))) {
        if (entry.parent != nullptr)
            detachEntry(entry);
        return INVALID_PATH;
    }
    const EntryMeta* meta = metaOf(volume, key);
    static const EntryMeta kDefaults;
    if (meta == nullptr)
        meta = &kDefaults;
    info = NW_ENTRY_INFO{};
    info.attributes = meta->attributes | (entry.isDirectory ? A_DIRECTORY : 0);
    nuint32 created = meta->created.value_or(
        dosStamp((st.stx_mask & STATX_BTIME) != 0 ? st.stx_btime.tv_sec : st.stx_mtime.tv_sec));
    info.creationDate = dosDate(created);
    info.creationTime = dosTime(created);
    info.creatorID = meta->creator.value_or(server.data.defaultOwner);
    nuint32 modified = dosStamp(st.stx_mtime.tv_sec);
    info.modifyDate = dosDate(modified);
    info.modifyTime = dosTime(modified);
    info.modifierID = meta->modifier.value_or(info.creatorID);
    info.archiveDate = dosDate(meta->archived);
    info.archiveTime = dosTime(meta->archived);
    info.archiverID = meta->archiver;
    info.lastAccessDate = dosDate(dosStamp(st.stx_atime.tv_sec));
    info.inheritedRightsMask = meta->inheritedRights;
    info.dataSize = entry.isDirectory ? 0 : st.stx_size;
    info.spaceRestriction =
        entry.isDirectory ? meta->spaceRestriction : NW_NO_DIRECTORY_RESTRICTION;
    info.volNumber = volume.number;
    info.dirEntNum = entry.number;
    info.nameSpace = nameSpace;
    const std::string& name = entry.parent == nullptr ? volume.name : entry.name(nameSpace);
    info.nameLength = static_cast<nuint8>(std::min<std::size_t>(name.size(), NW_MAX_LONG_NAME_LEN));
    std::copy_n(name.begin(), info.nameLength, info.entryName);
    return SUCCESSFUL;
}

// ---- State --------------------------------------------------------------------------------------

Services::Services(Network& network) : net(network) {}

Services::~Services() {
    for (auto& [handle, file] : files) {
        if (file.fd >= 0)
            ::close(file.fd);
    }
}

Store* Services::store() {
    if (!storeTried) {
        storeTried = true;
        store_ = Store::open(net, storeError);
        // Held by another process: say so where a user sees it, since every change will fail.
        if (store_ != nullptr && !store_->writable())
            std::fprintf(stderr, "%s\n", storeError.c_str());
    }
    return store_.get();
}

const Bindery& Services::bindery(const Server& server) {
    auto found = binderies.find(&server);
    if (found != binderies.end())
        return found->second;
    if (fileServerIds.empty()) {
        std::unordered_set<nuint32> used;
        for (const auto& each : net.servers) {
            for (const auto& object : each->objects)
                used.insert(object->id);
        }
        nuint32 next = 0x01000001;
        for (std::size_t i = 0; i < net.servers.size(); ++i) {
            while (used.count(next) != 0)
                ++next;
            fileServerIds.push_back(next++);
        }
    }
    Bindery& made = binderies[&server];
    for (const auto& object : server.objects)
        made.objects.push_back({object->id, object->name, object->type});
    for (std::size_t i = 0; i < net.servers.size(); ++i)
        made.objects.push_back({fileServerIds[i], net.servers[i]->name, OT_FILE_SERVER});
    for (std::size_t i = 0; i < made.objects.size(); ++i)
        made.byId.emplace(made.objects[i].id, i);
    return made;
}

DirHandle* Services::dirHandle(Owner owner, NWDIR_HANDLE handle) {
    auto it = dirHandles.find(owner);
    if (it == dirHandles.end() || handle == 0)
        return nullptr;
    DirHandle& slot = it->second[handle];
    if (slot.directory == nullptr || slot.directory->gone || !slot.volume->mounted)
        return nullptr;
    return &slot;
}

void Services::ownerClosed(Owner owner) {
    auto it = dirHandles.find(owner);
    if (it != dirHandles.end()) {
        for (const DirHandle& slot : it->second) {
            if (slot.directory != nullptr)
                --dirHandleCount;
        }
        dirHandles.erase(it);
    }
    std::vector<NW_FILE_HANDLE> owned;
    for (const auto& [handle, file] : files) {
        if (file.owner == owner)
            owned.push_back(handle);
    }
    for (NW_FILE_HANDLE handle : owned)
        closeFile(handle);
}

NWCCODE Services::saveMeta(Volume& volume, const std::string& key, EntryMeta meta) {
    Store* stored = store();
    if (stored == nullptr || !stored->saveEntry(volume, key, meta))
        return DIRECTORY_IO_ERROR;
    keepMeta(volume, key, std::move(meta));
    return SUCCESSFUL;
}

NW_FILE_HANDLE Services::addFile(Owner owner, Station* station, Volume& volume, Entry& entry,
                                 int fd, bool read, bool write) {
    NW_FILE_HANDLE handle = nextFile++;
    OpenedFile& file = files[handle];
    file.fd = fd;
    file.owner = owner;
    file.station = station;
    file.volume = &volume;
    file.entry = &entry;
    file.read = read;
    file.write = write;
    if (station != nullptr) {
        station->openFiles.push_back({&volume, &entry, 1});
        if (!entry.usage)
            entry.usage = std::make_unique<FileUsage>();
        auto& openers = entry.usage->openers;
        if (std::none_of(openers.begin(), openers.end(),
                         [&](const Opener& o) { return o.station == station; })) {
            openers.push_back({station, 1});
        }
    }
    return handle;
}

void Services::closeFile(NW_FILE_HANDLE handle) {
    auto it = files.find(handle);
    if (it == files.end())
        return;
    OpenedFile& file = it->second;
    if (file.fd >= 0)
        ::close(file.fd);
    if (Station* station = file.station) {
        auto& open = station->openFiles;
        for (auto rec = open.rbegin(); rec != open.rend(); ++rec) {
            if (rec->file == file.entry) {
                open.erase(std::next(rec).base());
                break;
            }
        }
        bool stillOpen = std::any_of(open.begin(), open.end(),
                                     [&](const sim::OpenFile& o) { return o.file == file.entry; });
        if (!stillOpen && file.entry->usage) {
            std::erase_if(file.entry->usage->openers,
                          [&](const Opener& o) { return o.station == station; });
        }
    }
    files.erase(it);
}

void Services::stationGone(const Station& station) {
    for (auto& [handle, file] : files) {
        if (file.station == &station)
            file.station = nullptr;
    }
}

}  // namespace nw::sim
