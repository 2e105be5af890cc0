// The wire client's bindery: names and identifiers (23/53, 23/54) and the object scan (23/55).
// The interface's object types are in high-low order (BINDERY_USER = 0x0100); the wire's are
// the plain numbers.
#include "wirecall.h"

namespace nw::wire {

namespace {

using namespace ncp::call;

constexpr std::uint16_t swapBytes(std::uint16_t v) {
    return static_cast<std::uint16_t>((v << 8) | (v >> 8));
}

std::uint16_t wireType(nuint16 type) {
    return type == BINDERY_ANY ? kObjectWild : swapBytes(type);
}

}  // namespace

NWCCODE WireClient::GetBinderyObjectName(NWCONN_HANDLE conn, nuint32 id, std::string& name,
                                         nuint16* type) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (type == nullptr) {
        return NWE_PARAM_INVALID;
    }
    const auto reply = call<ncp::call::GetBinderyObjectName>(*h, {id});
    if (!reply.ok()) {
        return reply.code;
    }
    name = reply.reply.objectName;
    *type = swapBytes(reply.reply.objectType);
    return SUCCESSFUL;
}

NWCCODE WireClient::GetBinderyObjectID(NWCONN_HANDLE conn, const char* name, nuint16 type,
                                       nuint32* id) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (name == nullptr || id == nullptr) {
        return NWE_PARAM_INVALID;
    }
    if (std::string_view(name).size() > 47) {
        return NO_SUCH_OBJECT;  // no bindery name is that long
    }
    const auto reply = call<GetBinderyObjectId>(*h, {swapBytes(type), name});
    if (!reply.ok()) {
        return reply.code;
    }
    *id = reply.reply.objectId;
    return SUCCESSFUL;
}

NWCCODE WireClient::ScanBinderyObjects(NWCONN_HANDLE conn, const char* pattern, nuint16 type,
                                       nuint32* lastObjectID, std::string& name,
                                       nuint16* foundType) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (pattern == nullptr || lastObjectID == nullptr || foundType == nullptr) {
        return NWE_PARAM_INVALID;
    }
    if (std::string_view(pattern).size() > 47) {
        return FAILURE;  // matches no bindery name
    }
    const auto reply = call<ScanBinderyObject>(*h, {*lastObjectID, wireType(type), pattern});
    if (reply.code == NO_SUCH_OBJECT) {
        return FAILURE;  // 0xFC: nothing further matches
    }
    if (!reply.ok()) {
        return reply.code;
    }
    name = reply.reply.object.objectName;
    *foundType = swapBytes(reply.reply.object.objectType);
    *lastObjectID = reply.reply.object.objectId;
    return SUCCESSFUL;
}

}  // namespace nw::wire
