// The run stays inside the card: counts from the boot sector are bounded by the card's size, a
// buffer that cannot be had ends the run with a message, and the walk and the raw scan reach
// the volume's last data cluster.
#include "recovery/testing/engine_harness.h"
#include "recovery/testing/fat16_card.h"
#include "recovery/testing/memory_source.h"

#include <gtest/gtest.h>

#include <new>

namespace recovery::test_support {
namespace {

// A bitmap of one sector's length, to be carved.
Bytes SmallBmp(std::uint32_t seed) {
  Bytes bmp = Concat(Concat(TextBytes("BM"), Le32Bytes(400)), Bytes(4, 0));
  return Concat(bmp, Filler(400 - bmp.size(), seed));
}

TEST(CardBounds, ABootSectorClaimingMoreSectorsThanTheCardHoldsIsReadAsTheCard) {
  Harness harness("boot-huge");
  // A 4 MB card whose FAT16 boot sector claims 0xFFFFFFFF sectors, with a deleted photograph.
  Fat16Card card(8192, 4);
  card.SetSectorCounts(0, 0xFFFFFFFF);
  const Bytes photo = Concat(Bytes{0xFF, 0xD8, 0xFF, 0xE0}, Filler(5000, 3));
  card.Put(2, photo);
  card.SetRootEntries({DirEntry("\xE5HOTO   JPG", 0x20, 2, static_cast<std::uint32_t>(photo.size()))});
  const RunSummary summary = harness.RunOver(card.image, harness.Settings());
  ASSERT_EQ(summary.end, RunEnd::Completed);
  EXPECT_EQ(summary.boot.totalSectors, 8192u);
  EXPECT_EQ(summary.boot.clusterCount, card.clusterCount);
  const auto outputs = harness.Outputs();
  ASSERT_TRUE(outputs.count("_HOTO.JPG"));
  EXPECT_EQ(outputs.at("_HOTO.JPG"), photo);
  ASSERT_TRUE(summary.scanned.has_value());
  EXPECT_LE(summary.scanned->first + summary.scanned->count, 8192u);
}

TEST(CardBounds, ABootSectorClaimingOneSectorMoreThanTheCardIsReadAsTheCard) {
  Harness harness("boot-one-more");
  Fat16Card card(8192, 4);
  card.SetSectorCounts(0, 8193);
  const RunSummary summary = harness.RunOver(card.image, harness.Settings());
  ASSERT_EQ(summary.end, RunEnd::Completed);
  EXPECT_EQ(summary.boot.totalSectors, 8192u);
  ASSERT_TRUE(summary.scanned.has_value());
  EXPECT_LE(summary.scanned->first + summary.scanned->count, 8192u);
}

TEST(CardBounds, AMemoryShortageEndsTheRunAsOutOfMemory) {
  // A road whose buffers cannot be had once the raw scan is under way.
  class ShortOfMemory : public MemorySectorSource {
   public:
    using MemorySectorSource::MemorySectorSource;
    bool Read(std::uint64_t first, std::span<std::uint8_t> buffer) override {
      if (first >= 100) throw std::bad_alloc();
      return MemorySectorSource::Read(first, buffer);
    }
  };
  Harness harness("no-memory");
  Fat16Card card(4096, 1);
  card.Put(200, SmallBmp(1));
  ShortOfMemory source(card.image);
  RecoveryEngine engine(harness.state, source, harness.observer);
  const RunSummary summary = engine.Run(harness.Settings(), {});
  EXPECT_EQ(summary.end, RunEnd::OutOfMemory);
  EXPECT_EQ(harness.state.recoveredCount, 0);
  EXPECT_FALSE(harness.state.carveFileOpen);
}

TEST(CardBounds, TheRawScanReachesTheVolumesLastCluster) {
  Harness harness("last-cluster-scan");
  Fat16Card card(4096, 1);
  const Bytes bmp = SmallBmp(2);
  card.Put(card.LastCluster(), bmp);
  const RunSummary summary = harness.RunOver(card.image, harness.Settings());
  ASSERT_EQ(summary.end, RunEnd::Completed);
  ASSERT_TRUE(summary.scanned.has_value());
  EXPECT_EQ(summary.scanned->first + summary.scanned->count, 4096u);
  EXPECT_TRUE(harness.HasExactCopy(bmp));
  EXPECT_EQ(harness.state.filesOfType[kBmp], 1);
}

TEST(CardBounds, TheClusterWalkReachesTheVolumesLastCluster) {
  Harness harness("last-cluster-walk");
  // Every cluster in use but the last, which holds a deleted directory; its photograph lies in
  // the cluster before.
  Fat16Card card(4096, 1);
  for (std::uint32_t c = 2; c < card.LastCluster(); ++c) card.SetFat(c, 0xFFFF);
  const Bytes photo = Concat(Bytes{0xFF, 0xD8, 0xFF, 0xE0}, Filler(300, 4));
  const auto photoCluster = static_cast<std::uint16_t>(card.LastCluster() - 1);
  card.Put(photoCluster, photo);
  Bytes directory = Concat(DirEntry(".          ", 0x10, static_cast<std::uint16_t>(card.LastCluster()), 0),
                           DirEntry("..         ", 0x10, 0, 0));
  directory = Concat(directory, DirEntry("LAST    JPG", 0x20, photoCluster, static_cast<std::uint32_t>(photo.size())));
  card.Put(card.LastCluster(), directory);
  const RunSummary summary = harness.RunOver(card.image, harness.Settings());
  ASSERT_EQ(summary.end, RunEnd::Completed);
  const auto outputs = harness.Outputs();
  ASSERT_TRUE(outputs.count("LAST.JPG"));
  EXPECT_EQ(outputs.at("LAST.JPG"), photo);
}

}  // namespace
}  // namespace recovery::test_support
