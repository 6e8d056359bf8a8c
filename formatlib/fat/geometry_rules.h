// The tables by capacity that the FAT formatters take their disk geometry and cluster sizes
// from. Each table is a list of inclusive upper bounds with the value up to that bound.
#pragma once

#include "formatlib/fat/boot_sector.h"

#include <cstdint>
#include <initializer_list>

namespace pradvik {

struct CapacityStep {
  std::uint32_t upTo;  // inclusive
  std::uint32_t value;
};
constexpr std::uint32_t kAbove = 0xFFFFFFFF;

std::uint32_t ValueFor(std::initializer_list<CapacityStep> table, std::uint32_t capacity);

constexpr std::uint8_t kKindCompactFlash = 1;
constexpr std::uint8_t kKindMmcSd = 4;

// The default formatter's FAT12/16 roads (M binary, D decimal megabytes of the card).
DiskGeometry Fat16PlainGeometry(std::uint8_t deviceKind, bool oldBootRecord, std::uint32_t binaryMib);
DiskGeometry Fat16BootGeometry(std::uint8_t deviceKind, bool oldBootRecord, std::uint32_t binaryMib,
                               std::uint32_t decimalMb);

struct PlainLayoutRule {
  std::uint8_t sectorsPerCluster;
  std::uint32_t boundUnit;
  std::uint8_t fatBits;
};
PlainLayoutRule Fat16PlainLayoutRule(std::uint8_t deviceKind, std::uint32_t binaryMib);
// Sectors per cluster of a bootable FAT12/16 layout by the binary megabytes of the volume.
std::uint8_t BootClusterSectors(std::uint32_t binaryMib);

// The formats that reach the whole drive (other makers' readers, the FAT32 drive format), by
// decimal megabytes; bootable layouts over an old boot record have rows of their own.
DiskGeometry DriveGeometry(std::uint8_t deviceKind, bool oldBootRecord, bool enableBooting, std::uint64_t decimalMb);
std::uint8_t OtherMakerClusterSectors(std::uint32_t binaryMib);

// The cylinders of `totalSectors` at that geometry; above 1023 of them the card is cut to 1023
// cylinders, the most its FAT12/16 partition entry can reach.
std::uint32_t CutToChsCylinders(std::uint32_t& totalSectors, DiskGeometry geometry);

}  // namespace pradvik
