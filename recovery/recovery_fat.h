// The volume boot sector as the recovery run reads it, and the FAT copy it consults to tell used
// clusters from free ones.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace recovery {

enum class FileSystem { None = 0, Fat12 = 1, Fat16 = 2, Fat32 = 3, Ntfs = 4 };

struct BootFacts {
  FileSystem fileSystem = FileSystem::None;
  bool bootSignature = false;  // bytes 510-511 are 55 AA
  std::uint32_t bytesPerSector = 512;
  std::uint32_t sectorsPerCluster = 0;
  std::uint32_t reservedSectors = 0;
  std::uint32_t numberOfFats = 0;
  std::uint32_t sectorsPerFat = 0;  // the 32-bit field for FAT32
  std::uint32_t rootEntries = 0;
  std::uint32_t rootCluster = 0;  // FAT32
  std::uint32_t totalSectors = 0;  // of the volume
  std::uint32_t firstDataSector = 0;  // from the volume's start
  std::uint32_t clusterCount = 0;  // data clusters, numbered from 2

  bool IsFat() const {
    return (fileSystem == FileSystem::Fat12 || fileSystem == FileSystem::Fat16 || fileSystem == FileSystem::Fat32) &&
           sectorsPerCluster != 0 && clusterCount != 0;
  }
  std::uint32_t RootDirectorySectors() const;
  // First sector of a data cluster, from the volume's start.
  std::uint64_t ClusterSector(std::uint32_t cluster) const;
  std::uint32_t ClusterBytes() const { return sectorsPerCluster * bytesPerSector; }
};

// Reads the boot sector: the file-system text searched from bytes 0 to 99, the parameter block
// and the data area's geometry. volumeSectors is the volume's size when the boot sector gives
// none. A parameter block that cannot describe a volume leaves IsFat() false.
BootFacts ReadBootSector(std::span<const std::uint8_t> sector, std::uint32_t volumeSectors);

// The FAT copy: one entry per cluster (FAT12 entries unpacked as the FAT lays them out).
class FatTable {
 public:
  FatTable() = default;
  FatTable(FileSystem fileSystem, std::span<const std::uint8_t> fatBytes, std::uint32_t clusterCount);
  // True when the cluster's entry is non-zero; every cluster is free in an empty table.
  bool InUse(std::uint32_t cluster) const { return cluster < entries_.size() && entries_[cluster] != 0; }
  std::size_t Size() const { return entries_.size(); }

 private:
  std::vector<std::uint32_t> entries_;
};

}  // namespace recovery
