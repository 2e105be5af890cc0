// The wire client's entry operations: records (87/6, 87/7, 87/29), making, removing and moving
// entries (87/1, 87/8, 87/4) and directory space limits (22/35, 22/36 on a temporary handle).
//
// 87/8 removes whatever the path names; the interface's EraseFile and DeleteDirectory each take
// one kind only, so the record is read first and the other kind refused as the server model
// refuses it (INVALID_PATH) without touching it.
#include <cctype>
#include <string_view>

#include "entryrecord.h"
#include "ncp/paths.h"
#include "wirecall.h"

namespace nw::wire {

namespace {

using namespace ncp::call;

constexpr std::uint32_t kNoSpaceLimit = 0x7FFFFFFF;

// Whether two full paths name the same volume (the text before ':', case aside).
bool sameVolume(std::string_view a, std::string_view b) {
    a = a.substr(0, a.find(':'));
    b = b.substr(0, b.find(':'));
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

}  // namespace

NWCCODE WireClient::entryRecord(Handle& h, nuint8 nameSpace, nuint16 searchAttrs, const char* path,
                                ncp::EntryInfo& record) {
    std::optional<ncp::HandlePath> wirePath = volumePath(path);
    if (!wirePath) {
        return INVALID_PATH;
    }
    ObtainEntryInfo::Request request;
    request.sourceNameSpace = nameSpace;
    request.destNameSpace = nameSpace;
    request.searchAttributes = searchAttrs;
    request.path = std::move(*wirePath);
    auto reply = call<ObtainEntryInfo>(h, request);
    if (!reply.ok()) {
        return reply.code;
    }
    record = std::move(reply.reply.info);
    return SUCCESSFUL;
}

NWCCODE WireClient::GetEntryInfo(NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs,
                                 const char* path, NW_ENTRY_INFO* info) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (info == nullptr) {
        return NWE_PARAM_INVALID;
    }
    ncp::EntryInfo record;
    if (NWCCODE rc = entryRecord(*h, nameSpace, searchAttrs, path, record); rc != SUCCESSFUL) {
        return rc;
    }
    NW_ENTRY_INFO out;
    toEntryInfo(record, nameSpace, out);
    if ((record.attributes & A_DIRECTORY) != 0) {
        NWDIR_HANDLE dirHandle = 0;
        NWCCODE rc = AllocTempDirHandle(conn, nameSpace, path, &dirHandle);
        if (rc != SUCCESSFUL) {
            return rc;
        }
        const auto limits = call<GetDirSpaceLimitsOld>(*h, {dirHandle});
        rc = DeallocDirHandle(conn, dirHandle);
        if (!limits.ok()) {
            return limits.code;
        }
        if (rc != SUCCESSFUL) {
            return rc;
        }
        for (const SpaceLimit& limit : limits.reply.limits) {
            if (limit.level == 0 && limit.maxSpace < kNoSpaceLimit) {
                out.spaceRestriction = static_cast<nint32>(limit.maxSpace);
            }
        }
    }
    *info = out;
    return SUCCESSFUL;
}

NWCCODE WireClient::ModifyEntryInfo(NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs,
                                    const char* path, nuint32 modifyMask,
                                    const NW_ENTRY_INFO* info) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (info == nullptr) {
        return NWE_PARAM_INVALID;
    }
    std::optional<ncp::HandlePath> wirePath = volumePath(path);
    if (!wirePath) {
        return INVALID_PATH;
    }
    ncp::call::ModifyEntryInfo::Request request;
    request.nameSpace = nameSpace;
    request.searchAttributes = searchAttrs;
    request.modifyMask = static_cast<std::uint16_t>(modifyMask);
    request.attributes = info->attributes;
    request.creationDate = info->creationDate;
    request.creationTime = info->creationTime;
    request.creatorId = info->creatorID;
    request.modifyDate = info->modifyDate;
    request.modifyTime = info->modifyTime;
    request.modifierId = info->modifierID;
    request.archiveDate = info->archiveDate;
    request.archiveTime = info->archiveTime;
    request.archiverId = info->archiverID;
    request.lastAccessDate = info->lastAccessDate;
    // The mask is set whole: what it grants is added, everything else revoked.
    request.inheritedRightsMask = info->inheritedRightsMask;
    request.inheritanceRevokeMask = static_cast<std::uint16_t>(~info->inheritedRightsMask);
    request.maximumSpace = static_cast<std::uint32_t>(info->spaceRestriction);
    request.path = std::move(*wirePath);
    return call<ncp::call::ModifyEntryInfo>(*h, request).code;
}

