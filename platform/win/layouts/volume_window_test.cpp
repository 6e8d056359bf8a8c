// Where a card's volume lies, from a master boot record as readers, cameras and tools write it.
#include "platform/win/layouts/volume_window.h"

#include "platform/win/layouts/byte_order.h"

#include <gtest/gtest.h>

#include <vector>

namespace win {
namespace {

constexpr std::uint64_t kCard = 2000;

void SetEntry(std::vector<std::uint8_t>& sector, std::size_t index, std::uint8_t type, std::uint32_t start,
              std::uint32_t count = 100) {
  const std::size_t at = 446 + 16 * index;
  sector[at + 4] = type;
  WriteLe32(sector, at + 8, start);
  WriteLe32(sector, at + 12, count);
}

std::vector<std::uint8_t> Mbr(std::uint8_t boot, std::uint8_t type, std::uint32_t start, std::uint32_t count,
                              std::size_t entry = 0) {
  std::vector<std::uint8_t> sector(512, 0);
  sector[0] = 0x33;  // code, not a jump
  sector[446 + 16 * entry] = boot;
  SetEntry(sector, entry, type, start, count);
  WriteLe16(sector, 510, 0xAA55);
  return sector;
}

TEST(PartitionTable, FirstUsedEntryGivesTheVolume) {
  const auto window = FindVolumeWindow(Mbr(0x80, 0x0B, 63, 1000), kCard);
  EXPECT_TRUE(window.partitioned);
  EXPECT_EQ(window.firstSector, 63U);
  EXPECT_EQ(window.sectors, 1000U);
  EXPECT_EQ(window.partitionType, 0x0B);
  const auto second = FindVolumeWindow(Mbr(0x00, 0x06, 32, 100, 2), kCard);
  EXPECT_EQ(second.firstSector, 32U);
}

TEST(PartitionTable, DamagedEntriesNeverReachOutsideTheCard) {
  EXPECT_EQ(FindVolumeWindow(Mbr(0x80, 0x06, 63, 0xFFFFFFFF), kCard).sectors, kCard - 63);
  const auto beyond = FindVolumeWindow(Mbr(0x80, 0x06, 5000, 10), kCard);
  EXPECT_FALSE(beyond.partitioned);
  EXPECT_EQ(beyond.sectors, kCard);
  EXPECT_FALSE(FindVolumeWindow(Mbr(0x80, 0x06, 0, 100), kCard).partitioned);  // starts at the MBR itself
  EXPECT_FALSE(FindVolumeWindow(Mbr(0x37, 0x06, 63, 100), kCard).partitioned);  // no boot flag value
  EXPECT_FALSE(FindVolumeWindow(Mbr(0x80, 0x00, 63, 100), kCard).partitioned);
  auto unsigned_ = Mbr(0x80, 0x06, 63, 100);
  unsigned_[511] = 0;
  EXPECT_FALSE(FindVolumeWindow(unsigned_, kCard).partitioned);
  EXPECT_FALSE(FindVolumeWindow(std::vector<std::uint8_t>(100, 0xFF), kCard).partitioned);
  EXPECT_FALSE(FindVolumeWindow(std::vector<std::uint8_t>(511, 0), kCard).partitioned);
}

TEST(PartitionTable, APartitionMustStartBeforeTheCardsEnd) {
  auto sector = Mbr(0x00, 0x06, kCard, 10);  // just past the last sector
  SetEntry(sector, 1, 0x06, kCard - 1);
  const auto window = FindVolumeWindow(sector, kCard);
  EXPECT_EQ(window.firstSector, kCard - 1);
  EXPECT_EQ(window.sectors, 1U);
}

TEST(PartitionTable, BootSectorAtSectorZeroIsASuperfloppy) {
  auto boot = Mbr(0x80, 0x06, 63, 100);  // a partition entry that is really boot code
  boot[0] = 0xEB;
  boot[1] = 0x3C;
  boot[2] = 0x90;
  WriteLe16(boot, 11, 512);
  boot[13] = 8;
  WriteLe16(boot, 14, 1);
  boot[16] = 2;
  const auto window = FindVolumeWindow(boot, kCard);
  EXPECT_FALSE(window.partitioned);
  EXPECT_EQ(window.firstSector, 0U);
  EXPECT_EQ(window.sectors, kCard);
  boot[13] = 3;  // not a power of two: not a boot sector, so the table counts
  EXPECT_TRUE(FindVolumeWindow(boot, kCard).partitioned);
  boot[13] = 8;
  for (const std::uint16_t bytesPerSector : {256, 8192}) {  // powers of two no FAT sector has
    WriteLe16(boot, 11, bytesPerSector);
    EXPECT_TRUE(FindVolumeWindow(boot, kCard).partitioned) << bytesPerSector;
  }
}

// Boot managers' master boot records open with a jump as boot sectors do (EB 63 90, E9 xx xx);
// without a parameter block behind it the sector is a table, and the volume lies in its entry.
TEST(PartitionTable, AMasterBootRecordOpeningWithAJumpStillHoldsTheTable) {
  auto sector = Mbr(0x80, 0x06, 64, 1000);
  sector[0] = 0xEB;
  sector[1] = 0x63;
  sector[2] = 0x90;
  EXPECT_EQ(FindVolumeWindow(sector, kCard).firstSector, 64U);
  sector[0] = 0xE9;
  EXPECT_EQ(FindVolumeWindow(sector, kCard).firstSector, 64U);
}

// The type byte does not decide where the volume is: the system mounts the first used entry by
// the boot sector it finds there, as with a FAT volume in an entry a tool left typed 0x07.
TEST(PartitionTable, TheFirstUsedEntryCountsWhateverItsType) {
  auto sector = Mbr(0x00, 0x07, 32, 1000);
  SetEntry(sector, 1, 0x06, 1200);
  const auto window = FindVolumeWindow(sector, kCard);
  EXPECT_EQ(window.firstSector, 32U);
  EXPECT_EQ(window.partitionType, 0x07);
}

// An entry of no sectors is unused, even when a start was left in it.
TEST(PartitionTable, AnEntryWithoutSectorsIsPassedOver) {
  auto sector = Mbr(0x00, 0x06, 32, 0);
  SetEntry(sector, 1, 0x06, 64, 1000);
  EXPECT_EQ(FindVolumeWindow(sector, kCard).firstSector, 64U);
}

}  // namespace
}  // namespace win
