// Whole 512-byte sector reads and writes through a volume or physical-drive handle (the NT
// family) or through the absolute disk services of "\\.\vwin32" (Windows 9x), for the
// formatters that do not talk to the readers' command set.
#pragma once

#include "platform/win/system/types.h"

#include <cstdint>

namespace pradvik {

constexpr std::uint8_t kTransferRead = 0x55;
constexpr std::uint8_t kTransferWrite = 0x80;
constexpr std::uint32_t kSectorBytes = 512;

struct SectorIoRequest {
  win::HANDLE handle = nullptr;
  std::uint32_t firstSector = 0;
  std::uint32_t sectorCount = 0;
  void* buffer = nullptr;  // sectorCount x 512 bytes
  std::uint8_t operation = kTransferRead;  // kTransferWrite writes, any other value reads
};

// 0 success, 1 failure (no message: the caller reports it). On Windows 9x the drive is the
// state block's drive index (0 for A:).
std::uint32_t TransferSectors(SectorIoRequest request);

}  // namespace pradvik
