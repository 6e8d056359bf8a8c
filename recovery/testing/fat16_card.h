// A FAT16 volume laid by hand, for tests that need a card of exact geometry: 1 reserved sector,
// 2 FATs of 16 sectors, 512 root entries, then the data clusters.
#pragma once

#include "recovery/testing/sample_files.h"

#include <cstdint>
#include <string>
#include <vector>

namespace recovery::test_support {

struct Fat16Card {
  static constexpr std::uint32_t kFirstDataSector = 1 + 2 * 16 + 32;

  explicit Fat16Card(std::uint32_t sectors = 4096, std::uint32_t sectorsPerCluster = 1);

  std::uint32_t LastCluster() const { return clusterCount + 1; }
  std::size_t ClusterOffset(std::uint32_t cluster) const;
  // Puts bytes at the start of a data cluster.
  void Put(std::uint32_t cluster, const Bytes& bytes);
  // Gives the cluster a FAT entry (in both FATs); 0 frees it.
  void SetFat(std::uint32_t cluster, std::uint16_t value);
  void SetRootEntries(const std::vector<Bytes>& entries);
  // The boot sector's 16- and 32-bit counts of sectors.
  void SetSectorCounts(std::uint16_t total16, std::uint32_t total32);

  Bytes image;
  std::uint32_t sectorsPerCluster;
  std::uint32_t clusterCount;
};

// A directory entry: 11 name bytes, attribute, first cluster, size.
Bytes DirEntry(const std::string& name11, std::uint8_t attribute, std::uint16_t cluster, std::uint32_t size);

}  // namespace recovery::test_support
