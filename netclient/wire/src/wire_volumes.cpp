// The wire client's volume figures (22/44, 23/233, 22/51, 87/24), the console's mount and
// dismount (131/3, 131/4) and directory authentication, which this back end does not offer.
#include <algorithm>
#include <cstring>

#include "wirecall.h"

namespace nw::wire {

namespace {

using namespace ncp::call;

}  // namespace

NWCCODE WireClient::AuthenticateConnToDirectory(NWCONN_HANDLE conn) {
    NWCCODE code = SUCCESSFUL;
    if (use(conn, code) == nullptr) {
        return code;
    }
    // Directory login (the public-key exchange) is not carried: a bindery login reads the
    // directory with its own rights, and directory authentication is refused as such.
    return ERR_FAILED_AUTHENTICATION;
}

NWCCODE WireClient::GetVolumeStats(NWCONN_HANDLE conn, nuint16 volNum, VOLUME_STATS* stats) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (stats == nullptr) {
        return NWE_PARAM_INVALID;
    }
    if (volNum > 0xFF) {
        return VOLUME_DOES_NOT_EXIST;
    }
    const auto volume = static_cast<std::uint8_t>(volNum);
    const auto purge = call<GetVolumePurgeInfo>(*h, {volume});
    if (!purge.ok()) {
        return purge.code;
    }
    // 23/233 alone tells whether the volume is removable.
    const auto info = call<GetVolumeInfo>(*h, {volume});
    if (!info.ok()) {
        return info.code;
    }
    VOLUME_STATS out;
    out.totalBlocks = purge.reply.totalBlocks;
    out.freeBlocks = purge.reply.freeBlocks;
    out.purgeableBlocks = purge.reply.purgeableBlocks;
    out.notYetPurgeableBlocks = purge.reply.notYetPurgeableBlocks;
    out.totalDirEntries = purge.reply.totalDirEntries;
    out.availableDirEntries = purge.reply.availableDirEntries;
    out.sectorsPerBlock = purge.reply.sectorsPerBlock;
    out.isRemovable = info.reply.removable;
    out.volumeNumber = volNum;
    const std::size_t n =
        std::min<std::size_t>(purge.reply.volumeName.size(), NW_MAX_VOLUME_NAME_LEN);
    std::memcpy(out.volumeName, purge.reply.volumeName.data(), n);
    *stats = out;
    return SUCCESSFUL;
}

NWCCODE WireClient::GetExtendedVolumeInfo(NWCONN_HANDLE conn, nuint16 volNum, nuint16 level,
                                          EXTENDED_VOLUME_INFO* info) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (info == nullptr) {
        return NWE_PARAM_INVALID;
    }
    if (volNum > 0xFF) {
        return VOLUME_DOES_NOT_EXIST;
    }
    const auto reply =
        call<ncp::call::GetExtendedVolumeInfo>(*h, {static_cast<std::uint8_t>(volNum)});
    if (!reply.ok()) {
        return reply.code;
    }
    if (level != 1) {
        return NWE_INFO_LEVEL_INVALID;
    }
    // The server carries the unusable sectors and the deleted files kept in the record's
    // sub-allocation and limbo fields.
    info->sectorSize = reply.reply.sectorSize;
    info->sectorsPerBlock = reply.reply.sectorsPerCluster;
    info->totalBlocks = reply.reply.clusters;
    info->freeBlocks = reply.reply.freedClusters;
    info->badSectors = reply.reply.notUsableSubAllocSectors;
    info->deletedFiles = reply.reply.limboDataStreams;
    return SUCCESSFUL;
}

NWCCODE WireClient::GetVolumeNameSpaces(NWCONN_HANDLE conn, nuint16 volNum, nuint8* count,
                                        nuint8* list) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (count == nullptr || list == nullptr) {
        return NWE_PARAM_INVALID;
    }
    if (volNum > 0xFF) {
        return VOLUME_DOES_NOT_EXIST;
    }
    const auto reply = call<GetNameSpacesLoaded>(*h, {static_cast<std::uint8_t>(volNum)});
    if (!reply.ok()) {
        return reply.code;
    }
    std::vector<std::uint8_t> spaces = reply.reply.nameSpaces;
    std::sort(spaces.begin(), spaces.end());
    spaces.resize(std::min<std::size_t>(spaces.size(), NW_MAX_NAME_SPACE_LIST));
    std::fill(list, list + NW_MAX_NAME_SPACE_LIST, 0);
    std::copy(spaces.begin(), spaces.end(), list);
    *count = static_cast<nuint8>(spaces.size());
    return SUCCESSFUL;
}

void WireClient::forgetVolumes(Connection& connection) {
    for (auto& [conn, handle] : handles_) {
        if (handle->connection == &connection) {
            handle->volumeNames.clear();
            handle->volumeNumbers.clear();
        }
    }
}

NWCCODE WireClient::MountVolume(NWCONN_HANDLE conn, const char* volName, nuint16* volNum) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (volName == nullptr || volNum == nullptr) {
        return NWE_PARAM_INVALID;
    }
    const auto reply = call<ncp::call::MountVolume>(*h, {volName});
    if (!reply.ok()) {
        return reply.code;
    }
    forgetVolumes(*h->connection);
    *volNum = static_cast<nuint16>(reply.reply.volume);
    return SUCCESSFUL;
}

NWCCODE WireClient::DismountVolume(NWCONN_HANDLE conn, nuint16 volNum) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (volNum > 0xFF) {
        return VOLUME_DOES_NOT_EXIST;
    }
    // 131/4 names the volume: its name as the server says it now.
    const auto name = call<GetVolumeName>(*h, {static_cast<std::uint8_t>(volNum)});
    if (!name.ok()) {
        return name.code;
    }
    if (name.reply.volumeName.empty()) {
        return VOLUME_DOES_NOT_EXIST;
    }
    const auto reply = call<ncp::call::DismountVolume>(*h, {name.reply.volumeName});
    forgetVolumes(*h->connection);
    if (!reply.ok()) {
        return reply.code;
    }
    // Directory handles on it are gone on the server; their searches with them.
    for (auto it = h->dirHandles.begin(); it != h->dirHandles.end();) {
        it = it->second == volNum ? h->dirHandles.erase(it) : std::next(it);
    }
    return SUCCESSFUL;
}

}  // namespace nw::wire
