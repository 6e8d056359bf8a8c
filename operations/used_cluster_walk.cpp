#include "operations/used_cluster_walk.h"

#include "device/file_system_type.h"
#include "operations/fat_volume_layout.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/fat_boot_sector_layout.h"

#include <algorithm>

namespace tarnlok {
namespace {

constexpr win::DWORD kHighestFat32Cluster = 0x0FFFFFFF;

}  // namespace

UsedClusterVolume UsedClusterVolumeOf(std::span<const win::BYTE, 512> bootSector, win::BYTE fileSystem,
                                      win::DWORD bytesPerSector) {
  // Without a layout the walk still ends at the highest cluster number FAT32 can hold, so that
  // an entry's offset never passes 32 bits, whatever size the card's FAT claims.
  UsedClusterVolume volume{fileSystem, bytesPerSector, 0, kHighestFat32Cluster};
  volume.fatSectors = fileSystem == kFat32 ? win::ReadLe32(bootSector, win::bpb::kSectorsPerFat32)
                                           : win::ReadLe16(bootSector, win::bpb::kSectorsPerFat16);
  const int fatBits = fileSystem == kFat12 ? 12 : fileSystem == kFat16 ? 16 : 32;
  if (const auto layout = ReadFatLayout(bootSector, fatBits, bytesPerSector))
    volume.lastCluster = layout->LastCluster();
  return volume;
}

std::size_t UsedClusterBufferBytes(const UsedClusterVolume& volume) {
  const std::size_t sectors = volume.fileSystem == kFat12 ? std::max<win::DWORD>(volume.fatSectors, 1) : 1;
  return sectors * volume.bytesPerSector;
}

bool WalkUsedClusters(const UsedClusterVolume& volume, std::span<win::BYTE> buffer, const FatSectorReader& read,
                      const UsedClusterVisit& visit) {
  const win::DWORD bytesPerSector = volume.bytesPerSector;
  if (volume.fileSystem == kFat12) {
    if (!read(0, volume.fatSectors, buffer)) return false;
    for (win::DWORD cluster = 2; cluster <= volume.lastCluster && win::FieldFits(buffer.size(), cluster * 3 / 2, 2);
         ++cluster) {
      const win::DWORD offset = cluster * 3 / 2;
      const win::WORD word = win::ReadLe16(buffer, offset);
      const win::DWORD value = cluster % 2 == 0 ? (word & 0xFFFu) : (word >> 4u);
      if (value != 0 && !visit(offset, value)) return false;
    }
    return true;
  }
  const win::DWORD entryBytes = volume.fileSystem == kFat16 ? 2 : 4;
  const auto sector = buffer.first(bytesPerSector);
  for (win::DWORD index = 0;
       index < volume.fatSectors && win::ULONGLONG{index} * bytesPerSector / entryBytes <= volume.lastCluster;
       ++index) {
    std::fill(sector.begin(), sector.end(), 0);
    if (!read(index, 1, sector)) return false;
    // Entries 0 and 1 hold the media byte and flags, not clusters.
    for (win::DWORD position = index == 0 ? 2 * entryBytes : 0; position + entryBytes <= bytesPerSector;
         position += entryBytes) {
      const win::DWORD offset = index * bytesPerSector + position;
      if (offset / entryBytes > volume.lastCluster) break;
      const win::DWORD value = entryBytes == 2 ? win::ReadLe16(sector, position) : win::ReadLe32(sector, position);
      if (value != 0 && !visit(offset, value)) return false;
    }
  }
  return true;
}

}  // namespace tarnlok
