// The layout of a card as it leaves the factory: a plain card (CompactFlash, MMC/SD, Memory
// Stick Pro) holds a master boot record with one FAT partition, a floppy or LS-120 disk a FAT
// volume from its first sector (a superfloppy). The FAT type follows the volume's size as the
// usual formatters choose it: FAT12 up to 16 MB, FAT16 up to 2 GB, FAT32 above; cluster sizes
// follow the system formatter's table.
#pragma once

#include "platform/machine/fat/fat_boot_sector.h"
#include "platform/machine/description/machine_description.h"

#include <cstdint>

namespace machine {

struct FactoryLayout {
  bool partitioned = true;  // a master boot record in front of the volume
  std::uint64_t volumeStart = 0;  // first sector of the volume on the card
  std::uint64_t volumeSectors = 0;
  std::uint8_t partitionType = 0;  // the MBR entry's type (partitioned cards)
  FatType type = FatType::Fat16;
  std::uint32_t sectorsPerCluster = 1;
  std::uint32_t reservedSectors = 1;
  std::uint32_t rootEntries = 512;  // fixed root directory entries (FAT12/16)
  std::uint32_t sectorsPerFat = 0;
  std::uint8_t media = 0xF8;
  std::uint16_t sectorsPerTrack = 63;  // the geometry the disk driver reports for the card
  std::uint16_t heads = 255;
};

// The layout of a fresh card of this kind and size; a card too small for any FAT volume
// (below 256 sectors) throws MachineDescriptionError.
FactoryLayout FactoryLayoutFor(CardKind kind, std::uint64_t cardSectors);

}  // namespace machine
