// The layout arithmetic against the system's reading of a FAT volume: the width follows the
// cluster count, the FAT holds every cluster, and the tables' own layouts stand wherever the
// system reads them as written.
#include "formatlib/fat/drive_fat32_format.h"
#include "formatlib/fat/fat32_formatter.h"
#include "formatlib/fat/fat_layout.h"
#include "formatlib/fat/floppy_format.h"
#include "formatlib/fat/geometry_rules.h"

#include "platform/win/layouts/byte_order.h"

#include <gtest/gtest.h>

namespace pradvik {
namespace {

TEST(FatLayoutTest, TheWidthFollowsTheClusterCount) {
  EXPECT_EQ(FatBitsFor(4084), 12);
  EXPECT_EQ(FatBitsFor(4085), 16);
  EXPECT_EQ(FatBitsFor(65524), 16);
  EXPECT_EQ(FatBitsFor(65525), 32);
  // Two reserved entries besides one per cluster.
  EXPECT_EQ(FatSectorsFor(254, 16), 1u);
  EXPECT_EQ(FatSectorsFor(255, 16), 2u);
  EXPECT_EQ(FatSectorsFor(339, 12), 1u);
  EXPECT_EQ(FatSectorsFor(340, 12), 2u);
}

TEST(FatLayoutTest, ATableLayoutTheSystemReadsAsWrittenIsKept) {
  // MMC/SD of 32 MiB: 32-sector clusters, data on 32 sectors, FAT12.
  const FatLayout layout = SoundAlignedFat16Layout(65537, 32, 32, 12);
  EXPECT_TRUE(IsSoundFatLayout(layout));
  EXPECT_EQ(layout.fatBits, 12);
  EXPECT_EQ(layout.sectorsPerCluster, 32);
  EXPECT_EQ((layout.partitionStart + SystemSectors(layout)) % 32, 0u);
  EXPECT_EQ(layout.partitionStart + layout.volumeSectors, 65537u);
}

TEST(FatLayoutTest, TooManyClustersForTwelveBitsTakeSixteen) {
  // The 64 MB card: the table's FAT12 would hold some 4093 clusters.
  const FatLayout table = AlignedFatLayout(131072, 32, 32, 12, 1, 512);
  EXPECT_GT(ClusterCount(table), kMostFat12Clusters);
  const FatLayout sound = SoundAlignedFat16Layout(131072, 32, 32, 12);
  EXPECT_TRUE(IsSoundFatLayout(sound));
  EXPECT_EQ(sound.fatBits, 16);
  EXPECT_EQ(sound.sectorsPerCluster, 32);
}

TEST(FatLayoutTest, TooManyClustersForSixteenBitsTakeLargerClusters) {
  const FatLayout sound = SoundAlignedFat16Layout(2099200, 32, 128, 16);
  EXPECT_TRUE(IsSoundFatLayout(sound));
  EXPECT_EQ(sound.sectorsPerCluster, 64);
}

TEST(FatLayoutTest, ACountBetweenTheWidthsKeepsTwelveBitsOnAShorterVolume) {
  // 4086 one-sector clusters fit a 12-bit FAT of 12 sectors but not a 16-bit one of 17.
  FatLayout layout;
  layout.volumeSectors = 1 + 2 * 12 + 32 + 4086;
  layout.sectorsPerFat = 12;
  FitFat16Layout(layout);
  EXPECT_TRUE(IsSoundFatLayout(layout));
  EXPECT_EQ(layout.fatBits, 12);
  EXPECT_EQ(ClusterCount(layout), kMostFat12Clusters);
}

TEST(FatLayoutTest, ABootableLayoutsFatHoldsEveryCluster) {
  for (std::uint32_t sectors = 8000; sectors < 300000; sectors += 997) {
    for (const std::uint8_t cluster : {2, 4, 8}) {
      const FatLayout layout = TrackAlignedFat16Layout(sectors, 32, cluster);
      EXPECT_TRUE(IsSoundFatLayout(layout)) << sectors << " " << int{cluster};
      EXPECT_EQ(layout.partitionStart, 32u);
    }
  }
}

TEST(FatLayoutTest, TheFat32SearchNeverReachesAClusterOfNoSectors) {
  const FatLayout small = Fat32CardLayout(70000);
  EXPECT_EQ(small.sectorsPerCluster, 1);
  const FatLayout justAbove = Fat32CardLayout(4001953);
  EXPECT_EQ(justAbove.sectorsPerCluster, 16);
  EXPECT_TRUE(IsSoundFatLayout(justAbove));
  const FatLayout large = Fat32CardLayout(7812499);  // 4000 MB
  EXPECT_EQ(large.sectorsPerCluster, 64);
  EXPECT_EQ((large.partitionStart + SystemSectors(large)) % 256, 0u);
}

TEST(FatLayoutTest, TheDriveFat32LayoutWeighsTheBytesInSixtyFourBits) {
  // 64 MB: one-sector clusters, the rule-of-thumb FAT grown until it holds every cluster.
  const auto small = Fat32DriveLayout(125001, 512, 32);
  ASSERT_TRUE(small.has_value());
  EXPECT_EQ(small->sectorsPerCluster, 1);
  EXPECT_TRUE(IsSoundFatLayout(*small));
  // 563 MB: eight-sector clusters, where the rule of thumb falls two sectors short.
  const auto middle = Fat32DriveLayout(1100000, 512, 63);
  ASSERT_TRUE(middle.has_value());
  EXPECT_EQ(middle->sectorsPerCluster, 8);
  EXPECT_TRUE(IsSoundFatLayout(*middle));
  // Above 4 GiB the bytes no longer fit 32 bits: still eight-sector clusters over the whole card.
  const auto large = Fat32DriveLayout(8388609, 512, 63);
  ASSERT_TRUE(large.has_value());
  EXPECT_EQ(large->sectorsPerCluster, 8);
  EXPECT_EQ(large->volumeSectors, 8388609u - 63);
  EXPECT_TRUE(IsSoundFatLayout(*large));
  // 16 MB cannot hold 65525 clusters.
  EXPECT_FALSE(Fat32DriveLayout(32768, 512, 32).has_value());
}

TEST(FatLayoutTest, GeometryTablesAtTheirSteps) {
  EXPECT_EQ(DriveGeometry(kKindMmcSd, false, false, 510).heads, 32);
  EXPECT_EQ(DriveGeometry(kKindMmcSd, false, false, 600).heads, 64);
  EXPECT_EQ(DriveGeometry(kKindMmcSd, false, false, 64).heads, 8);
  EXPECT_EQ(DriveGeometry(kKindMmcSd, false, false, 64).sectorsPerTrack, 32);
  EXPECT_EQ(DriveGeometry(kKindMmcSd, true, true, 600).heads, 16);
  EXPECT_EQ(DriveGeometry(kKindCompactFlash, true, true, 600).heads, 64);
  EXPECT_EQ(Fat16PlainGeometry(kKindMmcSd, false, 2).sectorsPerTrack, 16);
  EXPECT_EQ(Fat16PlainGeometry(kKindCompactFlash, true, 130).heads, 8);
  EXPECT_EQ(Fat16PlainGeometry(kKindCompactFlash, false, 130).heads, 16);
  EXPECT_EQ(OtherMakerClusterSectors(20), 2);
  EXPECT_EQ(BootClusterSectors(15), 8);
  EXPECT_EQ(BootClusterSectors(16), 4);
}

TEST(FatLayoutTest, AFullFloppyFormatKeepsTheTotalInAFieldThatHoldsIt) {
  const Sector floppy = FloppyBootRecord(2880, 1);
  EXPECT_EQ(win::ReadLe16(floppy, 19), 2880);
  EXPECT_EQ(win::ReadLe16(floppy, 22), 9);
  const Sector large = FloppyBootRecord(245000, 119);
  EXPECT_EQ(win::ReadLe16(large, 19), 0);
  EXPECT_EQ(win::ReadLe32(large, 32), 245000u);
  EXPECT_EQ(large[13], 4);
  const Sector middle = FloppyBootRecord(40000, 19);
  EXPECT_EQ(win::ReadLe16(middle, 19), 40000);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(middle.data()) + 54, 8), "FAT16   ");
}

TEST(FatLayoutTest, AQuickFloppyFormatRefusesABootRecordOutsideTheDisk) {
  Sector boot = FloppyBootRecord(2880, 1);
  EXPECT_TRUE(ReadFloppyVolume(boot, 2880).has_value());
  win::WriteLe16(boot, 11, 0);
  EXPECT_FALSE(ReadFloppyVolume(boot, 2880).has_value());
  boot = FloppyBootRecord(2880, 1);
  win::WriteLe16(boot, 22, 0xFFFF);
  EXPECT_FALSE(ReadFloppyVolume(boot, 2880).has_value());
}

TEST(FatLayoutTest, AQuickFloppyFormatClearsAPartlyFilledRootSector) {
  Sector boot = FloppyBootRecord(2880, 1);
  win::WriteLe16(boot, 17, 225);  // fourteen sectors of entries and one in a fifteenth
  const auto volume = ReadFloppyVolume(boot, 2880);
  ASSERT_TRUE(volume.has_value());
  EXPECT_EQ(volume->systemSectors, 15u + 2 * 9);
}

}  // namespace
}  // namespace pradvik
