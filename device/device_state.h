// The program-wide state of device access and the run state it reads, under the names the rest
// of the program knows them by. Each starts at zero (or closed) when the program starts.
#pragma once

#include "device/device_entry.h"
#include "platform/win/modules/modules.h"
#include "platform/win/system/types.h"

#include <string>

namespace tarnlok {

// Operating-system kind: 0 other, 1 Windows 95, 2 95 OSR2, 3 98, 4 Me, 5 NT4, 6 2000, 7 XP or later.
inline win::BYTE OsKind = 0;

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

// NT family (5 to 7) or the Windows 9x road for the transports that take it on every other kind.
inline bool OsKindIsNt() { return OsKind >= 5 && OsKind <= 7; }
// Windows 95, 95 OSR2, 98 or Me.
inline bool OsKindIs9x() { return OsKind >= 1 && OsKind <= 4; }
// Windows 2000 or later: pass-through for the readers' vendor commands.
inline bool OsKindHasVendorPassThrough() { return OsKind == 6 || OsKind == 7; }

}  // namespace tarnlok
