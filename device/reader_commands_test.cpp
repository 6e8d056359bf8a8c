#include "device/reader_commands.h"

#include <gtest/gtest.h>

#include <iterator>

namespace tarnlok {
namespace {

// Every ID byte a SmartMedia card can answer, each with the geometry its size code stands for:
// a wrong block count makes a backup walk part of the card and call it done.
TEST(ReaderCommands, EverySmartMediaIdByteGivesItsCodeAndGeometry) {
  struct Case {
    win::BYTE id;
    win::DWORD code, pagesPerBlock, blocks;
  };
  constexpr Case kCases[] = {{0x6E, 1, 16, 256},    {0xE8, 1, 16, 256},   {0xEC, 1, 16, 256},    {0x64, 2, 16, 512},
                             {0xEA, 2, 16, 512},    {0x6B, 3, 16, 512},   {0xE3, 3, 16, 512},    {0xE5, 3, 16, 512},
                             {0xE6, 4, 16, 1024},   {0x73, 5, 32, 1024},  {0x75, 6, 32, 2048},   {0x76, 7, 32, 4096},
                             {0x79, 8, 32, 8192},   {0x71, 9, 32, 16384}, {0xDC, 10, 32, 32768}, {0xD3, 11, 32, 65536},
                             {0xD5, 12, 32, 131072}};
  static_assert(std::size(kCases) == 17);
  for (const Case& c : kCases) {
    const auto geometry = SmartMediaGeometry(c.id);
    ASSERT_TRUE(geometry.has_value()) << std::hex << int{c.id};
    EXPECT_EQ(geometry->code, c.code) << std::hex << int{c.id};
    EXPECT_EQ(geometry->pagesPerBlock, c.pagesPerBlock) << std::hex << int{c.id};
    EXPECT_EQ(geometry->blocks, c.blocks) << std::hex << int{c.id};
  }
  int known = 0;
  for (int id = 0; id <= 0xFF; ++id) known += SmartMediaGeometry(static_cast<win::BYTE>(id)).has_value() ? 1 : 0;
  EXPECT_EQ(known, 17) << "any other ID byte is an unknown card";
  EXPECT_FALSE(SmartMediaGeometry(0x00).has_value()) << "the table's padding is no card";
}

TEST(ReaderCommands, MemoryStickCodesAndSizesFollowThePageCount) {
  EXPECT_EQ(MemoryStickSizeCode(8192), 32u);
  EXPECT_EQ(MemoryStickSizeCode(8193), 33u);
  EXPECT_EQ(MemoryStickSizeCode(262144), 37u);
  EXPECT_FALSE(MemoryStickSizeCode(262145).has_value());
  EXPECT_EQ(MemoryStickMegabytes(512 * 16), 4u);
  EXPECT_EQ(MemoryStickMegabytes(8192 * 32), 128u);
  EXPECT_FALSE(MemoryStickMegabytes(262145).has_value());
  EXPECT_EQ(MediaSizeCodeMegabytes(5), 16u);
  EXPECT_EQ(MediaSizeCodeMegabytes(8), 128u);
  EXPECT_FALSE(MediaSizeCodeMegabytes(9).has_value());
  EXPECT_EQ(MediaSizeCodeMegabytes(33), 8u);
  EXPECT_FALSE(MediaSizeCodeMegabytes(0).has_value());
}

TEST(ReaderCommands, CommandFormsPlaceSubCommandAddressAndLength) {
  EXPECT_EQ(CommandFirstCdb(kVendorStatus), (VendorCdb{0x20, 0x80, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(CommandFirstPageCdb(kVendorReadPages, 0x123456, 0x0210),
            (VendorCdb{0x20, 0x85, 0x12, 0x34, 0x56, 0, 0x02, 0x10}));
  EXPECT_EQ(CommandFirstBlockCdb(kVendorReadPages, 0x0102, 7, 0x0200),
            (VendorCdb{0x20, 0x85, 0, 7, 0x01, 0x02, 0x02, 0}));
  const VendorCdb last = CommandLastCdb(kVendorStatus, 0x0104);
  EXPECT_EQ(last, (VendorCdb{0x04, 0, 0, 0, 0, 0, 0x01, 0x80}));
  EXPECT_NE(last[0], win::kScsiVendorCommand) << "the older form does not begin with the vendor operation";
}

TEST(ReaderCommands, NoMediaReplyNeedsAWholeWord) {
  const win::BYTE noCard[] = {0xFF, 0x04, 0, 0};
  const win::BYTE card[] = {0x00, 0x02, 0, 0};
  EXPECT_TRUE(StartsWithNoMediaReply(noCard));
  EXPECT_FALSE(StartsWithNoMediaReply(card));
  EXPECT_FALSE(StartsWithNoMediaReply(std::span(noCard, 1)));
  EXPECT_TRUE(IsNoMediaStatus(0x123404FF));
  EXPECT_FALSE(IsNoMediaStatus(0x04FF0000));
}

}  // namespace
}  // namespace tarnlok
