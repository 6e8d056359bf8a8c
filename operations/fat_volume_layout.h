// The layout of a FAT volume as its boot sector describes it, and the layout of the same volume
// grown onto more sectors: the FAT type follows the cluster count (FAT12 below 4085 clusters,
// FAT16 below 65525), the FAT is sized for the entries it must hold, and a volume that would
// need more clusters than its type can address grows only as far as that type reaches.
#pragma once

#include "platform/win/system/types.h"

#include <optional>
#include <span>

namespace tarnlok {

struct FatLayout {
  int fatBits = 0;  // 12, 16 or 32
  win::DWORD bytesPerSector = 0;
  win::DWORD sectorsPerCluster = 0;
  win::DWORD reservedSectors = 0;
  win::DWORD fatCount = 0;
  win::DWORD rootEntries = 0;
  win::DWORD rootSectors = 0;  // whole sectors the root entries need (0 on FAT32)
  win::DWORD fatSectors = 0;  // sectors of one FAT copy
  win::DWORD totalSectors = 0;
  win::DWORD clusterCount = 0;  // data clusters, numbered from 2

  win::DWORD FirstFatSector() const { return reservedSectors; }
  win::DWORD RootSector() const { return reservedSectors + fatCount * fatSectors; }
  win::DWORD FirstDataSector() const { return RootSector() + rootSectors; }
  // First sector of a data cluster (2 up to clusterCount + 1), counted from the volume's start.
  win::DWORD ClusterSector(win::DWORD cluster) const { return FirstDataSector() + (cluster - 2) * sectorsPerCluster; }
  win::DWORD LastCluster() const { return clusterCount + 1; }
};

// Boot sector fields the restore rewrites or consults.
constexpr std::size_t kBootTotalSectors16 = 19;
constexpr std::size_t kBootMedia = 21;
constexpr std::size_t kBootFatSize16 = 22;
constexpr std::size_t kBootTotalSectors32 = 32;
constexpr std::size_t kBootFatSize32 = 36;
constexpr std::size_t kBootFsInfoSector = 48;
constexpr std::size_t kBootBackupSector = 50;
constexpr std::size_t kBootFat16TypeText = 54;

// The layout of a boot sector of the given FAT type (12, 16 or 32); nullopt when its fields
// cannot describe a volume (zero or oversized cluster, no FAT, a system area larger than the
// volume, a sector size other than expectedBytesPerSector).
std::optional<FatLayout> ReadFatLayout(std::span<const win::BYTE> bootSector, int fatBits,
                                       win::DWORD expectedBytesPerSector);

// The layout of the volume spread over newTotalSectors with the same cluster size, reserved
// area, FAT count and root directory. A FAT12 volume becomes FAT16 when its clusters no longer
// fit FAT12; FAT16 stays FAT16 and FAT32 stays FAT32. The result never has fewer sectors than
// the volume had.
FatLayout GrowFatLayout(const FatLayout& volume, win::DWORD newTotalSectors);

// Writes the grown layout's sector counts, FAT size and (for a FAT12 volume become FAT16) type
// text into a copy of the volume's boot sector.
void ApplyLayoutToBootSector(const FatLayout& grown, std::span<win::BYTE> bootSector);

}  // namespace tarnlok
