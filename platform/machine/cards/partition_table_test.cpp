#include "platform/machine/partition_table.h"

#include "platform/win/byte_order.h"

#include <gtest/gtest.h>

#include <vector>

namespace machine {
namespace {

std::vector<std::uint8_t> Mbr(std::uint8_t boot, std::uint8_t type, std::uint32_t start, std::uint32_t count,
                              std::size_t entry = 0) {
  std::vector<std::uint8_t> sector(512, 0);
  const std::size_t at = 446 + entry * 16;
  sector[at] = boot;
  sector[at + 4] = type;
  win::WriteLe32(sector, at + 8, start);
  win::WriteLe32(sector, at + 12, count);
  win::WriteLe16(sector, 510, 0xAA55);
  return sector;
}

TEST(PartitionTable, FirstUsedEntryGivesTheVolume) {
  const auto window = FindVolumeWindow(Mbr(0x80, 0x0B, 63, 1000), 2000);
  EXPECT_TRUE(window.partitioned);
  EXPECT_EQ(window.firstSector, 63U);
  EXPECT_EQ(window.sectors, 1000U);
  EXPECT_EQ(window.partitionType, 0x0B);
  const auto second = FindVolumeWindow(Mbr(0x00, 0x06, 32, 100, 2), 2000);
  EXPECT_EQ(second.firstSector, 32U);
}

TEST(PartitionTable, DamagedEntriesNeverReachOutsideTheCard) {
  EXPECT_EQ(FindVolumeWindow(Mbr(0x80, 0x06, 63, 0xFFFFFFFF), 2000).sectors, 2000U - 63);
  const auto beyond = FindVolumeWindow(Mbr(0x80, 0x06, 5000, 10), 2000);
  EXPECT_FALSE(beyond.partitioned);
  EXPECT_EQ(beyond.sectors, 2000U);
  EXPECT_FALSE(FindVolumeWindow(Mbr(0x80, 0x06, 0, 100), 2000).partitioned);  // starts at the MBR itself
  EXPECT_FALSE(FindVolumeWindow(Mbr(0x37, 0x06, 63, 100), 2000).partitioned);  // no boot flag value
  EXPECT_FALSE(FindVolumeWindow(Mbr(0x80, 0x00, 63, 100), 2000).partitioned);
  auto unsigned_ = Mbr(0x80, 0x06, 63, 100);
  unsigned_[511] = 0;
  EXPECT_FALSE(FindVolumeWindow(unsigned_, 2000).partitioned);
  EXPECT_FALSE(FindVolumeWindow(std::vector<std::uint8_t>(100, 0xFF), 2000).partitioned);
}

TEST(PartitionTable, BootSectorAtSectorZeroIsASuperfloppy) {
  auto boot = Mbr(0x80, 0x06, 63, 100);  // a partition entry that is really boot code
  boot[0] = 0xEB;
  boot[1] = 0x3C;
  boot[2] = 0x90;
  win::WriteLe16(boot, 11, 512);
  boot[13] = 8;
  win::WriteLe16(boot, 14, 1);
  boot[16] = 2;
  const auto window = FindVolumeWindow(boot, 2000);
  EXPECT_FALSE(window.partitioned);
  EXPECT_EQ(window.firstSector, 0U);
  EXPECT_EQ(window.sectors, 2000U);
  boot[13] = 3;  // not a power of two: not a boot sector, so the table counts
  EXPECT_TRUE(FindVolumeWindow(boot, 2000).partitioned);
}

}  // namespace
}  // namespace machine
