// The arithmetic every FAT formatter of the library shares: how many clusters a layout holds,
// how large its FATs must be, which FAT width the system reads it with, and the layouts whose
// data area starts on an alignment unit. The system decides the FAT width by the cluster count
// alone (below 4085 FAT12, below 65525 FAT16, else FAT32), so the formatters fit their layouts
// to that rule.
#pragma once

#include <cstdint>

namespace pradvik {

constexpr std::uint32_t kMostFat12Clusters = 4084;
constexpr std::uint32_t kMostFat16Clusters = 65524;
constexpr std::uint32_t kFat16RootEntries = 512;

struct FatLayout {
  std::uint32_t partitionStart = 0;  // the hidden sectors: where the boot record lies
  std::uint32_t volumeSectors = 0;  // sectors of the volume from its boot record on
  std::uint16_t reservedSectors = 1;
  std::uint16_t rootEntries = kFat16RootEntries;
  std::uint8_t sectorsPerCluster = 1;
  std::uint32_t sectorsPerFat = 0;
  std::uint8_t fatBits = 12;
};

std::uint32_t RootDirectorySectors(std::uint32_t rootEntries);
std::uint32_t RootDirectorySectors(const FatLayout& layout);
// Reserved sectors, both FATs and the root directory.
std::uint32_t SystemSectors(const FatLayout& layout);
// Clusters of the data area; 0 when the system area fills the volume.
std::uint32_t ClusterCount(const FatLayout& layout);
// The FAT width the system reads a volume of that many clusters with.
std::uint8_t FatBitsFor(std::uint32_t clusters);
// Sectors of one FAT that holds the two reserved entries and one per cluster.
std::uint32_t FatSectorsFor(std::uint32_t clusters, std::uint8_t fatBits);
// True when the system reads the layout as written: the width fits the cluster count and the
// FAT holds every cluster.
bool IsSoundFatLayout(const FatLayout& layout);

// A FAT12/16 layout whose FATs were sized from an estimate: the FATs grow until they hold every
// cluster, the width follows the cluster count, and clusters double while FAT16 cannot count
// them. Where no width fits (a count just above the
// FAT12 limit that drops below the FAT16 minimum once the wider FAT is paid for) the volume
// loses the few sectors that keep it FAT12.
void FitFat16Layout(FatLayout& layout);

// The partition start that puts the data area behind `systemSectors` on a multiple of
// `boundUnit`, at least one unit in.
std::uint32_t AlignedPartitionStart(std::uint32_t systemSectors, std::uint32_t boundUnit);

// The layout of a card of `cardSectors` whose data area starts on `boundUnit`: the first FAT
// size is estimated from the whole card, the partition start aligns the data area behind it,
// and the FAT is sized again from the clusters that remain (the start moving with it).
FatLayout AlignedFatLayout(std::uint32_t cardSectors, std::uint8_t sectorsPerCluster, std::uint32_t boundUnit,
                           std::uint8_t fatBits, std::uint16_t reservedSectors, std::uint16_t rootEntries);

// AlignedFatLayout for FAT12/16 made sound: the width follows the cluster count and a FAT16
// layout with too many clusters takes clusters twice as large.
FatLayout SoundAlignedFat16Layout(std::uint32_t cardSectors, std::uint8_t sectorsPerCluster, std::uint32_t boundUnit,
                                  std::uint8_t fatBits);

// The track-aligned layout of a bootable card: the volume starts one track in and its FAT is
// first sized from the clusters of the whole volume (two bytes an entry above 4080 of them, else
// one and a half), then made sound as FitFat16Layout does.
FatLayout TrackAlignedFat16Layout(std::uint32_t cardSectors, std::uint32_t trackSectors,
                                  std::uint8_t sectorsPerCluster);

}  // namespace pradvik
