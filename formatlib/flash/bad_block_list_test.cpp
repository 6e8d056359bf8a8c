// The bad-block list as the layout writers and the logical numbering read it.
#include "formatlib/flash/bad_block_list.h"

#include "formatlib/command/format_library_state.h"

#include <gtest/gtest.h>

namespace pradvik {
namespace {

class BadBlockListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetBadBlocks();
    LibraryState().volumeStartPage = 0;
  }
};

TEST_F(BadBlockListTest, APageMovesPastListedBlocksInAnyOrder) {
  AppendBadBlock(6);
  AppendBadBlock(5);
  EXPECT_EQ(SkipBadBlocks(5 * 32 + 3, 32), 7U * 32 + 3);
  EXPECT_EQ(SkipBadBlocks(4 * 32, 32), 4U * 32);
  // Entries past the count are free, whatever they hold.
  LibraryState().badBlocks[2] = 7;
  EXPECT_EQ(SkipBadBlocks(7 * 32, 32), 7U * 32);
}

TEST_F(BadBlockListTest, StructuresKeepTheirDistanceAcrossListedBlocks) {
  AppendBadBlock(3);
  // From block 2, 123 usable pages: over block 3, to page 27 of block 6.
  EXPECT_EQ(AdvancePages(2 * 32, 123, 32), 6U * 32 + 27);
  EXPECT_EQ(AdvancePages(2 * 32, 31, 32), 2U * 32 + 31);
  EXPECT_EQ(AdvancePages(2 * 32, 32, 32), 4U * 32);
}

TEST_F(BadBlockListTest, TheListHoldsItsFullCapacity) {
  for (std::uint32_t block = 0; block < kBadBlockCapacity + 5; ++block) AppendBadBlock(block + 10);
  EXPECT_EQ(LibraryState().badBlockCount, kBadBlockCapacity);
  EXPECT_TRUE(IsListedBadBlock(10 + 2559));
  EXPECT_FALSE(IsListedBadBlock(10 + 2560));
}

TEST_F(BadBlockListTest, LogicalBlocksCountUsableBlocksFromTheVolumeStart) {
  const MediaGeometry geometry = *FindGeometry(6);
  LibraryState().volumeStartPage = 2 * 32;
  AppendBadBlock(0);
  AppendBadBlock(4);
  AppendBadBlock(4);
  EXPECT_EQ(LogicalBlockOf(geometry, 2), 0);
  EXPECT_EQ(LogicalBlockOf(geometry, 3), 1);
  EXPECT_EQ(LogicalBlockOf(geometry, 5), 2);
  EXPECT_EQ(LogicalBlockOf(geometry, 1), 0);
}

TEST_F(BadBlockListTest, SmartMediaZonesEachHoldTheirThousandLogicalBlocks) {
  const MediaGeometry geometry = *FindGeometry(8);
  LibraryState().volumeStartPage = 2 * 32;
  AppendBadBlock(1030);
  EXPECT_EQ(LogicalBlockOf(geometry, 1024), 1000);
  EXPECT_EQ(LogicalBlockOf(geometry, 1031), 1006);
  EXPECT_EQ(LogicalBlockOf(geometry, 3 * 1024 + 7), 3007);
}

TEST_F(BadBlockListTest, MemoryStickCountsOverTheWholeCard) {
  MediaGeometry geometry = *FindGeometry(35);
  geometry.pagesPerBlock = 32;
  LibraryState().volumeStartPage = 3 * 32;
  AppendBadBlock(600);
  EXPECT_EQ(LogicalBlockOf(geometry, 3), 0);
  EXPECT_EQ(LogicalBlockOf(geometry, 1500), 1496);
}

}  // namespace
}  // namespace pradvik
