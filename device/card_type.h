// What card sits in a reader now: its kind, geometry and write protection (GetCardType), and
// whether a raw flash card answers the reader while the standard commands cannot read it.
#pragma once

#include "device/device_entry.h"
#include "platform/win/system/types.h"

namespace tarnlok {

// Rewrites the entry's device kind, reader kind, product text, bytes per sector and total
// sectors, and answers the SmartMedia media size code (1 to 8), the Memory Stick size in
// megabytes, or the capacity in decimal megabytes; 0 when the reader reports no card or an
// error. handle: the volume handle on Windows 2000 and XP, the card driver's handle otherwise.
win::DWORD GetCardType(win::HANDLE handle, DeviceEntry* entry, win::DWORD* blocksOrSectors,
                       win::DWORD* pagesOrSectorsPerTrack, win::BYTE* writeProtected, win::DWORD* bytesPerPage);

// Raw flash cards only: sets MediaPresent from the reader's status where the card cannot be read.
void CheckMediaPresent(win::HANDLE handle, const DeviceEntry* entry);

}  // namespace tarnlok
