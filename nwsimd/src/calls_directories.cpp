// Paths and directory entries: 87/22 (directory base), 87/28 (full path), 87/6 (entry
// information), directory handles (87/12, 22/20) and searches (87/2, 87/3, 87/20).
#include <algorithm>

#include "handlers.h"
#include "wirepaths.h"
#include "wirerecords.h"

namespace nw::nwsimd {

namespace {

using namespace ncp;

// An existing directory named by a handle/path block, still on disk.
NWCCODE directoryNamed(Session& s, const HandlePath& path, nuint8 nameSpace, sim::Located& out) {
    NWCCODE rc = locateBlock(s, path, nameSpace, out);
    if (rc == SUCCESSFUL)
        rc = sim::stillOnDisk(out);
    if (rc == SUCCESSFUL && !out.entry->isDirectory)
        rc = INVALID_PATH;
    return rc;
}

SEARCH_SEQUENCE modelSequence(const SearchSequence& wire) {
    SEARCH_SEQUENCE seq;
    seq.volNumber = wire.volume;
    seq.dirNumber = wire.dirBase;
    seq.sequence = wire.sequence;
    return seq;
}

SearchSequence wireSequence(const SEARCH_SEQUENCE& seq) {
    return {static_cast<std::uint8_t>(seq.volNumber), seq.dirNumber, seq.sequence};
}

}  // namespace

void addDirectoryCalls(CallDispatcher& d) {
    d.on<call::GenerateDirBase>([](Session& s, const auto& rq, auto& rp) {
        sim::Located target;
        NWCCODE rc = locateBlock(s, rq.path, rq.sourceNameSpace, target);
        if (rc == SUCCESSFUL && !target.volume->hasNameSpace(rq.destNameSpace))
            rc = INVALID_NAME_SPACE;
        if (rc != SUCCESSFUL)
            return completionOf(rc);
        rp.dirBase = target.entry->number;
        rp.dosDirBase = target.entry->number;
        rp.volume = target.volume->number;
        return completion::kOk;
    });
    d.on<call::GetFullPath>([](Session& s, const auto& rq, auto& rp) {
        sim::Located target;
        NWCCODE rc = locateBlock(s, rq.path, rq.sourceNameSpace, target);
        if (rc == SUCCESSFUL && !target.volume->hasNameSpace(rq.destNameSpace))
            rc = INVALID_NAME_SPACE;
        if (rc != SUCCESSFUL)
            return completionOf(rc);
        // Leaf first, the volume name last; the whole path fits one reply.
        std::vector<std::string> names = sim::pathNames(target.entry, rq.destNameSpace);
        rp.components.assign(names.rbegin(), names.rend());
        rp.components.push_back(target.volume->name);
        return completion::kOk;
    });
    d.on<call::ObtainEntryInfo>([](Session& s, const auto& rq, auto& rp) {
        sim::Located target;
        NWCCODE rc = locateBlock(s, rq.path, rq.sourceNameSpace, target);
        if (rc == SUCCESSFUL && !target.volume->hasNameSpace(rq.destNameSpace))
            rc = INVALID_NAME_SPACE;
        NW_ENTRY_INFO info;
        if (rc == SUCCESSFUL)
            rc = s.model().entryInfo(s.caller(), target, rq.destNameSpace, rq.searchAttributes,
                                     info);
        if (rc != SUCCESSFUL)
            return completionOf(rc);
        rp.info = wireRecord(info);
        return completion::kOk;
    });

    d.on<call::AllocShortDirHandle>([](Session& s, const auto& rq, auto& rp) {
        sim::Located target;
        NWCCODE rc = directoryNamed(s, rq.path, rq.nameSpace, target);
        NWDIR_HANDLE handle = 0;
        if (rc == SUCCESSFUL)
            rc = s.model().allocDirHandle(s.owner(), target, handle);
        if (rc != SUCCESSFUL)
            return completionOf(rc);
        rp.dirHandle = handle;
        rp.volume = target.volume->number;
        return completion::kOk;
    });
    d.on<call::DeallocDirHandle>([](Session& s, const auto& rq, auto&) {
        return completionOf(s.model().freeDirHandle(s.owner(), rq.dirHandle));
    });

    d.on<call::InitializeSearch>([](Session& s, const auto& rq, auto& rp) {
        sim::Located target;
        NWCCODE rc = directoryNamed(s, rq.path, rq.nameSpace, target);
        SEARCH_SEQUENCE seq;
        if (rc == SUCCESSFUL)
            rc = s.model().startSearch(*target.volume, *target.entry, rq.nameSpace, seq);
        if (rc != SUCCESSFUL)
            return completionOf(rc);
        rp = wireSequence(seq);
        return completion::kOk;
    });
    d.on<call::SearchEntry>([](Session& s, const auto& rq, auto& rp) {
        SEARCH_SEQUENCE seq = modelSequence(rq.sequence);
        NW_ENTRY_INFO info;
        NWCCODE rc = s.model().searchNext(s.caller(), seq, rq.nameSpace, rq.searchAttributes,
                                          modelPattern(rq.pattern), info);
        if (rc != SUCCESSFUL)
            return completionOf(rc);
        rp.sequence = wireSequence(seq);
        rp.info = wireRecord(info);
        return completion::kOk;
    });
    // Entries while they fit the reply (and the count asked); one that does not fit sets the
    // more flag and comes first in the next reply.
    d.on<call::SearchEntrySet>([](Session& s, const auto& rq, auto& rp) {
        const bool names = (rq.returnInfoMask & rim::kName) != 0;
        const std::size_t limit = std::min<std::size_t>(
            call::SearchEntrySet::kMaxReply,
            s.replyBufferSize() == 0 ? call::SearchEntrySet::kMaxReply : s.replyBufferSize());
        const std::size_t wanted = std::max<std::uint16_t>(rq.returnInfoCount, 1);
        std::size_t size = 8 + call::SearchEntrySet::kReplyOverhead;
        SEARCH_SEQUENCE seq = modelSequence(rq.sequence);
        bool more = false;
        NWCCODE rc = s.model().searchMany(
            s.caller(), seq, rq.nameSpace, rq.searchAttributes, modelPattern(rq.pattern),
            [&](const NW_ENTRY_INFO& info) {
                if (rp.entries.size() >= wanted)
                    return false;
                std::size_t entrySize = kEntryInfoFixedSize + (names ? 1 + info.nameLength : 0);
                if (size + entrySize > limit && !rp.entries.empty())
                    return false;
                size += entrySize;
                rp.entries.push_back(wireRecord(info));
                return true;
            },
            more);
        if (rc != SUCCESSFUL && rc != FAILURE)
            return completionOf(rc);
        if (rp.entries.empty())
            return completion::kFailure;  // no (further) entry matches
        rp.more = more ? 0xFF : 0;
        rp.sequence = wireSequence(seq);
        return completion::kOk;
    });
}

}  // namespace nw::nwsimd
