#include "platform/machine/fat/fat_partition.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/fat_boot_sector_layout.h"
#include "platform/machine/fat/fat_boot_sector.h"

#include <algorithm>
#include <array>

namespace machine {
namespace {

namespace bpb = win::bpb;
namespace table = win::partition_table;

// A status byte is 0x00 (inactive) or 0x80 (bootable); anything else is no partition table.
constexpr std::uint8_t kBootable = 0x80;
// FAT12, FAT16 under 32 MB, FAT16, FAT32 (CHS), FAT32 (LBA), FAT16 (LBA).
constexpr std::array<std::uint8_t, 6> kFatTypes{0x01, 0x04, 0x06, 0x0B, 0x0C, 0x0E};

using Sector = std::array<std::uint8_t, SectorDevice::kSectorSize>;

bool HoldsFat(SectorDevice& card, std::uint64_t first, std::uint64_t count) {
  Sector boot{};
  if (!card.ReadSectors(first, boot)) return false;
  return ParseBootSector(boot, count).ok();
}

}  // namespace

IoResult<VolumeExtent> FindFatVolume(SectorDevice& card) {
  Sector first{};
  if (auto read = card.ReadSectors(0, first); !read) return read.failure();
  const std::uint64_t total = card.SectorCount();
  if (ParseBootSector(first, total)) return VolumeExtent{0, total};
  const IoError none{win::ERROR_UNRECOGNIZED_VOLUME};
  if (win::ReadLe16(first, bpb::kSignatureAt) != bpb::kSignature) return none;
  for (std::size_t i = 0; i < table::kEntries; ++i) {
    const std::size_t at = table::kFirstEntry + i * table::kEntrySize;
    const std::uint8_t status = win::ReadU8(first, at + table::kStatus);
    if (status != 0 && status != kBootable) return none;
    const std::uint8_t type = win::ReadU8(first, at + table::kType);
    if (std::find(kFatTypes.begin(), kFatTypes.end(), type) == kFatTypes.end()) continue;
    const std::uint64_t start = win::ReadLe32(first, at + table::kFirstSector);
    const std::uint64_t count = win::ReadLe32(first, at + table::kSectorCount);
    if (start == 0 || start >= total || count == 0 || count > total - start) continue;
    if (HoldsFat(card, start, count)) return VolumeExtent{start, count};
  }
  return none;
}

}  // namespace machine
