// The whole drive behind a card's drive letter, as the formats that lay out their own master
// boot record through plain sector transfers open it, and its size.
#pragma once

#include "formatlib/fat/medium_probe.h"
#include "formatlib/fat/sector_road.h"

#include "platform/win/system/types.h"

#include <cstdint>
#include <optional>

namespace pradvik {

// "\\.\PhysicalDriveN" of the volume's storage device number, or the volume itself when the
// device number is not told; the share modes read-and-write, then read, read-and-write, read.
// Windows 9x has no physical drives: "\\.\vwin32" as OpenVolume gives it. INVALID_HANDLE_VALUE
// when nothing opens.
win::HANDLE OpenWholeDrive(std::uint8_t driveIndex);

// Plain sector transfers on the whole drive; on Windows 9x, whose absolute disk services reach
// only the volume, the reader's READ(10) and WRITE(10).
SectorRoad WholeDriveRoad(win::HANDLE drive);

// IOCTL_DISK_GET_DRIVE_GEOMETRY's answer; null where the handle does not answer it (Windows 9x).
struct DriveShape {
  std::uint32_t cylinders = 0;
  std::uint32_t heads = 0;
  std::uint32_t sectorsPerTrack = 0;
  std::uint32_t bytesPerSector = 0;
};
std::optional<DriveShape> QueryDriveGeometry(win::HANDLE drive);

// READ CAPACITY, else the drive geometry one track short of its whole cylinders (a size that
// never reaches past the card). Zeros when neither answers.
CardCapacity DriveCapacity(win::HANDLE drive);

}  // namespace pradvik
