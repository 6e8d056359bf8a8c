// Taking a card's volume away from the system (and locking the raw flash readers' firmware)
// before raw reads and writes, giving both back afterwards, and the write test before a format
// or a write.
#pragma once

#include "device/device_entry.h"
#include "platform/win/system/types.h"

#include <string>

namespace tarnlok {

// lock 1 takes, 0 gives back. Each lock's state stands in its byte (each may be null); giving
// back touches only the locks that are set. Always 1.
int LockMediaVolume(win::HANDLE handle, win::HANDLE vwin32Handle, const DeviceEntry* entry, int lock,
                    win::BYTE* volumeLocked, win::BYTE* secondLock, win::BYTE* readerLocked);

// Windows 9x DOS volume lock of drive (1 = A:), the extended form first, then the older one.
bool LockVolume9x(win::HANDLE vwin32Handle, win::BYTE drive, win::BYTE lockLevel, win::DWORD permissions);
bool UnlockVolume9x(win::HANDLE vwin32Handle, win::BYTE drive);

constexpr int kLockVolume = 1;
constexpr int kDismountAndUnlock = 2;
// NT: mode 1 locks the volume, mode 2 dismounts and unlocks it.
bool LockVolumeNt(win::HANDLE handle, int mode);

// Creates and deletes "X:\Temp.txt" on the card. Errors the user must hear of load their message
// and set stop as they require; stop is cleared when the file could be created; other errors
// leave both as they were.
void TestMediaWritable(const DeviceEntry* entry, win::BYTE* stop, std::string* message);

// Whether the drive letter exists.
bool IsDriveLetterPresent(char letter);

}  // namespace tarnlok
