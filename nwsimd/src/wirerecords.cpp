// The model's records as the wire carries them (see wirerecords.h).
#include "wirerecords.h"

#include <algorithm>

namespace nw::nwsimd {

std::uint32_t saturate32(std::uint64_t value) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(value, 0xFFFFFFFF));
}

namespace {

// What every record shares: attributes, sizes, dates and the ids of who did what.
template <class Record>
ncp::EntryInfo common(const Record& info) {
    ncp::EntryInfo e;
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
    e.name.assign(info.entryName, info.nameLength);
    return e;
}

}  // namespace

ncp::EntryInfo wireRecord(const NW_ENTRY_INFO& info) {
    ncp::EntryInfo e = common(info);
    e.entryNumber = info.dirEntNum;
    e.dosEntryNumber = info.dirEntNum;
    e.volumeNumber = info.volNumber;
    return e;
}

ncp::EntryInfo wireRecord(const NW_DELETED_FILE& deleted, std::uint16_t volume) {
    ncp::EntryInfo e = common(deleted);
    e.entryNumber = deleted.parent;
    e.dosEntryNumber = deleted.parent;
    e.volumeNumber = volume;
    return e;
}

}  // namespace nw::nwsimd
