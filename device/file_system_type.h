// The file system of a card from its first sector, or from the boot sector of the first
// partition when the first sector is a master boot record.
#pragma once

#include "device/device_entry.h"
#include "platform/win/system/types.h"

namespace tarnlok {

constexpr win::BYTE kFat12 = 1;
constexpr win::BYTE kFat16 = 2;
constexpr win::BYTE kFat32 = 3;

// 1 when a FAT volume was found. byteCount is read per sector command (at most 512, the size of
// sector0 and bootSector). A sector without the boot signature asks whether to copy the card
// as it is; Yes sets notFormatted. sector0IsMbr, volumeStart and fileSystem are set as found.
int GetFileSystemType(win::HANDLE handle, const DeviceEntry* entry, win::DWORD byteCount, win::BYTE* notFormatted,
                      win::BYTE* sector0, win::BYTE* sector0IsMbr, win::BYTE* bootSector, win::DWORD* volumeStart,
                      win::BYTE* fileSystem);

}  // namespace tarnlok
