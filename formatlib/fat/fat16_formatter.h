// The FAT12/16 format of a CompactFlash or MMC/SD card in one of the maker's readers: one
// partition behind a master boot record, laid out by the card's size, through SCSI commands on
// the card's volume.
#pragma once

#include "formatlib/fat/boot_sector.h"
#include "formatlib/fat/sector_road.h"
#include "formatlib/fat/volume_session.h"

#include <cstdint>

namespace pradvik {

// Cards above 2048 decimal megabytes are formatted as this many sectors (FAT16 reaches no
// further with 32 KB clusters).
constexpr std::uint32_t kFat16MostLastLba = 3999744;

// Partition type of a FAT12/16 volume by its decimal megabytes: 1 up to 16, 4 up to 32, else 6.
std::uint8_t Fat16PartitionTypeByMb(std::uint64_t decimalMb);

// The sectors of a FAT12/16 layout: the master boot record, the boot record and the first
// sector of each FAT, the last three after their dump keys.
bool WriteFat16SystemSectors(const SectorRoad& road, const ProgressWindows& windows, const Sector& mbr,
                             const Sector& boot, const FatLayout& layout, const FormatDump& dump);

int FormatFat16Default(const FatFormatArgs& args);

}  // namespace pradvik
