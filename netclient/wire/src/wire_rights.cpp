// The wire client's trustees (87/5, 87/10, 87/11) and users' space restrictions on a volume
// (22/32, 22/33, 22/34, 22/41).
#include "ncp/paths.h"
#include "wirecall.h"

namespace nw::wire {

namespace {

using namespace ncp::call;

// Every kind of entry, hidden and system ones too: trustees are set on whatever the path names.
constexpr std::uint16_t kAnyEntry = SA_ALL | SA_FILES;

}  // namespace

NWCCODE WireClient::ScanEntryTrustees(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                                      nuint32* iterHandle, TRUSTEE_SET* set) {
    NWCCODE code = SUCCESSFUL;
    ncp::HandlePath wirePath;
    Handle* h = useWithPath(conn, path, wirePath, code);
    if (h == nullptr) {
        return code;
    }
    if (iterHandle == nullptr || set == nullptr) {
        return NWE_PARAM_INVALID;
    }
    ScanTrustees::Request request;
    request.nameSpace = nameSpace;
    request.searchAttributes = kAnyEntry;
    request.sequence = *iterHandle;
    request.path = std::move(wirePath);
    const auto reply = call<ScanTrustees>(*h, request);
    if (reply.code == INVALID_PATH) {
        // 0x9C ends the scan, and also answers a path that names nothing: the first step tells
        // the two apart.
        if (*iterHandle == 0) {
            ncp::EntryInfo record;
            if (NWCCODE rc = entryRecord(*h, nameSpace, kAnyEntry, path, record);
                rc != SUCCESSFUL) {
                return rc;
            }
        }
        return FAILURE;
    }
    if (!reply.ok()) {
        return reply.code;
    }
    TRUSTEE_SET out;
    for (const Trustee& t : reply.reply.trustees) {
        if (out.count == NW_MAX_TRUSTEES_PER_SET) {
            break;
        }
        out.trustees[out.count++] = {t.objectId, t.rights};
    }
    if (out.count == 0) {
        return FAILURE;
    }
    *set = out;
    *iterHandle = reply.reply.sequence;
    return SUCCESSFUL;
}

NWCCODE WireClient::AddTrusteeToEntry(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                                      nuint32 objectID, nuint16 rights) {
    NWCCODE code = SUCCESSFUL;
    ncp::HandlePath wirePath;
    Handle* h = useWithPath(conn, path, wirePath, code);
    if (h == nullptr) {
        return code;
    }
    AddTrustees::Request request;
    request.nameSpace = nameSpace;
    request.searchAttributes = kAnyEntry;
    request.rightsMask = 0xFFFF;
    request.path = std::move(wirePath);
    request.trustees.push_back({objectID, rights});
    return call<AddTrustees>(*h, request).code;
}

NWCCODE WireClient::DeleteTrusteeFromEntry(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                                           nuint32 objectID) {
    NWCCODE code = SUCCESSFUL;
    ncp::HandlePath wirePath;
    Handle* h = useWithPath(conn, path, wirePath, code);
    if (h == nullptr) {
        return code;
    }
    DeleteTrustees::Request request;
    request.nameSpace = nameSpace;
    request.path = std::move(wirePath);
    request.trustees.push_back({objectID, 0});
    return call<DeleteTrustees>(*h, request).code;
}

NWCCODE WireClient::ScanVolumeRestrictions(NWCONN_HANDLE conn, nuint16 volNum, nuint32 sequence,
                                           VOLUME_RESTRICTIONS* restrictions) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (restrictions == nullptr) {
        return NWE_PARAM_INVALID;
    }
    if (volNum > 0xFF) {
        return VOLUME_DOES_NOT_EXIST;
    }
    const auto reply =
        call<ncp::call::ScanVolumeRestrictions>(*h, {static_cast<std::uint8_t>(volNum), sequence});
    if (!reply.ok()) {
        return reply.code;
    }
    VOLUME_RESTRICTIONS out;
    for (const ObjectRestriction& r : reply.reply.entries) {
        if (out.numberOfEntries == NW_MAX_RESTRICTIONS_PER_ANSWER) {
            break;
        }
        out.resInfo[out.numberOfEntries++] = {r.objectId, r.restriction};
    }
    *restrictions = out;
    return SUCCESSFUL;
}

NWCCODE WireClient::GetObjectVolumeRestriction(NWCONN_HANDLE conn, nuint16 volNum, nuint32 objectID,
                                               nuint32* restriction, nuint32* inUse) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (restriction == nullptr || inUse == nullptr) {
        return NWE_PARAM_INVALID;
    }
    if (volNum > 0xFF) {
        return VOLUME_DOES_NOT_EXIST;
    }
    const auto reply =
        call<GetObjectRestriction>(*h, {static_cast<std::uint8_t>(volNum), objectID});
    if (!reply.ok()) {
        return reply.code;
    }
    *restriction = reply.reply.restriction;
    *inUse = reply.reply.inUse;
    return SUCCESSFUL;
}

NWCCODE WireClient::SetObjectVolumeRestriction(NWCONN_HANDLE conn, nuint16 volNum, nuint32 objectID,
                                               nuint32 restriction) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (volNum > 0xFF) {
        return VOLUME_DOES_NOT_EXIST;
    }
    SetObjectRestriction::Request request;
    request.volume = static_cast<std::uint8_t>(volNum);
    request.restriction = {objectID, restriction};
    return call<SetObjectRestriction>(*h, request).code;
}

NWCCODE WireClient::RemoveObjectVolumeRestriction(NWCONN_HANDLE conn, nuint16 volNum,
                                                  nuint32 objectID) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (volNum > 0xFF) {
        return VOLUME_DOES_NOT_EXIST;
    }
    return call<RemoveObjectRestriction>(*h, {static_cast<std::uint8_t>(volNum), objectID}).code;
}

}  // namespace nw::wire
