// Raw flash cards as they leave the factory: every block erased, the blocks bad from the
// factory marked, the card's own structures written (SmartMedia: the card information
// structure in the first good block; Memory Stick: the two boot blocks with the disabled-block
// list) and the standard FAT volume of the card's size written through the logical blocks.
#pragma once

#include "platform/machine/factory_layout.h"
#include "platform/machine/flash_geometry.h"
#include "platform/machine/machine_description.h"

#include <array>
#include <cstdint>

namespace machine {

constexpr std::size_t kCisPageSize = 512;

// The card information structure page of a SmartMedia card: the SSFDC tuples, repeated in the
// page's second half.
std::array<std::uint8_t, kCisPageSize> SmartMediaCisPage();

// The factory layout of a standard volume.
FactoryLayout LayoutOfStandardVolume(const StandardVolume& volume);

// Makes the image of a raw flash card that does not exist yet. Throws MachineDescriptionError
// naming the image when it cannot be made.
void MakeFreshFlashImage(const CardDescription& card, std::uint32_t serial);

}  // namespace machine
