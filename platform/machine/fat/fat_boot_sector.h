// The FAT boot sector: its BIOS parameter block parsed and checked into the volume's layout.
// The FAT type follows from the cluster count alone, as the FAT standard decides it.
#pragma once

#include "platform/machine/io_result.h"
#include "platform/machine/cards/sector_device.h"

#include <cstdint>
#include <span>
#include <string>

namespace machine {

enum class FatType { Fat12, Fat16, Fat32 };

// Where everything of a FAT volume lies, in sectors from the volume's first sector.
struct FatGeometry {
  FatType type = FatType::Fat12;
  std::uint32_t sectorsPerCluster = 1;
  std::uint32_t reservedSectors = 1;
  std::uint32_t fatCount = 2;
  std::uint32_t sectorsPerFat = 0;
  std::uint32_t rootEntryCount = 0;  // entries of the fixed root directory (FAT12/16)
  std::uint32_t rootDirSectors = 0;  // sectors of the fixed root directory (FAT12/16)
  std::uint32_t firstRootDirSector = 0;  // the fixed root directory's first sector (FAT12/16)
  std::uint32_t rootCluster = 0;  // the root directory's first cluster (FAT32)
  std::uint32_t fsInfoSector = 0;  // the FSInfo sector (FAT32); 0 when there is none
  std::uint32_t firstDataSector = 0;  // the sector of cluster 2
  std::uint32_t totalSectors = 0;
  std::uint32_t clusterCount = 0;  // data clusters, numbered 2 .. clusterCount + 1
  std::uint8_t media = 0xF8;
  bool mirrored = true;  // every FAT copy is kept alike
  std::uint32_t activeFat = 0;  // the one FAT in use when not mirrored (FAT32)
  std::uint32_t serial = 0;
  std::string label;  // the boot sector's label, trimmed; empty for "NO NAME"

  // The highest valid cluster number.
  std::uint32_t MaxCluster() const { return clusterCount + 1; }
  // True when n names a data cluster of this volume.
  bool IsDataCluster(std::uint32_t n) const { return n >= 2 && n <= MaxCluster(); }
  // The bytes of one cluster.
  std::uint32_t BytesPerCluster() const { return sectorsPerCluster * SectorDevice::kSectorSize; }
  // The first sector of data cluster n.
  std::uint64_t ClusterSector(std::uint32_t n) const {
    return firstDataSector + std::uint64_t{n - 2} * sectorsPerCluster;
  }
};

// Parses a boot sector of a volume that is `deviceSectors` long. Fails with
// ERROR_UNRECOGNIZED_VOLUME when the sector holds no sound FAT parameter block or describes
// more sectors than the device has.
IoResult<FatGeometry> ParseBootSector(std::span<const std::uint8_t> sector, std::uint64_t deviceSectors);

// Reads and parses the device's first sector.
IoResult<FatGeometry> ReadGeometry(SectorDevice& device);

// Trims an 11-byte space-padded label; answers empty for the "NO NAME" placeholder.
std::string TrimLabel(std::span<const std::uint8_t> field);

}  // namespace machine
