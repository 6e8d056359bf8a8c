// One device of the program's device list: a removable drive on the NT family, a device of the
// card driver on Windows 9x. Fields keep the order of the list's record; nobody reads it as
// bytes, so it is a plain structure.
#pragma once

#include "platform/win/system/types.h"

namespace tarnlok {

// Bus kinds.
constexpr win::BYTE kBusOther = 0;
constexpr win::BYTE kBusIde = 1;
constexpr win::BYTE kBusPcmcia = 2;
constexpr win::BYTE kBusUsb = 3;
constexpr win::BYTE kBusFloppy = 6;
constexpr win::BYTE kBusLs120 = 7;

// Device kinds; the maker's newer readers report a reader kind that stands in for the kind.
constexpr win::BYTE kDeviceUnknown = 0;
constexpr win::BYTE kCompactFlash = 1;
constexpr win::BYTE kSmartMedia = 2;
constexpr win::BYTE kMmcSd = 4;
constexpr win::BYTE kMemoryStick = 8;
constexpr win::BYTE kMemoryStickPro = 40;
constexpr win::BYTE kSmartMediaReader = 18;
constexpr win::BYTE kMemoryStickReader = 24;

// ATA device/head values.
constexpr win::BYTE kAtaMaster = 0xA0;
constexpr win::BYTE kAtaSlave = 0xB0;

// ASPI address part that means "not found".
constexpr win::BYTE kNoAspiAddress = 255;

struct DeviceEntry {
  win::BYTE index = 0;
  win::BYTE busKind = 0;
  win::BYTE deviceKind = 0;
  win::DWORD deviceReference = 0;  // the card driver's device node (Windows 9x); 0 on NT
  char driveLetter = 0;  // upper case; 0 when the device has no letter
  win::BYTE hostAdapter = 0;
  win::BYTE target = 0;
  win::BYTE lun = 0;
  char vendor[9] = {};  // INQUIRY vendor identification (or the IDE model's first 8 characters)
  char product[17] = {};  // INQUIRY product identification, or a card-type text
  char revision[5] = {};  // INQUIRY revision level
  win::DWORD startStopFlag = 0;
  win::DWORD capabilityQueryFlag = 0;
  win::WORD bytesPerSector = 0;
  win::DWORD totalSectors = 0;
  win::BYTE ataDriveSelect = 0;
  win::BYTE readerKind = 0;
  win::BYTE otherMakerFlag = 0;
  win::BYTE noCommandFlag = 0;
  win::DWORD volumeSectorCount = 0;
  DeviceEntry* previous = nullptr;
  DeviceEntry* next = nullptr;
};

}  // namespace tarnlok
