// How large the card in a reader is and how it is organised: a media size code with pages per
// block and block count for SmartMedia and Memory Stick cards, a sector count, sector size and
// size in units of 1,000,000 bytes for the others.
#pragma once

#include "device/device_entry.h"
#include "platform/win/system/types.h"

namespace tarnlok {

// 1 on success. Rewrites the entry's device kind from the reader's status, sets writeProtected
// (never clears it) and, where the capacity came from the disk geometry, UsePlainSectorIo.
// sizeOrCode, sectorsOrBlocks and sectorsPerBlock must be given. For plain cards
// sectorsOrBlocks is the card's sector count (the last sector included).
int GetMediaCapacity(win::HANDLE handle, DeviceEntry* entry, win::DWORD* sizeOrCode, win::DWORD* sectorsOrBlocks,
                     win::DWORD* sectorsPerBlock, win::BYTE* writeProtected, win::DWORD* bytesPerSector);

}  // namespace tarnlok
