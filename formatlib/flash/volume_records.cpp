#include "formatlib/flash/volume_records.h"

#include "formatlib/flash/boot_loader.h"

#include "platform/win/layouts/byte_order.h"

#include <algorithm>
#include <string_view>

namespace pradvik {
namespace {

constexpr std::size_t kPartitionEntry = 446;

void PutChs(Sector& sector, std::size_t offset, const Chs& chs) {
  sector[offset] = chs.head;
  sector[offset + 1] = static_cast<std::uint8_t>((chs.sector & 0x3F) | ((chs.cylinder >> 2) & 0xC0));
  sector[offset + 2] = static_cast<std::uint8_t>(chs.cylinder & 0xFF);
}

void PutSignature(Sector& sector) {
  sector[510] = 0x55;
  sector[511] = 0xAA;
}

}  // namespace

Sector BuildMasterBootRecord(const MediaGeometry& geometry, bool bootCode) {
  Sector sector{};
  if (bootCode) {
    const auto loader = BootLoaderTemplate();
    std::copy(loader.begin(), loader.end(), sector.begin());
  }
  sector[kPartitionEntry] = 0x80;
  PutChs(sector, kPartitionEntry + 1, geometry.partitionStart);
  sector[kPartitionEntry + 4] = geometry.partitionType;
  PutChs(sector, kPartitionEntry + 5, geometry.partitionEnd);
  win::WriteLe32(sector, kPartitionEntry + 8, geometry.hiddenSectors);
  win::WriteLe32(sector, kPartitionEntry + 12, geometry.totalSectors);
  PutSignature(sector);
  return sector;
}

Sector BuildBootRecord(const MediaGeometry& geometry, bool extendedSignature) {
  Sector sector{};
  sector[0] = 0xE9;
  std::fill_n(sector.begin() + 3, 8, ' ');
  win::WriteLe16(sector, 11, 512);
  sector[13] = geometry.sectorsPerCluster;
  win::WriteLe16(sector, 14, 1);
  sector[16] = 2;
  win::WriteLe16(sector, 17, geometry.rootEntries);
  const bool small = geometry.totalSectors < 65536;
  win::WriteLe16(sector, 19, small ? static_cast<std::uint16_t>(geometry.totalSectors) : 0);
  sector[21] = 0xF8;
  win::WriteLe16(sector, 22, geometry.sectorsPerFat);
  win::WriteLe16(sector, 24, geometry.sectorsPerTrack);
  win::WriteLe16(sector, 26, geometry.heads);
  win::WriteLe32(sector, 28, geometry.hiddenSectors);
  win::WriteLe32(sector, 32, small ? 0 : geometry.totalSectors);
  if (extendedSignature) sector[38] = 0x29;
  // An empty label is blanks: zero bytes there are not a valid label to the FAT checkers.
  constexpr std::string_view kLabel = "NO NAME    ";
  std::copy(kLabel.begin(), kLabel.end(), sector.begin() + 43);
  const std::string_view type = geometry.IsFat16() ? "FAT16   " : "FAT12   ";
  std::copy(type.begin(), type.end(), sector.begin() + 54);
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
