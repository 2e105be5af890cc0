// Volumes: names and numbers, the mount list, statistics, name spaces, mount and dismount.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ncp/calls/records.h"
#include "ncp/io.h"

namespace nw::ncp::call {

struct GetVolumeName {
    static constexpr std::uint8_t function = 22, subfunction = 6;
    static constexpr const char* name = "Get Volume Name";
    struct Request {
        std::uint8_t volume = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.volume);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::string volumeName;  // empty for an unused volume number
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.pstring(m.volumeName);
        }
        bool operator==(const Reply&) const = default;
    };
};

struct GetVolumeNumber {
    static constexpr std::uint8_t function = 22, subfunction = 5;
    static constexpr const char* name = "Get Volume Number";
    struct Request {
        std::string volumeName;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.pstring(m.volumeName);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint8_t volume = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.volume);
        }
        bool operator==(const Reply&) const = default;
    };
};

struct MountedVolume {
    std::uint32_t volume = 0;
    std::string name;  // present when the request's flags ask for names
    bool operator==(const MountedVolume&) const = default;
};

// 22/52: the mounted volumes from a starting number. Request flags bit 0x1 asks for names
// (Nmap sends 1); without it the records hold only numbers.
struct GetMountVolumeList {
    static constexpr std::uint8_t function = 22, subfunction = 52;
    static constexpr const char* name = "Get Mount Volume List";
    static constexpr std::uint32_t kWithNames = 0x1;
    struct Request {
        std::uint32_t startVolume = 0;
        std::uint32_t flags = kWithNames;
        std::uint32_t nameSpace = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.startVolume);
            io.le32(m.flags);
            io.le32(m.nameSpace);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint32_t nextVolume = 0;
        std::vector<MountedVolume> volumes;
        bool withNames = true;  // from the request's flags; not on the wire
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            std::uint32_t n = 0;
            io.countOf(Count::Le32, m.volumes, n);
            io.le32(m.nextVolume);
            const bool names = m.withNames;
            io.elements(m.volumes, n, [names](auto& io2, auto& v) {
                io2.le32(v.volume);
                if (names) {
                    io2.pstring(v.name);
                }
            });
        }
        bool operator==(const Reply&) const = default;
    };
    static void replyContext(const Request& rq, Reply& rp) {
        rp.withNames = (rq.flags & kWithNames) != 0;
    }
};

struct GetVolumePurgeInfo {
    static constexpr std::uint8_t function = 22, subfunction = 44;
    static constexpr const char* name = "Get Volume and Purge Information";
    struct Request {
        std::uint8_t volume = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.volume);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint32_t totalBlocks = 0;
        std::uint32_t freeBlocks = 0;
        std::uint32_t purgeableBlocks = 0;
        std::uint32_t notYetPurgeableBlocks = 0;
        std::uint32_t totalDirEntries = 0;
        std::uint32_t availableDirEntries = 0;
        std::uint8_t sectorsPerBlock = 0;
        std::string volumeName;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.totalBlocks);
            io.le32(m.freeBlocks);
            io.le32(m.purgeableBlocks);
            io.le32(m.notYetPurgeableBlocks);
            io.le32(m.totalDirEntries);
            io.le32(m.availableDirEntries);
            io.zeros(4);
            io.u8(m.sectorsPerBlock);
            io.pstring(m.volumeName);
        }
        bool operator==(const Reply&) const = default;
    };
};

struct GetVolumeInfo {
    static constexpr std::uint8_t function = 23, subfunction = 233;
    static constexpr const char* name = "Get Volume Information";
    struct Request {
        std::uint8_t volume = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.volume);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint32_t systemInterval = 0;
        std::uint8_t volume = 0;
        std::uint8_t logicalDrive = 0;
        std::uint16_t blockSize = 0;
        std::uint16_t startingBlock = 0;
        std::uint16_t totalBlocks = 0;
        std::uint16_t freeBlocks = 0;
        std::uint16_t totalDirEntries = 0;
        std::uint16_t freeDirEntries = 0;
        std::uint16_t maxUsedDirEntries = 0;
        std::uint8_t hashed = 0;
        std::uint8_t cached = 0;
        std::uint8_t removable = 0;
        std::uint8_t mounted = 0;
        std::string volumeName;  // 16 bytes, NUL-padded
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.be32(m.systemInterval);
            io.u8(m.volume);
            io.u8(m.logicalDrive);
            io.le16(m.blockSize);
            io.le16(m.startingBlock);
            io.le16(m.totalBlocks);
            io.le16(m.freeBlocks);
            io.le16(m.totalDirEntries);
            io.le16(m.freeDirEntries);
            io.le16(m.maxUsedDirEntries);
            io.u8(m.hashed);
            io.u8(m.cached);
            io.u8(m.removable);
            io.u8(m.mounted);
            io.text(m.volumeName, 16);
        }
        bool operator==(const Reply&) const = default;
    };
};

struct GetVolumeInfoWithNumber {
    static constexpr std::uint8_t function = 18, subfunction = 0;
    static constexpr const char* name = "Get Volume Info with Number";
    struct Request {
        std::uint8_t volume = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.volume);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint16_t sectorsPerCluster = 0;
        std::uint16_t totalClusters = 0;
        std::uint16_t availableClusters = 0;
        std::uint16_t totalDirSlots = 0;
        std::uint16_t availableDirSlots = 0;
        std::string volumeName;  // 16 bytes, NUL-padded
        std::uint16_t removable = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.be16(m.sectorsPerCluster);
            io.be16(m.totalClusters);
            io.be16(m.availableClusters);
            io.be16(m.totalDirSlots);
            io.be16(m.availableDirSlots);
            io.text(m.volumeName, 16);
            io.be16(m.removable);
        }
        bool operator==(const Reply&) const = default;
    };
};

