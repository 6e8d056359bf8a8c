#include "platform/machine/partition_table.h"

#include "platform/win/byte_order.h"

#include <algorithm>

namespace machine {
namespace {

constexpr std::size_t kSectorBytes = 512;
constexpr std::size_t kSignature = 510;
constexpr std::size_t kFirstEntry = 446;
constexpr std::size_t kEntrySize = 16;
constexpr std::size_t kEntries = 4;
constexpr std::size_t kEntryBoot = 0;
constexpr std::size_t kEntryType = 4;
constexpr std::size_t kEntryStart = 8;
constexpr std::size_t kEntryCount = 12;
constexpr std::uint8_t kInactive = 0x00;
constexpr std::uint8_t kActive = 0x80;

bool IsPowerOfTwo(std::uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

// A FAT boot sector starts with a jump (EB xx 90 or E9 xx xx) and a BIOS parameter block whose
// sector size and cluster size are powers of two and whose FAT count is 1 or 2.
bool IsBootSector(std::span<const std::uint8_t> sector) {
  const bool jump = (sector[0] == 0xEB && sector[2] == 0x90) || sector[0] == 0xE9;
  const std::uint32_t bytesPerSector = win::ReadLe16(sector, 11);
  const std::uint8_t sectorsPerCluster = sector[13];
  const std::uint8_t fats = sector[16];
  return jump && IsPowerOfTwo(bytesPerSector) && bytesPerSector >= 512 && bytesPerSector <= 4096 &&
         IsPowerOfTwo(sectorsPerCluster) && (fats == 1 || fats == 2) && win::ReadLe16(sector, 14) != 0;
}

}  // namespace

VolumeWindow FindVolumeWindow(std::span<const std::uint8_t> sector0, std::uint64_t cardSectors) {
  const VolumeWindow wholeCard{0, cardSectors, 0, false};
  if (sector0.size() < kSectorBytes || win::ReadLe16(sector0, kSignature) != 0xAA55) return wholeCard;
  if (IsBootSector(sector0)) return wholeCard;
  for (std::size_t i = 0; i < kEntries; ++i) {
    const std::size_t entry = kFirstEntry + i * kEntrySize;
    const std::uint8_t boot = sector0[entry + kEntryBoot];
    const std::uint8_t type = sector0[entry + kEntryType];
    const std::uint64_t start = win::ReadLe32(sector0, entry + kEntryStart);
    const std::uint64_t count = win::ReadLe32(sector0, entry + kEntryCount);
    if ((boot != kInactive && boot != kActive) || type == 0 || start == 0 || count == 0 || start >= cardSectors) {
      continue;
    }
    return VolumeWindow{start, std::min(count, cardSectors - start), type, true};
  }
  return wholeCard;
}

}  // namespace machine
