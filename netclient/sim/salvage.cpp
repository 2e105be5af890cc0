// Volume control operations on deleted files: scan, purge and salvage.
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "dostime.h"
#include "entrypaths.h"
#include "model.h"
#include "netclient/sim/simclient.h"
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

// The deleted file with that sequence kept in the directory of a directory handle.
struct KeptFile {
    DirHandle* handle = nullptr;
    std::map<nuint32, DeletedFile>* files = nullptr;
    std::map<nuint32, DeletedFile>::iterator file;
};

NWCCODE findKept(Services& services, NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint32 sequence,
                 KeptFile& out) {
    out.handle = services.dirHandle(conn, dirHandle);
    if (out.handle == nullptr)
        return BAD_DIRECTORY_HANDLE;
    out.files = keptIn(*out.handle->volume, *out.handle->directory);
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

NWCCODE SimClient::ScanSalvageableFiles(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                        nuint8 nameSpace, nuint32* sequence,
                                        NW_DELETED_FILE* deleted) {
    WsConnection* connection = volumeCaller(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    if (sequence == nullptr || deleted == nullptr)
        return NWE_PARAM_INVALID;
    DirHandle* handle = services_->dirHandle(conn, dirHandle);
    if (handle == nullptr)
        return BAD_DIRECTORY_HANDLE;
    Volume& volume = *handle->volume;
    if (!volume.hasNameSpace(nameSpace))
        return INVALID_NAME_SPACE;
    if ((effectiveRights(services_->caller(*connection), volume, handle->directory) &
         TR_FILE_SCAN) == 0) {
        return ACCESS_DENIED;
    }
    auto* kept = keptIn(volume, *handle->directory);
    if (kept == nullptr)
        return FAILURE;
    auto it = *sequence == 0xFFFFFFFF ? kept->begin() : kept->upper_bound(*sequence);
    if (it == kept->end())
        return FAILURE;
    const DeletedFile& file = it->second;
    *deleted = NW_DELETED_FILE{};
    deleted->sequence = file.id;
    deleted->parent = handle->directory->number;
    deleted->attributes = file.meta.attributes;
    deleted->nameSpace = nameSpace;
    std::string name = deletedName(*net_, file, nameSpace);
    deleted->nameLength = static_cast<nuint8>(std::min<std::size_t>(name.size(), 255));
    std::memcpy(deleted->entryName, name.data(), deleted->nameLength);
    nuint32 created = file.meta.created.value_or(file.modified);
    deleted->creationDate = dosDate(created);
    deleted->creationTime = dosTime(created);
    nuint32 creator = file.meta.creator.value_or(connection->server->data.defaultOwner);
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

NWCCODE SimClient::PurgeSalvageableFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                        nuint32 sequence) {
    WsConnection* connection = volumeCaller(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    KeptFile kept;
    NWCCODE rc = findKept(*services_, conn, dirHandle, sequence, kept);
    if (rc != SUCCESSFUL)
        return rc;
    Volume& volume = *kept.handle->volume;
    if ((effectiveRights(services_->caller(*connection), volume, kept.handle->directory) &
         TR_ERASE) == 0) {
        return NO_DELETE_PRIVILEGES;
    }
    Store* store = services_->store();
    if (store == nullptr || store->purgeFile(volume, kept.file->second) != 0)
        return DIRECTORY_IO_ERROR;
    forgetDeleted(volume, *kept.files, kept.file);
    return SUCCESSFUL;
}

NWCCODE SimClient::RecoverSalvageableFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                          nuint8 nameSpace, nuint32 sequence, const char* newName) {
    WsConnection* connection = volumeCaller(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    KeptFile kept;
    NWCCODE found = findKept(*services_, conn, dirHandle, sequence, kept);
    if (found != SUCCESSFUL)
        return found;
    Volume& volume = *kept.handle->volume;
    Entry& directory = *kept.handle->directory;
    if (!volume.hasNameSpace(nameSpace))
        return INVALID_NAME_SPACE;
    const DeletedFile& deleted = kept.file->second;
    if ((effectiveRights(services_->caller(*connection), volume, &directory) & TR_CREATE) == 0)
        return NO_CREATE_PRIVILEGES;

    // Under its old name unless another one is asked for.
    NewName name;
    std::string asked = newName != nullptr ? newName : "";
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
        NWCCODE rc = locateNew(*net_, *connection->server, path.c_str(), nameSpace, place, name);
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
