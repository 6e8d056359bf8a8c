// Fresh cards: every factory layout judged by fsck.fat and mtools, reproducible bytes, and
// existing images left alone.
#include "platform/machine/factory_format.h"
#include "platform/machine/fresh_card.h"
#include "platform/machine/testing/fat_images.h"

#include "platform/machine/fat_partition.h"
#include "platform/machine/image_file_device.h"
#include "platform/win/manual_clock.h"
#include "platform/win/system_clock.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

namespace machine {
namespace {

using testing::CheckWithFsck;
using testing::Quote;
using testing::RunTool;
using testing::TestImage;

struct FreshCase {
  const char* name;
  CardKind kind;
  std::uint64_t sectors;
  bool partitioned;
  const char* fatType;  // as minfo names it
};

CardDescription CardOf(const FreshCase& fresh) {
  CardDescription card;
  card.kind = fresh.kind;
  card.sectors = fresh.sectors;
  card.image = tarnlok::testing::TestDataHome() / "cards" / (std::string(fresh.name) + ".img");
  return card;
}

TEST(FreshCard, EveryFactoryLayoutIsASoundVolumeForFsckAndMtools) {
  const FreshCase cases[] = {
      {"floppy", CardKind::Floppy, 2880, false, "FAT12"},
      {"ls120", CardKind::Floppy, 245760, false, "FAT16"},
      {"cf8", CardKind::CompactFlash, 16384, true, "FAT12"},
      {"cf64", CardKind::CompactFlash, 131072, true, "FAT16"},
      {"sd256", CardKind::MmcSd, 524288, true, "FAT16"},
      {"mspro2g", CardKind::MemoryStickPro, 4300000, true, "FAT32"},
  };
  for (const FreshCase& fresh : cases) {
    SCOPED_TRACE(fresh.name);
    const CardDescription card = CardOf(fresh);
    ASSERT_TRUE(MakeFreshCardImage(card, 0x1234ABCD));
    EXPECT_EQ(std::filesystem::file_size(card.image), fresh.sectors * 512);

    auto device = ImageFileDevice::Open(card.image, true);
    ASSERT_TRUE(device.ok());
    const auto extent = FindFatVolume(**device);
    ASSERT_TRUE(extent.ok()) << extent.error();
    EXPECT_EQ(extent->firstSector != 0, fresh.partitioned);
    EXPECT_EQ(extent->firstSector + extent->sectorCount, fresh.sectors);

    const TestImage image{card.image, extent->firstSector * 512, testing::FatKind::Fat16};
    const auto fsck = CheckWithFsck(image);
    EXPECT_EQ(fsck.status, 0) << fsck.output;
    const auto info = RunTool("minfo -i " + Quote(image.MtoolsTarget()) + " ::");
    EXPECT_EQ(info.status, 0) << info.output;
    EXPECT_NE(info.output.find("serial number: 1234ABCD"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find(std::string("disk type=\"") + fresh.fatType), std::string::npos) << info.output;
    const auto listing = RunTool("mdir -i " + Quote(image.MtoolsTarget()) + " ::");
    EXPECT_EQ(listing.status, 0) << listing.output;
    EXPECT_NE(listing.output.find("No files"), std::string::npos) << listing.output;
    std::filesystem::remove(card.image);
  }
}

TEST(FreshCard, LayoutsFollowTheFormatterTables) {
  const auto floppy = FactoryLayoutFor(CardKind::Floppy, 2880);
  EXPECT_EQ(floppy.rootEntries, 224U);
  EXPECT_EQ(floppy.sectorsPerFat, 9U);
  EXPECT_EQ(floppy.media, 0xF0);
  EXPECT_EQ(floppy.sectorsPerTrack, 18U);
  const auto cf = FactoryLayoutFor(CardKind::CompactFlash, 131072);
  EXPECT_EQ(cf.volumeStart, 63U);
  EXPECT_EQ(cf.partitionType, 0x06);
  EXPECT_EQ(cf.sectorsPerCluster, 2U);  // 1 KB clusters up to 64 MB
  EXPECT_EQ(FactoryLayoutFor(CardKind::MmcSd, 524288).sectorsPerCluster, 8U);
  EXPECT_EQ(FactoryLayoutFor(CardKind::MmcSd, 32768).partitionType, 0x01);  // 16 MB: FAT12
  EXPECT_EQ(FactoryLayoutFor(CardKind::MmcSd, 65536).partitionType, 0x04);  // FAT16 below 32 MB
  const auto large = FactoryLayoutFor(CardKind::MemoryStickPro, 8388608);
  EXPECT_EQ(large.type, FatType::Fat32);
  EXPECT_EQ(large.volumeStart, 8192U);
  EXPECT_EQ(large.reservedSectors, 32U);
  EXPECT_THROW(FactoryLayoutFor(CardKind::CompactFlash, 100), MachineDescriptionError);
}

TEST(FreshCard, SameSerialGivesTheSameBytesAndAFixedClockTheSameSerial) {
  const auto clock = win::ManualClock::Install();
  const std::uint32_t serial = SerialFromClock();
  EXPECT_EQ(SerialFromClock(), serial);
  clock->Advance(1000);
  EXPECT_NE(SerialFromClock(), serial);
  win::SetClock(nullptr);

  CardDescription first = CardOf({"one", CardKind::CompactFlash, 65536, true, ""});
  CardDescription second = CardOf({"two", CardKind::CompactFlash, 65536, true, ""});
  ASSERT_TRUE(MakeFreshCardImage(first, serial));
  ASSERT_TRUE(MakeFreshCardImage(second, serial));
  EXPECT_EQ(testing::ReadHostFile(first.image), testing::ReadHostFile(second.image));
}

TEST(FreshCard, AnExistingImageIsNeverRewritten) {
  CardDescription card = CardOf({"kept", CardKind::CompactFlash, 4096, true, ""});
  std::filesystem::create_directories(card.image.parent_path());
  const auto bytes = testing::Pattern(4096 * 512, 7);
  testing::WriteHostFile(card.image, bytes);
  EXPECT_FALSE(MakeFreshCardImage(card, 1));
  EXPECT_EQ(testing::ReadHostFile(card.image), bytes);
}

}  // namespace
}  // namespace machine
