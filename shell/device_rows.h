// The rows of the main window's device list: which image a device shows and its row text.
#pragma once

#include "device/device_entry.h"

#include <string>

namespace tarnlok {

// The image of the device list for an entry (0 MMC/SD, 1 SmartMedia, 2 CompactFlash, 3 Memory
// Stick, 4 other, 5 a card of the maker's IDE or PCMCIA reader).
int DeviceImageIndex(const DeviceEntry& entry);

// The maker's IDE and PCMCIA readers go by their bus: the vendor text becomes "IDE " or
// "PCMCIA ", for the rest of the run.
void RenameBusVendor(DeviceEntry& entry);

// "(E:) vendor product".
std::string DeviceRowText(const DeviceEntry& entry);

}  // namespace tarnlok
