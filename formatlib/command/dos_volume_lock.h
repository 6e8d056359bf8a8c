// The DOS volume lock of Windows 9x (INT 21h function 440Dh, lock and unlock logical volume,
// category 08h, which every Windows 9x knows) through "\\.\vwin32": level 0, no permissions,
// the lock a format takes before it writes the card's sectors.
#pragma once

#include "platform/win/system/types.h"

#include <cstdint>

namespace pradvik {

// Locks (or unlocks) drive driveIndex (0 for A:); true when vwin32 took the call and DOS
// answered with the carry clear.
bool LockDosVolume(win::HANDLE vwin32, std::uint8_t driveIndex, bool lock);

}  // namespace pradvik
