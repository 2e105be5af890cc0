// Paths and directory entries: 87/22 (directory base), 87/28 (full path), 87/6 (entry
// information), directory handles (87/12, 22/20) and searches (87/2, 87/3, 87/20).
#include <algorithm>

#include "handlers.h"
#include "wirepaths.h"

namespace nw::nwsimd {

namespace {

using namespace ncp;

std::uint32_t saturate32(std::uint64_t value) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(value, 0xFFFFFFFF));
}

// The entry record of the wire from the model's.
EntryInfo wireRecord(const NW_ENTRY_INFO& info) {
    EntryInfo e;
    bool directory = (info.attributes & A_DIRECTORY) != 0;
    e.attributes = info.attributes;
    e.dataSize = saturate32(info.dataSize);
    e.spaceAllocated = saturate32((info.dataSize + 4095) / 4096 * 4096);
    e.totalStreamsSize = e.spaceAllocated;
    e.dataStreams = directory ? 0 : 1;
    e.creationTime = info.creationTime;
    e.creationDate = info.creationDate;
    e.creatorId = info.creatorID;
    e.modifyTime = info.modifyTime;
    e.modifyDate = info.modifyDate;
    e.modifierId = info.modifierID;
    e.lastAccessDate = info.lastAccessDate;
    e.archiveTime = info.archiveTime;
    e.archiveDate = info.archiveDate;
    e.archiverId = info.archiverID;
    e.inheritedRights = info.inheritedRightsMask;
    e.entryNumber = info.dirEntNum;
    e.dosEntryNumber = info.dirEntNum;
    e.volumeNumber = info.volNumber;
    e.name.assign(info.entryName, info.nameLength);
    return e;
}

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
    d.on<call::SearchEntrySet>([](Session& s, const auto& rq, auto& rp) {
        const bool names = (rq.returnInfoMask & rim::kName) != 0;
        const std::size_t limit = std::min<std::size_t>(
            call::SearchEntrySet::kMaxReply,
            s.replyBufferSize() == 0 ? call::SearchEntrySet::kMaxReply : s.replyBufferSize());
        const std::size_t wanted = std::max<std::uint16_t>(rq.returnInfoCount, 1);
        const std::string pattern = modelPattern(rq.pattern);
        SEARCH_SEQUENCE seq = modelSequence(rq.sequence);
        std::size_t size = 8 + call::SearchEntrySet::kReplyOverhead;
        bool full = false;
        for (;;) {
            SEARCH_SEQUENCE next = seq;
            NW_ENTRY_INFO info;
            NWCCODE rc = s.model().searchNext(s.caller(), next, rq.nameSpace, rq.searchAttributes,
                                              pattern, info);
            if (rc == FAILURE)
                break;
            if (rc != SUCCESSFUL)
                return completionOf(rc);
            if (full) {
                rp.more = 0xFF;  // another entry is there for the next request
                break;
            }
            EntryInfo entry = wireRecord(info);
            size += kEntryInfoFixedSize + (names ? 1 + entry.name.size() : 0);
            if (size > limit && !rp.entries.empty()) {
                rp.more = 0xFF;
                break;
            }
            rp.entries.push_back(std::move(entry));
            seq = next;
            full = rp.entries.size() >= wanted;
        }
        if (rp.entries.empty())
            return completion::kFailure;  // no (further) entry matches
        rp.sequence = wireSequence(seq);
        return completion::kOk;
    });
}

}  // namespace nw::nwsimd
