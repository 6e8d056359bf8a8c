#include "formatlib/flash/volume_records.h"

#include "formatlib/flash/boot_loader.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/fat_boot_sector_layout.h"

#include <algorithm>
#include <string_view>

namespace pradvik {
namespace {

namespace bpb = win::bpb;

namespace table = win::partition_table;

constexpr std::size_t kPartitionEntry = table::kFirstEntry;

void PutChs(Sector& sector, std::size_t offset, const Chs& chs) {
  sector[offset] = chs.head;
  sector[offset + 1] = static_cast<std::uint8_t>((chs.sector & 0x3F) | ((chs.cylinder >> 2) & 0xC0));
  sector[offset + 2] = static_cast<std::uint8_t>(chs.cylinder & 0xFF);
}

void PutSignature(Sector& sector) { win::WriteLe16(sector, bpb::kSignatureAt, bpb::kSignature); }

}  // namespace

Sector BuildMasterBootRecord(const MediaGeometry& geometry, bool bootCode) {
  Sector sector{};
  if (bootCode) {
    const auto loader = BootLoaderTemplate();
    std::copy(loader.begin(), loader.end(), sector.begin());
  }
  sector[kPartitionEntry + table::kStatus] = 0x80;
  PutChs(sector, kPartitionEntry + table::kFirstChs, geometry.partitionStart);
  sector[kPartitionEntry + table::kType] = geometry.partitionType;
  PutChs(sector, kPartitionEntry + table::kLastChs, geometry.partitionEnd);
  win::WriteLe32(sector, kPartitionEntry + table::kFirstSector, geometry.hiddenSectors);
  win::WriteLe32(sector, kPartitionEntry + table::kSectorCount, geometry.totalSectors);
  PutSignature(sector);
  return sector;
}

Sector BuildBootRecord(const MediaGeometry& geometry, bool extendedSignature) {
  Sector sector{};
  sector[bpb::kJumpBoot] = 0xE9;
  std::fill_n(sector.begin() + bpb::kOemName, 8, ' ');
  win::WriteLe16(sector, bpb::kBytesPerSector, 512);
  sector[bpb::kSectorsPerCluster] = geometry.sectorsPerCluster;
  win::WriteLe16(sector, bpb::kReservedSectors, 1);
  sector[bpb::kFatCount] = 2;
  win::WriteLe16(sector, bpb::kRootEntryCount, geometry.rootEntries);
  const bool small = geometry.totalSectors < 65536;
  win::WriteLe16(sector, bpb::kTotalSectors16, small ? static_cast<std::uint16_t>(geometry.totalSectors) : 0);
  sector[bpb::kMedia] = 0xF8;
  win::WriteLe16(sector, bpb::kSectorsPerFat16, geometry.sectorsPerFat);
  win::WriteLe16(sector, bpb::kSectorsPerTrack, geometry.sectorsPerTrack);
  win::WriteLe16(sector, bpb::kHeads, geometry.heads);
  win::WriteLe32(sector, bpb::kHiddenSectors, geometry.hiddenSectors);
  win::WriteLe32(sector, bpb::kTotalSectors32, small ? 0 : geometry.totalSectors);
  if (extendedSignature) sector[bpb::kExtendedFat16 + bpb::kExtBootSignature] = bpb::kSignatureWithLabel;
  // An empty label is blanks: zero bytes there are not a valid label to the FAT checkers.
  constexpr std::string_view kLabel = "NO NAME    ";
  std::copy(kLabel.begin(), kLabel.end(), sector.begin() + bpb::kExtendedFat16 + bpb::kExtVolumeLabel);
  const std::string_view type = geometry.IsFat16() ? "FAT16   " : "FAT12   ";
  std::copy(type.begin(), type.end(), sector.begin() + bpb::kExtendedFat16 + bpb::kExtFileSystemType);
  PutSignature(sector);
  return sector;
}

Sector BuildFirstFatSector(const MediaGeometry& geometry) {
  Sector sector{};
  sector[0] = 0xF8;
  sector[1] = 0xFF;
  sector[2] = 0xFF;
  if (geometry.IsFat16()) sector[3] = 0xFF;
  return sector;
}

}  // namespace pradvik
