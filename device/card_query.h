// The card query of a page refresh: the device opened for it, the card asked for, and the
// capacity text of the answer.
#pragma once

#include "device/device_entry.h"
#include "device/drive_handle.h"

#include <string>

namespace tarnlok {

// Opens the device for the card query of a page refresh: its volume on the NT family (a failure
// shows kStringOpenFailedPcmcia for PCMCIA readers when pcmciaMessage, else kStringOpenFailed),
// the card driver or vwin32 on Windows 9x. Invalid when nothing could be opened.
DriveHandle OpenForQuery(const DeviceEntry& entry, bool pcmciaMessage);
// Asks the opened device for the card (which rewrites the entry): GetCardType for IDE and PCMCIA
// readers (value: media size code or megabytes, 0 no card), else GetMediaCapacity.
struct CardQueryAnswer {
  bool cardTypeRoad = false;
  bool succeeded = false;
  win::DWORD value = 0;
};
CardQueryAnswer QueryCard(const DriveHandle& opened, DeviceEntry& entry);
// The same query; answers the capacity text.
std::string QueryCapacity(const DriveHandle& opened, DeviceEntry& entry);

// The capacity text of a card query (without the leading blank): road true for GetCardType.
std::string CapacityText(bool cardTypeRoad, bool succeeded, win::BYTE deviceKind, win::DWORD value);

// Raw flash cards (SmartMedia, Memory Stick) and the readers asked by GetCardType (IDE, PCMCIA).
bool RawFlash(win::BYTE kind);
bool CardTypeRoad(const DeviceEntry& entry);
// The handle GetCardType and CheckMediaPresent take: the volume on 2000 and XP, none on NT4,
// else the Windows 9x handle.
win::HANDLE ReaderQueryHandle(const DriveHandle& handle);

}  // namespace tarnlok