// 22/51: a LE16 record length (132), the 132-byte record, then the volume name length-prefixed
// (tshark 4.0 decodes the name there and flags a reply without it as malformed).
struct GetExtendedVolumeInfo {
    static constexpr std::uint8_t function = 22, subfunction = 51;
    static constexpr const char* name = "Get Extended Volume Information";
    static constexpr std::uint16_t kRecordSize = 132;
    struct Request {
        std::uint8_t volume = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.volume);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint16_t volumeType = 0;
        std::uint32_t statusFlags = 0;  // 0x80 UTF-8 names, 0x40 64-bit offsets, 0x20 purge, ...
        std::uint32_t sectorSize = 0;
        std::uint32_t sectorsPerCluster = 0;
        std::uint32_t clusters = 0;
        std::uint32_t freedClusters = 0;
        std::uint32_t subAllocFreeableClusters = 0;
        std::uint32_t freeableLimboSectors = 0;
        std::uint32_t nonFreeableLimboSectors = 0;
        std::uint32_t nonFreeableAvailSubAllocSectors = 0;
        std::uint32_t notUsableSubAllocSectors = 0;
        std::uint32_t subAllocClusters = 0;
        std::uint32_t dataStreams = 0;
        std::uint32_t limboDataStreams = 0;
        std::uint32_t oldestDeletedFileAgeTicks = 0;
        std::uint32_t compressedDataStreams = 0;
        std::uint32_t compressedLimboDataStreams = 0;
        std::uint32_t uncompressableDataStreams = 0;
        std::uint32_t precompressedSectors = 0;
        std::uint32_t compressedSectors = 0;
        std::uint32_t migratedFiles = 0;
        std::uint32_t migratedSectors = 0;
        std::uint32_t clustersUsedByFat = 0;
        std::uint32_t clustersUsedByDirectories = 0;
        std::uint32_t clustersUsedByExtendedDirs = 0;
        std::uint32_t totalDirEntries = 0;
        std::uint32_t unusedDirEntries = 0;
        std::uint32_t totalExtendedDirExtents = 0;
        std::uint32_t unusedExtendedDirExtents = 0;
        std::uint32_t extendedAttributesDefined = 0;
        std::uint32_t extendedAttributeExtentsUsed = 0;
        std::uint32_t directoryServicesObjectId = 0;
        std::uint32_t lastModified = 0;
        std::string volumeName;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            std::uint16_t length = kRecordSize;
            io.le16(length);
            if (length < kRecordSize) {
                io.fail();
            }
            io.le16(m.volumeType);
            io.zeros(2);
            for (auto* v : {&m.statusFlags,
                            &m.sectorSize,
                            &m.sectorsPerCluster,
                            &m.clusters,
                            &m.freedClusters,
                            &m.subAllocFreeableClusters,
                            &m.freeableLimboSectors,
                            &m.nonFreeableLimboSectors,
                            &m.nonFreeableAvailSubAllocSectors,
                            &m.notUsableSubAllocSectors,
                            &m.subAllocClusters,
                            &m.dataStreams,
                            &m.limboDataStreams,
                            &m.oldestDeletedFileAgeTicks,
                            &m.compressedDataStreams,
                            &m.compressedLimboDataStreams,
                            &m.uncompressableDataStreams,
                            &m.precompressedSectors,
                            &m.compressedSectors,
                            &m.migratedFiles,
                            &m.migratedSectors,
                            &m.clustersUsedByFat,
                            &m.clustersUsedByDirectories,
                            &m.clustersUsedByExtendedDirs,
                            &m.totalDirEntries,
                            &m.unusedDirEntries,
                            &m.totalExtendedDirExtents,
                            &m.unusedExtendedDirExtents,
                            &m.extendedAttributesDefined,
                            &m.extendedAttributeExtentsUsed,
                            &m.directoryServicesObjectId,
                            &m.lastModified}) {
                io.le32(*v);
            }
            io.pstring(m.volumeName);
        }
        bool operator==(const Reply&) const = default;
    };
};

struct GetNameSpacesLoaded {
    static constexpr std::uint8_t function = 87, subfunction = 24;
    static constexpr const char* name = "Get Name Spaces Loaded List from Volume Number";
    struct Request {
        std::uint8_t volume = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.zeros(2);
            io.u8(m.volume);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::vector<std::uint8_t> nameSpaces;  // 0 DOS, 4 LONG, ...
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.list(Count::Le16, m.nameSpaces, [](auto& io2, auto& ns) { io2.u8(ns); });
        }
        bool operator==(const Reply&) const = default;
    };
};

// 131/3 and 131/4 (remote console RPC): 20 reserved bytes, then the volume name NUL-terminated.
struct VolumeByName {
    std::string volumeName;
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.zeros(20);
        io.cstring(m.volumeName);
    }
    bool operator==(const VolumeByName&) const = default;
};

struct MountVolume {
    static constexpr std::uint8_t function = 131, subfunction = 3;
    static constexpr const char* name = "RPC Mount Volume";
    using Request = VolumeByName;
    struct Reply {
        std::uint32_t rpcResult = 0;
        std::uint32_t volume = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.rpcResult);
            io.zeros(16);
            io.le32(m.volume);
        }
        bool operator==(const Reply&) const = default;
    };
};

struct DismountVolume {
    static constexpr std::uint8_t function = 131, subfunction = 4;
    static constexpr const char* name = "RPC Dismount Volume";
    using Request = VolumeByName;
    struct Reply {
        std::uint32_t rpcResult = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.rpcResult);
        }
        bool operator==(const Reply&) const = default;
    };
};

}  // namespace nw::ncp::call
