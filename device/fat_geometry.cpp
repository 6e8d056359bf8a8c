#include "device/fat_geometry.h"

#include "platform/win/layouts/byte_order.h"

namespace tarnlok {
namespace {

// BIOS parameter block fields.
constexpr std::size_t kSectorsPerCluster = 13;
constexpr std::size_t kReservedSectors = 14;
constexpr std::size_t kFatCount = 16;
constexpr std::size_t kRootEntries = 17;
constexpr std::size_t kSectorsPerFat16 = 22;
constexpr std::size_t kSectorsPerFat32 = 36;
constexpr win::DWORD kDirectoryEntryBytes = 32;
constexpr win::DWORD kStandardSectorSize = 512;

}  // namespace

win::DWORD FatClusterToSector(win::DWORD cluster, win::DWORD bytesPerSector, BootSector bpb, win::DWORD volumeStart) {
  const win::DWORD sectorSize = bytesPerSector != 0 ? bytesPerSector : kStandardSectorSize;
  const win::DWORD clusterIndex = static_cast<win::WORD>(cluster) - 2U;
  return clusterIndex * win::ReadU8(bpb, kSectorsPerCluster) +
         win::DWORD{win::ReadLe16(bpb, kSectorsPerFat16)} * win::ReadU8(bpb, kFatCount) +
         win::DWORD{win::ReadLe16(bpb, kRootEntries)} * kDirectoryEntryBytes / sectorSize +
         win::ReadLe16(bpb, kReservedSectors) + volumeStart;
}

win::DWORD Fat32ClusterToSector(win::DWORD cluster, BootSector bpb, win::DWORD volumeStart) {
  const win::BYTE fats = win::ReadU8(bpb, kFatCount);
  return volumeStart + (cluster - 2) * win::ReadU8(bpb, kSectorsPerCluster) + win::ReadLe16(bpb, kReservedSectors) +
         win::ReadLe32(bpb, kSectorsPerFat32) * (fats != 0 ? fats : 1U);
}

win::DWORD SwapBigEndian32(win::DWORD value) {
  return ((value & 0xFF) << 24) | ((value & 0xFF00) << 8) | ((value >> 8) & 0xFF00) | (value >> 24);
}

win::DWORD SwapBigEndian16(win::DWORD value) { return ((value & 0xFF) << 8) | ((value >> 8) & 0xFF); }

win::ULONGLONG SwapBigEndian64(win::DWORD high, win::DWORD low) {
  return (win::ULONGLONG{SwapBigEndian32(high)} << 32) | SwapBigEndian32(low);
}

}  // namespace tarnlok
