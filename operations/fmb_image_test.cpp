// The backup image's byte layouts, checked against their offsets written out here, and the
// tests that decide which flash blocks carry data.
#include "operations/fmb_image.h"

#include "device/file_system_type.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarnlok {
namespace {

std::uint32_t Le32(const FmbHeaderBytes& bytes, std::size_t at) {
  return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (std::uint32_t{bytes[at + 3]} << 24);
}

FmbHeader UsedSpaceHeader() {
  FmbHeader header;
  header.deviceKind = 1;
  header.mediaSizeCode = 64;
  header.sectorsPerBlock = 63;
  header.blockCount = 125440;
  header.complete = 1;
  header.bytesPerSector = 512;
  header.backupKind = kBackupUsedSpace;
  header.fileSystem = kFat16;
  header.mbrFlag = 1;
  header.volumeStart = 63;
  header.usedSectors = 0x01020304;
  return header;
}

TEST(FmbHeaderLayout, EveryFieldStandsAtItsOffset) {
  const FmbHeaderBytes bytes = WriteFmbHeader(UsedSpaceHeader());
  EXPECT_EQ(Le32(bytes, 0), 51u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[4]), 9), "QUARNWELL");
  for (std::size_t i = 13; i < 20; ++i) EXPECT_EQ(bytes[i], 0) << "signature padding at " << i;
  EXPECT_EQ(bytes[20], 1);
  EXPECT_EQ(Le32(bytes, 21), 64u);
  EXPECT_EQ(Le32(bytes, 25), 63u);
  EXPECT_EQ(Le32(bytes, 29), 125440u);
  EXPECT_EQ(bytes[33], 1);
  EXPECT_EQ(Le32(bytes, 34), 512u);
  EXPECT_EQ(bytes[38], 1);
  EXPECT_EQ(bytes[39], 2);
  EXPECT_EQ(bytes[40], 1);
  EXPECT_EQ(Le32(bytes, 41), 63u);
  EXPECT_EQ(Le32(bytes, 45), 0x01020304u);
  EXPECT_EQ(bytes[49], 0);
  EXPECT_EQ(bytes[50], 0);
}

TEST(FmbHeaderLayout, ReadingGivesBackWhatWasWritten) {
  const FmbHeaderBytes bytes = WriteFmbHeader(UsedSpaceHeader());
  const auto header = ReadFmbHeader(bytes);
  ASSERT_TRUE(header.has_value());
  EXPECT_EQ(WriteFmbHeader(*header), bytes);
  EXPECT_EQ(header->volumeStart, 63u);
  EXPECT_EQ(header->fileSystem, kFat16);
}

TEST(FmbHeaderLayout, AShortFileHasNoHeader) {
  const FmbHeaderBytes bytes = WriteFmbHeader(UsedSpaceHeader());
  EXPECT_FALSE(ReadFmbHeader(std::span(bytes).first(50)).has_value());
  EXPECT_FALSE(ReadFmbHeader({}).has_value());
}

TEST(FmbHeaderLayout, ARestoreTakesOnlyFinishedSignedImages) {
  FmbHeader header = UsedSpaceHeader();
  EXPECT_TRUE(IsAcceptedFmbHeader(header));
  header.complete = 0;
  EXPECT_FALSE(IsAcceptedFmbHeader(header)) << "an image whose writing stopped";
  header = UsedSpaceHeader();
  header.headerSize = 0;
  EXPECT_FALSE(IsAcceptedFmbHeader(header));
  header = UsedSpaceHeader();
  header.signature[8] = 'X';
  EXPECT_FALSE(IsAcceptedFmbHeader(header));
  header = UsedSpaceHeader();
  header.signature[9] = 'X';
  EXPECT_TRUE(IsAcceptedFmbHeader(header)) << "only the 9 characters are the signature";
}

