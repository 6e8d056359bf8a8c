// Boot sectors with one field out of the range the FAT standard allows are not volumes.
#include "platform/machine/fat/fat_boot_sector.h"
#include "platform/machine/fat/fat_partition.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/machine/cards/memory_sector_device.h"
#include "platform/machine/testing/fat_images.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace machine {
namespace {

class FatBootSectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto image = test_support::MakeImage("floppy.img", test_support::FatKind::Floppy12, false);
    bytes_ = test_support::ReadHostFile(image.path);
    ASSERT_TRUE(ParseBootSector(Sector(), Sectors()).ok());
  }
  std::span<const std::uint8_t> Sector() const { return std::span(bytes_).first(512); }
  std::uint64_t Sectors() const { return bytes_.size() / 512; }
  win::DWORD ParseWith(std::size_t offset, std::size_t width, std::uint32_t value) {
    auto patched = bytes_;
    test_support::PatchLe(patched, offset, width, value);
    return ParseBootSector(std::span(patched).first(512), Sectors()).error();
  }

  std::vector<std::uint8_t> bytes_;
};

TEST_F(FatBootSectorTest, FieldsOutOfRangeAreUnrecognized) {
  struct Case {
    const char* what;
    std::size_t offset;
    std::size_t width;
    std::uint32_t value;
  };
  const Case cases[] = {
      {"no jump", 0, 1, 0x00},
      {"1024-byte sectors", 11, 2, 1024},
      {"no sector size", 11, 2, 0},
      {"3 sectors a cluster", 13, 1, 3},
      {"no cluster size", 13, 1, 0},
      {"no reserved sector", 14, 2, 0},
      {"no FAT", 16, 1, 0},
      {"bad media", 21, 1, 0x12},
      {"no FAT size", 22, 2, 0},
      {"FAT too small", 22, 2, 1},
      {"more sectors than the card", 19, 2, 5000},
      {"metadata past the end", 14, 2, 2880},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ParseWith(c.offset, c.width, c.value), win::ERROR_UNRECOGNIZED_VOLUME) << c.what;
}

TEST_F(FatBootSectorTest, TheClusterCountDecidesTheType) {
  const auto geometry = ParseBootSector(Sector(), Sectors());
  EXPECT_EQ(geometry->type, FatType::Fat12);
  EXPECT_EQ(geometry->clusterCount, 2847u);
  EXPECT_EQ(geometry->label, "TESTVOL");
  // A FAT32 layout (16-bit FAT size 0, no root entries) with FAT12's cluster count is no volume.
  auto patched = bytes_;
  win::WriteLe16(patched, 22, 0);
  win::WriteLe32(patched, 36, 9);
  win::WriteLe16(patched, 17, 0);
  EXPECT_EQ(ParseBootSector(std::span(patched).first(512), Sectors()).error(), win::ERROR_UNRECOGNIZED_VOLUME);
}

// A boot sector of one-sector clusters with exactly the cluster count asked, in the FAT12/16
// layout (root directory of 512 entries) or the FAT32 one.
std::vector<std::uint8_t> BootSectorWithClusters(std::uint32_t clusters, bool fat32Layout) {
  constexpr std::uint32_t kReserved = 32;
  constexpr std::uint32_t kFatSectors = 520;  // room for FAT32 entries of 66,000 clusters
  const std::uint32_t rootSectors = fat32Layout ? 0 : 32;
  std::vector<std::uint8_t> sector(512, 0);
  sector[0] = 0xEB;
  win::WriteLe16(sector, 11, 512);
  sector[13] = 1;
  win::WriteLe16(sector, 14, kReserved);
  sector[16] = 2;
  win::WriteLe16(sector, 17, fat32Layout ? 0 : 512);
  sector[21] = 0xF8;
  win::WriteLe32(sector, 32, kReserved + 2 * kFatSectors + rootSectors + clusters);
  if (fat32Layout) {
    win::WriteLe32(sector, 36, kFatSectors);
    win::WriteLe32(sector, 44, 2);
  } else {
    win::WriteLe16(sector, 22, kFatSectors);
  }
  return sector;
}

// The first count of each type is the standard's: 4084 clusters are FAT12 and 4085 FAT16;
// 65524 are FAT16 and 65525 FAT32, which then needs the FAT32 layout.
TEST(FatTypeBoundaries, TheStandardsClusterCountsDecideTheType) {
  struct Case {
    std::uint32_t clusters;
    bool fat32Layout;
    std::optional<FatType> type;
  };
  const Case cases[] = {
      {4084, false, FatType::Fat12}, {4085, false, FatType::Fat16}, {65524, false, FatType::Fat16},
      {65525, false, std::nullopt},  {65524, true, std::nullopt},   {65525, true, FatType::Fat32},
  };
  for (const Case& c : cases) {
    const auto sector = BootSectorWithClusters(c.clusters, c.fat32Layout);
    const auto geometry = ParseBootSector(sector, 1U << 20);
    SCOPED_TRACE(testing::Message() << c.clusters << (c.fat32Layout ? " in the FAT32 layout" : ""));
    if (!c.type) {
      EXPECT_FALSE(geometry.ok()) << "the layout contradicts the count";
      continue;
    }
    ASSERT_TRUE(geometry.ok());
    EXPECT_EQ(geometry->clusterCount, c.clusters);
    EXPECT_EQ(geometry->type, *c.type);
  }
}

TEST_F(FatBootSectorTest, PartitionTablesAreSearchedForAFatPartition) {
  // A card with an MBR whose first entry is not FAT and whose second holds the floppy volume.
  std::vector<std::uint8_t> card(512 * 64, 0);
  card.insert(card.end(), bytes_.begin(), bytes_.end());
  card[446 + 4] = 0x83;
  win::WriteLe32(card, 446 + 8, 1);
  win::WriteLe32(card, 446 + 12, 10);
  card[462 + 4] = 0x01;
  win::WriteLe32(card, 462 + 8, 64);
  win::WriteLe32(card, 462 + 12, static_cast<std::uint32_t>(Sectors()));
  card[510] = 0x55;
  card[511] = 0xAA;
  MemorySectorDevice device(card);
  const auto extent = FindFatVolume(device);
  ASSERT_TRUE(extent.ok());
  EXPECT_EQ(extent->firstSector, 64u);
  EXPECT_EQ(extent->sectorCount, Sectors());
  // A partition reaching past the card's end is passed over; a bad status byte ends the search.
  win::WriteLe32(card, 462 + 12, static_cast<std::uint32_t>(Sectors() + 1));
  EXPECT_EQ(FindFatVolume(*std::make_unique<MemorySectorDevice>(card)).error(), win::ERROR_UNRECOGNIZED_VOLUME);
  win::WriteLe32(card, 462 + 12, static_cast<std::uint32_t>(Sectors()));
  card[446] = 0x12;
  EXPECT_EQ(FindFatVolume(*std::make_unique<MemorySectorDevice>(card)).error(), win::ERROR_UNRECOGNIZED_VOLUME);
}

}  // namespace
}  // namespace machine