NWCCODE WireClient::GetEffectiveRights(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                                       nuint16* rights) {
    NWCCODE code = SUCCESSFUL;
    ncp::HandlePath wirePath;
    Handle* h = useWithPath(conn, path, wirePath, code);
    if (h == nullptr) {
        return code;
    }
    if (rights == nullptr) {
        return NWE_PARAM_INVALID;
    }
    ncp::call::GetEffectiveRights::Request request;
    request.nameSpace = nameSpace;
    request.destNameSpace = nameSpace;
    request.searchAttributes = SA_ALL;
    request.path = std::move(wirePath);
    const auto reply = call<ncp::call::GetEffectiveRights>(*h, request);
    if (!reply.ok()) {
        return reply.code;
    }
    *rights = reply.reply.effectiveRights;
    return SUCCESSFUL;
}

NWCCODE WireClient::SetDirSpaceRestriction(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle,
                                           nint32 units) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (h->dirHandles.count(dirHandle) == 0) {
        return BAD_DIRECTORY_HANDLE;
    }
    // On the wire 0 takes the limit away, so a limit of no space at all cannot be sent: it is
    // refused rather than turned into its opposite.
    if (units == 0) {
        return NWE_PARAM_INVALID;
    }
    const std::uint32_t limit = units < 0 ? 0 : static_cast<std::uint32_t>(units);
    return call<SetDirSpaceLimit>(*h, {dirHandle, limit}).code;
}

NWCCODE WireClient::CreateDirectory(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                                    nuint8 rightsMask) {
    NWCCODE code = SUCCESSFUL;
    ncp::HandlePath wirePath;
    Handle* h = useWithPath(conn, path, wirePath, code);
    if (h == nullptr) {
        return code;
    }
    OpenCreateEntry::Request request;
    request.nameSpace = nameSpace;
    request.openCreateMode = open_mode::kCreate;
    request.createAttributes = A_DIRECTORY;
    request.desiredAccessRights = rightsMask;
    request.path = std::move(wirePath);
    return call<OpenCreateEntry>(*h, request).code;
}

NWCCODE WireClient::DeleteDirectory(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    ncp::EntryInfo record;
    if (NWCCODE rc = entryRecord(*h, nameSpace, SA_ALL | SA_FILES, path, record);
        rc != SUCCESSFUL) {
        return rc;
    }
    if ((record.attributes & A_DIRECTORY) == 0) {
        return INVALID_PATH;
    }
    DeleteEntry::Request request;
    request.nameSpace = nameSpace;
    request.searchAttributes = SA_ALL;
    request.path = *volumePath(path);
    return call<DeleteEntry>(*h, request).code;
}

NWCCODE WireClient::EraseFile(NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs,
                              const char* path) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    ncp::EntryInfo record;
    if (NWCCODE rc = entryRecord(*h, nameSpace, SA_ALL | SA_FILES, path, record);
        rc != SUCCESSFUL) {
        return rc;
    }
    if ((record.attributes & A_DIRECTORY) != 0) {
        return INVALID_PATH;
    }
    DeleteEntry::Request request;
    request.nameSpace = nameSpace;
    request.searchAttributes = searchAttrs;
    request.path = *volumePath(path);
    return call<DeleteEntry>(*h, request).code;
}

NWCCODE WireClient::MoveEntry(NWCONN_HANDLE conn, nuint8 nameSpace, nuint16 searchAttrs,
                              const char* srcPath, const char* dstPath) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    std::optional<ncp::HandlePath> source = volumePath(srcPath);
    if (!source) {
        return INVALID_PATH;
    }
    if (dstPath == nullptr) {
        return NWE_PARAM_INVALID;
    }
    std::optional<ncp::HandlePath> destination = volumePath(dstPath);
    if (!destination) {
        return INVALID_PATH;
    }
    if (!sameVolume(srcPath, dstPath)) {
        // Refused whatever the destination is, once the source is known to exist.
        ncp::EntryInfo record;
        const NWCCODE rc = entryRecord(*h, nameSpace, searchAttrs, srcPath, record);
        return rc != SUCCESSFUL ? rc : RENAMING_ACROSS_VOLUMES;
    }
    RenameEntry::Request request;
    request.nameSpace = nameSpace;
    request.searchAttributes = searchAttrs;
    request.source = std::move(*source);
    request.destination = std::move(*destination);
    return call<RenameEntry>(*h, request).code;
}

}  // namespace nw::wire
