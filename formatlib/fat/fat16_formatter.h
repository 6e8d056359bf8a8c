// The FAT12/16 format of a CompactFlash or MMC/SD card in one of the maker's readers: one
// partition behind a master boot record, laid out by the card's size, through SCSI commands on
// the card's volume.
#pragma once

#include "formatlib/fat/volume_session.h"

#include <cstdint>

namespace pradvik {

// Cards above 2048 decimal megabytes are formatted as this many sectors (FAT16 reaches no
// further with 32 KB clusters).
constexpr std::uint32_t kFat16MostLastLba = 3999744;

int FormatFat16Default(const FatFormatArgs& args);

}  // namespace pradvik
