// Fills the Information page (the window ActivePageHwnd) for CurrentDevice: drive, capacity,
// firmware revision, device name, low-level support, volume label and file system.
#pragma once

#include <string>

namespace tarnlok {

void RefreshInfoPage();

// The pie chart's texts of a volume's space: "Free: %6.1f MB" and "Used: %6.1f MB".
std::string FreeSpaceText(double freeBytes);
std::string UsedSpaceText(double usedBytes);

}  // namespace tarnlok
