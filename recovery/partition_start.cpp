#include "recovery/partition_start.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/fat_boot_sector_layout.h"

#include <algorithm>
#include <array>

namespace recovery {
namespace {

namespace bpb = win::bpb;
namespace table = win::partition_table;

constexpr std::uint8_t kInactive = 0x00;
constexpr std::uint8_t kActive = 0x80;
// FAT12, FAT16 below and above 32 MB, FAT32 (CHS and LBA), FAT16 LBA.
constexpr std::array<std::uint8_t, 6> kFatTypes = {0x01, 0x04, 0x06, 0x0B, 0x0C, 0x0E};

// A boot sector opens with a jump (EB xx 90 or E9 xx xx); a master boot record with its code.
bool OpensWithJump(std::span<const std::uint8_t> sector) {
  return (win::ReadU8(sector, bpb::kJumpBoot) == 0xEB && win::ReadU8(sector, bpb::kJumpBoot + 2) == 0x90) ||
         win::ReadU8(sector, bpb::kJumpBoot) == 0xE9;
}

}  // namespace

std::uint64_t PartitionedVolumeStart(std::span<const std::uint8_t> sector0, std::uint64_t cardSectors) {
  if (sector0.size() < bpb::kSectorSize || win::ReadLe16(sector0, bpb::kSignatureAt) != bpb::kSignature ||
      OpensWithJump(sector0))
    return 0;
  for (std::size_t i = 0; i < table::kEntries; ++i) {
    const std::size_t entry = table::EntryOffset(i);
    const std::uint8_t status = win::ReadU8(sector0, entry + table::kStatus);
    const std::uint8_t type = win::ReadU8(sector0, entry + table::kType);
    const std::uint32_t start = win::ReadLe32(sector0, entry + table::kFirstSector);
    if ((status != kInactive && status != kActive) ||
        std::find(kFatTypes.begin(), kFatTypes.end(), type) == kFatTypes.end() || start == 0 || start >= cardSectors)
      continue;
    return start;
  }
  return 0;
}

}  // namespace recovery
