#include "platform/machine/fat/fat_boot_sector.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/fat_boot_sector_layout.h"

#include <array>
#include <bit>
#include <optional>

namespace machine {
namespace {

namespace bpb = win::bpb;

// The FAT standard's thresholds: fewer than 4085 clusters is FAT12, fewer than 65525 FAT16.
constexpr std::uint32_t kMaxFat12Clusters = 4084;
constexpr std::uint32_t kMaxFat16Clusters = 65524;
// FAT32 cluster numbers are 28 bits and 0x0FFFFFF7 upwards are reserved values.
constexpr std::uint32_t kMaxFat32Clusters = 0x0FFFFFF5;
// ExtFlags bit 7 set means only the FAT numbered in bits 0-3 is active.
constexpr std::uint32_t kExtFlagsNoMirror = 0x80;
constexpr std::uint32_t kExtFlagsActiveMask = 0x0F;

using Sector = std::span<const std::uint8_t>;

// A jump instruction opens every boot sector: a short jump (EB xx) or a near jump (E9 xx xx).
bool HasJump(Sector s) { return win::ReadU8(s, bpb::kJumpBoot) == 0xEB || win::ReadU8(s, bpb::kJumpBoot) == 0xE9; }

// Media descriptors are 0xF0 and 0xF8 to 0xFF.
bool ValidMedia(std::uint8_t media) { return media == 0xF0 || media >= 0xF8; }

// The bytes a FAT needs for the entries of clusters 0 .. count + 1 (FAT12 packs 1.5 bytes each).
std::uint64_t FatBytesNeeded(FatType type, std::uint32_t clusterCount) {
  const std::uint64_t entries = std::uint64_t{clusterCount} + 2;
  switch (type) {
    case FatType::Fat12: return (entries * 3 + 1) / 2;
    case FatType::Fat16: return entries * 2;
    case FatType::Fat32: return entries * 4;
  }
  return 0;
}

FatType TypeOfClusterCount(std::uint32_t count) {
  if (count <= kMaxFat12Clusters) return FatType::Fat12;
  if (count <= kMaxFat16Clusters) return FatType::Fat16;
  return FatType::Fat32;
}

// The fields every type shares; nullopt when one is out of the range the standard allows.
std::optional<FatGeometry> ParseCommon(Sector s) {
  FatGeometry g;
  if (!HasJump(s) || win::ReadLe16(s, bpb::kBytesPerSector) != SectorDevice::kSectorSize) return std::nullopt;
  g.sectorsPerCluster = win::ReadU8(s, bpb::kSectorsPerCluster);
  // Cluster sizes are powers of two from 1 to 128 sectors.
  if (g.sectorsPerCluster == 0 || !std::has_single_bit(g.sectorsPerCluster)) return std::nullopt;
  g.reservedSectors = win::ReadLe16(s, bpb::kReservedSectors);
  g.fatCount = win::ReadU8(s, bpb::kFatCount);
  g.media = win::ReadU8(s, bpb::kMedia);
  // The boot sector itself is reserved; a volume has at least one FAT.
  if (g.reservedSectors == 0 || g.fatCount == 0 || !ValidMedia(g.media)) return std::nullopt;
  g.rootEntryCount = win::ReadLe16(s, bpb::kRootEntryCount);
  // The 16-bit total is used when it is non-zero, otherwise the 32-bit one.
  g.totalSectors = win::ReadLe16(s, bpb::kTotalSectors16) != 0 ? win::ReadLe16(s, bpb::kTotalSectors16)
                                                               : win::ReadLe32(s, bpb::kTotalSectors32);
  // A zero 16-bit FAT size marks the FAT32 layout.
  g.sectorsPerFat = win::ReadLe16(s, bpb::kSectorsPerFat16) != 0 ? win::ReadLe16(s, bpb::kSectorsPerFat16)
                                                                 : win::ReadLe32(s, bpb::kSectorsPerFat32);
  if (g.sectorsPerFat == 0 || g.totalSectors == 0) return std::nullopt;
  return g;
}

void ReadExtendedRecord(Sector s, std::size_t at, FatGeometry& g) {
  const std::uint8_t signature = win::ReadU8(s, at + bpb::kExtBootSignature);
  if (signature != bpb::kSignatureWithLabel && signature != bpb::kSignatureSerialOnly) return;
  g.serial = win::ReadLe32(s, at + bpb::kExtVolumeId);
  if (signature == bpb::kSignatureWithLabel && win::FieldFits(s.size(), at + bpb::kExtVolumeLabel, bpb::kLabelLength)) {
    g.label = TrimLabel(s.subspan(at + bpb::kExtVolumeLabel, bpb::kLabelLength));
  }
}

// Places the regions and counts the clusters; false when they do not fit the volume.
bool Layout(Sector s, FatGeometry& g) {
  const bool fat32Layout = win::ReadLe16(s, bpb::kSectorsPerFat16) == 0;
  // Each root entry takes 32 bytes; the region is rounded up to whole sectors.
  g.rootDirSectors = (g.rootEntryCount * 32 + SectorDevice::kSectorSize - 1) / SectorDevice::kSectorSize;
  const std::uint64_t metadata =
      std::uint64_t{g.reservedSectors} + std::uint64_t{g.fatCount} * g.sectorsPerFat + g.rootDirSectors;
  if (metadata >= g.totalSectors) return false;
  g.firstRootDirSector = static_cast<std::uint32_t>(metadata - g.rootDirSectors);
  g.firstDataSector = static_cast<std::uint32_t>(metadata);
  g.clusterCount = static_cast<std::uint32_t>((g.totalSectors - metadata) / g.sectorsPerCluster);
  if (g.clusterCount == 0 || g.clusterCount > kMaxFat32Clusters) return false;
  g.type = TypeOfClusterCount(g.clusterCount);
  // The layout fields must agree with the type the cluster count decides.
  if (fat32Layout != (g.type == FatType::Fat32)) return false;
  if (fat32Layout == (g.rootEntryCount != 0)) return false;
  return FatBytesNeeded(g.type, g.clusterCount) <= std::uint64_t{g.sectorsPerFat} * SectorDevice::kSectorSize;
}

bool ParseFat32Fields(Sector s, FatGeometry& g) {
  // Only version 0.0 of the FAT32 layout exists.
  if (win::ReadLe16(s, bpb::kFsVersion) != 0) return false;
  g.rootCluster = win::ReadLe32(s, bpb::kRootCluster);
  if (!g.IsDataCluster(g.rootCluster)) return false;
  const std::uint32_t flags = win::ReadLe16(s, bpb::kExtFlags);
  g.mirrored = (flags & kExtFlagsNoMirror) == 0;
  g.activeFat = g.mirrored ? 0 : flags & kExtFlagsActiveMask;
  if (g.activeFat >= g.fatCount) return false;
  const std::uint32_t fsInfo = win::ReadLe16(s, bpb::kFsInfoSector);
  // FSInfo lives in the reserved region after the boot sector; 0 and 0xFFFF mean none.
  g.fsInfoSector = fsInfo >= 1 && fsInfo < g.reservedSectors ? fsInfo : 0;
  ReadExtendedRecord(s, bpb::kExtendedFat32, g);
  return true;
}

}  // namespace

std::string TrimLabel(std::span<const std::uint8_t> field) {
  std::string label(field.begin(), field.end());
  while (!label.empty() && (label.back() == ' ' || label.back() == '\0')) label.pop_back();
  return label == "NO NAME" ? std::string() : label;
}

IoResult<FatGeometry> ParseBootSector(std::span<const std::uint8_t> sector, std::uint64_t deviceSectors) {
  const IoError unrecognized{win::ERROR_UNRECOGNIZED_VOLUME};
  if (sector.size() < SectorDevice::kSectorSize) return unrecognized;
  auto parsed = ParseCommon(sector);
  if (!parsed || parsed->totalSectors > deviceSectors || !Layout(sector, *parsed)) return unrecognized;
  FatGeometry& g = *parsed;
  if (g.type == FatType::Fat32) {
    if (!ParseFat32Fields(sector, g)) return unrecognized;
  } else {
    ReadExtendedRecord(sector, bpb::kExtendedFat16, g);
  }
  return g;
}

IoResult<FatGeometry> ReadGeometry(SectorDevice& device) {
  std::array<std::uint8_t, SectorDevice::kSectorSize> sector{};
  if (auto read = device.ReadSectors(0, sector); !read) return read.failure();
  return ParseBootSector(sector, device.SectorCount());
}

}  // namespace machine
