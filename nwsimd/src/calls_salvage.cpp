// Deleted files kept for salvage: 87/16 (scan a directory's), 87/17 (recover one), 87/18 (purge
// one). A scan reply names the deleted file by its sequence, volume and directory base; recover
// and purge take those back, so they need no handle.
#include "handlers.h"
#include "wirepaths.h"
#include "wirerecords.h"

namespace nw::nwsimd {

namespace {

using namespace ncp;

// The directory a salvage target names (volume number and directory base).
NWCCODE salvageDirectory(Session& s, std::uint32_t volume, std::uint32_t dirBase,
                         sim::Located& out) {
    NWCCODE rc = locateNumber(s, volume, dirBase, out);
    if (rc == SUCCESSFUL && !out.entry->isDirectory)
        rc = INVALID_PATH;
    return rc;
}

}  // namespace

void addSalvageCalls(CallDispatcher& d) {
    d.on<call::ScanSalvageable>([](Session& s, const auto& rq, auto& rp) {
        sim::Located directory;
        NWCCODE rc = locateBlock(s, rq.path, rq.nameSpace, directory);
        if (rc == SUCCESSFUL && !directory.entry->isDirectory)
            rc = INVALID_PATH;
        nuint32 sequence = rq.sequence;
        NW_DELETED_FILE deleted;
        if (rc == SUCCESSFUL)
            rc = s.model().scanSalvageable(s.caller(), *directory.volume, *directory.entry,
                                           rq.nameSpace, sequence, deleted);
        if (rc != SUCCESSFUL)
            return completionOf(rc);
        rp.sequence = deleted.sequence;
        rp.deletedTime = deleted.deletedTime;
        rp.deletedDate = deleted.deletedDate;
        rp.deletorId = deleted.deletorID;
        rp.volume = directory.volume->number;
        rp.dirBase = directory.entry->number;
        rp.info = wireRecord(deleted, directory.volume->number);
        return completion::kOk;
    });
    d.on<call::RecoverSalvageable>([](Session& s, const auto& rq, auto&) {
        sim::Located directory;
        NWCCODE rc = salvageDirectory(s, rq.target.volume, rq.target.dirBase, directory);
        if (rc == SUCCESSFUL)
            rc = s.model().recoverSalvageable(s.caller(), *directory.volume, *directory.entry,
                                              rq.target.nameSpace, rq.target.sequence, rq.newName);
        return completionOf(rc);
    });
    d.on<call::PurgeSalvageable>([](Session& s, const auto& rq, auto&) {
        sim::Located directory;
        NWCCODE rc = salvageDirectory(s, rq.volume, rq.dirBase, directory);
        if (rc == SUCCESSFUL)
            rc = s.model().purgeSalvageable(s.caller(), *directory.volume, *directory.entry,
                                            rq.sequence);
        return completionOf(rc);
    });
}

}  // namespace nw::nwsimd
