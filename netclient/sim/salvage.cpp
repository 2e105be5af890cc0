// Volume control operations on deleted files: scan, purge and salvage.
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "dostime.h"
#include "entrypaths.h"
#include "model.h"
#include "servermodel.h"
#include "services.h"
#include "store.h"
#include "volumedisk.h"

namespace nw::sim {

namespace {

// The deleted files kept in a directory, or null when there are none.
std::map<nuint32, DeletedFile>* keptIn(Volume& volume, const Entry& directory) {
    auto it = volume.data.deleted.find(entryKey(&directory));
    return it == volume.data.deleted.end() || it->second.empty() ? nullptr : &it->second;
}

// A deleted file's name in a name space: its DOS name, else its long name.
std::string deletedName(const Network& net, const DeletedFile& file, nuint8 nameSpace) {
    if (nameSpace == NW_NS_DOS)
        return file.dosName;
    return net.codePage.fromUtf8(file.diskName).value_or(file.dosName);
}

// The path of a directory below the volume root in a name space, with a closing backslash
// ("" for the root).
std::string pathBelowRoot(const Entry& directory, nuint8 nameSpace) {
    std::string path;
    for (const Entry* e = &directory; e->parent != nullptr; e = e->parent)
        path = e->name(nameSpace) + "\\" + path;
    return path;
}

// The deleted file with that sequence kept in a directory.
struct KeptFile {
    std::map<nuint32, DeletedFile>* files = nullptr;
    std::map<nuint32, DeletedFile>::iterator file;
};

NWCCODE findKept(Volume& volume, Entry& directory, nuint32 sequence, KeptFile& out) {
    out.files = keptIn(volume, directory);
    if (out.files == nullptr)
        return FAILURE;
    out.file = out.files->find(sequence);
    return out.file == out.files->end() ? FAILURE : SUCCESSFUL;
}

void forgetDeleted(Volume& volume, std::map<nuint32, DeletedFile>& kept,
                   std::map<nuint32, DeletedFile>::iterator file) {
    volume.data.deletedBytes -= std::min(volume.data.deletedBytes, file->second.size);
    --volume.data.deletedCount;
    std::string directory = file->second.directory;
    kept.erase(file);
    if (kept.empty())
        volume.data.deleted.erase(directory);
}

}  // namespace

NWCCODE ServerModel::scanSalvageable(const Caller& who, Volume& volume, Entry& directory,
                                     nuint8 nameSpace, nuint32& next, NW_DELETED_FILE& found) {
    nuint32* sequence = &next;
    NW_DELETED_FILE* deleted = &found;
    if (!volume.hasNameSpace(nameSpace))
        return INVALID_NAME_SPACE;
    if ((effectiveRights(who, volume, &directory) & TR_FILE_SCAN) == 0)
        return ACCESS_DENIED;
    auto* kept = keptIn(volume, directory);
    if (kept == nullptr)
        return FAILURE;
    auto it = *sequence == 0xFFFFFFFF ? kept->begin() : kept->upper_bound(*sequence);
    if (it == kept->end())
        return FAILURE;
    const DeletedFile& file = it->second;
    *deleted = NW_DELETED_FILE{};
    deleted->sequence = file.id;
    deleted->parent = directory.number;
    deleted->attributes = file.meta.attributes;
    deleted->nameSpace = nameSpace;
    std::string name = deletedName(*net_, file, nameSpace);
    deleted->nameLength = static_cast<nuint8>(std::min<std::size_t>(name.size(), 255));
    std::memcpy(deleted->entryName, name.data(), deleted->nameLength);
    nuint32 created = file.meta.created.value_or(file.modified);
    deleted->creationDate = dosDate(created);
    deleted->creationTime = dosTime(created);
    nuint32 creator = file.meta.creator.value_or(volume.server->data.defaultOwner);
    deleted->creatorID = creator;
    deleted->modifyDate = dosDate(file.modified);
    deleted->modifyTime = dosTime(file.modified);
    deleted->modifierID = file.meta.modifier.value_or(creator);
    deleted->archiveDate = dosDate(file.meta.archived);
    deleted->archiveTime = dosTime(file.meta.archived);
    deleted->archiverID = file.meta.archiver;
    deleted->lastAccessDate = file.lastAccess;
    deleted->inheritedRightsMask = file.meta.inheritedRights;
    deleted->dataSize = file.size;
    deleted->deletedDate = dosDate(file.deleted);
    deleted->deletedTime = dosTime(file.deleted);
    deleted->deletorID = file.deletor;
    *sequence = file.id;
    return SUCCESSFUL;
}

NWCCODE ServerModel::purgeSalvageable(const Caller& who, Volume& volume, Entry& directory,
                                      nuint32 sequence) {
    KeptFile kept;
    NWCCODE rc = findKept(volume, directory, sequence, kept);
    if (rc != SUCCESSFUL)
        return rc;
    if ((effectiveRights(who, volume, &directory) & TR_ERASE) == 0)
        return NO_DELETE_PRIVILEGES;
    Store* store = services_->store();
    if (store == nullptr || store->purgeFile(volume, kept.file->second) != 0)
        return DIRECTORY_IO_ERROR;
    forgetDeleted(volume, *kept.files, kept.file);
    return SUCCESSFUL;
}

NWCCODE ServerModel::recoverSalvageable(const Caller& who, Volume& volume, Entry& directory,
                                        nuint8 nameSpace, nuint32 sequence,
                                        std::string_view newName) {
    KeptFile kept;
    NWCCODE found = findKept(volume, directory, sequence, kept);
    if (found != SUCCESSFUL)
        return found;
    if (!volume.hasNameSpace(nameSpace))
        return INVALID_NAME_SPACE;
    const DeletedFile& deleted = kept.file->second;
    if ((effectiveRights(who, volume, &directory) & TR_CREATE) == 0)
        return NO_CREATE_PRIVILEGES;

    // Under its old name unless another one is asked for.
    NewName name;
    std::string asked(newName);
    if (asked.empty() || upperAscii(asked) == upperAscii(deletedName(*net_, deleted, nameSpace))) {
        name.diskName = deleted.diskName;
        name.longName = deletedName(*net_, deleted, NW_NS_LONG);
        if (!isValidEntryName(name.longName) || name.diskName.find('/') != std::string::npos)
            return INVALID_FILENAME;
        if (!directory.scanned)
            refreshDirectory(volume, directory, net_->codePage);
        auto it = directory.byLongKey.find(upperAscii(name.longName));
        if (it != directory.byLongKey.end())
            name.existing = it->second;
    } else {
        std::string path = volume.name + ":" + pathBelowRoot(directory, nameSpace) + asked;
        Located place;
        NWCCODE rc = locateNew(*net_, *volume.server, path.c_str(), nameSpace, place, name);
        if (rc != SUCCESSFUL)
            return rc;
    }
    std::string key = childKey(entryKey(&directory), name.diskName);
    struct statx st {};
    if (name.existing != nullptr || statBeneath(volume, key, st) == 0)
        return NAME_EXISTS;
    Store* store = services_->store();
    if (store == nullptr)
        return DIRECTORY_IO_ERROR;
    int rc = store->recoverFile(volume, deleted, key, deleted.meta);
    if (rc == EEXIST) {
        refreshDirectory(volume, directory, net_->codePage);
        return NAME_EXISTS;
    }
    if (rc != 0)
        return rc == Store::kStoreFailed ? DIRECTORY_IO_ERROR : diskAnswer(rc);
    if (!deleted.meta.isDefault())
        volume.data.entries[key] = deleted.meta;
    newEntry(volume, directory, name.diskName, name.longName, false);
    forgetDeleted(volume, *kept.files, kept.file);
    return SUCCESSFUL;
}

}  // namespace nw::sim
