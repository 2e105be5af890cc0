// The in-process door of the volume control operations: finds the entries that paths and
// directory handles name and asks the server model (servermodel.h) for the connection's caller.
// Directory handles and files belong to the connection handle that made them.
#include "entrypaths.h"
#include "model.h"
#include "netclient/sim/simclient.h"
#include "servermodel.h"
#include "services.h"

namespace nw::sim {

// ---- Volumes ------------------------------------------------------------------------------------

NWCCODE SimClient::GetVolumeNumber(NWCONN_HANDLE conn, const char* volName, nuint16* volNum) {
    const Caller* who = volumeCaller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    if (volName == nullptr || volNum == nullptr)
        return NWE_PARAM_INVALID;
    Volume* volume = who->server->volumeNamed(upperAscii(volName));
    if (volume == nullptr || !volume->mounted)
        return VOLUME_DOES_NOT_EXIST;
    *volNum = volume->number;
    return SUCCESSFUL;
}

NWCCODE SimClient::GetVolumeStats(NWCONN_HANDLE conn, nuint16 volNum, VOLUME_STATS* stats) {
    const Caller* who = volumeCaller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    if (stats == nullptr)
        return NWE_PARAM_INVALID;
    return model_->volumeStats(*who->server, volNum, *stats);
}

NWCCODE SimClient::GetExtendedVolumeInfo(NWCONN_HANDLE conn, nuint16 volNum, nuint16 level,
                                         EXTENDED_VOLUME_INFO* info) {
    const Caller* who = volumeCaller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    if (info == nullptr)
        return NWE_PARAM_INVALID;
    if (ServerModel::mountedVolume(*who->server, volNum) == nullptr)
        return VOLUME_DOES_NOT_EXIST;
    if (level != 1)
        return NWE_INFO_LEVEL_INVALID;
    return model_->extendedVolumeInfo(*who->server, volNum, *info);
}

NWCCODE SimClient::GetVolumeNameSpaces(NWCONN_HANDLE conn, nuint16 volNum, nuint8* count,
                                       nuint8* list) {
    const Caller* who = volumeCaller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    if (count == nullptr || list == nullptr)
        return NWE_PARAM_INVALID;
    return model_->volumeNameSpaces(*who->server, volNum, *count, list);
}

NWCCODE SimClient::MountVolume(NWCONN_HANDLE conn, const char* volName, nuint16* volNum) {
    const Caller* who = volumeCaller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    if (volName == nullptr || volNum == nullptr)
        return NWE_PARAM_INVALID;
    return model_->mountVolume(*who, volName, *volNum);
}

NWCCODE SimClient::DismountVolume(NWCONN_HANDLE conn, nuint16 volNum) {
    const Caller* who = volumeCaller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    return model_->dismountVolume(*who, volNum);
}

// ---- Entries ------------------------------------------------------------------------------------

NWCCODE SimClient::GetEntryInfo(NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs,
                                const char* path, NW_ENTRY_INFO* info) {
    const Caller* who = volumeCaller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    if (info == nullptr)
        return NWE_PARAM_INVALID;
    Located target;
    NWCCODE rc = locate(net_, *who->server, path, nameSpace, target);
    if (rc != SUCCESSFUL)
        return rc;
    return model_->entryInfo(*who, target, nameSpace, searchAttrs, *info);
}

NWCCODE SimClient::ModifyEntryInfo(NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs,
                                   const char* path, nuint32 modifyMask,
                                   const NW_ENTRY_INFO* info) {
    const Caller* who = volumeCaller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    if (info == nullptr)
        return NWE_PARAM_INVALID;
    Located target;
    NWCCODE rc = locate(net_, *who->server, path, nameSpace, target);
    if (rc != SUCCESSFUL)
        return rc;
    return model_->modifyEntry(*who, target, nameSpace, searchAttrs, modifyMask, *info);
}

NWCCODE SimClient::GetEffectiveRights(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                                      nuint16* rights) {
    const Caller* who = nullptr;
    Located target;
    NWCCODE rc = entryOf(conn, path, nameSpace, who, target);
    if (rc != SUCCESSFUL)
        return rc;
    if (rights == nullptr)
        return NWE_PARAM_INVALID;
    *rights = effectiveRights(*who, *target.volume, target.entry);
    return SUCCESSFUL;
}

NWCCODE SimClient::AllocTempDirHandle(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                                      NWDIR_HANDLE* dirHandle) {
    const Caller* who = nullptr;
    Located target;
    NWCCODE rc = entryOf(conn, path, nameSpace, who, target);
    if (rc != SUCCESSFUL)
        return rc;
    if (dirHandle == nullptr)
        return NWE_PARAM_INVALID;
    return model_->allocDirHandle(conn, target, *dirHandle);
}

NWCCODE SimClient::DeallocDirHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle) {
    if (live(conn) == nullptr)
        return INVALID_CONNECTION;
    return model_->freeDirHandle(conn, dirHandle);
}

