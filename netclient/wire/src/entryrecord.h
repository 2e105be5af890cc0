// A directory entry record of the 87 family as the client interface's NW_ENTRY_INFO.
#pragma once

#include <algorithm>
#include <cstring>

#include "ncp/calls.h"
#include "netclient/volume.h"

namespace nw::wire {

inline void toEntryInfo(const ncp::EntryInfo& e, nuint8 nameSpace, NW_ENTRY_INFO& out) {
    out = NW_ENTRY_INFO{};
    out.attributes = e.attributes;
    out.creationDate = e.creationDate;
    out.creationTime = e.creationTime;
    out.creatorID = e.creatorId;
    out.modifyDate = e.modifyDate;
    out.modifyTime = e.modifyTime;
    out.modifierID = e.modifierId;
    out.archiveDate = e.archiveDate;
    out.archiveTime = e.archiveTime;
    out.archiverID = e.archiverId;
    out.lastAccessDate = e.lastAccessDate;
    out.inheritedRightsMask = e.inheritedRights;
    out.dataSize = (e.attributes & A_DIRECTORY) != 0 ? 0 : e.dataSize;
    out.volNumber = static_cast<nuint16>(e.volumeNumber);
    out.dirEntNum = e.entryNumber;
    out.nameSpace = nameSpace;
    const std::size_t n = std::min<std::size_t>(e.name.size(), NW_MAX_LONG_NAME_LEN);
    std::memcpy(out.entryName, e.name.data(), n);
    out.entryName[n] = '\0';
    out.nameLength = static_cast<nuint8>(n);
}

}  // namespace nw::wire
