// What the FAT formatters learn from the card before they lay anything down: whether it is
// write protected and how large it is (READ CAPACITY, else the MODE SENSE block descriptor),
// and what its first sectors held (a master boot record, a boot record without one, or nothing
// usable).
#pragma once

#include "formatlib/fat/boot_sector.h"
#include "formatlib/fat/sector_road.h"

#include "platform/win/system/types.h"

#include <cstdint>
#include <optional>

namespace pradvik {

struct CardCapacity {
  std::uint32_t lastLba = 0;
  std::uint32_t blockLength = 0;

  std::uint64_t Bytes() const { return std::uint64_t{lastLba} * blockLength; }
  // Whole decimal megabytes and binary mebibytes of the last block address.
  std::uint32_t DecimalMb() const { return static_cast<std::uint32_t>(Bytes() / 1000 / 1000); }
  std::uint32_t BinaryMib() const { return static_cast<std::uint32_t>(Bytes() >> 20); }
};

// MODE SENSE and READ CAPACITY, ten tries each, without prompts. Shows message 20 for a write
// protected card and 32 when no size can be had; nothing then.
std::optional<CardCapacity> ProbeCardCapacity(win::HANDLE volume);

// READ CAPACITY alone, ten tries; zeros when it never answers.
CardCapacity ReadCardCapacity(win::HANDLE handle);

// " %d MB": decimal megabytes up to `decimalLimit`, binary mebibytes above.
void ShowCapacityText(win::HWND capacityWindow, const CardCapacity& capacity, std::uint32_t decimalLimit);

enum class BootAtSectorZero {
  Kept,  // a boot record at sector 0 ("FAT" at 54) is the old boot record
  Recognised,  // a boot record at sector 0 ("FAT" at 54 or 82) counts as found, not kept
  Ignored,  // sector 0 with 0x55 0xAA is always a master boot record
};

struct OldLayout {
  Sector mbr{};
  bool mbrKept = false;  // sector 0 was a master boot record; its table is cleared
  Sector boot{};
  bool bootFound = false;
};

// Reads sector 0 and, behind a master boot record, the first sector of its first partition;
// that one counts when it ends in 0x55 0xAA with "FAT" at `fatTextOffset`. A failed read counts
// as no old layout.
OldLayout ReadOldLayout(const SectorRoad& road, win::HWND stepWindow, BootAtSectorZero atZero,
                        std::size_t fatTextOffset);

// The master boot record a format writes: the template when booting is asked for or the card
// had none, else the old one with its table cleared.
Sector NewMasterBootRecord(const OldLayout& old, bool enableBooting);
// The FAT12/16 boot record before its fields: the FreeDOS template when booting is asked for,
// else the old record (or zeros) with the plain jump; a fresh volume id either way.
Sector NewFat16BootRecord(const OldLayout& old, bool enableBooting, bool fat16Template);
// The FAT32 template, with the plain jump unless booting is asked for, and a fresh volume id.
Sector NewFat32BootRecord(bool enableBooting);

}  // namespace pradvik
