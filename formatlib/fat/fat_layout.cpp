#include "formatlib/fat/fat_layout.h"

#include <algorithm>

namespace pradvik {
namespace {

constexpr std::uint32_t kSectorBytes = 512;
constexpr std::uint32_t kDirectoryEntryBytes = 32;
constexpr std::uint8_t kLargestCluster = 128;

std::uint32_t DivideUp(std::uint64_t value, std::uint64_t by) {
  return static_cast<std::uint32_t>((value + by - 1) / by);
}

// Grows the FATs until they hold every cluster; a smaller FAT only frees room for more clusters,
// so the loop ends.
void GrowFats(FatLayout& layout) {
  for (;;) {
    const std::uint32_t needed = FatSectorsFor(ClusterCount(layout), layout.fatBits);
    if (needed <= layout.sectorsPerFat) return;
    layout.sectorsPerFat = needed;
  }
}

}  // namespace

std::uint32_t RootDirectorySectors(std::uint32_t rootEntries) {
  return DivideUp(std::uint64_t{rootEntries} * kDirectoryEntryBytes, kSectorBytes);
}

std::uint32_t RootDirectorySectors(const FatLayout& layout) { return RootDirectorySectors(layout.rootEntries); }

std::uint32_t SystemSectors(const FatLayout& layout) {
  return layout.reservedSectors + 2 * layout.sectorsPerFat + RootDirectorySectors(layout);
}

std::uint32_t ClusterCount(const FatLayout& layout) {
  const std::uint32_t system = SystemSectors(layout);
  if (layout.sectorsPerCluster == 0 || layout.volumeSectors <= system) return 0;
  return (layout.volumeSectors - system) / layout.sectorsPerCluster;
}

std::uint8_t FatBitsFor(std::uint32_t clusters) {
  if (clusters <= kMostFat12Clusters) return 12;
  return clusters <= kMostFat16Clusters ? 16 : 32;
}

std::uint32_t FatSectorsFor(std::uint32_t clusters, std::uint8_t fatBits) {
  return DivideUp((std::uint64_t{clusters} + 2) * fatBits, 8 * kSectorBytes);
}

bool IsSoundFatLayout(const FatLayout& layout) {
  const std::uint32_t clusters = ClusterCount(layout);
  return clusters > 0 && FatBitsFor(clusters) == layout.fatBits &&
         FatSectorsFor(clusters, layout.fatBits) <= layout.sectorsPerFat;
}

void FitFat16Layout(FatLayout& layout) {
  FatLayout wide = layout;
  wide.fatBits = 16;
  GrowFats(wide);
  while (ClusterCount(wide) > kMostFat16Clusters && wide.sectorsPerCluster < kLargestCluster) {
    wide.sectorsPerCluster = static_cast<std::uint8_t>(wide.sectorsPerCluster * 2);
    GrowFats(wide);
  }
  if (ClusterCount(wide) > kMostFat12Clusters) {
    layout = wide;
    return;
  }
  layout.fatBits = 12;
  GrowFats(layout);
  const std::uint32_t clusters = ClusterCount(layout);
  if (clusters > kMostFat12Clusters) {
    layout.volumeSectors -= (clusters - kMostFat12Clusters) * layout.sectorsPerCluster;
  }
}

std::uint32_t AlignedPartitionStart(std::uint32_t systemSectors, std::uint32_t boundUnit) {
  const std::uint32_t units = systemSectors / boundUnit + 1;
  const std::uint32_t start = units * boundUnit - systemSectors;
  return start == boundUnit ? start : start + boundUnit;
}

FatLayout AlignedFatLayout(std::uint32_t cardSectors, std::uint8_t sectorsPerCluster, std::uint32_t boundUnit,
                           std::uint8_t fatBits, std::uint16_t reservedSectors, std::uint16_t rootEntries) {
  FatLayout layout;
  layout.reservedSectors = reservedSectors;
  layout.rootEntries = rootEntries;
  layout.sectorsPerCluster = std::max<std::uint8_t>(sectorsPerCluster, 1);
  layout.fatBits = fatBits;
  layout.sectorsPerFat = DivideUp(std::uint64_t{cardSectors / layout.sectorsPerCluster} * fatBits, 8 * kSectorBytes);
  auto place = [&] {
    layout.partitionStart = AlignedPartitionStart(SystemSectors(layout), boundUnit);
    layout.volumeSectors = cardSectors > layout.partitionStart ? cardSectors - layout.partitionStart : 0;
  };
  place();
  const std::uint32_t resized = FatSectorsFor(ClusterCount(layout), fatBits);
  if (resized == layout.sectorsPerFat) return layout;
  layout.sectorsPerFat = resized;
  place();
  while (FatSectorsFor(ClusterCount(layout), fatBits) > layout.sectorsPerFat) {
    ++layout.sectorsPerFat;
    place();
  }
  return layout;
}

FatLayout SoundAlignedFat16Layout(std::uint32_t cardSectors, std::uint8_t sectorsPerCluster, std::uint32_t boundUnit,
                                  std::uint8_t fatBits) {
  std::uint8_t cluster = std::max<std::uint8_t>(sectorsPerCluster, 1);
  for (;;) {
    FatLayout layout = AlignedFatLayout(cardSectors, cluster, boundUnit, fatBits, 1, kFat16RootEntries);
    if (IsSoundFatLayout(layout)) return layout;
    const std::uint32_t clusters = ClusterCount(layout);
    if (clusters > kMostFat16Clusters && cluster < kLargestCluster) {
      cluster = static_cast<std::uint8_t>(cluster * 2);
      continue;
    }
    FatLayout other = AlignedFatLayout(cardSectors, cluster, boundUnit, fatBits == 12 ? 16 : 12, 1, kFat16RootEntries);
    if (IsSoundFatLayout(other)) return other;
    FitFat16Layout(layout);
    return layout;
  }
}

FatLayout TrackAlignedFat16Layout(std::uint32_t cardSectors, std::uint32_t trackSectors,
                                  std::uint8_t sectorsPerCluster) {
  constexpr std::uint32_t kWideFatAbove = 4080;
  FatLayout layout;
  layout.partitionStart = trackSectors;
  layout.volumeSectors = cardSectors > trackSectors ? cardSectors - trackSectors : 0;
  layout.sectorsPerCluster = std::max<std::uint8_t>(sectorsPerCluster, 1);
  const std::uint32_t clusters = layout.volumeSectors / layout.sectorsPerCluster;
  layout.fatBits = clusters > kWideFatAbove ? 16 : 12;
  const std::uint64_t fatBytes =
      clusters > kWideFatAbove ? std::uint64_t{clusters} * 2 : std::uint64_t{clusters} * 3 / 2;
  layout.sectorsPerFat = DivideUp(fatBytes, kSectorBytes);
  if (!IsSoundFatLayout(layout)) FitFat16Layout(layout);
  return layout;
}

}  // namespace pradvik
