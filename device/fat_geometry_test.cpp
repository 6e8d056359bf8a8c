#include "device/fat_geometry.h"

#include "device/size_texts.h"
#include "platform/win/layouts/byte_order.h"

#include <gtest/gtest.h>

#include <array>

namespace tarnlok {
namespace {

std::array<win::BYTE, 512> BootSector(win::BYTE sectorsPerCluster, win::WORD reserved, win::BYTE fats,
                                      win::WORD rootEntries, win::WORD fatSectors16, win::DWORD hidden,
                                      win::DWORD fatSectors32) {
  std::array<win::BYTE, 512> boot{};
  win::WriteLe16(boot, 11, 512);
  boot[13] = sectorsPerCluster;
  win::WriteLe16(boot, 14, reserved);
  boot[16] = fats;
  win::WriteLe16(boot, 17, rootEntries);
  win::WriteLe16(boot, 22, fatSectors16);
  win::WriteLe32(boot, 28, hidden);
  win::WriteLe32(boot, 36, fatSectors32);
  return boot;
}

TEST(FatGeometry, Fat16ClusterLiesBehindFatsAndRootDirectory) {
  const auto boot = BootSector(4, 1, 2, 512, 200, 32, 0);
  // 32 volume start + 1 reserved + 2 x 200 FAT sectors + 512 x 32 / 512 root sectors = 465
  EXPECT_EQ(FatClusterToSector(2, 512, boot, 32), 465u);
  EXPECT_EQ(FatClusterToSector(5, 512, boot, 32), 477u);
  EXPECT_EQ(FatClusterToSector(0x10005, 512, boot, 32), 477u) << "the cluster is taken as 16 bits";
  EXPECT_EQ(FatClusterToSector(2, 0, boot, 32), 465u) << "a zero sector size from a corrupt card counts as 512";
  EXPECT_EQ(FatClusterToSector(2, 1024, boot, 32), 449u);
}

TEST(FatGeometry, Fat32ClusterCountsAMissingFatCountAsOne) {
  EXPECT_EQ(Fat32ClusterToSector(2, BootSector(8, 32, 2, 0, 0, 0, 1000), 0), 2032u);
  EXPECT_EQ(Fat32ClusterToSector(3, BootSector(8, 32, 2, 0, 0, 63, 1000), 63), 2103u);
  EXPECT_EQ(Fat32ClusterToSector(2, BootSector(8, 32, 0, 0, 0, 0, 1000), 0), 1032u);
}

// A partitioned card whose boot sector leaves the hidden-sector field at 0 (or names another
// start): its clusters lie where the partition table puts the volume.
TEST(FatGeometry, ClustersCountFromTheVolumeStartNotTheHiddenSectorField) {
  EXPECT_EQ(FatClusterToSector(2, 512, BootSector(4, 1, 2, 512, 200, 0, 0), 63), 496u);
  EXPECT_EQ(FatClusterToSector(2, 512, BootSector(4, 1, 2, 512, 200, 100, 0), 0), 433u);
  EXPECT_EQ(Fat32ClusterToSector(2, BootSector(8, 32, 2, 0, 0, 0, 1000), 8192), 10224u);
  EXPECT_EQ(Fat32ClusterToSector(2, BootSector(8, 32, 2, 0, 0, 63, 1000), 0), 2032u);
}

TEST(FatGeometry, ByteSwapsOfScsiAnswers) {
  EXPECT_EQ(SwapBigEndian32(0x0001E9FF), 0xFFE90100u);
  EXPECT_EQ(SwapBigEndian16(0xABCD1234), 0x3412u);
  EXPECT_EQ(SwapBigEndian64(0x01020304, 0x05060708), 0x0403020108070605ULL);
}

TEST(SizeTexts, MediaWordsAndSizes) {
  std::string first = "old", second = "old";
  FormatSizeCodeTexts(5, first, 33, second);
  EXPECT_EQ(first, "SmartMedia 16 MB\n");
  EXPECT_EQ(second, "Memory Stick 8 MB\n");
  FormatSizeCodeTexts(9, first, 0, second);
  EXPECT_EQ(first, "");
  EXPECT_EQ(second, "");
  FormatSizeTexts(128, first, 0, second);
  EXPECT_EQ(first, " 128 MB\n");
  EXPECT_EQ(second, "");
}

}  // namespace
}  // namespace tarnlok
