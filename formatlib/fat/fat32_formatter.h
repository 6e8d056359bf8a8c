// The FAT32 format of a CompactFlash or MMC/SD card above 2048 MB in one of the maker's
// readers: one partition behind a master boot record, its data area on 256 sectors, through
// SCSI commands on the card's volume.
#pragma once

#include "formatlib/fat/fat_layout.h"
#include "formatlib/fat/sector_road.h"
#include "formatlib/fat/volume_session.h"

#include <cstdint>

namespace pradvik {

constexpr std::uint32_t kFat32ReservedSectors = 32;
// Partition type 0x0B up to this many sectors, 0x0C from the next on.
constexpr std::uint32_t kMostChsFat32Sectors = 15952545;
std::uint8_t Fat32PartitionType(std::uint32_t totalSectors);

// The cluster size search from 64 sectors down by quarters until the card holds more than
// 65524 clusters, then the layout with its data area on 256 sectors.
FatLayout Fat32CardLayout(std::uint32_t totalSectors);

// The sectors of a FAT32 volume at `partitionStart` after the master boot record: the boot
// record and its backup, FSInfo and its backup, the third boot sector and its backup, and the
// first sector of each FAT, each after its dump key.
bool WriteFat32SystemSectors(const SectorRoad& road, const ProgressWindows& windows, const Sector& boot,
                             const FatLayout& layout, const FormatDump& dump);

int FormatFat32Default(const FatFormatArgs& args);

}  // namespace pradvik
