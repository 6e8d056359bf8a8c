// The volume's sectors by media size code: partition entry, parameter block and FAT heads, with
// the boot record lying where both the partition entry and the parameter block say.
#include "formatlib/flash/volume_records.h"

#include "formatlib/flash/boot_loader.h"
#include "formatlib/flash/media_geometry.h"

#include "platform/win/layouts/byte_order.h"

#include <gtest/gtest.h>

#include <string>

namespace pradvik {
namespace {

TEST(MediaGeometry, DeviceCodesAndPageCountsChooseTheCode) {
  EXPECT_EQ(SmartMediaCodeOf(0xEC), 1);
  EXPECT_EQ(SmartMediaCodeOf(0xEA), 2);
  EXPECT_EQ(SmartMediaCodeOf(0xE5), 3);
  EXPECT_EQ(SmartMediaCodeOf(0xD5), 12);
  EXPECT_FALSE(SmartMediaCodeOf(0x42).has_value());
  EXPECT_EQ(MemoryStickCodeOf(8192), 32);
  EXPECT_EQ(MemoryStickCodeOf(8193), 33);
  EXPECT_EQ(MemoryStickCodeOf(262144), 37);
  EXPECT_FALSE(MemoryStickCodeOf(262145).has_value());
  EXPECT_FALSE(MemoryStickCodeOf(0).has_value());
  EXPECT_EQ(FindGeometryForFamily(9, false), nullptr);
  EXPECT_NE(FindGeometryForFamily(9, true), nullptr);
  EXPECT_EQ(FindGeometry(13), nullptr);
  EXPECT_EQ(FindGeometry(31), nullptr);
}

// The partition's CHS start must name the same sector as its LBA start and the hidden sectors,
// and the volume must end inside the logical sectors the reader shows (hidden + total).
TEST(MediaGeometry, PartitionStartAgreesWithTheHiddenSectorsForEveryCode) {
  for (const int code : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 32, 33, 34, 35, 36, 37}) {
    const MediaGeometry& g = *FindGeometry(static_cast<std::uint8_t>(code));
    const std::uint32_t lba =
        (std::uint32_t{g.partitionStart.cylinder} * g.heads + g.partitionStart.head) * g.sectorsPerTrack +
        g.partitionStart.sector - 1;
    EXPECT_EQ(lba, g.hiddenSectors) << "code " << code;
    EXPECT_EQ(g.BootRecordOffset(), g.hiddenSectors * g.PagesPerSector()) << "code " << code;
  }
  EXPECT_EQ(FindGeometry(2)->hiddenSectors, 11U);
  EXPECT_EQ(FindGeometry(1)->BootRecordOffset(), 26U);
  EXPECT_EQ(FindGeometry(10)->hiddenSectors, 53U);
}

TEST(VolumeRecords, MasterBootRecordCarriesOnePartitionAndOptionalBootCode) {
  const MediaGeometry& code10 = *FindGeometry(10);
  const Sector plain = BuildMasterBootRecord(code10, false);
  EXPECT_TRUE(std::all_of(plain.begin(), plain.begin() + 446, [](std::uint8_t b) { return b == 0; }));
  EXPECT_EQ(plain[446], 0x80);
  EXPECT_EQ(plain[446 + 4], 0x06);
  EXPECT_EQ(win::ReadLe32(plain, 446 + 8), 53U);
  EXPECT_EQ(win::ReadLe32(plain, 446 + 12), 1023051U);
  // Start (0, 0, 54), end (1014, 15, 63): cylinder bits 8-9 ride in the sector byte.
  EXPECT_EQ(plain[447], 0);
  EXPECT_EQ(plain[448], 54);
  EXPECT_EQ(plain[449], 0);
  EXPECT_EQ(plain[451], 15);
  EXPECT_EQ(plain[452], 63 | ((1014 >> 2) & 0xC0));
  EXPECT_EQ(plain[453], 1014 & 0xFF);
  EXPECT_TRUE(std::all_of(plain.begin() + 462, plain.begin() + 510, [](std::uint8_t b) { return b == 0; }));
  EXPECT_EQ(plain[510], 0x55);
  EXPECT_EQ(plain[511], 0xAA);

  const Sector booting = BuildMasterBootRecord(code10, true);
  const auto loader = BootLoaderTemplate();
  ASSERT_LE(loader.size(), 446U);
  EXPECT_TRUE(std::equal(loader.begin(), loader.end(), booting.begin()));
  EXPECT_EQ(booting[36], 0x80);
  const std::string code(booting.begin(), booting.begin() + 446);
  for (const char* message :
       {"Invalid partition table", "Error loading operating system", "Missing operating system"}) {
    EXPECT_NE(code.find(message), std::string::npos) << message;
  }
}

TEST(VolumeRecords, BootRecordParameterBlockFollowsTheCode) {
  const Sector fat12 = BuildBootRecord(*FindGeometry(3), false);
  EXPECT_EQ(fat12[0], 0xE9);
  EXPECT_EQ(win::ReadLe16(fat12, 11), 512);
  EXPECT_EQ(fat12[13], 16);
  EXPECT_EQ(win::ReadLe16(fat12, 14), 1);
  EXPECT_EQ(fat12[16], 2);
  EXPECT_EQ(win::ReadLe16(fat12, 17), 256);
  EXPECT_EQ(win::ReadLe16(fat12, 19), 7973);
  EXPECT_EQ(fat12[21], 0xF8);
  EXPECT_EQ(win::ReadLe16(fat12, 22), 2);
  EXPECT_EQ(win::ReadLe32(fat12, 28), 27U);
  EXPECT_EQ(win::ReadLe32(fat12, 32), 0U);
  EXPECT_EQ(fat12[38], 0);
  EXPECT_EQ(std::string(fat12.begin() + 54, fat12.begin() + 62), "FAT12   ");

  const Sector stick = BuildBootRecord(*FindGeometry(37), true);
  EXPECT_EQ(stick[38], 0x29);
  EXPECT_EQ(win::ReadLe16(stick, 19), 0);
  EXPECT_EQ(win::ReadLe32(stick, 32), 253407U);
  EXPECT_EQ(std::string(stick.begin() + 54, stick.begin() + 62), "FAT16   ");

  EXPECT_EQ(BuildFirstFatSector(*FindGeometry(37))[3], 0xFF);
  EXPECT_EQ(BuildFirstFatSector(*FindGeometry(8))[3], 0xFF);
  EXPECT_EQ(BuildFirstFatSector(*FindGeometry(7))[3], 0x00);
  EXPECT_EQ(BuildFirstFatSector(*FindGeometry(36))[0], 0xF8);
}

}  // namespace
}  // namespace pradvik
