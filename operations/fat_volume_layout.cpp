#include "operations/fat_volume_layout.h"

#include "platform/win/layouts/byte_order.h"

#include <algorithm>

namespace tarnlok {
namespace {

constexpr std::size_t kBootBytesPerSector = 11;
constexpr std::size_t kBootSectorsPerCluster = 13;
constexpr std::size_t kBootReservedSectors = 14;
constexpr std::size_t kBootFatCount = 16;
constexpr std::size_t kBootRootEntries = 17;
constexpr win::DWORD kDirectoryEntryBytes = 32;

// The FAT standard's limits: a volume's type is decided by its cluster count alone.
constexpr win::DWORD kMaxFat12Clusters = 4084;
constexpr win::DWORD kMaxFat16Clusters = 65524;
constexpr win::DWORD kMaxFat32Clusters = 0x0FFFFFF4;

win::DWORD MaxClusters(int fatBits) {
  switch (fatBits) {
    case 12: return kMaxFat12Clusters;
    case 16: return kMaxFat16Clusters;
    default: return kMaxFat32Clusters;
  }
}

win::ULONGLONG FatBytes(int fatBits, win::ULONGLONG entries) {
  switch (fatBits) {
    case 12: return (entries * 3 + 1) / 2;
    case 16: return entries * 2;
    default: return entries * 4;
  }
}

win::DWORD SectorsFor(win::ULONGLONG bytes, win::DWORD bytesPerSector) {
  return static_cast<win::DWORD>((bytes + bytesPerSector - 1) / bytesPerSector);
}

// The volume's fields laid over totalSectors as FAT type fatBits, with the smallest FAT (at
// least minimumFat sectors) that holds an entry for every cluster that FAT leaves room for.
FatLayout LayoutFor(const FatLayout& volume, int fatBits, win::DWORD totalSectors, win::DWORD minimumFat) {
  FatLayout layout = volume;
  layout.fatBits = fatBits;
  layout.totalSectors = totalSectors;
  win::DWORD fatSectors = std::max<win::DWORD>(minimumFat, 1);
  for (;;) {
    const win::ULONGLONG system =
        win::ULONGLONG{volume.reservedSectors} + win::ULONGLONG{volume.fatCount} * fatSectors + volume.rootSectors;
    const win::ULONGLONG clusters = system < totalSectors ? (totalSectors - system) / volume.sectorsPerCluster : 0;
    const win::DWORD needed = SectorsFor(FatBytes(fatBits, clusters + 2), volume.bytesPerSector);
    if (needed <= fatSectors) {
      layout.fatSectors = fatSectors;
      layout.clusterCount = static_cast<win::DWORD>(clusters);
      return layout;
    }
    // One sector at a time: jumping to what the first guess needed can overshoot the smallest
    // FAT, as a larger FAT leaves fewer clusters.
    ++fatSectors;
  }
}

// The largest volume of type fatBits with the volume's cluster size: exactly its type's most clusters.
FatLayout LargestLayout(const FatLayout& volume, int fatBits) {
  const win::DWORD clusters = MaxClusters(fatBits);
  const win::DWORD fatSectors = SectorsFor(FatBytes(fatBits, win::ULONGLONG{clusters} + 2), volume.bytesPerSector);
  const win::ULONGLONG total = win::ULONGLONG{volume.reservedSectors} + win::ULONGLONG{volume.fatCount} * fatSectors +
                               volume.rootSectors + win::ULONGLONG{clusters} * volume.sectorsPerCluster;
  return LayoutFor(volume, fatBits, static_cast<win::DWORD>(std::min<win::ULONGLONG>(total, 0xFFFFFFFF)), fatSectors);
}

bool IsPowerOfTwo(win::DWORD value) { return value != 0 && (value & (value - 1)) == 0; }

}  // namespace

std::optional<FatLayout> ReadFatLayout(std::span<const win::BYTE> bootSector, int fatBits,
                                       win::DWORD expectedBytesPerSector) {
  if (bootSector.size() < 512 || (fatBits != 12 && fatBits != 16 && fatBits != 32)) return std::nullopt;
  FatLayout layout;
  layout.fatBits = fatBits;
  layout.bytesPerSector = win::ReadLe16(bootSector, kBootBytesPerSector);
  layout.sectorsPerCluster = win::ReadU8(bootSector, kBootSectorsPerCluster);
  layout.reservedSectors = win::ReadLe16(bootSector, kBootReservedSectors);
  layout.fatCount = win::ReadU8(bootSector, kBootFatCount);
  layout.rootEntries = fatBits == 32 ? 0 : win::ReadLe16(bootSector, kBootRootEntries);
  layout.fatSectors =
      fatBits == 32 ? win::ReadLe32(bootSector, kBootFatSize32) : win::ReadLe16(bootSector, kBootFatSize16);
  const win::DWORD total16 = win::ReadLe16(bootSector, kBootTotalSectors16);
  layout.totalSectors = total16 != 0 ? total16 : win::ReadLe32(bootSector, kBootTotalSectors32);
  if (layout.bytesPerSector != expectedBytesPerSector || !IsPowerOfTwo(layout.bytesPerSector) ||
      !IsPowerOfTwo(layout.sectorsPerCluster) || layout.sectorsPerCluster > 128 || layout.reservedSectors == 0 ||
      layout.fatCount == 0 || layout.fatSectors == 0)
    return std::nullopt;
  layout.rootSectors = SectorsFor(win::ULONGLONG{layout.rootEntries} * kDirectoryEntryBytes, layout.bytesPerSector);
  const win::ULONGLONG system =
      win::ULONGLONG{layout.reservedSectors} + win::ULONGLONG{layout.fatCount} * layout.fatSectors + layout.rootSectors;
  if (system >= layout.totalSectors) return std::nullopt;
  // Clusters the FAT has no entry for cannot be used, whatever the sector count says.
  const win::ULONGLONG fatEntries = win::ULONGLONG{layout.fatSectors} * layout.bytesPerSector * 8 / fatBits;
  const win::ULONGLONG clusters = (layout.totalSectors - system) / layout.sectorsPerCluster;
  layout.clusterCount = static_cast<win::DWORD>(std::min(clusters, fatEntries > 2 ? fatEntries - 2 : 0));
  if (layout.clusterCount == 0) return std::nullopt;
  return layout;
}

FatLayout GrowFatLayout(const FatLayout& volume, win::DWORD newTotalSectors) {
  if (newTotalSectors <= volume.totalSectors) return volume;
  FatLayout grown = LayoutFor(volume, volume.fatBits, newTotalSectors, volume.fatSectors);
  if (grown.fatBits == 12 && grown.clusterCount > kMaxFat12Clusters) {
    const FatLayout asFat16 = LayoutFor(volume, 16, newTotalSectors, volume.fatSectors);
    // A FAT16 FAT this large can leave fewer clusters than FAT16 may have: the volume then
    // stays FAT12 at that type's largest size.
    grown = asFat16.clusterCount > kMaxFat12Clusters ? asFat16 : LargestLayout(volume, 12);
  }
  if (grown.clusterCount > MaxClusters(grown.fatBits)) grown = LargestLayout(volume, grown.fatBits);
  return grown.totalSectors > volume.totalSectors ? grown : volume;
}

void ApplyLayoutToBootSector(const FatLayout& grown, std::span<win::BYTE> bootSector) {
  if (grown.fatBits == 32) {
    win::WriteLe16(bootSector, kBootTotalSectors16, 0);
    win::WriteLe32(bootSector, kBootTotalSectors32, grown.totalSectors);
    win::WriteLe32(bootSector, kBootFatSize32, grown.fatSectors);
    return;
  }
  const bool fitsSixteenBits = grown.totalSectors <= 0xFFFF;
  win::WriteLe16(bootSector, kBootTotalSectors16, fitsSixteenBits ? static_cast<win::WORD>(grown.totalSectors) : 0);
  win::WriteLe32(bootSector, kBootTotalSectors32, fitsSixteenBits ? 0 : grown.totalSectors);
  win::WriteLe16(bootSector, kBootFatSize16, static_cast<win::WORD>(grown.fatSectors));
  // "FAT12   " becomes "FAT16   "; the text is informative only, the cluster count decides.
  if (grown.fatBits == 16 && win::ReadU8(bootSector, kBootFat16TypeText + 4) == '2') {
    win::WriteU8(bootSector, kBootFat16TypeText + 4, '6');
  }
}

}  // namespace tarnlok
