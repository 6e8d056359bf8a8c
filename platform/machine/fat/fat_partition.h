// Where the FAT volume of a card lies: the whole card when its first sector is a FAT boot
// sector (a "superfloppy", as floppies and some cards are formatted), else the first
// partition of its master boot record that has a FAT type and a sound boot sector.
#pragma once

#include "platform/machine/sector_device.h"

#include <cstdint>

namespace machine {

struct VolumeExtent {
  std::uint64_t firstSector = 0;
  std::uint64_t sectorCount = 0;
  bool operator==(const VolumeExtent&) const = default;
};

// The card's FAT volume; ERROR_UNRECOGNIZED_VOLUME when it has none.
IoResult<VolumeExtent> FindFatVolume(SectorDevice& card);

}  // namespace machine
