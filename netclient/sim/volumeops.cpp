// Volume control operations: volume numbers, figures, name spaces, mounting.
#include <sys/statvfs.h>

#include <algorithm>
#include <cstring>

#include "model.h"
#include "netclient/sim/simclient.h"
#include "services.h"

namespace nw::sim {

namespace {

nuint32 saturate32(std::uint64_t value) {
    return static_cast<nuint32>(std::min<std::uint64_t>(value, 0xFFFFFFFF));
}

Volume* mountedVolume(const Server& server, nuint16 number) {
    Volume* volume =
        number < server.volumeByNumber.size() ? server.volumeByNumber[number] : nullptr;
    return volume != nullptr && volume->mounted ? volume : nullptr;
}

// Total and free blocks: the network file's, else the folder's file system's as it is now.
void blockFigures(const Volume& volume, nuint32& total, nuint32& free) {
    total = volume.blocks.total;
    free = volume.blocks.free;
    if (volume.blocksGiven)
        return;
    struct statvfs disk {};
    if (::statvfs(volume.folder.c_str(), &disk) != 0)
        return;
    std::uint64_t blockBytes = volume.blocks.sectorsPerBlock * 512ull;
    total = saturate32(disk.f_blocks * disk.f_frsize / blockBytes);
    free = std::min(saturate32(disk.f_bavail * disk.f_frsize / blockBytes), total);
}

}  // namespace

NWCCODE SimClient::GetVolumeNumber(NWCONN_HANDLE conn, const char* volName, nuint16* volNum) {
    WsConnection* connection = volumeCaller(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    if (volName == nullptr || volNum == nullptr)
        return NWE_PARAM_INVALID;
    Volume* volume = connection->server->volumeNamed(upperAscii(volName));
    if (volume == nullptr || !volume->mounted)
        return VOLUME_DOES_NOT_EXIST;
    *volNum = volume->number;
    return SUCCESSFUL;
}

NWCCODE SimClient::GetVolumeStats(NWCONN_HANDLE conn, nuint16 volNum, VOLUME_STATS* stats) {
    WsConnection* connection = volumeCaller(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    if (stats == nullptr)
        return NWE_PARAM_INVALID;
    const Volume* volume = mountedVolume(*connection->server, volNum);
    if (volume == nullptr)
        return VOLUME_DOES_NOT_EXIST;
    *stats = VOLUME_STATS{};
    blockFigures(*volume, stats->totalBlocks, stats->freeBlocks);
    std::uint64_t blockBytes = volume->blocks.sectorsPerBlock * 512ull;
    std::uint64_t deletedBlocks = (volume->data.deletedBytes + blockBytes - 1) / blockBytes;
    stats->purgeableBlocks = std::min(saturate32(volume->blocks.purgeable + deletedBlocks),
                                      stats->totalBlocks - stats->freeBlocks);
    std::uint64_t used = volume->entries.size() + volume->data.deletedCount;
    stats->totalDirEntries = std::max<nuint32>(65536, saturate32(used * 2));
    stats->availableDirEntries = stats->totalDirEntries - saturate32(used);
    stats->sectorsPerBlock = static_cast<nuint8>(volume->blocks.sectorsPerBlock);
    stats->isRemovable = volume->removable ? 1 : 0;
    stats->volumeNumber = volume->number;
    std::memcpy(stats->volumeName, volume->name.data(),
                std::min(volume->name.size(), sizeof stats->volumeName - 1));
    return SUCCESSFUL;
}

NWCCODE SimClient::GetExtendedVolumeInfo(NWCONN_HANDLE conn, nuint16 volNum, nuint16 level,
                                         EXTENDED_VOLUME_INFO* info) {
    WsConnection* connection = volumeCaller(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    if (info == nullptr)
        return NWE_PARAM_INVALID;
    const Volume* volume = mountedVolume(*connection->server, volNum);
    if (volume == nullptr)
        return VOLUME_DOES_NOT_EXIST;
    if (level != 1)
        return NWE_INFO_LEVEL_INVALID;
    *info = EXTENDED_VOLUME_INFO{};
    info->sectorSize = 512;
    info->sectorsPerBlock = volume->blocks.sectorsPerBlock;
    blockFigures(*volume, info->totalBlocks, info->freeBlocks);
    info->badSectors = volume->blocks.badSectors;
    info->deletedFiles = saturate32(volume->data.deletedCount);
    return SUCCESSFUL;
}

NWCCODE SimClient::GetVolumeNameSpaces(NWCONN_HANDLE conn, nuint16 volNum, nuint8* count,
                                       nuint8* list) {
    WsConnection* connection = volumeCaller(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    if (count == nullptr || list == nullptr)
        return NWE_PARAM_INVALID;
    const Volume* volume = mountedVolume(*connection->server, volNum);
    if (volume == nullptr)
        return VOLUME_DOES_NOT_EXIST;
    std::memset(list, 0, NW_MAX_NAME_SPACE_LIST);
    nuint8 n = 0;
    for (unsigned space = 0; space < 32 && n < NW_MAX_NAME_SPACE_LIST; ++space) {
        if (volume->hasNameSpace(space))
            list[n++] = static_cast<nuint8>(space);
    }
    *count = n;
    return SUCCESSFUL;
}

NWCCODE SimClient::MountVolume(NWCONN_HANDLE conn, const char* volName, nuint16* volNum) {
    WsConnection* connection = volumeCaller(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    if (volName == nullptr || volNum == nullptr)
        return NWE_PARAM_INVALID;
    if (!connection->consoleOperator)
        return NO_CONSOLE_PRIVILEGES;
    Volume* volume = connection->server->volumeNamed(upperAscii(volName));
    if (volume == nullptr)
        return VOLUME_DOES_NOT_EXIST;
    volume->mounted = true;
    *volNum = volume->number;
    return SUCCESSFUL;
}

NWCCODE SimClient::DismountVolume(NWCONN_HANDLE conn, nuint16 volNum) {
    WsConnection* connection = volumeCaller(conn);
    if (connection == nullptr)
        return INVALID_CONNECTION;
    if (!connection->consoleOperator)
        return NO_CONSOLE_PRIVILEGES;
    Volume* volume = mountedVolume(*connection->server, volNum);
    if (volume == nullptr)
        return VOLUME_DOES_NOT_EXIST;
    volume->mounted = false;
    for (auto& [handle, file] : services_->files) {
        if (file.volume == volume)
            file.dead = true;
    }
    return SUCCESSFUL;
}

}  // namespace nw::sim
