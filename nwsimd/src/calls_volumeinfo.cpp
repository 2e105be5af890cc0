// Volume figures and the console's volume actions: 22/44 and 23/233 (space and entries), 22/51
// (extended information), 87/24 (name spaces loaded), 131/3 and 131/4 (mount and dismount, for
// console operators only).
//
// 22/51 carries the two figures of the client interface's level 1 that have no field of their
// own in the record: the unusable sectors go in the "not usable sub-allocation sectors" field and
// the deleted files kept for salvage in "limbo data streams".
#include <algorithm>

#include "handlers.h"
#include "wirerecords.h"

namespace nw::nwsimd {

namespace {

using namespace ncp;

std::uint16_t saturate16(std::uint32_t value) {
    return static_cast<std::uint16_t>(std::min<std::uint32_t>(value, 0xFFFF));
}

// A mounted volume's number from its name (131/4 names the volume).
NWCCODE volumeNumberOf(Session& s, const std::string& name, nuint16& number) {
    const sim::Volume* volume = s.server().volumeNamed(sim::upperAscii(name));
    if (volume == nullptr || !volume->mounted)
        return VOLUME_DOES_NOT_EXIST;
    number = volume->number;
    return SUCCESSFUL;
}

}  // namespace

void addVolumeInfoCalls(CallDispatcher& d) {
    d.on<call::GetVolumePurgeInfo>([](Session& s, const auto& rq, auto& rp) {
        VOLUME_STATS stats;
        if (NWCCODE rc = s.model().volumeStats(s.server(), rq.volume, stats); rc != SUCCESSFUL)
            return completionOf(rc);
        rp.totalBlocks = stats.totalBlocks;
        rp.freeBlocks = stats.freeBlocks;
        rp.purgeableBlocks = stats.purgeableBlocks;
        rp.notYetPurgeableBlocks = stats.notYetPurgeableBlocks;
        rp.totalDirEntries = stats.totalDirEntries;
        rp.availableDirEntries = stats.availableDirEntries;
        rp.sectorsPerBlock = stats.sectorsPerBlock;
        rp.volumeName = stats.volumeName;
        return completion::kOk;
    });
    d.on<call::GetVolumeInfo>([](Session& s, const auto& rq, auto& rp) {
        VOLUME_STATS stats;
        if (NWCCODE rc = s.model().volumeStats(s.server(), rq.volume, stats); rc != SUCCESSFUL)
            return completionOf(rc);
        rp.volume = rq.volume;
        rp.blockSize = saturate16(std::uint32_t{stats.sectorsPerBlock} * 512);
        rp.totalBlocks = saturate16(stats.totalBlocks);
        rp.freeBlocks = saturate16(stats.freeBlocks);
        rp.totalDirEntries = saturate16(stats.totalDirEntries);
        rp.freeDirEntries = saturate16(stats.availableDirEntries);
        rp.removable = stats.isRemovable != 0 ? 1 : 0;
        rp.mounted = 1;
        rp.volumeName = stats.volumeName;
        return completion::kOk;
    });
    d.on<call::GetExtendedVolumeInfo>([](Session& s, const auto& rq, auto& rp) {
        EXTENDED_VOLUME_INFO info;
        NWCCODE rc = s.model().extendedVolumeInfo(s.server(), rq.volume, info);
        if (rc != SUCCESSFUL)
            return completionOf(rc);
        rp.sectorSize = info.sectorSize;
        rp.sectorsPerCluster = info.sectorsPerBlock;
        rp.clusters = info.totalBlocks;
        rp.freedClusters = info.freeBlocks;
        rp.notUsableSubAllocSectors = info.badSectors;
        rp.limboDataStreams = info.deletedFiles;
        const sim::Volume* volume = sim::ServerModel::mountedVolume(s.server(), rq.volume);
        rp.volumeName = volume != nullptr ? volume->name : std::string();
        return completion::kOk;
    });
    d.on<call::GetNameSpacesLoaded>([](Session& s, const auto& rq, auto& rp) {
        nuint8 count = 0;
        std::array<nuint8, NW_MAX_NAME_SPACE_LIST> list{};
        NWCCODE rc = s.model().volumeNameSpaces(s.server(), rq.volume, count, list.data());
        if (rc != SUCCESSFUL)
            return completionOf(rc);
        rp.nameSpaces.assign(list.begin(),
                             list.begin() + std::min<std::size_t>(count, list.size()));
        return completion::kOk;
    });

    d.on<call::MountVolume>([](Session& s, const auto& rq, auto& rp) {
        nuint16 number = 0;
        if (NWCCODE rc = s.model().mountVolume(s.caller(), rq.volumeName, number); rc != SUCCESSFUL)
            return completionOf(rc);
        rp.volume = number;
        return completion::kOk;
    });
    d.on<call::DismountVolume>([](Session& s, const auto& rq, auto&) {
        if (!s.caller().consoleOperator)
            return completionOf(NO_CONSOLE_PRIVILEGES);
        nuint16 number = 0;
        NWCCODE rc = volumeNumberOf(s, rq.volumeName, number);
        if (rc == SUCCESSFUL)
            rc = s.model().dismountVolume(s.caller(), number);
        return completionOf(rc);
    });
}

}  // namespace nw::nwsimd
