// The exports of the format library Pradvik2k (Pradvik9x on Windows 9x), as the library defines
// them and as the Format page binds them by name with GetProcAddress. One argument list per
// export, for both sides: a slot named `reserved...` is not read by the library and callers pass
// 0 there; nobody pushes arguments beyond the list.
//
// Every export answers 1 for success and 0 for failure unless its comment says otherwise, and
// fills its out-parameters through pointers. The caller owns every window, buffer and handle it
// passes. A window argument of 0 is skipped. Arguments 1 to 8 of the format exports:
//   hwndOwner     owner of the library's message boxes and prompts; its messages are pumped
//   hwndProgress  progress bar (PBM_SETRANGE32 or PBM_SETRANGE, PBM_SETPOS, PBM_SETSTEP, PBM_STEPIT)
//   hwndPercent   text window receiving "%d %%"
//   hwndStep      text window receiving the step texts
//   deviceId      the device list entry's device reference (kept, not used)
//   driveIndex    drive letter minus 'A'
//   fullFormat    0 quick, 1 full
//   workBuffer    not read
#pragma once

#include "platform/win/system/types.h"

#include <array>
#include <string_view>

namespace pradvik {

using win::BYTE;
using win::DWORD;
using win::HANDLE;
using win::HWND;

// Device kinds the library is handed (the device list's codes; 18 and 24 are the newer readers
// of SmartMedia and Memory Stick).
constexpr BYTE kKindSmartMedia = 2;
constexpr BYTE kKindMemoryStick = 8;
constexpr BYTE kKindNewerSmartMedia = 18;
constexpr BYTE kKindNewerMemoryStick = 24;
constexpr BYTE kKindMemoryStickPro = 40;

// Transport kinds (the device list entry's bus kind): 3 eight-byte vendor blocks through SCSI
// pass-through, 4 twelve-byte blocks, anything else ATA commands (IDE pass-through on Windows
// 2000 and later, ATA task files inside SCSI blocks on NT4); 2 also leaves the volume unlocked,
// 1 is the IDE slot.
constexpr BYTE kTransportIde = 1;
constexpr BYTE kTransportEightByte = 3;
constexpr BYTE kTransportTwelveByte = 4;
constexpr BYTE kTransportNoLock = 2;

// Function types of the exports.
using CheckFormatSupportFn = int(DWORD deviceId, BYTE driveIndex, HANDLE volumeHandle);
// FAT32 on the volume (thirdPartyFormat 0: the maker's readers) or the physical drive
// (thirdPartyFormat 1: other makers' readers); a card too small for FAT32 gets the FAT12/16
// format of the same road. mediaCode receives the card's last block address. The ATA drive select
// is read on Windows 9x, whose IDE and PCMCIA readers take ATA commands through the card driver.
using DoDefaultFat32FormatFn = int(HWND hwndOwner, HWND hwndProgress, HWND hwndPercent, HWND hwndStep, DWORD deviceId,
                                   BYTE driveIndex, BYTE fullFormat, void* workBuffer, BYTE* releaseFailed,
                                   DWORD* mediaCode, BYTE deviceKind, HWND hwndCapacity, int enableBooting,
                                   HANDLE reservedVolumeHandle, BYTE transportKind, BYTE ataDriveSelect,
                                   int startStopFlag, int fat32Choice, int thirdPartyFormat);
// FAT12/16 (with the "FAT32" choice: FAT32) of a CompactFlash or MMC/SD card (deviceKind 1 or
// 4) in one of the maker's readers: FAT32 when *capacityMb exceeds 2048 and forceFat16 is 0.
// Other device kinds answer 0 untouched.
using DoDefaultFormatFn = int(HWND hwndOwner, HWND hwndProgress, HWND hwndPercent, HWND hwndStep, DWORD deviceId,
                              BYTE driveIndex, BYTE fullFormat, void* workBuffer, BYTE* releaseFailed, DWORD* mediaCode,
                              BYTE deviceKind, int reserved12, int enableBooting, int forceFat16,
                              HANDLE reservedVolumeHandle, BYTE transportKind, BYTE ataDriveSelect, int startStopFlag,
                              BYTE* reserved19, DWORD* capacityMb);
// FAT12/16 through the physical drive of another maker's reader; mediaCode receives the last
// block address. The volume handle, bus kind, drive select and start/stop flag are not read.
using DoDefaultFormatForThirdPartyDevicesFn = int(HWND hwndOwner, HWND hwndProgress, HWND hwndPercent, HWND hwndStep,
                                                  DWORD deviceId, BYTE driveIndex, BYTE fullFormat, void* workBuffer,
                                                  BYTE* reservedReinsert, DWORD* mediaCode, BYTE deviceKind,
                                                  HWND hwndCapacity, int enableBooting, HANDLE reservedVolumeHandle,
                                                  BYTE reservedBusKind, BYTE reservedDriveSelect,
                                                  int reservedStartStopFlag);
// Floppy and LS-120 disks (and any drive reached by its letter only), on every Windows kind;
// mediaCode receives the sector count used. Arguments 10 to 14 are not read.
using DoFloppyFormatFn = int(HWND hwndOwner, HWND hwndProgress, HWND hwndPercent, HWND hwndStep, DWORD deviceId,
                             BYTE driveIndex, BYTE fullFormat, void* workBuffer, DWORD* mediaCode,
                             BYTE reservedDeviceKind, int reserved11, int reserved12, HANDLE reservedVolumeHandle,
                             BYTE reservedBusKind);
// Low-level format of a SmartMedia or Memory Stick card. mediaCode receives the SmartMedia
// device code or the Memory Stick page count. deviceKind 18, 24 and 40 are taken as given,
// others are replaced by what the reader's status says. bootCodeFlag puts the x86 boot loader
// into the new master boot record. wideStatus is read on the twelve-byte road only. When the
// volume cannot be locked, *volumeBusy becomes 1, message 55 is shown, nothing is written and
// the result is 1.
using DoFormatFn = int(HWND hwndOwner, HWND hwndProgress, HWND hwndPercent, HWND hwndStep, DWORD deviceId,
                       BYTE driveIndex, BYTE fullFormat, void* workBuffer, DWORD* mediaCode, BYTE deviceKind,
                       const char* productText, int bootCodeFlag, HWND hwndCapacity, HANDLE volumeHandle,
                       BYTE transportKind, BYTE ataDriveSelect, int wideStatus, BYTE* volumeBusy);
// DoFormat with the panoramic option inserted as the 17th argument.
using DoPanoramicFormatFn = int(HWND hwndOwner, HWND hwndProgress, HWND hwndPercent, HWND hwndStep, DWORD deviceId,
                                BYTE driveIndex, BYTE fullFormat, void* workBuffer, DWORD* mediaCode, BYTE deviceKind,
                                const char* productText, int bootCodeFlag, HWND hwndCapacity, HANDLE volumeHandle,
                                BYTE transportKind, BYTE ataDriveSelect, DWORD panoramic, int wideStatus,
                                BYTE* volumeBusy);
// status: 4 bytes, the newer readers' status word.
using FindBulkSMMSFn = int(DWORD deviceId, BYTE driveIndex, HANDLE volumeHandle, BYTE* status);
// status receives 4 bytes (6 on the twelve-byte road with wideStatus): the identification reply,
// or the status word for a Memory Stick Pro. deviceKind 0 on entry lets the reader tell it.
using FindDeviceTypeFn = int(DWORD deviceId, BYTE driveIndex, BYTE* deviceKind, BYTE* status, BYTE* writeProtected,
                             int showMessages, BYTE transportKind, int wideStatus);
// capacity: the 8-byte READ CAPACITY answer (last block and block length, big-endian).
using GetDeviceCapacityFn = int(DWORD deviceId, BYTE driveIndex, BYTE* capacity, BYTE* writeProtected,
                                int showMessages);
using IssueStartStopCmdFn = int(DWORD deviceId, BYTE driveIndex, HANDLE volumeHandle, int loadFlag, BYTE deviceKind);
// volumeHandle 0 or INVALID_HANDLE_VALUE: the library opens and closes the volume itself.
using LockTheDeviceFn = int(DWORD deviceId, BYTE driveIndex, HANDLE volumeHandle, BYTE deviceKind, DWORD reserved5,
                            BYTE transportKind, BYTE ataDriveSelect, int wideStatus);
using UnlockTheDeviceFn = LockTheDeviceFn;

// The export names, in ordinal order (1 to 13).
constexpr std::array<std::string_view, 13> kExportNames{"CheckFormatSupport", "DoDefaultFat32Format",
                                                        "DoDefaultFormat",    "DoDefaultFormatForThirdPartyDevices",
                                                        "DoFloppyFormat",     "DoFormat",
                                                        "DoPanoramicFormat",  "FindBulkSMMS",
                                                        "FindDeviceType",     "GetDeviceCapacity",
                                                        "IssueStartStopCmd",  "LockTheDevice",
                                                        "UnlockTheDevice"};

}  // namespace pradvik