TEST(ClusterRecordLayout, OffsetThenValueLittleEndian) {
  const ClusterRecordBytes bytes = WriteClusterRecord({0x00000102, 0x0FFFFFF8});
  const ClusterRecordBytes expected{0x02, 0x01, 0x00, 0x00, 0xF8, 0xFF, 0xFF, 0x0F};
  EXPECT_EQ(bytes, expected);
  const std::vector<win::BYTE> body = {0xAA, 0x02, 0x01, 0x00, 0x00, 0xF8, 0xFF, 0xFF, 0x0F};
  const auto record = ReadClusterRecord(body, 1);
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->fatOffset, 0x102u);
  EXPECT_EQ(record->entryValue, 0x0FFFFFF8u);
  EXPECT_FALSE(ReadClusterRecord(body, 2).has_value()) << "a record cut off by the end of the file";
  EXPECT_FALSE(ReadClusterRecord(body, static_cast<std::size_t>(-1)).has_value());
}

TEST(ClusterRecordLayout, TheOffsetNamesTheCluster) {
  // FAT12 entries take one and a half bytes: cluster 2 at 3, cluster 3 at 4, cluster 4 at 6.
  EXPECT_EQ(FatOffsetOfCluster(kFat12, 2), 3u);
  EXPECT_EQ(FatOffsetOfCluster(kFat12, 3), 4u);
  EXPECT_EQ(ClusterOfFatOffset(kFat12, 3), 2u);
  EXPECT_EQ(ClusterOfFatOffset(kFat12, 4), 3u);
  EXPECT_EQ(ClusterOfFatOffset(kFat12, 6), 4u);
  for (win::DWORD cluster = 2; cluster < 4085; ++cluster) {
    ASSERT_EQ(ClusterOfFatOffset(kFat12, FatOffsetOfCluster(kFat12, cluster)), cluster);
  }
  EXPECT_EQ(ClusterOfFatOffset(kFat16, 4), 2u);
  EXPECT_EQ(ClusterOfFatOffset(kFat16, 0x1FFFE), 0xFFFFu);
  EXPECT_EQ(ClusterOfFatOffset(kFat32, 8), 2u);
  EXPECT_EQ(ClusterOfFatOffset(kFat32, 0x400), 0x100u);
}

TEST(FlashBlocks, AMemoryStickBlockHasDataWhenGoodAndUsed) {
  const std::vector<win::BYTE> used{0xF8, 0xFF, 0x00, 0x05};
  EXPECT_TRUE(MemoryStickBlockHasData(used));
  EXPECT_FALSE(MemoryStickBlockHasData(std::vector<win::BYTE>{0xFF, 0x04, 0x00, 0x05})) << "the no-card word";
  EXPECT_FALSE(MemoryStickBlockHasData(std::vector<win::BYTE>{0x78, 0xFF, 0x00, 0x05})) << "bit 7 clear: bad";
  EXPECT_FALSE(MemoryStickBlockHasData(std::vector<win::BYTE>{0xF8, 0xFF, 0xFF, 0xFF})) << "unused";
  EXPECT_TRUE(MemoryStickBlockHasData(std::vector<win::BYTE>{0xF8, 0xFF, 0xFF, 0x00}));
  EXPECT_FALSE(MemoryStickBlockHasData(std::vector<win::BYTE>{0, 0, 0, 0})) << "an ignored failure";
  EXPECT_FALSE(MemoryStickBlockHasData(std::span(used).first(3)));
}

TEST(FlashBlocks, ASmartMediaBlockHasDataWhenGoodAndAddressed) {
  std::vector<win::BYTE> redundant(128, 0xFF);
  redundant[6] = 0x10;
  redundant[7] = 0x02;
  EXPECT_TRUE(SmartMediaBlockHasData(redundant));
  auto bad = redundant;
  bad[5] = 0x00;
  EXPECT_FALSE(SmartMediaBlockHasData(bad)) << "block status not 0xFF";
  auto erased = redundant;
  erased[6] = erased[7] = 0xFF;
  EXPECT_FALSE(SmartMediaBlockHasData(erased));
  auto noCard = redundant;
  noCard[0] = 0xFF;
  noCard[1] = 0x04;
  EXPECT_FALSE(SmartMediaBlockHasData(noCard));
  EXPECT_FALSE(SmartMediaBlockHasData(std::vector<win::BYTE>(128, 0))) << "an ignored failure";
  EXPECT_FALSE(SmartMediaBlockHasData(std::span(redundant).first(7)));
}

}  // namespace
}  // namespace tarnlok
