// Fills the Information page (the window ActivePageHwnd) for CurrentDevice: drive, capacity,
// firmware revision, device name, low-level support, volume label and file system.
#pragma once

#include "device/device_entry.h"

#include <string>

namespace tarnlok {

void RefreshInfoPage();

// The capacity text of a card query (without the leading blank): road true for GetCardType.
std::string CapacityText(bool cardTypeRoad, bool succeeded, win::BYTE deviceKind, win::DWORD value);

// The pie chart's texts of a volume's space: "Free: %6.1f MB" and "Used: %6.1f MB".
std::string FreeSpaceText(double freeBytes);
std::string UsedSpaceText(double usedBytes);

}  // namespace tarnlok
