// The size of a Windows 9x drive's disk from its geometry: DOS Get Device Parameters sent
// through "\\.\vwin32", answered also while the volume is locked and not limited to the file
// system's data clusters.
#pragma once

#include "platform/win/system/types.h"

#include <optional>

namespace tarnlok {

// Cylinders x heads x sectors per track of the disk in the drive of that letter, in sectors of
// 512 bytes; nullopt when the drive does not answer or has sectors of another size.
std::optional<win::DWORD> DiskSectors9x(win::HANDLE vwin32, char driveLetter);

}  // namespace tarnlok