NWCCODE SimClient::StartSearch(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint8 nameSpace,
                               SEARCH_SEQUENCE* seq) {
    const Caller* who = volumeCaller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    if (seq == nullptr)
        return NWE_PARAM_INVALID;
    DirHandle* handle = model_->services().dirHandle(conn, dirHandle);
    if (handle == nullptr)
        return BAD_DIRECTORY_HANDLE;
    return model_->startSearch(*handle->volume, *handle->directory, nameSpace, *seq);
}

NWCCODE SimClient::SearchNext(NWCONN_HANDLE conn, SEARCH_SEQUENCE* seq, nuint8 nameSpace,
                              nuint16 searchAttrs, const char* pattern, NW_ENTRY_INFO* info) {
    const Caller* who = volumeCaller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    if (seq == nullptr || pattern == nullptr || info == nullptr)
        return NWE_PARAM_INVALID;
    return model_->searchNext(*who, *seq, nameSpace, searchAttrs, pattern, *info);
}

NWCCODE SimClient::SetDirSpaceRestriction(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                          nint32 units) {
    const Caller* who = volumeCaller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    DirHandle* handle = model_->services().dirHandle(conn, dirHandle);
    if (handle == nullptr)
        return BAD_DIRECTORY_HANDLE;
    return model_->setDirRestriction(*who, *handle->volume, *handle->directory, units);
}

NWCCODE SimClient::CreateDirectory(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                                   nuint8 rightsMask) {
    const Caller* who = volumeCaller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    Located parent;
    NewName name;
    NWCCODE rc = locateNew(net_, *who->server, path, nameSpace, parent, name);
    if (rc != SUCCESSFUL)
        return rc;
    return model_->createDirectory(*who, parent, name, rightsMask);
}

NWCCODE SimClient::CreateFile(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                              nuint32 attributes, bool replace, NW_FILE_HANDLE* file) {
    const Caller* who = volumeCaller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    if (file == nullptr)
        return NWE_PARAM_INVALID;
    Located parent;
    NewName name;
    NWCCODE rc = locateNew(net_, *who->server, path, nameSpace, parent, name);
    if (rc != SUCCESSFUL)
        return rc;
    return model_->createFile(*who, conn, parent, name, nameSpace, attributes, replace, *file);
}

NWCCODE SimClient::DeleteDirectory(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path) {
    const Caller* who = nullptr;
    Located target;
    NWCCODE rc = entryOf(conn, path, nameSpace, who, target);
    if (rc != SUCCESSFUL)
        return rc;
    return model_->deleteDirectory(*who, target);
}

NWCCODE SimClient::EraseFile(NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs,
                             const char* path) {
    const Caller* who = volumeCaller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    Located target;
    NWCCODE rc = locate(net_, *who->server, path, nameSpace, target);
    if (rc != SUCCESSFUL)
        return rc;
    return model_->eraseFile(*who, target, nameSpace, searchAttrs);
}

NWCCODE SimClient::MoveEntry(NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs,
                             const char* srcPath, const char* dstPath) {
    const Caller* who = volumeCaller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    Located source;
    NWCCODE rc = locate(net_, *who->server, srcPath, nameSpace, source);
    if (rc != SUCCESSFUL)
        return rc;
    NW_ENTRY_INFO record;
    rc = model_->moveSource(source, nameSpace, searchAttrs, record);
    if (rc != SUCCESSFUL)
        return rc;
    if (dstPath == nullptr)
        return NWE_PARAM_INVALID;
    std::string_view dstVolume = dstPath;
    if (upperAscii(dstVolume.substr(0, dstVolume.find(':'))) != source.volume->name)
        return RENAMING_ACROSS_VOLUMES;
    Located destination;
    NewName name;
    rc = locateNew(net_, *who->server, dstPath, nameSpace, destination, name);
    if (rc != SUCCESSFUL)
        return rc;
    return model_->moveEntry(*who, source, nameSpace, searchAttrs, destination, name);
}

// ---- File contents ------------------------------------------------------------------------------

NWCCODE SimClient::OpenFile(NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs,
                            const char* path, nuint8 accessRights, NW_FILE_HANDLE* file) {
    const Caller* who = volumeCaller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    if (file == nullptr || (accessRights & (AR_READ | AR_WRITE)) == 0)
        return NWE_PARAM_INVALID;
    Located target;
    NWCCODE rc = locate(net_, *who->server, path, nameSpace, target);
    if (rc != SUCCESSFUL)
        return rc;
    return model_->openFile(*who, conn, target, nameSpace, searchAttrs, accessRights, *file);
}

NWCCODE SimClient::ReadFile(NW_FILE_HANDLE file, nuint32 bytes, nuint32* bytesRead, void* buffer) {
    return model_->readFile(file, bytes, bytesRead, buffer);
}

NWCCODE SimClient::WriteFile(NW_FILE_HANDLE file, nuint32 bytes, const void* data,
                             nuint32* written) {
    return model_->writeFile(file, bytes, data, written);
}

NWCCODE SimClient::SeekFile(NW_FILE_HANDLE file, nint64 offset, nuint8 origin,
                            nint64* newPosition) {
    return model_->seekFile(file, offset, origin, newPosition);
}

