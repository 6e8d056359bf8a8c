// The program-wide state of device access and the run state it reads, under the names the rest
// of the program knows them by. Each starts at zero (or closed) when the program starts.
#pragma once

#include "device/device_entry.h"
#include "platform/win/modules/modules.h"
#include "platform/win/system/types.h"

#include <string>

namespace tarnlok {

// The operating-system kinds OsKind holds.
enum OsKindValue : win::BYTE {
  kOsOther = 0,
  kOsWindows95 = 1,
  kOsWindows95Osr2 = 2,
  kOsWindows98 = 3,
  kOsWindowsMe = 4,
  kOsWindowsNt4 = 5,
  kOsWindows2000 = 6,
  kOsWindowsXp = 7,  // or later
};

// The operating system the program runs on (DetectOsKind sets it).
inline win::BYTE OsKind = kOsOther;

// The device list.
inline DeviceEntry* DeviceListHead = nullptr;
inline DeviceEntry* DeviceListTail = nullptr;
inline DeviceEntry* DeviceListLast = nullptr;
inline win::BYTE DeviceCount = 0;
inline DeviceEntry* CurrentDevice = nullptr;
inline int SelectedDeviceIndex = 0;
inline char SlotDriveLetters[28] = {};
inline win::BYTE SlotStates[28] = {};

// Run state of the operation under way.
inline win::DWORD OperationBusy = 0;
inline std::string MessageText;
inline std::string PromptText;
inline char CardDriveLetter = 0;
inline win::BYTE CardOnIdeBus = 0;
inline win::BYTE CardOnPcmciaBus = 0;
inline win::DWORD UsePlainSectorIo = 0;
inline win::DWORD UseDriveLetterIo = 0;
inline win::HANDLE Vwin32Handle = win::INVALID_HANDLE_VALUE;

// Identification results.
inline win::DWORD MediaPresent = 0;
inline win::DWORD CardVolumeSectors = 0;

// Windows 9x: the card driver's device-chain anchor (reply of driver request 1).
inline win::DWORD DriverDeviceChain = 0;

// The ASPI manager and its two entry points, loaded on first need.
using AspiSupportInfoProc = win::DWORD (*)();
using AspiSendProc = win::DWORD (*)(void* requestBlock);
inline win::HMODULE AspiLibrary = nullptr;
inline AspiSupportInfoProc GetAspiSupportInfo = nullptr;
inline AspiSendProc SendAspiSrb = nullptr;
inline win::DWORD AspiCommandPosted = 0;

// NT family (NT4 to XP) or the Windows 9x road for the transports that take it on every other kind.
inline bool OsKindIsNt() { return OsKind >= kOsWindowsNt4 && OsKind <= kOsWindowsXp; }
// Windows 95 to Me.
inline bool OsKindIs9x() { return OsKind >= kOsWindows95 && OsKind <= kOsWindowsMe; }
// Windows 2000 or later: pass-through for the readers' vendor commands.
inline bool OsKindHasVendorPassThrough() { return OsKind == kOsWindows2000 || OsKind == kOsWindowsXp; }

}  // namespace tarnlok
