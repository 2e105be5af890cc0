// Volume control operations: volume numbers, figures, name spaces, mounting.
#include <sys/statvfs.h>

#include <algorithm>
#include <cstring>

#include "model.h"
#include "servermodel.h"
#include "services.h"

namespace nw::sim {

namespace {

nuint32 saturate32(std::uint64_t value) {
    return static_cast<nuint32>(std::min<std::uint64_t>(value, 0xFFFFFFFF));
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

Volume* ServerModel::mountedVolume(const Server& server, nuint32 number) {
    Volume* volume =
        number < server.volumeByNumber.size() ? server.volumeByNumber[number] : nullptr;
    return volume != nullptr && volume->mounted ? volume : nullptr;
}

NWCCODE ServerModel::volumeStats(const Server& server, nuint16 volNum, VOLUME_STATS& figures) {
    VOLUME_STATS* stats = &figures;
    const Volume* volume = mountedVolume(server, volNum);
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

NWCCODE ServerModel::extendedVolumeInfo(const Server& server, nuint16 volNum,
                                        EXTENDED_VOLUME_INFO& figures) {
    EXTENDED_VOLUME_INFO* info = &figures;
    const Volume* volume = mountedVolume(server, volNum);
    if (volume == nullptr)
        return VOLUME_DOES_NOT_EXIST;
    *info = EXTENDED_VOLUME_INFO{};
    info->sectorSize = 512;
    info->sectorsPerBlock = volume->blocks.sectorsPerBlock;
    blockFigures(*volume, info->totalBlocks, info->freeBlocks);
    info->badSectors = volume->blocks.badSectors;
    info->deletedFiles = saturate32(volume->data.deletedCount);
    return SUCCESSFUL;
}

NWCCODE ServerModel::volumeNameSpaces(const Server& server, nuint16 volNum, nuint8& total,
                                      nuint8* list) {
    nuint8* count = &total;
    const Volume* volume = mountedVolume(server, volNum);
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

NWCCODE ServerModel::mountVolume(const Caller& who, std::string_view name, nuint16& volNum) {
    if (!who.consoleOperator)
        return NO_CONSOLE_PRIVILEGES;
    Volume* volume = who.server->volumeNamed(upperAscii(name));
    if (volume == nullptr)
        return VOLUME_DOES_NOT_EXIST;
    volume->mounted = true;
    volNum = volume->number;
    return SUCCESSFUL;
}

NWCCODE ServerModel::dismountVolume(const Caller& who, nuint16 volNum) {
    if (!who.consoleOperator)
        return NO_CONSOLE_PRIVILEGES;
    Volume* volume = mountedVolume(*who.server, volNum);
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
