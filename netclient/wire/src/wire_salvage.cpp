// The wire client's deleted files: 87/16 scans a directory handle's directory (0xFF ends the
// scan); 87/17 and 87/18 name the directory by volume and directory base, which 87/22 gives
// for the handle.
#include <algorithm>
#include <cstring>

#include "wirecall.h"

namespace nw::wire {

namespace {

using namespace ncp::call;

ncp::HandlePath shortHandlePath(std::uint8_t volume, NWDIR_HANDLE dirHandle) {
    ncp::HandlePath path;
    path.volume = volume;
    path.dirBase = dirHandle;
    path.handleFlag = ncp::handle_flag::kShortHandle;
    return path;
}

void toDeletedFile(const ScanSalvageable::Reply& r, nuint8 nameSpace, NW_DELETED_FILE& out) {
    out = NW_DELETED_FILE{};
    out.sequence = r.sequence;
    out.parent = r.dirBase;
    out.attributes = r.info.attributes;
    out.nameSpace = nameSpace;
    const std::size_t n = std::min<std::size_t>(r.info.name.size(), sizeof(out.entryName) - 1);
    std::memcpy(out.entryName, r.info.name.data(), n);
    out.nameLength = static_cast<nuint8>(n);
    out.creationDate = r.info.creationDate;
    out.creationTime = r.info.creationTime;
    out.creatorID = r.info.creatorId;
    out.modifyDate = r.info.modifyDate;
    out.modifyTime = r.info.modifyTime;
    out.modifierID = r.info.modifierId;
    out.archiveDate = r.info.archiveDate;
    out.archiveTime = r.info.archiveTime;
    out.archiverID = r.info.archiverId;
    out.lastAccessDate = r.info.lastAccessDate;
    out.inheritedRightsMask = r.info.inheritedRights;
    out.dataSize = r.info.dataSize;
    out.deletedDate = r.deletedDate;
    out.deletedTime = r.deletedTime;
    out.deletorID = r.deletorId;
}

}  // namespace

NWCCODE WireClient::salvageTarget(Handle& h, NWDIR_HANDLE dirHandle, nuint8 nameSpace,
                                  nuint32 sequence, ncp::call::SalvageTarget& target) {
    auto handle = h.dirHandles.find(dirHandle);
    if (handle == h.dirHandles.end()) {
        return BAD_DIRECTORY_HANDLE;
    }
    GenerateDirBase::Request request;
    request.sourceNameSpace = nameSpace;
    request.destNameSpace = nameSpace;
    request.path = shortHandlePath(handle->second, dirHandle);
    const auto reply = call<GenerateDirBase>(h, request);
    if (!reply.ok()) {
        return reply.code;
    }
    target.nameSpace = nameSpace;
    target.sequence = sequence;
    target.volume = reply.reply.volume;
    target.dirBase = reply.reply.dirBase;
    return SUCCESSFUL;
}

NWCCODE WireClient::ScanSalvageableFiles(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                         nuint8 nameSpace, nuint32* sequence,
                                         NW_DELETED_FILE* deleted) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (sequence == nullptr || deleted == nullptr) {
        return NWE_PARAM_INVALID;
    }
    auto handle = h->dirHandles.find(dirHandle);
    if (handle == h->dirHandles.end()) {
        return BAD_DIRECTORY_HANDLE;
    }
    ScanSalvageable::Request request;
    request.nameSpace = nameSpace;
    request.sequence = *sequence;
    request.path = shortHandlePath(handle->second, dirHandle);
    const auto reply = call<ScanSalvageable>(*h, request);
    if (!reply.ok()) {
        return reply.code;  // 0xFF after the last: FAILURE, as the interface answers it
    }
    toDeletedFile(reply.reply, nameSpace, *deleted);
    *sequence = reply.reply.sequence;
    return SUCCESSFUL;
}

NWCCODE WireClient::PurgeSalvageableFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                         nuint32 sequence) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    SalvageTarget target;
    if (NWCCODE rc = salvageTarget(*h, dirHandle, NW_NS_DOS, sequence, target); rc != SUCCESSFUL) {
        return rc;
    }
    return call<PurgeSalvageable>(*h, target).code;
}

NWCCODE WireClient::RecoverSalvageableFile(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                           nuint8 nameSpace, nuint32 sequence,
                                           const char* newName) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    RecoverSalvageable::Request request;
    if (NWCCODE rc = salvageTarget(*h, dirHandle, nameSpace, sequence, request.target);
        rc != SUCCESSFUL) {
        return rc;
    }
    request.newName = newName != nullptr ? newName : "";
    if (request.newName.size() > 255) {
        return INVALID_FILENAME;
    }
    return call<RecoverSalvageable>(*h, request).code;
}

}  // namespace nw::wire