// The library's definitions; declared here so that they must match the types above.
#ifdef PRADVIK_BUILDING
#define PRADVIK_API __attribute__((visibility("default")))
extern "C" {
PRADVIK_API pradvik::CheckFormatSupportFn CheckFormatSupport;
PRADVIK_API pradvik::DoDefaultFat32FormatFn DoDefaultFat32Format;
PRADVIK_API pradvik::DoDefaultFormatFn DoDefaultFormat;
PRADVIK_API pradvik::DoDefaultFormatForThirdPartyDevicesFn DoDefaultFormatForThirdPartyDevices;
PRADVIK_API pradvik::DoFloppyFormatFn DoFloppyFormat;
PRADVIK_API pradvik::DoFormatFn DoFormat;
PRADVIK_API pradvik::DoPanoramicFormatFn DoPanoramicFormat;
PRADVIK_API pradvik::FindBulkSMMSFn FindBulkSMMS;
PRADVIK_API pradvik::FindDeviceTypeFn FindDeviceType;
PRADVIK_API pradvik::GetDeviceCapacityFn GetDeviceCapacity;
PRADVIK_API pradvik::IssueStartStopCmdFn IssueStartStopCmd;
PRADVIK_API pradvik::LockTheDeviceFn LockTheDevice;
PRADVIK_API pradvik::UnlockTheDeviceFn UnlockTheDevice;
}
#endif
