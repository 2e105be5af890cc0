// Session set-up, bindery login and the bindery: 33, 97, 25, 23/29, 23/23, 23/24, 23/53, 23/54,
// 23/55, 23/70.
#include "handlers.h"

namespace nw::nwsimd {

namespace {

using namespace ncp;

// Bindery access levels of 23/70 (read and write nibbles).
constexpr std::uint8_t kAccessLoggedIn = 0x11;
constexpr std::uint8_t kAccessSupervisor = 0x33;

// An object type of the wire (hi-lo, a user is 1) as the model's calls take it; BINDERY_ANY
// stays.
std::uint16_t interfaceType(std::uint16_t wireType) {
    return wireType == call::kObjectWild ? BINDERY_ANY : swapBytes(wireType);
}

}  // namespace

void addSessionCalls(CallDispatcher& d) {
    d.on<call::NegotiateBufferSize>([](Session& s, const auto& rq, auto& rp) {
        bool willSign = false;
        rp.bufferSize = s.negotiate(rq.bufferSize, false, willSign);
        return completion::kOk;
    });
    d.on<call::GetBigPacketSize>([](Session& s, const auto& rq, auto& rp) {
        bool willSign = false;
        rp.acceptedMaxSize = s.negotiate(
            rq.proposedMaxSize, (rq.securityFlag & call::security::kSignature) != 0, willSign);
        rp.securityFlag = willSign ? call::security::kSignature : 0;
        return completion::kOk;
    });
    d.on<call::Logout>([](Session& s, const auto&, auto&) {
        s.logout();
        return completion::kOk;
    });
    d.on<call::ChangeConnectionState>([](Session&, const auto&, auto&) {
        return completion::kOk;  // every connection counts as licensed
    });

    d.on<call::GetLoginKey>([](Session& s, const auto&, auto& rp) {
        rp.key = s.newLoginKey();
        return completion::kOk;
    });
    d.on<call::KeyedObjectLogin>([](Session& s, const auto& rq, auto&) {
        const sim::BinderyObject* object =
            s.model().objectNamed(s.server(), sim::upperAscii(rq.objectName), rq.objectType);
        if (object == nullptr)
            return completion::kFailure;
        return completionOf(s.login(*object, rq.answer));
    });

    d.on<call::GetBinderyObjectId>([](Session& s, const auto& rq, auto& rp) {
        nuint32 id = 0;
        NWCCODE rc = s.model().objectId(s.server(), rq.objectName, swapBytes(rq.objectType), id);
        if (rc != SUCCESSFUL)
            return completionOf(rc);
        rp.objectId = id;
        rp.objectType = rq.objectType;
        rp.objectName = sim::upperAscii(rq.objectName);
        return completion::kOk;
    });
    d.on<call::GetBinderyObjectName>([](Session& s, const auto& rq, auto& rp) {
        nuint16 type = 0;
        NWCCODE rc = s.model().objectName(s.server(), rq.objectId, rp.objectName, &type);
        if (rc != SUCCESSFUL)
            return completionOf(rc);
        rp.objectId = rq.objectId;
        rp.objectType = swapBytes(type);
        return completion::kOk;
    });
    d.on<call::ScanBinderyObject>([](Session& s, const auto& rq, auto& rp) {
        nuint32 last = rq.lastObjectId;
        nuint16 type = 0;
        std::string pattern = rq.pattern.empty() ? std::string("*") : rq.pattern;
        NWCCODE rc = s.model().scanObjects(s.server(), pattern, interfaceType(rq.objectType), last,
                                           rp.object.objectName, &type);
        if (rc != SUCCESSFUL)
            return static_cast<std::uint8_t>(0xFC);  // no (further) object of that name
        rp.object.objectId = last;
        rp.object.objectType = swapBytes(type);
        return completion::kOk;
    });
    d.on<call::GetBinderyAccessLevel>([](Session& s, const auto&, auto& rp) {
        const sim::Caller& who = s.caller();
        rp.accessLevel = who.object == nullptr ? 0
                         : who.supervisor      ? kAccessSupervisor
                                               : kAccessLoggedIn;
        rp.objectId = who.id();
        return completion::kOk;
    });
}

}  // namespace nw::nwsimd
