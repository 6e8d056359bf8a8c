// Where the volume of a card begins when its first sector is read through the reader: a card
// with a master boot record keeps its FAT volume in the first partition of a FAT type.
#pragma once

#include <cstdint>
#include <span>

namespace recovery {

// The first sector of the volume: that of the first FAT partition of the table in sector 0 that
// lies on the card; 0 when sector 0 is itself a boot sector, carries no table or names none.
std::uint64_t PartitionedVolumeStart(std::span<const std::uint8_t> sector0, std::uint64_t cardSectors);

}  // namespace recovery
