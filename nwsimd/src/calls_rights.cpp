// Trustees and space restrictions: 87/5, 87/10 and 87/11 (an entry's trustees), 22/32, 22/33,
// 22/34 and 22/41 (users' space on a volume), 22/35 and 22/36 (a directory's space limit).
//
// 87/10 gives each trustee its own rights word within the request's rights mask (clients send
// 0xFFFF there); the trustees of one request are added in order and the first refusal answers.
#include "handlers.h"
#include "wirepaths.h"

namespace nw::nwsimd {

namespace {

using namespace ncp;

// 22/35's figure for a directory without a limit.
constexpr std::uint32_t kNoSpaceLimit = 0x7FFFFFFF;

}  // namespace

void addRightsCalls(CallDispatcher& d) {
    d.on<call::ScanTrustees>([](Session& s, const auto& rq, auto& rp) {
        sim::Located target;
        NWCCODE rc = locateBlock(s, rq.path, rq.nameSpace, target);
        nuint32 iteration = rq.sequence;
        TRUSTEE_SET set;
        if (rc == SUCCESSFUL)
            rc = s.model().scanTrustees(s.caller(), target, iteration, set);
        if (rc == FAILURE)
            return completionOf(INVALID_PATH);  // no further trustees: 0x9C, as servers say it
        if (rc != SUCCESSFUL)
            return completionOf(rc);
        rp.sequence = iteration;
        for (nuint16 i = 0; i < set.count; ++i)
            rp.trustees.push_back({set.trustees[i].objectID, set.trustees[i].objectRights});
        return completion::kOk;
    });
    d.on<call::AddTrustees>([](Session& s, const auto& rq, auto&) {
        sim::Located target;
        NWCCODE rc = locateBlock(s, rq.path, rq.nameSpace, target);
        for (std::size_t i = 0; rc == SUCCESSFUL && i < rq.trustees.size(); ++i) {
            const call::Trustee& t = rq.trustees[i];
            rc = s.model().addTrustee(s.caller(), target, t.objectId,
                                      static_cast<nuint16>(t.rights & rq.rightsMask));
        }
        return completionOf(rc);
    });
    d.on<call::DeleteTrustees>([](Session& s, const auto& rq, auto&) {
        sim::Located target;
        NWCCODE rc = locateBlock(s, rq.path, rq.nameSpace, target);
        for (std::size_t i = 0; rc == SUCCESSFUL && i < rq.trustees.size(); ++i)
            rc = s.model().deleteTrustee(s.caller(), target, rq.trustees[i].objectId);
        return completionOf(rc);
    });

    d.on<call::ScanVolumeRestrictions>([](Session& s, const auto& rq, auto& rp) {
        VOLUME_RESTRICTIONS found;
        NWCCODE rc = s.model().scanVolumeRestrictions(s.caller(), rq.volume, rq.sequence, found);
        if (rc != SUCCESSFUL)
            return completionOf(rc);
        for (nuint8 i = 0; i < found.numberOfEntries; ++i)
            rp.entries.push_back({found.resInfo[i].objectID, found.resInfo[i].restriction});
        return completion::kOk;
    });
    d.on<call::SetObjectRestriction>([](Session& s, const auto& rq, auto&) {
        return completionOf(s.model().setObjectRestriction(
            s.caller(), rq.volume, rq.restriction.objectId, rq.restriction.restriction));
    });
    d.on<call::RemoveObjectRestriction>([](Session& s, const auto& rq, auto&) {
        return completionOf(s.model().removeObjectRestriction(s.caller(), rq.volume, rq.objectId));
    });
    d.on<call::GetObjectRestriction>([](Session& s, const auto& rq, auto& rp) {
        nuint32 restriction = 0;
        nuint32 inUse = 0;
        NWCCODE rc =
            s.model().getObjectRestriction(s.caller(), rq.volume, rq.objectId, restriction, inUse);
        if (rc != SUCCESSFUL)
            return completionOf(rc);
        rp.restriction = restriction;
        rp.inUse = inUse;
        return completion::kOk;
    });

    // The limits from the handle's directory up to the volume root, this directory first.
    d.on<call::GetDirSpaceLimitsOld>([](Session& s, const auto& rq, auto& rp) {
        sim::Located target;
        if (NWCCODE rc = locateHandle(s, rq.dirHandle, target); rc != SUCCESSFUL)
            return completionOf(rc);
        std::uint8_t level = 0;
        for (sim::Entry* e = target.entry; e != nullptr && level < 255; e = e->parent, ++level) {
            NW_ENTRY_INFO info;
            if (NWCCODE rc = sim::entryRecord(s.server(), *target.volume, *e, NW_NS_DOS, info);
                rc != SUCCESSFUL)
                return completionOf(rc);
            std::uint32_t limit = info.spaceRestriction < 0
                                      ? kNoSpaceLimit
                                      : static_cast<std::uint32_t>(info.spaceRestriction);
            rp.limits.push_back({level, limit, 0});
        }
        return completion::kOk;
    });
    // A limit of 0 takes the directory's limit away.
    d.on<call::SetDirSpaceLimit>([](Session& s, const auto& rq, auto&) {
        sim::Located target;
        NWCCODE rc = locateHandle(s, rq.dirHandle, target);
        if (rc == SUCCESSFUL) {
            nint32 units = rq.limit == 0 || rq.limit >= kNoSpaceLimit
                               ? NW_NO_DIRECTORY_RESTRICTION
                               : static_cast<nint32>(rq.limit);
            rc = s.model().setDirRestriction(s.caller(), *target.volume, *target.entry, units);
        }
        return completionOf(rc);
    });
}

}  // namespace nw::nwsimd
