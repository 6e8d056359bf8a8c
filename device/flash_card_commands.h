// The raw flash writes a restore and a duplicate send to SmartMedia and Memory Stick cards:
// the readers' vendor commands in the command-first form through SCSI pass-through (or ASPI),
// or in the ATA register form on IDE and PCMCIA readers, where a write is a set-up command
// followed by the data as WRITE(10) at LBA 0 (Windows 2000 and XP) or WRITE SECTORS.
#pragma once

#include "device/device_entry.h"
#include "platform/win/system/types.h"

#include <span>

namespace tarnlok {

struct FlashCard {
  win::HANDLE handle = win::INVALID_HANDLE_VALUE;
  const DeviceEntry* entry = nullptr;
  win::DWORD pagesPerBlock = 0;
  win::DWORD mediaSizeCode = 0;
  // CardOnIdeBus or CardOnPcmciaBus: the ATA register form.
  bool ataRoad = false;
};

constexpr win::BYTE kEraseUsedBlock = 0x40;

// Memory Stick, by physical block (the reads are card_reads.h's).
bool EraseMemoryStickBlock(const FlashCard& card, win::DWORD block, win::WORD logical, win::BYTE flag);
bool WriteMemoryStickBlock(const FlashCard& card, win::DWORD block, win::WORD logical, std::span<const win::BYTE> data);

// SmartMedia, by the block's first page.
bool EraseSmartMediaBlock(const FlashCard& card, win::DWORD firstPage);
// infoBlock: the block of the card information structure (address 0).
bool WriteSmartMediaBlock(const FlashCard& card, win::DWORD firstPage, win::WORD logical, bool infoBlock,
                          std::span<const win::BYTE> data);
bool MarkSmartMediaBlockBad(const FlashCard& card, win::DWORD firstPage);

}  // namespace tarnlok
