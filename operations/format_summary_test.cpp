// The format summary's figures: the SmartMedia and Memory Stick tables at their keys and bounds,
// the FAT rules (for a card whose volume the system does not report) on the floppy and at the
// cluster steps, cards past 4 GB and digit groups.
#include "operations/format_summary.h"

#include <gtest/gtest.h>

namespace tarnlok {
namespace {

TEST(FormatSummary, SmartMediaFiguresComeFromTheTableByIdByte) {
  EXPECT_EQ(FormatSummaryFigures(2, 0x73, 0), (SummaryFigures{16351232, 16351232, 16384, 998}));
  EXPECT_EQ(FormatSummaryFigures(18, 0x73, 0), (SummaryFigures{16351232, 16351232, 16384, 998}))
      << "the newer reader's kind";
  EXPECT_EQ(FormatSummaryFigures(2, 0xE8, 0), (SummaryFigures{1012224, 1012224, 4096, 247}));
  EXPECT_EQ(FormatSummaryFigures(2, 0xEA, 0), (SummaryFigures{2036736, 2036736, 4096, 497}));
  EXPECT_EQ(FormatSummaryFigures(2, 0xE5, 0), (SummaryFigures{4071424, 4071424, 8192, 497}));
  EXPECT_EQ(FormatSummaryFigures(2, 0x71, 0), (SummaryFigures{262078464, 262078464, 16384, 15996}));
  EXPECT_EQ(FormatSummaryFigures(2, 0x42, 0), SummaryFigures{}) << "an unknown ID byte";
}

TEST(FormatSummary, MemoryStickFiguresTakeTheFirstRowWhoseBoundHolds) {
  EXPECT_EQ(FormatSummaryFigures(8, 8192, 0), (SummaryFigures{3997696, 3997696, 8192, 488}));
  EXPECT_EQ(FormatSummaryFigures(8, 8193, 0), (SummaryFigures{8060928, 8060928, 8192, 984}));
  EXPECT_EQ(FormatSummaryFigures(24, 131072, 0), (SummaryFigures{64831488, 64831488, 16384, 3957}));
  EXPECT_EQ(FormatSummaryFigures(8, 262144, 0), (SummaryFigures{129695744, 129695744, 16384, 7916}));
  EXPECT_EQ(FormatSummaryFigures(8, 262145, 0), SummaryFigures{});
}

TEST(FormatSummary, FatFiguresFollowTheSummarysLayoutRules) {
  // The 1.44 MB floppy: 356 clusters, 534 FAT bytes rounded up to two sectors.
  EXPECT_EQ(FormatSummaryFigures(1, 2880, 0), (SummaryFigures{1439232, 1439232, 4096, 351}));
  // 64 MB (binary 61): two sectors a cluster, above 4081 clusters two FAT bytes each.
  const SummaryFigures cf64 = FormatSummaryFigures(1, 125000, 0);
  EXPECT_EQ(cf64.unitBytes, 1024u);
  const unsigned long long clusters = (125000 - 32) / 2;
  const unsigned long long fatSectors = (clusters * 2 + 511) / 512;
  EXPECT_EQ(cf64.units, (125000 - (2 * fatSectors + 65)) / 2);
  EXPECT_EQ(cf64.totalBytes, (125000 - 32 - (fatSectors * 2 + 33)) * 512);
  // Above 256 decimal megabytes: 63 hidden sectors and the second formula.
  const SummaryFigures sd512 = FormatSummaryFigures(4, 1048576, 0);
  EXPECT_EQ(sd512.unitBytes, 32u * 512) << "512 binary megabytes";
  // 32766 clusters, 65532 FAT bytes rounded up to 128 sectors.
  EXPECT_EQ(sd512.units, (1048576 - (2 * 128 + 127)) / 32);
  EXPECT_EQ(sd512.totalBytes, (1048576ull - 96 - 2 * 128) * 512);
  EXPECT_EQ(FormatSummaryFigures(4, 2097152 - 1, 0).unitBytes, 32u * 512) << "just under 1024 MB";
  EXPECT_EQ(FormatSummaryFigures(4, 2097152, 0).unitBytes, 64u * 512);
}

TEST(FormatSummary, CardsOf4GbAndMoreKeepTheirSizeAndTinyCardsDoNotWrap) {
  const unsigned sectors = 31250000;  // a 16 GB card
  const SummaryFigures big = FormatSummaryFigures(4, sectors, 0);
  EXPECT_GT(big.totalBytes, 15'900'000'000ull);
  EXPECT_LT(big.totalBytes, 16'000'000'000ull);
  EXPECT_EQ(big.units, (sectors - (2 * ((sectors - 63) / 64 * 2 / 512 + 1) + 127)) / 64);
  EXPECT_EQ(FormatSummaryFigures(4, 8912896, 0).unitBytes, 64u * 512)
      << "4.25 GiB, whose bytes wrap to 256 MiB in 32 bits";
  EXPECT_EQ(FormatSummaryFigures(1, 10, 0), (SummaryFigures{0, 0, 4096, 0}));
}

TEST(FormatSummary, DigitGroupsStartAbove1000AndEveryFurtherPowerOf1000) {
  EXPECT_EQ(GroupedDigits(0), "0");
  EXPECT_EQ(GroupedDigits(999), "999");
  EXPECT_EQ(GroupedDigits(1000), "1000");
  EXPECT_EQ(GroupedDigits(1001), "1,001");
  EXPECT_EQ(GroupedDigits(1000000), "1000,000");
  EXPECT_EQ(GroupedDigits(1000001), "1,000,001");
  EXPECT_EQ(GroupedDigits(16351232), "16,351,232");
  EXPECT_EQ(GroupedDigits(999999999), "999,999,999");
  EXPECT_EQ(GroupedDigits(1000000000), "1000,000,000") << "not above a billion";
  EXPECT_EQ(GroupedDigits(1000000001), "1,000,000,001");
  EXPECT_EQ(GroupedDigits(4294393344ull), "4,294,393,344");
  EXPECT_EQ(GroupedDigits(16000000005ull), "16,000,000,005");
  EXPECT_EQ(GroupedDigits(18446744073709551615ull), "18,446,744,073,709,551,615");
}

}  // namespace
}  // namespace tarnlok
