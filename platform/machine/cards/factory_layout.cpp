#include "platform/machine/cards/factory_layout.h"

#include <array>
#include <string>

namespace machine {
namespace {

constexpr std::uint64_t kSmallestCard = 256;
constexpr std::uint64_t kFloppy144Sectors = 2880;
// Volumes up to 16 MB get FAT12 and up to 2 GB FAT16, as the system's formatter decides.
constexpr std::uint64_t kLargestFat12 = 32768;
constexpr std::uint64_t kLargestFat16 = 4194304;
// FAT12 holds fewer than 4085 clusters, FAT16 fewer than 65525: the FAT standard's limits.
constexpr std::uint32_t kFat12Clusters = 4085;
constexpr std::uint32_t kFat16Clusters = 65525;
// A partition starts one track of the 63-sector geometry into the card; FAT32 cards start at
// 4 MB so that clusters lie on the flash's erase blocks.
constexpr std::uint64_t kPartitionStart = 63;
constexpr std::uint64_t kFat32PartitionStart = 8192;
constexpr std::uint32_t kFat32ReservedSectors = 32;
constexpr std::uint32_t kRootEntries = 512;
constexpr std::uint32_t kFloppyRootEntries = 224;
constexpr std::uint32_t kDirEntrySize = 32;
constexpr std::uint8_t kFixedMedia = 0xF8;
constexpr std::uint8_t kRemovableMedia = 0xF0;
constexpr std::uint8_t kTypeFat12 = 0x01;
constexpr std::uint8_t kTypeSmallFat16 = 0x04;  // below 32 MB
constexpr std::uint8_t kTypeFat16 = 0x06;
constexpr std::uint8_t kTypeFat32Lba = 0x0C;
constexpr std::uint64_t kSmallFat16Limit = 65536;

// Sectors per cluster by volume size: the system formatter's FAT16 and FAT32 tables.
struct ClusterStep {
  std::uint64_t upToSectors;
  std::uint32_t sectorsPerCluster;
};
constexpr std::array kFat16ClusterSizes{
    ClusterStep{65536, 1},    ClusterStep{131072, 2},   ClusterStep{262144, 4},      ClusterStep{524288, 8},
    ClusterStep{1048576, 16}, ClusterStep{2097152, 32}, ClusterStep{UINT64_MAX, 64},
};
constexpr std::array kFat32ClusterSizes{
    ClusterStep{16777216, 8},
    ClusterStep{33554432, 16},
    ClusterStep{67108864, 32},
    ClusterStep{UINT64_MAX, 64},
};

template <std::size_t N>
std::uint32_t ClusterSizeFor(const std::array<ClusterStep, N>& table, std::uint64_t sectors) {
  for (const auto& step : table) {
    if (sectors <= step.upToSectors) return step.sectorsPerCluster;
  }
  return table.back().sectorsPerCluster;
}

std::uint32_t RootSectors(const FactoryLayout& layout) {
  return (layout.rootEntries * kDirEntrySize + SectorDevice::kSectorSize - 1) / SectorDevice::kSectorSize;
}

std::uint64_t FatBytes(FatType type, std::uint64_t clusters) {
  const std::uint64_t entries = clusters + 2;  // clusters 0 and 1 are reserved
  switch (type) {
    case FatType::Fat12: return (entries * 3 + 1) / 2;
    case FatType::Fat16: return entries * 2;
    case FatType::Fat32: return entries * 4;
  }
  return entries * 4;
}

std::uint64_t ClustersWith(const FactoryLayout& layout, std::uint64_t sectorsPerFat) {
  const std::uint64_t overhead = layout.reservedSectors + RootSectors(layout) + 2 * sectorsPerFat;
  return layout.volumeSectors > overhead ? (layout.volumeSectors - overhead) / layout.sectorsPerCluster : 0;
}

// The smallest FAT that covers the clusters left beside it.
std::uint32_t SizeFat(const FactoryLayout& layout) {
  std::uint64_t sectors = 1;
  for (;;) {
    const std::uint64_t needed =
        (FatBytes(layout.type, ClustersWith(layout, sectors)) + SectorDevice::kSectorSize - 1) /
        SectorDevice::kSectorSize;
    if (needed <= sectors) return static_cast<std::uint32_t>(sectors);
    sectors = needed;
  }
}

bool ClusterCountFits(const FactoryLayout& layout) {
  const std::uint64_t clusters = ClustersWith(layout, layout.sectorsPerFat);
  switch (layout.type) {
    case FatType::Fat12: return clusters < kFat12Clusters;
    case FatType::Fat16: return clusters < kFat16Clusters;
    case FatType::Fat32: return clusters >= kFat16Clusters;
  }
  return false;
}

FatType TypeFor(std::uint64_t volumeSectors) {
  if (volumeSectors <= kLargestFat12) return FatType::Fat12;
  return volumeSectors <= kLargestFat16 ? FatType::Fat16 : FatType::Fat32;
}

std::uint8_t PartitionTypeOf(const FactoryLayout& layout) {
  if (layout.type == FatType::Fat12) return kTypeFat12;
  if (layout.type == FatType::Fat32) return kTypeFat32Lba;
  return layout.volumeSectors < kSmallFat16Limit ? kTypeSmallFat16 : kTypeFat16;
}

// Cluster size, root and FAT of a volume whose place and type are settled.
void SizeVolume(FactoryLayout& layout) {
  if (layout.type == FatType::Fat32) {
    layout.reservedSectors = kFat32ReservedSectors;
    layout.rootEntries = 0;
    layout.sectorsPerCluster = ClusterSizeFor(kFat32ClusterSizes, layout.volumeSectors);
  } else if (layout.type == FatType::Fat16) {
    layout.sectorsPerCluster = ClusterSizeFor(kFat16ClusterSizes, layout.volumeSectors);
  }
  // Larger clusters until the count suits the type (FAT12 starts from one sector).
  for (;;) {
    layout.sectorsPerFat = SizeFat(layout);
    if (ClusterCountFits(layout) || layout.sectorsPerCluster >= 128) return;
    layout.sectorsPerCluster *= 2;
  }
}

FactoryLayout Floppy144() {
  FactoryLayout layout;
  layout.partitioned = false;
  layout.volumeSectors = kFloppy144Sectors;
  layout.type = FatType::Fat12;
  layout.rootEntries = kFloppyRootEntries;
  layout.media = kRemovableMedia;
  layout.sectorsPerTrack = 18;
  layout.heads = 2;
  SizeVolume(layout);
  return layout;
}

}  // namespace

FactoryLayout FactoryLayoutFor(CardKind kind, std::uint64_t cardSectors) {
  if (cardSectors < kSmallestCard) {
    throw MachineDescriptionError("a card of " + std::to_string(cardSectors) + " sectors is too small to format");
  }
  if (kind == CardKind::Floppy && cardSectors == kFloppy144Sectors) return Floppy144();
  FactoryLayout layout;
  layout.partitioned = kind != CardKind::Floppy;
  layout.type = TypeFor(cardSectors);
  layout.media = layout.partitioned ? kFixedMedia : kRemovableMedia;
  if (layout.partitioned) {
    layout.volumeStart = layout.type == FatType::Fat32 ? kFat32PartitionStart : kPartitionStart;
  }
  layout.volumeSectors = cardSectors - layout.volumeStart;
  layout.type = TypeFor(layout.volumeSectors);
  layout.rootEntries = kRootEntries;
  SizeVolume(layout);
  layout.partitionType = layout.partitioned ? PartitionTypeOf(layout) : 0;
  return layout;
}

}  // namespace machine
