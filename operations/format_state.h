// What the last format run left for the format summary: the device kind handed to the format
// library, the media code it reported and the drive letter of the card it formatted.
#pragma once

#include "platform/win/system/types.h"

namespace tarnlok {

// The format export's media code: the SmartMedia ID byte, the Memory Stick page count or the
// card's sector count; 0 before the export answers.
inline win::DWORD FormatStatus = 0;
// The reader kind (18, 24) where the entry has one, else the entry's device kind.
inline win::BYTE FormatDeviceKind = 0;
inline char FormatDriveLetter = 0;

}  // namespace tarnlok
