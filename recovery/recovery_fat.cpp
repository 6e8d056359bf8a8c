#include "recovery/recovery_fat.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/fat_boot_sector_layout.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace recovery {

namespace {

namespace bpb = win::bpb;

FileSystem FindFileSystemText(std::span<const std::uint8_t> sector) {
  static constexpr std::pair<std::string_view, FileSystem> kTexts[] = {{"FAT12", FileSystem::Fat12},
                                                                       {"FAT16", FileSystem::Fat16},
                                                                       {"FAT32", FileSystem::Fat32},
                                                                       {"NTFS", FileSystem::Ntfs}};
  const std::string_view bytes(reinterpret_cast<const char*>(sector.data()), sector.size());
  for (std::size_t start = 0; start < 100 && start < bytes.size(); ++start) {
    // The text that begins at start, up to its NUL.
    const std::string_view text = bytes.substr(start, bytes.find('\0', start) - start);
    for (const auto& [name, system] : kTexts)
      if (text.find(name) != std::string_view::npos) return system;
  }
  return FileSystem::None;
}

}  // namespace

std::uint32_t BootFacts::RootDirectorySectors() const {
  return bytesPerSector == 0 ? 0 : (rootEntries * 32 + bytesPerSector - 1) / bytesPerSector;
}

std::uint64_t BootFacts::ClusterSector(std::uint32_t cluster) const {
  return firstDataSector + std::uint64_t{cluster - 2} * sectorsPerCluster;
}

BootFacts ReadBootSector(std::span<const std::uint8_t> sector, std::uint32_t volumeSectors) {
  BootFacts facts;
  if (sector.size() < 512) return facts;
  facts.fileSystem = FindFileSystemText(sector);
  facts.bootSignature = win::ReadLe16(sector, bpb::kSignatureAt) == bpb::kSignature;
  if (facts.fileSystem == FileSystem::None || facts.fileSystem == FileSystem::Ntfs) return facts;
  const std::uint32_t bps = win::ReadLe16(sector, bpb::kBytesPerSector);
  facts.bytesPerSector = bps >= 512 && bps % 512 == 0 ? bps : 512;
  facts.sectorsPerCluster = win::ReadU8(sector, bpb::kSectorsPerCluster);
  facts.reservedSectors = win::ReadLe16(sector, bpb::kReservedSectors);
  facts.numberOfFats = win::ReadU8(sector, bpb::kFatCount);
  facts.rootEntries = win::ReadLe16(sector, bpb::kRootEntryCount);
  const bool fat32 = facts.fileSystem == FileSystem::Fat32;
  facts.sectorsPerFat =
      fat32 ? win::ReadLe32(sector, bpb::kSectorsPerFat32) : win::ReadLe16(sector, bpb::kSectorsPerFat16);
  facts.rootCluster = fat32 ? win::ReadLe32(sector, bpb::kRootCluster) : 0;
  facts.totalSectors = win::ReadLe32(sector, bpb::kTotalSectors32);
  if (facts.totalSectors == 0) facts.totalSectors = win::ReadLe16(sector, bpb::kTotalSectors16);
  // The boot sector's word is no larger than the card: every count taken from it (clusters, the
  // FAT copy, the walk's end) stays inside what the card holds.
  if (facts.totalSectors == 0 || (volumeSectors != 0 && facts.totalSectors > volumeSectors))
    facts.totalSectors = volumeSectors;
  if (fat32) facts.rootEntries = 0;
  const std::uint64_t firstData = std::uint64_t{facts.reservedSectors} +
                                  std::uint64_t{facts.numberOfFats} * facts.sectorsPerFat +
                                  facts.RootDirectorySectors();
  // Clusters are counted from where the data area begins, never from a base that includes the
  // sectors before the volume, and a geometry that leaves no data area counts none.
  if (facts.sectorsPerCluster == 0 || firstData >= facts.totalSectors) {
    facts.clusterCount = 0;
    return facts;
  }
  facts.firstDataSector = static_cast<std::uint32_t>(firstData);
  facts.clusterCount = static_cast<std::uint32_t>((facts.totalSectors - firstData) / facts.sectorsPerCluster);
  return facts;
}

FatTable::FatTable(FileSystem fileSystem, std::span<const std::uint8_t> fat, std::uint32_t clusterCount) {
  const std::size_t wanted = std::size_t{clusterCount} + 2;
  entries_.assign(wanted, 0);
  for (std::size_t c = 0; c < wanted; ++c) {
    switch (fileSystem) {
      case FileSystem::Fat12: {
        const std::size_t at = c + c / 2;
        if (at + 2 > fat.size()) return;
        const std::uint32_t pair = fat[at] | std::uint32_t{fat[at + 1]} << 8;
        entries_[c] = (c & 1) ? pair >> 4 : pair & 0x0FFF;
        break;
      }
      case FileSystem::Fat16:
        if (2 * c + 2 > fat.size()) return;
        entries_[c] = win::ReadLe16(fat, 2 * c);
        break;
      default:
        if (4 * c + 4 > fat.size()) return;
        entries_[c] = win::ReadLe32(fat, 4 * c) & 0x0FFFFFFF;
        break;
    }
  }
}

}  // namespace recovery
