// The FAT32 format the user asks for by name: one FAT32 partition a track in, through SCSI
// commands on the volume (the maker's readers) or plain sector transfers on the physical drive
// (other makers' readers). A card too small to hold a FAT32 volume gets the FAT12/16 format of
// its road instead.
#pragma once

#include "formatlib/fat/fat_layout.h"
#include "formatlib/fat/volume_session.h"

#include "platform/win/system/types.h"

#include <cstdint>
#include <optional>

namespace pradvik {

struct DriveFat32Args {
  FatFormatArgs format;
  win::HWND capacityWindow = nullptr;
  bool otherMaker = false;
};

// The layout of a drive whose last block is `lastLba` with the partition one track of
// `trackSectors` in: clusters of 1 to 8 sectors by the drive's bytes, the FAT from its rule of
// thumb grown to hold every cluster. None when the drive cannot hold 65525 clusters.
std::optional<FatLayout> Fat32DriveLayout(std::uint32_t totalSectors, std::uint32_t blockLength,
                                          std::uint16_t trackSectors);

int FormatDriveFat32(const DriveFat32Args& args);

}  // namespace pradvik
