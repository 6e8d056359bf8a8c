// The format of floppy and LS-120 drives, reached through their drive letter only: a FAT volume
// from sector 0 without a partition table. A quick format clears the FATs and root directory
// of the boot record the disk holds; a full format writes a new boot record sized for the disk
// and clears all of it. The one formatter that also works on Windows 9x, through vwin32.
#pragma once

#include "formatlib/fat/boot_sector.h"
#include "formatlib/fat/clearing_pass.h"

#include <cstdint>
#include <optional>

namespace pradvik {

constexpr std::uint32_t kFloppySectors = 2880;

// The boot record of a full format of a disk of `sectors` sectors and `mebibytes` MiB.
Sector FloppyBootRecord(std::uint32_t sectors, std::uint32_t mebibytes);

// What a quick format needs of a disk's boot record: where its FATs lie and how much it
// clears. None for a record that does not describe a FAT12/16 volume within `diskSectors`.
struct FloppyVolume {
  std::uint32_t reservedSectors = 0;
  std::uint32_t sectorsPerFat = 0;
  std::uint32_t fatCount = 0;
  std::uint32_t systemSectors = 0;  // FATs and root directory behind the reserved sectors
  std::uint8_t media = 0;
  std::uint8_t fatBits = 12;
};
std::optional<FloppyVolume> ReadFloppyVolume(const Sector& boot, std::uint32_t diskSectors);

struct FloppyArgs {
  win::HWND owner = nullptr;
  ProgressWindows windows;
  std::uint32_t deviceId = 0;
  std::uint8_t driveIndex = 0;
  std::uint8_t fullFormat = 0;
  std::uint32_t* mediaCode = nullptr;
};

int FormatFloppy(const FloppyArgs& args);

}  // namespace pradvik
