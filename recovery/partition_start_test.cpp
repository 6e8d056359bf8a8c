// Where a card's volume begins, from a master boot record as readers and tools write it.
#include "recovery/partition_start.h"

#include "platform/win/layouts/byte_order.h"

#include <gtest/gtest.h>

#include <vector>

namespace recovery {
namespace {

std::vector<std::uint8_t> BootRecord() {
  std::vector<std::uint8_t> sector(512, 0);
  sector[0] = 0x33;  // code, not a jump
  sector[510] = 0x55;
  sector[511] = 0xAA;
  return sector;
}

void SetEntry(std::vector<std::uint8_t>& sector, int index, std::uint8_t type, std::uint32_t start) {
  const std::size_t at = 446 + 16 * static_cast<std::size_t>(index);
  sector[at + 4] = type;
  win::WriteLe32(sector, at + 8, start);
  win::WriteLe32(sector, at + 12, 1000);
}

TEST(PartitionedVolumeStart, TheFirstFatPartitionOnTheCardHoldsTheVolume) {
  auto sector = BootRecord();
  SetEntry(sector, 0, 0x07, 32);  // not FAT
  SetEntry(sector, 1, 0x06, 90000);  // past the card
  SetEntry(sector, 2, 0x0B, 63);
  SetEntry(sector, 3, 0x06, 2000);
  EXPECT_EQ(PartitionedVolumeStart(sector, 65536), 63u);
}

TEST(PartitionedVolumeStart, APartitionStartingAtTheCardsEndHoldsNoVolume) {
  // The card's last sector is 65535: a start of 65536 lies just past it.
  auto sector = BootRecord();
  SetEntry(sector, 0, 0x06, 65536);
  SetEntry(sector, 1, 0x06, 65535);
  EXPECT_EQ(PartitionedVolumeStart(sector, 65536), 65535u);
}

TEST(PartitionedVolumeStart, ABootSectorOrASectorWithoutTableIsTheVolumeItself) {
  auto sector = BootRecord();
  SetEntry(sector, 0, 0x06, 64);
  auto boot = sector;
  boot[0] = 0xEB;
  boot[2] = 0x90;
  EXPECT_EQ(PartitionedVolumeStart(boot, 65536), 0u);
  auto unsigned_ = sector;
  unsigned_[511] = 0;
  EXPECT_EQ(PartitionedVolumeStart(unsigned_, 65536), 0u);
  auto badStatus = sector;
  badStatus[446] = 0x12;
  EXPECT_EQ(PartitionedVolumeStart(badStatus, 65536), 0u);
  EXPECT_EQ(PartitionedVolumeStart(std::vector<std::uint8_t>(100, 0), 65536), 0u);
  EXPECT_EQ(PartitionedVolumeStart(sector, 65536), 64u);
}

}  // namespace
}  // namespace recovery
