#include "platform/win/layouts/volume_window.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/fat_boot_sector_layout.h"

#include <algorithm>

namespace win {
namespace {

namespace table = partition_table;

constexpr std::uint8_t kInactive = 0x00;
constexpr std::uint8_t kActive = 0x80;

bool IsPowerOfTwo(std::uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

// A FAT boot sector starts with a jump (EB xx 90 or E9 xx xx) and a BIOS parameter block whose
// sector size and cluster size are powers of two and whose FAT count is 1 or 2. The jump alone
// is not enough: some boot managers' master boot records open with one too.
bool IsBootSector(std::span<const std::uint8_t> sector) {
  const std::uint8_t opcode = ReadU8(sector, bpb::kJumpBoot);
  const bool jump = (opcode == 0xEB && ReadU8(sector, bpb::kJumpBoot + 2) == 0x90) || opcode == 0xE9;
  const std::uint32_t bytesPerSector = ReadLe16(sector, bpb::kBytesPerSector);
  const std::uint8_t sectorsPerCluster = ReadU8(sector, bpb::kSectorsPerCluster);
  const std::uint8_t fats = ReadU8(sector, bpb::kFatCount);
  return jump && IsPowerOfTwo(bytesPerSector) && bytesPerSector >= 512 && bytesPerSector <= 4096 &&
         IsPowerOfTwo(sectorsPerCluster) && (fats == 1 || fats == 2) && ReadLe16(sector, bpb::kReservedSectors) != 0;
}

}  // namespace

VolumeWindow FindVolumeWindow(std::span<const std::uint8_t> sector0, std::uint64_t cardSectors) {
  const VolumeWindow wholeCard{0, cardSectors, 0, false};
  if (sector0.size() < bpb::kSectorSize || ReadLe16(sector0, bpb::kSignatureAt) != bpb::kSignature) return wholeCard;
  if (IsBootSector(sector0)) return wholeCard;
  for (std::size_t i = 0; i < table::kEntries; ++i) {
    const std::size_t entry = table::EntryOffset(i);
    const std::uint8_t boot = ReadU8(sector0, entry + table::kStatus);
    const std::uint8_t type = ReadU8(sector0, entry + table::kType);
    const std::uint64_t start = ReadLe32(sector0, entry + table::kFirstSector);
    const std::uint64_t count = ReadLe32(sector0, entry + table::kSectorCount);
    if ((boot != kInactive && boot != kActive) || type == 0 || start == 0 || count == 0 || start >= cardSectors) {
      continue;
    }
    return VolumeWindow{start, std::min(count, cardSectors - start), type, true};
  }
  return wholeCard;
}

}  // namespace win
