// Fills the Information page (the window ActivePageHwnd) for CurrentDevice: drive, capacity,
// firmware revision, device name, low-level support, volume label and file system.
#pragma once

#include "device/device_entry.h"
#include "device/drive_handle.h"

#include <string>

namespace tarnlok {

void RefreshInfoPage();

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

// The pie chart's texts of a volume's space: "Free: %6.1f MB" and "Used: %6.1f MB".
std::string FreeSpaceText(double freeBytes);
std::string UsedSpaceText(double usedBytes);

}  // namespace tarnlok