NWCCODE SimClient::CloseFile(NW_FILE_HANDLE file) {
    return model_->closeFile(file);
}

NWCCODE SimClient::CopyFileData(NWCONN_HANDLE conn, NW_FILE_HANDLE src, NW_FILE_HANDLE dst,
                                nuint64 srcOffset, nuint64 dstOffset, nuint64 count,
                                nuint64* copied) {
    if (live(conn) == nullptr)
        return INVALID_CONNECTION;
    if (copied == nullptr)
        return NWE_PARAM_INVALID;
    return model_->copyFileData(src, dst, srcOffset, dstOffset, count, *copied);
}

// ---- Trustees and user restrictions -------------------------------------------------------------

NWCCODE SimClient::ScanEntryTrustees(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                                     nuint32* iterHandle, TRUSTEE_SET* set) {
    const Caller* who = nullptr;
    Located target;
    NWCCODE rc = entryOf(conn, path, nameSpace, who, target);
    if (rc != SUCCESSFUL)
        return rc;
    if (iterHandle == nullptr || set == nullptr)
        return NWE_PARAM_INVALID;
    return model_->scanTrustees(*who, target, *iterHandle, *set);
}

NWCCODE SimClient::AddTrusteeToEntry(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                                     nuint32 objectID, nuint16 rights) {
    const Caller* who = nullptr;
    Located target;
    NWCCODE rc = entryOf(conn, path, nameSpace, who, target);
    if (rc != SUCCESSFUL)
        return rc;
    return model_->addTrustee(*who, target, objectID, rights);
}

NWCCODE SimClient::DeleteTrusteeFromEntry(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                                          nuint32 objectID) {
    const Caller* who = nullptr;
    Located target;
    NWCCODE rc = entryOf(conn, path, nameSpace, who, target);
    if (rc != SUCCESSFUL)
        return rc;
    return model_->deleteTrustee(*who, target, objectID);
}

NWCCODE SimClient::ScanVolumeRestrictions(NWCONN_HANDLE conn, nuint16 volNum, nuint32 sequence,
                                          VOLUME_RESTRICTIONS* restrictions) {
    const Caller* who = volumeCaller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    if (restrictions == nullptr)
        return NWE_PARAM_INVALID;
    return model_->scanVolumeRestrictions(*who, volNum, sequence, *restrictions);
}

NWCCODE SimClient::GetObjectVolumeRestriction(NWCONN_HANDLE conn, nuint16 volNum, nuint32 objectID,
                                              nuint32* restriction, nuint32* inUse) {
    const Caller* who = volumeCaller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    if (restriction == nullptr || inUse == nullptr)
        return NWE_PARAM_INVALID;
    return model_->getObjectRestriction(*who, volNum, objectID, *restriction, *inUse);
}

NWCCODE SimClient::SetObjectVolumeRestriction(NWCONN_HANDLE conn, nuint16 volNum, nuint32 objectID,
                                              nuint32 restriction) {
    const Caller* who = volumeCaller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    return model_->setObjectRestriction(*who, volNum, objectID, restriction);
}

NWCCODE SimClient::RemoveObjectVolumeRestriction(NWCONN_HANDLE conn, nuint16 volNum,
                                                 nuint32 objectID) {
    const Caller* who = volumeCaller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    return model_->removeObjectRestriction(*who, volNum, objectID);
}

// ---- Deleted files ------------------------------------------------------------------------------

NWCCODE SimClient::ScanSalvageableFiles(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                        nuint8 nameSpace, nuint32* sequence,
                                        NW_DELETED_FILE* deleted) {
    const Caller* who = volumeCaller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    if (sequence == nullptr || deleted == nullptr)
        return NWE_PARAM_INVALID;
    DirHandle* handle = model_->services().dirHandle(conn, dirHandle);
    if (handle == nullptr)
        return BAD_DIRECTORY_HANDLE;
    return model_->scanSalvageable(*who, *handle->volume, *handle->directory, nameSpace, *sequence,
                                   *deleted);
}

NWCCODE SimClient::PurgeSalvageableFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                        nuint32 sequence) {
    const Caller* who = volumeCaller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    DirHandle* handle = model_->services().dirHandle(conn, dirHandle);
    if (handle == nullptr)
        return BAD_DIRECTORY_HANDLE;
    return model_->purgeSalvageable(*who, *handle->volume, *handle->directory, sequence);
}

NWCCODE SimClient::RecoverSalvageableFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                          nuint8 nameSpace, nuint32 sequence, const char* newName) {
    const Caller* who = volumeCaller(conn);
    if (who == nullptr)
        return INVALID_CONNECTION;
    DirHandle* handle = model_->services().dirHandle(conn, dirHandle);
    if (handle == nullptr)
        return BAD_DIRECTORY_HANDLE;
    return model_->recoverSalvageable(*who, *handle->volume, *handle->directory, nameSpace,
                                      sequence, newName != nullptr ? newName : "");
}

}  // namespace nw::sim
