// The used clusters of a FAT volume as a used-space backup stores them: every non-zero entry of
// the first FAT that names a cluster of the volume, in FAT order, with the byte offset of its
// entry in the FAT. Entries 0 and 1 (media byte and flags) and those past the volume's last
// cluster (a FAT's last sector holds more entries than the volume has clusters, and formatters
// leave stray values there) name no cluster and are passed over.
#pragma once

#include "platform/win/system/types.h"

#include <functional>
#include <span>

namespace tarnlok {

struct UsedClusterVolume {
  win::BYTE fileSystem = 0;  // 1 FAT12, 2 FAT16, 3 FAT32
  win::DWORD bytesPerSector = 0;
  win::DWORD fatSectors = 0;  // sectors of one FAT
  win::DWORD lastCluster = 0;
};

// The walk's view of a volume from its boot sector; a boot sector that describes no volume
// leaves the walk to end with the FAT's own size, at the latest at FAT32's highest cluster.
UsedClusterVolume UsedClusterVolumeOf(std::span<const win::BYTE, 512> bootSector, win::BYTE fileSystem,
                                      win::DWORD bytesPerSector);

// Bytes of the buffer the walk reads the FAT into: the whole FAT on FAT12 (its entries straddle
// sectors), one sector otherwise.
std::size_t UsedClusterBufferBytes(const UsedClusterVolume& volume);

// Reads count FAT sectors, counted from the FAT's first, into buffer; false ends the walk.
using FatSectorReader = std::function<bool(win::DWORD first, win::DWORD count, std::span<win::BYTE> buffer)>;
// One used cluster; false ends the walk.
using UsedClusterVisit = std::function<bool(win::DWORD fatOffset, win::DWORD entryValue)>;

// False when the reader or the visit ended the walk. buffer holds UsedClusterBufferBytes.
bool WalkUsedClusters(const UsedClusterVolume& volume, std::span<win::BYTE> buffer, const FatSectorReader& read,
                      const UsedClusterVisit& visit);

}  // namespace tarnlok
