#include "operations/used_cluster_walk.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/fat_boot_sector_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

namespace tarnlok {
namespace {

// A boot sector that describes no volume while its FAT32 size field claims every sector: the walk
// still stops at FAT32's highest cluster, where an entry's offset stays within 32 bits.
TEST(UsedClusterWalk, AFatSizeFromNoVolumeEndsAtTheHighestFat32Cluster) {
  std::array<win::BYTE, 512> bootSector{};
  win::WriteLe32(bootSector, win::bpb::kSectorsPerFat32, 0xFFFFFFFF);
  const UsedClusterVolume volume = UsedClusterVolumeOf(bootSector, 3, 512);
  EXPECT_EQ(volume.fatSectors, 0xFFFFFFFFu);
  EXPECT_EQ(volume.lastCluster, 0x0FFFFFFFu);
}

// A one-sector FAT of each type whose first and last clusters are used and whose entry just past
// the last cluster holds a stray value: the walk visits exactly the two clusters.
TEST(UsedClusterWalk, TheLastClusterIsVisitedAndTheEntryPastItIsNot) {
  struct Case {
    win::BYTE fileSystem;
    win::DWORD lastCluster;
  };
  for (const Case step : {Case{1, 300}, Case{2, 200}, Case{3, 100}}) {
    std::vector<win::BYTE> fat(512, 0);
    const auto put = [&](win::DWORD cluster, win::DWORD value) {
      if (step.fileSystem == 1) {
        const win::DWORD at = cluster * 3 / 2;
        const win::WORD pair = win::ReadLe16(fat, at);
        win::WriteLe16(
            fat, at,
            static_cast<win::WORD>(cluster % 2 == 0 ? (pair & 0xF000) | value : (pair & 0x000F) | (value << 4)));
      } else if (step.fileSystem == 2) {
        win::WriteLe16(fat, cluster * 2, static_cast<win::WORD>(value));
      } else {
        win::WriteLe32(fat, cluster * 4, value);
      }
    };
    put(2, 0xFFF);
    put(step.lastCluster, 0xFFF);
    put(step.lastCluster + 1, 0x123);
    const UsedClusterVolume volume{step.fileSystem, 512, 1, step.lastCluster};
    std::vector<win::BYTE> buffer(UsedClusterBufferBytes(volume), 0);
    std::vector<win::DWORD> visited;
    const auto read = [&](win::DWORD first, win::DWORD count, std::span<win::BYTE> into) {
      if (first != 0 || count != 1) return false;
      std::copy_n(fat.begin(), std::min(fat.size(), into.size()), into.begin());
      return true;
    };
    ASSERT_TRUE(WalkUsedClusters(volume, buffer, read, [&](win::DWORD offset, win::DWORD) {
      visited.push_back(offset);
      return true;
    }));
    const win::DWORD entryBytes = step.fileSystem == 1 ? 0 : (step.fileSystem == 2 ? 2 : 4);
    const auto offsetOf = [&](win::DWORD cluster) { return entryBytes == 0 ? cluster * 3 / 2 : cluster * entryBytes; };
    EXPECT_EQ(visited, (std::vector<win::DWORD>{offsetOf(2), offsetOf(step.lastCluster)}))
        << "file system " << int{step.fileSystem};
  }
}

}  // namespace
}  // namespace tarnlok
