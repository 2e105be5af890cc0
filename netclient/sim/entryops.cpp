// Volume control operations on directory entries: records and their changes, directory handles,
// searches, space restrictions of directories, create, delete, erase, rename and move.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "dostime.h"
#include "entrypaths.h"
#include "model.h"
#include "servermodel.h"
#include "services.h"
#include "store.h"
#include "volumedisk.h"

namespace nw::sim {

namespace {

// Attribute bits a caller may set; the others keep what the server stored.
constexpr nuint32 kSettableAttributes =
    A_READ_ONLY | A_HIDDEN | A_SYSTEM | A_EXECUTE_ONLY | A_NEEDS_ARCHIVED | A_SHAREABLE |
    A_DONT_SUBALLOCATE | A_TRANSACTIONAL | A_IMMEDIATE_PURGE | A_RENAME_INHIBIT | A_DELETE_INHIBIT |
    A_COPY_INHIBIT | A_DONT_MIGRATE | A_IMMEDIATE_COMPRESS | A_DONT_COMPRESS;
constexpr nuint32 kStatusAttributes = A_FILE_MIGRATED | A_FILE_COMPRESSED | A_CANT_COMPRESS;

NWCCODE storeAnswer(int rc) {
    return rc == Store::kStoreFailed ? DIRECTORY_IO_ERROR : diskAnswer(rc);
}

// Moves the metadata of an entry and of everything below it to a new key.
template <class Map>
void rekeyMap(Map& map, const std::string& from, const std::string& to) {
    std::vector<std::string> keys;
    for (const auto& [key, value] : map) {
        if (key == from || (key.size() > from.size() && key.compare(0, from.size(), from) == 0 &&
                            key[from.size()] == '/')) {
            keys.push_back(key);
        }
    }
    for (const std::string& key : keys) {
        auto node = map.extract(key);
        node.key() = to + key.substr(from.size());
        map.insert(std::move(node));
    }
}

// Do two keys name one file (a change of case where the file system ignores case)?
bool sameFileOnDisk(const Volume& volume, const std::string& a, const std::string& b) {
    struct statx first {
    }, second{};
    return statBeneath(volume, a, first) == 0 && statBeneath(volume, b, second) == 0 &&
           first.stx_ino == second.stx_ino && first.stx_dev_major == second.stx_dev_major &&
           first.stx_dev_minor == second.stx_dev_minor;
}

bool isInside(const Entry* entry, const Entry* ancestor) {
    for (; entry != nullptr; entry = entry->parent) {
        if (entry == ancestor)
            return true;
    }
    return false;
}

}  // namespace

// ---- Records ------------------------------------------------------------------------------------

NWCCODE ServerModel::entryInfo(const Caller& who, const Located& target, nuint8 nameSpace,
                               nuint16 searchAttrs, NW_ENTRY_INFO& info) {
    NW_ENTRY_INFO record;
    NWCCODE rc =
        entryRecord(*target.volume->server, *target.volume, *target.entry, nameSpace, record);
    if (rc != SUCCESSFUL)
        return rc;
    if (!canSee(who, *target.volume, target.entry))
        return ACCESS_DENIED;
    if (!searchSelects(searchAttrs, target.entry->isDirectory, record.attributes))
        return FAILURE;
    info = record;
    return SUCCESSFUL;
}

NWCCODE ServerModel::modifyEntry(const Caller& who, const Located& target, nuint8 nameSpace,
                                 nuint16 searchAttrs, nuint32 modifyMask,
                                 const NW_ENTRY_INFO& given) {
    const NW_ENTRY_INFO* info = &given;
    Server& server = *target.volume->server;
    NW_ENTRY_INFO current;
    NWCCODE rc = entryRecord(server, *target.volume, *target.entry, nameSpace, current);
    if (rc != SUCCESSFUL)
        return rc;
    Volume& volume = *target.volume;
    Entry& entry = *target.entry;
    if (!searchSelects(searchAttrs, entry.isDirectory, current.attributes))
        return FAILURE;

    nuint16 rights = effectiveRights(who, volume, &entry);
    constexpr nuint32 kModify = DM_ATTRIBUTES | DM_CREATE_DATE | DM_CREATE_TIME | DM_ARCHIVE_DATE |
                                DM_ARCHIVE_TIME | DM_MODIFY_DATE | DM_MODIFY_TIME | DM_MODIFIER_ID |
                                DM_LAST_ACCESS_DATE;
    if (((modifyMask & kModify) != 0 && (rights & TR_MODIFY) == 0) ||
        ((modifyMask & (DM_INHERITED_RIGHTS_MASK | DM_MAXIMUM_SPACE)) != 0 &&
         (rights & TR_ACCESS_CONTROL) == 0) ||
        ((modifyMask & (DM_CREATOR_ID | DM_ARCHIVER_ID)) != 0 && (rights & TR_SUPERVISOR) == 0)) {
        return NO_MODIFY_PRIVILEGES;
    }
    for (auto [bit, id] :
         {std::pair{DM_CREATOR_ID, info->creatorID}, std::pair{DM_ARCHIVER_ID, info->archiverID},
          std::pair{DM_MODIFIER_ID, info->modifierID}}) {
        if ((modifyMask & bit) != 0 && id != 0 && !isKnownObject(*net_, server, id))
            return NO_SUCH_OBJECT;
    }

    std::string key = entryKey(&entry);
    const EntryMeta* stored = metaOf(volume, key);
    EntryMeta meta = stored != nullptr ? *stored : EntryMeta{};
    if ((modifyMask & DM_ATTRIBUTES) != 0)
        meta.attributes =
            (info->attributes & kSettableAttributes) | (meta.attributes & kStatusAttributes);
    if ((modifyMask & (DM_CREATE_DATE | DM_CREATE_TIME)) != 0) {
        nuint16 date =
            (modifyMask & DM_CREATE_DATE) != 0 ? info->creationDate : current.creationDate;
        nuint16 time =
            (modifyMask & DM_CREATE_TIME) != 0 ? info->creationTime : current.creationTime;
        meta.created = static_cast<nuint32>(date) << 16 | time;
    }
    if ((modifyMask & (DM_ARCHIVE_DATE | DM_ARCHIVE_TIME)) != 0) {
        nuint16 date =
            (modifyMask & DM_ARCHIVE_DATE) != 0 ? info->archiveDate : current.archiveDate;
        nuint16 time =
            (modifyMask & DM_ARCHIVE_TIME) != 0 ? info->archiveTime : current.archiveTime;
        meta.archived = static_cast<nuint32>(date) << 16 | time;
    }
    if ((modifyMask & DM_CREATOR_ID) != 0)
        meta.creator = info->creatorID;
    if ((modifyMask & DM_ARCHIVER_ID) != 0)
        meta.archiver = info->archiverID;
    if ((modifyMask & DM_MODIFIER_ID) != 0)
        meta.modifier = info->modifierID;
    if ((modifyMask & DM_INHERITED_RIGHTS_MASK) != 0)
        meta.inheritedRights = (info->inheritedRightsMask | TR_SUPERVISOR) & TR_ALL;
    if ((modifyMask & DM_MAXIMUM_SPACE) != 0 && entry.isDirectory && entry.parent != nullptr) {
        meta.spaceRestriction =
            info->spaceRestriction < 0 ? NW_NO_DIRECTORY_RESTRICTION : info->spaceRestriction;
    }

    // The modify date and the last access date are the file's own times on disk.
    struct timespec times[2] = {{0, UTIME_OMIT}, {0, UTIME_OMIT}};
    if ((modifyMask & (DM_MODIFY_DATE | DM_MODIFY_TIME)) != 0) {
        nuint16 date = (modifyMask & DM_MODIFY_DATE) != 0 ? info->modifyDate : current.modifyDate;
        nuint16 time = (modifyMask & DM_MODIFY_TIME) != 0 ? info->modifyTime : current.modifyTime;
        times[1].tv_sec = timeOfStamp(static_cast<nuint32>(date) << 16 | time);
        times[1].tv_nsec = 0;
    }
    if ((modifyMask & DM_LAST_ACCESS_DATE) != 0) {
        times[0].tv_sec = timeOfStamp(static_cast<nuint32>(info->lastAccessDate) << 16);
        times[0].tv_nsec = 0;
    }
    if ((times[0].tv_nsec == 0 && times[0].tv_sec < 0) ||
        (times[1].tv_nsec == 0 && times[1].tv_sec < 0)) {
        return INVALID_PARAMETERS;
    }

    if (stored != nullptr || !meta.isDefault()) {
        rc = services_->saveMeta(volume, key, std::move(meta));
        if (rc != SUCCESSFUL)
            return rc;
    }
    if (times[0].tv_nsec != UTIME_OMIT || times[1].tv_nsec != UTIME_OMIT)
        return diskAnswer(utimensBeneath(volume, key, times));
    return SUCCESSFUL;
}

// ---- Directory handles and searches -------------------------------------------------------------

NWCCODE ServerModel::allocDirHandle(Owner owner, const Located& target, NWDIR_HANDLE& dirHandle) {
    if (!target.entry->isDirectory)
        return INVALID_PATH;
    auto& slots = services_->dirHandles[owner];
    for (std::size_t i = 1; i < slots.size(); ++i) {
        if (slots[i].directory != nullptr)
            continue;
        slots[i] = {target.volume, target.entry};
        ++services_->dirHandleCount;
        dirHandle = static_cast<NWDIR_HANDLE>(i);
        return SUCCESSFUL;
    }
    return NO_MORE_DIRECTORY_HANDLES;
}

NWCCODE ServerModel::freeDirHandle(Owner owner, NWDIR_HANDLE dirHandle) {
    auto it = services_->dirHandles.find(owner);
    if (it == services_->dirHandles.end() || dirHandle == 0 ||
        it->second[dirHandle].directory == nullptr) {
        return BAD_DIRECTORY_HANDLE;
    }
    it->second[dirHandle] = DirHandle{};
    --services_->dirHandleCount;
    return SUCCESSFUL;
}

NWCCODE ServerModel::startSearch(Volume& volume, Entry& directory, nuint8 nameSpace,
                                 SEARCH_SEQUENCE& seq) {
    if (!volume.hasNameSpace(nameSpace))
        return INVALID_NAME_SPACE;
    if (!directory.isDirectory)
        return INVALID_PATH;
    if (int error = refreshDirectory(volume, directory, net_->codePage)) {
        NWCCODE answer = diskAnswer(error);
        // Gone from the disk, or no longer a folder beneath the volume's.
        if (answer == INVALID_PATH && directory.parent != nullptr)
            detachEntry(directory);
        return answer;
    }
    seq = SEARCH_SEQUENCE{};
    seq.volNumber = volume.number;
    seq.dirNumber = directory.number;
    return SUCCESSFUL;
}

NWCCODE ServerModel::searchNext(const Caller& who, SEARCH_SEQUENCE& sequence, nuint8 nameSpace,
                                nuint16 searchAttrs, std::string_view pattern,
                                NW_ENTRY_INFO& found) {
    SEARCH_SEQUENCE* seq = &sequence;
    NW_ENTRY_INFO* info = &found;
    const Server& server = *who.server;
    Volume* volume = mountedVolume(server, seq->volNumber);
    if (volume == nullptr)
        return VOLUME_DOES_NOT_EXIST;
    if (!volume->hasNameSpace(nameSpace))
        return INVALID_NAME_SPACE;
    Entry* directory = volume->entry(seq->dirNumber);
    if (directory == nullptr || directory->gone || !directory->isDirectory)
        return INVALID_PATH;
    if ((effectiveRights(who, *volume, directory) & TR_FILE_SCAN) == 0)
        return ACCESS_DENIED;

    // The sequence is the place of the last entry returned in the directory's list, whose places
    // never shift: each step goes on from there.
    std::string directoryKey = entryKey(directory);
    nuint16 low = searchAttrs & 0xFF;
    bool everything = low == 0xFB || low == 0xFF || (searchAttrs & SA_ALL) != 0;
    bool directoriesOnly = !everything && (searchAttrs & SA_SUBDIR_ONLY) != 0;
    bool needsAttributes = !(low == 0xFB || low == 0xFF) &&
                           (searchAttrs & (SA_HIDDEN | SA_SYSTEM)) != (SA_HIDDEN | SA_SYSTEM);
    for (std::size_t i = static_cast<std::size_t>(seq->sequence + 1ull) & 0xFFFFFFFF;
         i < directory->children.size(); ++i) {
        Entry* child = directory->children[i];
        if (child == nullptr)
            continue;
        if (!everything && child->isDirectory != directoriesOnly)
            continue;
        if (!wildcardMatch(pattern, child->name(nameSpace)))
            continue;
        if (needsAttributes) {
            const EntryMeta* meta = metaOf(*volume, childKey(directoryKey, child->diskName));
            nuint32 attributes = meta != nullptr ? meta->attributes : 0;
            if (!searchSelects(searchAttrs, child->isDirectory, attributes))
                continue;
        }
        if (entryRecord(server, *volume, *child, nameSpace, *info) != SUCCESSFUL)
            continue;  // gone from the disk meanwhile
        seq->sequence = static_cast<nuint32>(i);
        return SUCCESSFUL;
    }
    return FAILURE;
}

NWCCODE ServerModel::setDirRestriction(const Caller& who, Volume& volume, Entry& directory,
                                       nint32 units) {
    if (directory.parent == nullptr)
        return DIRECTORY_ACTIVE;
    if ((effectiveRights(who, volume, &directory) & TR_ACCESS_CONTROL) == 0) {
        return NO_MODIFY_PRIVILEGES;
    }
    std::string key = entryKey(&directory);
    EntryMeta meta = metaCopy(volume, key);
    meta.spaceRestriction = units < 0 ? NW_NO_DIRECTORY_RESTRICTION : units;
    return services_->saveMeta(volume, key, std::move(meta));
}

// ---- Create, delete, erase ----------------------------------------------------------------------

NWCCODE ServerModel::createDirectory(const Caller& caller, const Located& parent,
                                     const NewName& name, nuint8 rightsMask) {
    if (name.existing != nullptr || name.onDisk)
        return NAME_EXISTS;
    if ((effectiveRights(caller, *parent.volume, parent.entry) & TR_CREATE) == 0)
        return NO_CREATE_PRIVILEGES;
    Store* store = services_->store();
    if (store == nullptr)
        return DIRECTORY_IO_ERROR;

    EntryMeta meta;
    meta.creator = caller.id();
    meta.created = dosStamp(std::time(nullptr));
    meta.inheritedRights = static_cast<nuint16>((rightsMask & 0xFB) | TR_SUPERVISOR);
    std::string key = childKey(entryKey(parent.entry), name.diskName);
    int result = store->createEntry(*parent.volume, key, meta,
                                    [&] { return mkdirBeneath(*parent.volume, key, 0755); });
    if (result == EEXIST)
        refreshDirectory(*parent.volume, *parent.entry, net_->codePage);
    if (result != 0)
        return storeAnswer(result);
    parent.volume->data.entries[key] = std::move(meta);
    newEntry(*parent.volume, *parent.entry, name.diskName, name.longName, true);
    return SUCCESSFUL;
}

NWCCODE ServerModel::createFile(const Caller& caller, Owner owner, const Located& parent,
                                const NewName& name, nuint8 nameSpace, nuint32 attributes,
                                bool replace, NW_FILE_HANDLE& handle) {
    NW_FILE_HANDLE* file = &handle;
    Volume& volume = *parent.volume;
    if (name.existing != nullptr) {
        Entry& existing = *name.existing;
        if (!replace || existing.isDirectory)
            return NAME_EXISTS;
        NW_ENTRY_INFO record;
        NWCCODE rc = entryRecord(*volume.server, volume, existing, nameSpace, record);
        if (rc != SUCCESSFUL)
            return rc;
        if ((effectiveRights(caller, volume, &existing) & TR_WRITE) == 0 ||
            (record.attributes & A_READ_ONLY) != 0) {
            return NO_WRITE_PRIVILEGES;
        }
        UniqueFd fd;
        if (int error = openFileBeneath(volume, entryKey(&existing), O_RDWR | O_TRUNC, 0, fd))
            return diskAnswer(error);
        *file =
            services_->addFile(owner, caller.station, volume, existing, fd.release(), true, true);
        return SUCCESSFUL;
    }
    if (name.onDisk)
        return NAME_EXISTS;
    if ((effectiveRights(caller, volume, parent.entry) & TR_CREATE) == 0)
        return NO_CREATE_PRIVILEGES;
    Store* store = services_->store();
    if (store == nullptr)
        return DIRECTORY_IO_ERROR;

    EntryMeta meta;
    meta.attributes = attributes & kSettableAttributes;
    meta.creator = caller.id();
    meta.created = dosStamp(std::time(nullptr));
    std::string key = childKey(entryKey(parent.entry), name.diskName);
    UniqueFd fd;
    int result = store->createEntry(volume, key, meta, [&] {
        return openBeneath(volume, key, O_RDWR | O_CREAT | O_EXCL, 0644, fd);
    });
    if (result == EEXIST)
        refreshDirectory(volume, *parent.entry, net_->codePage);
    if (result != 0)
        return storeAnswer(result);
    volume.data.entries[key] = std::move(meta);
    Entry& made = newEntry(volume, *parent.entry, name.diskName, name.longName, false);
    *file = services_->addFile(owner, caller.station, volume, made, fd.release(), true, true);
    return SUCCESSFUL;
}

NWCCODE ServerModel::deleteDirectory(const Caller& caller, const Located& target) {
    Volume& volume = *target.volume;
    Entry& directory = *target.entry;
    if (!directory.isDirectory)
        return INVALID_PATH;
    if (directory.parent == nullptr)
        return DIRECTORY_ACTIVE;
    for (const auto& [handle, slots] : services_->dirHandles) {
        for (const DirHandle& slot : slots) {
            if (slot.directory == &directory)
                return DIRECTORY_ACTIVE;
        }
    }
    std::string key = entryKey(&directory);
    const EntryMeta* meta = metaOf(volume, key);
    if ((effectiveRights(caller, volume, &directory) & TR_ERASE) == 0 ||
        (meta != nullptr && (meta->attributes & A_DELETE_INHIBIT) != 0)) {
        return NO_DELETE_PRIVILEGES;
    }
    if (int error = refreshDirectory(volume, directory, net_->codePage); error != 0)
        return diskAnswer(error);
    for (const Entry* child : directory.children) {
        if (child != nullptr)
            return DIRECTORY_NOT_EMPTY;
    }
    Store* store = services_->store();
    if (store == nullptr)
        return DIRECTORY_IO_ERROR;
    int result = store->removeEntry(volume, key, [&] { return rmdirBeneath(volume, key); });
    if (result != 0)
        return storeAnswer(result);
    forgetEntry(volume, key);
    detachEntry(directory);
    return SUCCESSFUL;
}

NWCCODE ServerModel::eraseFile(const Caller& caller, const Located& target, nuint8 nameSpace,
                               nuint16 searchAttrs) {
    NW_ENTRY_INFO record;
    NWCCODE rc =
        entryRecord(*target.volume->server, *target.volume, *target.entry, nameSpace, record);
    if (rc != SUCCESSFUL)
        return rc;
    Volume& volume = *target.volume;
    Entry& entry = *target.entry;
    if (entry.isDirectory)
        return INVALID_PATH;
    if (!searchSelects(searchAttrs, false, record.attributes))
        return FAILURE;
    if ((effectiveRights(caller, volume, &entry) & TR_ERASE) == 0 ||
        (record.attributes & (A_READ_ONLY | A_DELETE_INHIBIT)) != 0) {
        return NO_DELETE_PRIVILEGES;
    }
    if (entry.usage != nullptr && !entry.usage->openers.empty())
        return FILE_IN_USE;
    for (const auto& [handle, opened] : services_->files) {
        if (opened.entry == &entry)
            return FILE_IN_USE;
    }
    Store* store = services_->store();
    if (store == nullptr)
        return DIRECTORY_IO_ERROR;

    std::string key = entryKey(&entry);
    std::string directoryKey = entryKey(entry.parent);
    const EntryMeta* directoryMeta = metaOf(volume, directoryKey);
    int result;
    if ((record.attributes & A_IMMEDIATE_PURGE) != 0 ||
        (directoryMeta != nullptr && (directoryMeta->attributes & A_IMMEDIATE_PURGE) != 0)) {
        result = store->removeEntry(volume, key, [&] { return unlinkBeneath(volume, key); });
    } else {
        DeletedFile deleted;
        deleted.directory = directoryKey;
        deleted.diskName = entry.diskName;
        deleted.dosName = entry.dosName;
        if (const EntryMeta* meta = metaOf(volume, key)) {
            deleted.meta = *meta;
            deleted.meta.trustees.clear();
        }
        deleted.meta.creator = record.creatorID;
        deleted.meta.created =
            static_cast<nuint32>(record.creationDate) << 16 | record.creationTime;
        deleted.modified = static_cast<nuint32>(record.modifyDate) << 16 | record.modifyTime;
        deleted.lastAccess = record.lastAccessDate;
        deleted.size = record.dataSize;
        deleted.deleted = dosStamp(std::time(nullptr));
        deleted.deletor = caller.id();
        result = store->eraseFile(volume, key, deleted);
        if (result == 0) {
            volume.data.deletedBytes += deleted.size;
            ++volume.data.deletedCount;
            nuint32 id = deleted.id;
            volume.data.deleted[directoryKey].emplace(id, std::move(deleted));
        }
    }
    if (result != 0)
        return storeAnswer(result);
    volume.data.entries.erase(key);
    detachEntry(entry);
    return SUCCESSFUL;
}

// ---- Rename and move ----------------------------------------------------------------------------

NWCCODE ServerModel::moveSource(const Located& source, nuint8 nameSpace, nuint16 searchAttrs,
                                NW_ENTRY_INFO& record) {
    NWCCODE rc =
        entryRecord(*source.volume->server, *source.volume, *source.entry, nameSpace, record);
    if (rc != SUCCESSFUL)
        return rc;
    if (source.entry->parent == nullptr)
        return DIRECTORY_ACTIVE;
    if (!searchSelects(searchAttrs, source.entry->isDirectory, record.attributes))
        return FAILURE;
    return SUCCESSFUL;
}

NWCCODE ServerModel::moveEntry(const Caller& caller, const Located& source, nuint8 nameSpace,
                               nuint16 searchAttrs, const Located& destination,
                               const NewName& name) {
    Volume& volume = *source.volume;
    Entry& entry = *source.entry;
    NW_ENTRY_INFO record;
    NWCCODE rc = moveSource(source, nameSpace, searchAttrs, record);
    if (rc != SUCCESSFUL)
        return rc;
    if (destination.volume != &volume)
        return RENAMING_ACROSS_VOLUMES;
    if (isInside(destination.entry, &entry))
        return INVALID_PATH;
    if (name.existing != nullptr && name.existing != &entry)
        return NAME_EXISTS;
    bool inPlace = destination.entry == entry.parent;
    if (inPlace && name.diskName == entry.diskName)
        return SUCCESSFUL;
    std::string from = entryKey(&entry);
    std::string to = childKey(entryKey(destination.entry), name.diskName);
    // Another file under that disk name (a case twin the listing hides) is never replaced.
    if (name.onDisk && !sameFileOnDisk(volume, from, to))
        return NAME_EXISTS;

    nuint16 rights = effectiveRights(caller, volume, &entry);
    if ((record.attributes & A_RENAME_INHIBIT) != 0)
        return NO_MODIFY_PRIVILEGES;
    if (inPlace && (rights & TR_MODIFY) == 0)
        return NO_MODIFY_PRIVILEGES;
    if (!inPlace) {
        if ((rights & TR_ERASE) == 0)
            return NO_DELETE_PRIVILEGES;
        if ((effectiveRights(caller, volume, destination.entry) & TR_CREATE) == 0)
            return NO_CREATE_PRIVILEGES;
    }
    Store* store = services_->store();
    if (store == nullptr)
        return DIRECTORY_IO_ERROR;

    int result =
        store->moveEntry(volume, from, to, [&] { return renameBeneath(volume, from, to); });
    if (result != 0)
        return storeAnswer(result);
    rekeyMap(volume.data.entries, from, to);
    rekeyMap(volume.data.deleted, from, to);
    for (auto& [directory, files] : volume.data.deleted) {
        for (auto& [id, file] : files)
            file.directory = directory;
    }
    detachEntry(entry);
    attachEntry(*destination.entry, entry, name.diskName, name.longName);
    return SUCCESSFUL;
}

}  // namespace nw::sim
