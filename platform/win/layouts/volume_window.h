// Where the volume of a card lies, as the system finds it in the card's first sector: the first
// used entry of a master boot record, the whole card for a superfloppy (a FAT boot sector at
// sector 0) and for a card that holds neither. The machine shows its drive letters' volumes
// there, and the recovery reads a card's volume from there when no system query tells it.
#pragma once

#include <cstdint>
#include <span>

namespace win {

struct VolumeWindow {
  std::uint64_t firstSector = 0;
  std::uint64_t sectors = 0;
  std::uint8_t partitionType = 0;  // the MBR entry's type; 0 without a partition table
  bool partitioned = false;
};

// Reads sector 0 of a card of cardSectors sectors; every field is checked against the sector and
// the card, so a damaged table gives the whole card rather than a window outside it.
VolumeWindow FindVolumeWindow(std::span<const std::uint8_t> sector0, std::uint64_t cardSectors);

}  // namespace win
