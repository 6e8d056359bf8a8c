// Formats a fresh card as the factory does (factory_layout.h). With the same serial the
// result is the same, byte for byte.
#pragma once

#include "platform/machine/factory_layout.h"
#include "platform/machine/sector_device.h"

#include <cstdint>

namespace machine {

// Writes the layout onto the card: partition table, boot sector (and on FAT32 its FSInfo and
// backup copies), both FATs and an empty root directory, with the label "NO NAME".
IoStatus FactoryFormat(SectorDevice& card, const FactoryLayout& layout, std::uint32_t serial);

// A volume serial made from the platform clock's local time, as the system's formatter makes
// it, so that a fixed clock gives a fixed serial.
std::uint32_t SerialFromClock();

}  // namespace machine
