// Raw flash cards: the SmartMedia code and address fields, NAND behaviour (erase, program clears bits,
// bad blocks), the firmware's logical block map, and fresh cards of every size judged by
// fsck.fat through the sectors their readers show.
#include "platform/machine/cards/card_media.h"
#include "platform/machine/flash/flash_card.h"
#include "platform/machine/flash/flash_factory.h"
#include "platform/machine/flash/memory_stick_card.h"
#include "platform/machine/flash/smartmedia_card.h"
#include "platform/machine/flash/smartmedia_redundant.h"
#include "platform/machine/testing/flash_images.h"

#include "platform/win/layouts/byte_order.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>

namespace machine {
namespace {

constexpr std::uint32_t kSerial = 0x1234ABCD;

CardDescription SmartMedia(const std::string& name, std::uint8_t deviceCode) {
  CardDescription card;
  card.kind = CardKind::SmartMedia;
  card.image = tarnlok::test_support::TestDataHome() / name;
  card.smartMediaDeviceCode = deviceCode;
  return card;
}

CardDescription MemoryStick(const std::string& name, std::uint32_t blocks, std::uint32_t pagesPerBlock) {
  CardDescription card;
  card.kind = CardKind::MemoryStick;
  card.image = tarnlok::test_support::TestDataHome() / name;
  card.blocks = blocks;
  card.pagesPerBlock = pagesPerBlock;
  return card;
}

std::vector<std::uint8_t> Sector(std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(512);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
  return bytes;
}

// The 24-bit difference of two codes in the order line parity high, low, column.
std::uint32_t CodeDifference(const std::array<std::uint8_t, 3>& a, const std::array<std::uint8_t, 3>& b) {
  return (std::uint32_t(a[1] ^ b[1]) << 16) | (std::uint32_t(a[0] ^ b[0]) << 8) | std::uint32_t(a[2] ^ b[2]);
}

TEST(SmartMediaEcc, ErasedAndZeroDataGiveAllOnesAndOneFlippedBitIsLocated) {
  const std::vector<std::uint8_t> ones(256, 0xFF);
  const std::vector<std::uint8_t> zeros(256, 0x00);
  EXPECT_EQ(SmartMediaEcc(ones), (std::array<std::uint8_t, 3>{0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(SmartMediaEcc(zeros), (std::array<std::uint8_t, 3>{0xFF, 0xFF, 0xFF}));

  std::mt19937 random(7);
  std::vector<std::uint8_t> data(256);
  for (auto& value : data) value = static_cast<std::uint8_t>(random());
  const auto code = SmartMediaEcc(data);
  for (std::size_t byte = 0; byte < data.size(); byte += 37) {
    for (int bit = 0; bit < 8; ++bit) {
      auto flipped = data;
      flipped[byte] ^= static_cast<std::uint8_t>(1 << bit);
      const std::uint32_t d = CodeDifference(code, SmartMediaEcc(flipped));
      // Every parity pair differs in one bit; the pairs' upper bits spell the bit's address.
      ASSERT_EQ((d ^ (d >> 1)) & 0x555554, 0x555554U) << byte << "." << bit;
      std::uint32_t index = 0;
      for (int at = 23; at >= 9; at -= 2) index = (index << 1) | ((d >> at) & 1);
      const std::uint32_t bitNumber = (((d >> 7) & 1) << 2) | (((d >> 5) & 1) << 1) | ((d >> 3) & 1);
      EXPECT_EQ(index, byte);
      EXPECT_EQ(bitNumber, static_cast<std::uint32_t>(bit));
    }
  }
}

TEST(SmartMediaBlockAddress, CarriesTenBitsWithEvenParityAndRefusesDamage) {
  EXPECT_EQ(EncodeBlockAddress(0), 0x1001);
  EXPECT_EQ(EncodeBlockAddress(1), 0x1002);
  EXPECT_EQ(EncodeBlockAddress(999), 0x17CF);
  for (std::uint32_t logical = 0; logical < 1024; ++logical) {
    const std::uint16_t field = EncodeBlockAddress(logical);
    EXPECT_EQ(std::popcount<unsigned>(field) % 2, 0);
    EXPECT_EQ(DecodeBlockAddress(field), logical);
    for (int bit = 0; bit < 16; ++bit) EXPECT_FALSE(DecodeBlockAddress(static_cast<std::uint16_t>(field ^ (1 << bit))));
  }
  EXPECT_FALSE(DecodeBlockAddress(0xFFFF));
  EXPECT_FALSE(DecodeBlockAddress(kCisBlockAddress));
}

TEST(FlashGeometry, MediaSizeCodesAndLogicalCapacities) {
  EXPECT_EQ(SmartMediaSizeCode(0xE6), 4);
  EXPECT_EQ(SmartMediaSizeCode(0xE5), 3);
  EXPECT_FALSE(SmartMediaSizeCode(0x77));
  EXPECT_EQ(StandardVolumeFor(6)->LogicalSectors(), 64000U);
  EXPECT_EQ(StandardVolumeFor(1)->LogicalSectors(), 2000U);
  EXPECT_EQ(MemoryStickSizeCode(262144), 37);
  EXPECT_FALSE(MemoryStickSizeCode(262145));
  const auto small = SmartMediaGeometry(0xEA);
  ASSERT_TRUE(small);
  EXPECT_EQ(small->pageSize, 256U);
  EXPECT_EQ(small->pageSpare, 8U);
  EXPECT_EQ(small->ImageBytes(), 512U * 16 * 264);
  EXPECT_EQ(small->SectorsPerBlock(), 8U);
  // Every code's logical blocks fit the blocks its zones hold.
  for (const std::uint8_t code : {0x6E, 0x64, 0x6B, 0xE6, 0x73, 0x75, 0x76, 0x79, 0x71, 0xDC, 0xD3, 0xD5}) {
    const auto geometry = SmartMediaGeometry(code);
    const auto volume = StandardVolumeFor(*SmartMediaSizeCode(code));
    ASSERT_TRUE(geometry && volume);
    const std::uint32_t zones = (geometry->blocks + 1023) / 1024;
    const std::uint32_t perZone = std::min<std::uint32_t>(geometry->blocks, 1024) * 1000 / 1024;
    EXPECT_LE(volume->LogicalSectors(), std::uint64_t{zones} * perZone * geometry->SectorsPerBlock()) << int(code);
  }
}

// Every SmartMedia size: the volume the reader shows is what fsck.fat calls clean, the
// information structure sits in the first good block, and every written unit's code matches.
class FreshSmartMedia : public ::testing::TestWithParam<std::uint8_t> {};

TEST_P(FreshSmartMedia, HoldsACleanVolumeBehindItsInformationStructure) {
  const std::uint8_t deviceCode = GetParam();
  auto card = SmartMedia("sm.img", deviceCode);
  card.factoryBadBlocks = {0, 5};
  MakeFreshFlashImage(card, kSerial);
  CardMedia media(card);
  EXPECT_EQ(media.Sectors(), StandardVolumeFor(*SmartMediaSizeCode(deviceCode))->LogicalSectors());
  const auto fsck = test_support::CheckWithFsck(test_support::LogicalVolumeImage(card, "volume.img"));
  EXPECT_EQ(fsck.status, 0) << fsck.output;

  FlashCard& flash = *media.Flash();
  const FlashGeometry& geometry = flash.Geometry();
  std::vector<std::uint8_t> redundant(16);
  ASSERT_EQ(flash.Nand().ReadSpare(0, redundant), FlashResult::Ok);
  EXPECT_EQ(redundant[kBlockStatusAt], kBadStatus);  // block 0 bad from the factory
  ASSERT_EQ(flash.Nand().ReadSpare(geometry.pagesPerBlock, redundant), FlashResult::Ok);
  EXPECT_EQ(redundant[kBlockStatusAt], kGoodStatus);
  EXPECT_EQ(win::ReadBe16(redundant, 6), kCisBlockAddress);
  std::vector<std::uint8_t> cis(512);
  ASSERT_EQ(flash.Nand().ReadData(geometry.pagesPerBlock, cis), FlashResult::Ok);
  const auto expected = SmartMediaCisPage();
  EXPECT_EQ(cis, std::vector<std::uint8_t>(expected.begin(), expected.end()));

  // The units of logical block 0 carry its address and the code of their data.
  const auto block = flash.PhysicalOf(0);
  ASSERT_TRUE(block);
  EXPECT_NE(*block, 5U);
  for (std::uint32_t sector = 0; sector < geometry.SectorsPerBlock(); ++sector) {
    const std::uint64_t page = std::uint64_t{*block} * geometry.pagesPerBlock + sector * geometry.PagesPerSector();
    std::vector<std::uint8_t> data(512);
    ASSERT_EQ(flash.Nand().ReadData(page, data), FlashResult::Ok);
    ASSERT_EQ(flash.Nand().ReadSpare(page, redundant), FlashResult::Ok);
    if (std::all_of(redundant.begin(), redundant.end(), [](std::uint8_t value) { return value == 0xFF; })) continue;
    EXPECT_EQ(LogicalOfRedundant(redundant), 0U);
    const auto first = SmartMediaEcc(std::span(data).first(256));
    const auto second = SmartMediaEcc(std::span(data).subspan(256));
    EXPECT_TRUE(std::equal(first.begin(), first.end(), redundant.begin() + 13)) << sector;
    EXPECT_TRUE(std::equal(second.begin(), second.end(), redundant.begin() + 8)) << sector;
  }
}

INSTANTIATE_TEST_SUITE_P(EverySizeCode, FreshSmartMedia,
                         ::testing::Values(0x6E, 0xEA, 0xE3, 0xE6, 0x73, 0x75, 0x76, 0x79, 0x71, 0xDC, 0xD3, 0xD5));

class FreshMemoryStick : public ::testing::TestWithParam<std::pair<std::uint32_t, std::uint32_t>> {};

TEST_P(FreshMemoryStick, HoldsACleanVolumeBootBlocksAndItsDisabledBlocks) {
  const auto [blocks, pagesPerBlock] = GetParam();
  auto card = MemoryStick("ms.img", blocks, pagesPerBlock);
  card.factoryBadBlocks = {9, 300};
  MakeFreshFlashImage(card, kSerial);
  CardMedia media(card);
  const auto fsck = test_support::CheckWithFsck(test_support::LogicalVolumeImage(card, "volume.img"));
  EXPECT_EQ(fsck.status, 0) << fsck.output;

  NandArray& nand = media.Flash()->Nand();
  ExtraData extra{};
  for (const std::uint32_t boot : {0U, 1U}) {
    ASSERT_EQ(nand.ReadExtra(boot, extra), FlashResult::Ok);
    EXPECT_EQ(extra, BootExtra());
  }
  std::vector<std::uint8_t> list(512);
  ASSERT_EQ(nand.ReadData(kDisabledListPage, list), FlashResult::Ok);
  EXPECT_EQ(std::vector<std::uint8_t>(list.begin(), list.begin() + 6),
            (std::vector<std::uint8_t>{0, 9, 1, 44, 0xFF, 0xFF}));
  ASSERT_EQ(nand.ReadExtra(9, extra), FlashResult::Ok);
  EXPECT_EQ(extra[0] & kExtraGoodBit, 0);
  // Logical block 0 (the master boot record) lies after the boot blocks.
  const auto block = media.Flash()->PhysicalOf(0);
  ASSERT_TRUE(block);
  EXPECT_GE(*block, kBootBlocks);
  ASSERT_EQ(nand.ReadExtra(*block, extra), FlashResult::Ok);
  EXPECT_EQ(extra, LogicalExtra(0));
}

INSTANTIATE_TEST_SUITE_P(EverySizeCode, FreshMemoryStick,
                         ::testing::Values(std::pair{512U, 16U}, std::pair{1024U, 16U}, std::pair{1024U, 32U},
                                           std::pair{2048U, 32U}, std::pair{4096U, 32U}, std::pair{8192U, 32U}));

TEST(NandArray, ProgrammingOnlyClearsBitsUntilTheBlockIsErased) {
  const auto card = SmartMedia("nand.img", 0x73);
  MakeFreshFlashImage(card, kSerial);
  CardMedia media(card);
  auto& smartMedia = dynamic_cast<SmartMediaCard&>(*media.Flash());
  const std::uint64_t page = 100 * 32;
  ASSERT_EQ(smartMedia.Nand().Erase(100), FlashResult::Ok);
  EXPECT_TRUE(smartMedia.Nand().PageErased(page));
  EXPECT_EQ(smartMedia.ProgramSectors(page, Sector(1), EncodeBlockAddress(7)), FlashResult::Ok);
  std::vector<std::uint8_t> first(16);
  ASSERT_EQ(smartMedia.Nand().ReadSpare(page, first), FlashResult::Ok);
  // The same bytes again change nothing; other bytes keep only the bits both have set.
  EXPECT_EQ(smartMedia.ProgramSectors(page, Sector(1), EncodeBlockAddress(7)), FlashResult::Ok);
  std::vector<std::uint8_t> data(512);
  ASSERT_EQ(smartMedia.Nand().ReadData(page, data), FlashResult::Ok);
  EXPECT_EQ(data, Sector(1));
  std::vector<std::uint8_t> again(16);
  ASSERT_EQ(smartMedia.Nand().ReadSpare(page, again), FlashResult::Ok);
  EXPECT_EQ(again, first);
  EXPECT_EQ(smartMedia.ProgramSectors(page, Sector(2), EncodeBlockAddress(7)), FlashResult::Ok);
  ASSERT_EQ(smartMedia.Nand().ReadData(page, data), FlashResult::Ok);
  std::vector<std::uint8_t> both = Sector(1);
  for (std::size_t i = 0; i < both.size(); ++i) both[i] &= Sector(2)[i];
  EXPECT_EQ(data, both);

  const std::array<std::uint8_t, 2> mark{0x0F, 0xF0};
  ASSERT_EQ(smartMedia.Nand().ProgramSpare(page, 0, mark), FlashResult::Ok);
  ASSERT_EQ(smartMedia.Nand().ProgramSpare(page, 0, std::array<std::uint8_t, 2>{0xF0, 0xFF}), FlashResult::Ok);
  std::vector<std::uint8_t> spare(16);
  ASSERT_EQ(smartMedia.Nand().ReadSpare(page, spare), FlashResult::Ok);
  EXPECT_EQ(spare[0], 0x00);
  EXPECT_EQ(spare[1], 0xF0);

  ASSERT_EQ(smartMedia.Nand().Erase(100), FlashResult::Ok);
  ASSERT_EQ(smartMedia.Nand().ReadSpare(page, spare), FlashResult::Ok);
  EXPECT_EQ(spare, std::vector<std::uint8_t>(16, 0xFF));
  EXPECT_EQ(smartMedia.ProgramSectors(page, Sector(2), EncodeBlockAddress(7)), FlashResult::Ok);
  EXPECT_EQ(smartMedia.ProgramSectors(page + 1, Sector(2), EncodeBlockAddress(7)), FlashResult::Ok);
  EXPECT_EQ(smartMedia.Nand().ReadData(32 * 1024, data), FlashResult::OutOfRange);
}

TEST(NandArray, BadBlocksStayBadAndFailingBlocksFailEraseAndProgram) {
  auto card = SmartMedia("bad.img", 0x73);
  card.factoryBadBlocks = {3};
  card.failingBlocks = {40};
  card.faults = {{FaultOperation::Erase, std::nullopt, 50, 1}};
  MakeFreshFlashImage(card, kSerial);
  CardMedia media(card);
  NandArray& nand = media.Flash()->Nand();
  EXPECT_EQ(nand.Erase(3), FlashResult::Failed);
  std::vector<std::uint8_t> spare(16);
  ASSERT_EQ(nand.ReadSpare(3 * 32, spare), FlashResult::Ok);
  EXPECT_EQ(spare[kBlockStatusAt], kBadStatus);
  EXPECT_EQ(nand.Erase(40), FlashResult::Failed);
  EXPECT_EQ(nand.ProgramPage(40 * 32, Sector(3), spare), FlashResult::Failed);
  EXPECT_EQ(nand.Erase(50), FlashResult::Failed);  // the injected fault fires once
  EXPECT_EQ(nand.Erase(50), FlashResult::Ok);
}

// Relocating writes: a sector written again moves its logical block to another physical
// block and frees the old one; a block that fails on the way is marked bad and passed over;
// everything reads back after the map is built again from the card.
TEST(FlashLogicalMap, RewritesMoveBlocksAndSurviveAFreshMap) {
  auto card = SmartMedia("map.img", 0x75);
  MakeFreshFlashImage(card, kSerial);
  {
    CardMedia media(card);
    FlashCard& flash = *media.Flash();
    const std::uint64_t sector = 5000;  // logical block 156, in the data area
    ASSERT_FALSE(flash.PhysicalOf(sector / 32));
    ASSERT_EQ(media.Write(sector, Sector(9)), MediaResult::Ok);
    const auto first = flash.PhysicalOf(sector / 32);
    ASSERT_TRUE(first);
    ASSERT_EQ(media.Write(sector + 1, Sector(10)), MediaResult::Ok);  // an erased page: in place
    EXPECT_EQ(flash.PhysicalOf(sector / 32), first);
    ASSERT_EQ(media.Write(sector, Sector(11)), MediaResult::Ok);  // programmed: moved
    const auto second = flash.PhysicalOf(sector / 32);
    ASSERT_TRUE(second);
    EXPECT_NE(second, first);
    EXPECT_TRUE(flash.Nand().PageErased(std::uint64_t{*first} * 32));
  }
  card.failingBlocks = {};
  CardMedia again(card);
  std::vector<std::uint8_t> data(1024);
  ASSERT_EQ(again.Read(5000, data), MediaResult::Ok);
  EXPECT_EQ(std::vector<std::uint8_t>(data.begin(), data.begin() + 512), Sector(11));
  EXPECT_EQ(std::vector<std::uint8_t>(data.begin() + 512, data.end()), Sector(10));
  ASSERT_EQ(again.Read(6000, std::span(data).first(512)), MediaResult::Ok);
  EXPECT_EQ(std::vector<std::uint8_t>(data.begin(), data.begin() + 512), std::vector<std::uint8_t>(512, 0xFF));
}

// A copy cut short leaves two blocks labelled with one logical block: the first one the map
// finds holds it.
TEST(FlashLogicalMap, TheFirstCopyOfALogicalBlockWins) {
  auto card = SmartMedia("copies.img", 0x75);
  MakeFreshFlashImage(card, kSerial);
  CardMedia media(card);
  FlashCard& flash = *media.Flash();
  NandArray& nand = flash.Nand();
  const std::uint32_t pages = flash.Geometry().pagesPerBlock;
  ASSERT_EQ(media.Write(5000, Sector(9)), MediaResult::Ok);
  const std::uint32_t first = *flash.PhysicalOf(5000 / 32);
  const auto allErased = [&](std::uint32_t block) {
    for (std::uint32_t page = 0; page < pages; ++page) {
      if (!nand.PageErased(std::uint64_t{block} * pages + page)) return false;
    }
    return true;
  };
  std::uint32_t copy = first + 1;
  while (copy < 1024 && (!allErased(copy) || nand.Defective(copy))) ++copy;
  ASSERT_LT(copy, 1024u) << "a free block in the first zone";
  std::vector<std::uint8_t> data(512), spare(16);
  for (std::uint32_t page = 0; page < pages; ++page) {
    const std::uint64_t from = std::uint64_t{first} * pages + page;
    if (nand.PageErased(from)) continue;
    ASSERT_EQ(nand.ReadData(from, data), FlashResult::Ok);
    ASSERT_EQ(nand.ReadSpare(from, spare), FlashResult::Ok);
    ASSERT_EQ(nand.ProgramPage(std::uint64_t{copy} * pages + page, data, spare), FlashResult::Ok);
  }
  flash.ForgetMap();
  EXPECT_EQ(flash.PhysicalOf(5000 / 32), first);
}

TEST(FlashLogicalMap, AFailingBlockIsMarkedBadAndTheWriteGoesElsewhere) {
  auto card = SmartMedia("failing.img", 0x75);
  MakeFreshFlashImage(card, kSerial);
  std::uint32_t chosen = 0;
  {
    CardMedia media(card);
    ASSERT_EQ(media.Write(5000, Sector(1)), MediaResult::Ok);
    chosen = *media.Flash()->PhysicalOf(5000 / 32);
    ASSERT_EQ(media.Write(5000, Sector(2)), MediaResult::Ok);  // frees `chosen` again
  }
  card.failingBlocks = {chosen};
  CardMedia media(card);
  ASSERT_EQ(media.Write(6000, Sector(3)), MediaResult::Ok);  // would have taken `chosen` first
  EXPECT_NE(media.Flash()->PhysicalOf(6000 / 32), chosen);
  std::vector<std::uint8_t> spare(16);
  ASSERT_EQ(media.Flash()->Nand().ReadSpare(std::uint64_t{chosen} * 32, spare), FlashResult::Ok);
  EXPECT_EQ(spare[kBlockStatusAt], kBadStatus);
  std::vector<std::uint8_t> data(512);
  ASSERT_EQ(media.Read(6000, data), MediaResult::Ok);
  EXPECT_EQ(data, Sector(3));
}

TEST(FlashLogicalMap, MemoryStickBlocksCarryTheirLogicalNumberInTheExtraData) {
  const auto card = MemoryStick("msmap.img", 1024, 16);
  MakeFreshFlashImage(card, kSerial);
  CardMedia media(card);
  ASSERT_EQ(media.Write(8000, Sector(4)), MediaResult::Ok);
  const auto block = media.Flash()->PhysicalOf(8000 / 16);
  ASSERT_TRUE(block);
  ExtraData extra{};
  ASSERT_EQ(media.Flash()->Nand().ReadExtra(*block, extra), FlashResult::Ok);
  EXPECT_EQ(extra, LogicalExtra(500));
  std::vector<std::uint8_t> data(512);
  ASSERT_EQ(media.Flash()->Nand().ReadData(std::uint64_t{*block} * 16, data), FlashResult::Ok);
  EXPECT_EQ(data, Sector(4));
}

}  // namespace
}  // namespace machine
