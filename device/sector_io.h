// Whole 512-byte sectors between a card and memory without a command of our own: ReadFile and
// WriteFile on the volume or physical-drive handle (NT family), the vwin32 absolute disk read
// and write on Windows 9x.
#pragma once

#include "platform/win/layouts/ata_registers.h"
#include "platform/win/system/types.h"

namespace tarnlok {

// The sector every road to a card counts in: the absolute services', READ(10)'s and the ATA
// task file's.
constexpr win::DWORD kCardSectorBytes = win::kAtaSectorSize;

constexpr win::BYTE kSectorRead = 85;
constexpr win::BYTE kSectorWrite = 128;

struct SectorIoRequest {
  win::HANDLE handle = nullptr;  // NT: volume or drive handle; 9x: the vwin32 handle
  win::DWORD firstSector = 0;
  win::DWORD sectorCount = 0;  // on Windows 9x only its low 16 bits travel
  win::BYTE* buffer = nullptr;  // sectorCount x 512 bytes
  win::BYTE operation = kSectorRead;
};

// 0 when every sector moved, 1 otherwise.
int AbsoluteSectorIo(SectorIoRequest request);

}  // namespace tarnlok
