// The colour table of a DIB: its size from biClrUsed and biBitCount, refused where the header
// claims more colours than its pixels can index or than its bytes hold.
#include "platform/ui/gdi/dib.h"

#include "platform/win/layouts/byte_order.h"

#include <gtest/gtest.h>

#include <vector>

namespace ui {
namespace {

// A BITMAPINFOHEADER of the bit count and biClrUsed, followed by room for tableBytes.
std::vector<BYTE> Header(WORD bits, DWORD used, std::size_t tableBytes) {
  std::vector<BYTE> dib(40 + tableBytes);
  win::WriteLe32(dib, 0, 40);
  win::WriteLe32(dib, 4, 1);
  win::WriteLe32(dib, 8, 1);
  win::WriteLe16(dib, 12, 1);
  win::WriteLe16(dib, 14, bits);
  win::WriteLe32(dib, 32, used);
  return dib;
}

TEST(DibColourTable, ZeroColoursUsedIsTheWholeTableOfTheBitCount) {
  for (const WORD bits : {1, 4, 8}) {
    const std::size_t entries = std::size_t{1} << bits;
    const auto table = FindDibColourTable(Header(bits, 0, entries * 4));
    ASSERT_TRUE(table) << bits;
    EXPECT_EQ(table->offset, 40u);
    EXPECT_EQ(table->count, entries);
    EXPECT_EQ(table->End(), 40 + entries * 4);
  }
  const auto trueColour = FindDibColourTable(Header(24, 0, 0));
  ASSERT_TRUE(trueColour);
  EXPECT_EQ(trueColour->count, 0u);
}

TEST(DibColourTable, ColoursUsedCountsUpToWhatTheBitsIndex) {
  const auto some = FindDibColourTable(Header(8, 5, 5 * 4));
  ASSERT_TRUE(some);
  EXPECT_EQ(some->count, 5u);
  const auto all = FindDibColourTable(Header(4, 16, 16 * 4));
  ASSERT_TRUE(all);
  EXPECT_EQ(all->count, 16u);
  EXPECT_FALSE(FindDibColourTable(Header(1, 3, 3 * 4)));
  EXPECT_FALSE(FindDibColourTable(Header(4, 17, 17 * 4)));
  EXPECT_FALSE(FindDibColourTable(Header(8, 257, 257 * 4)));
  EXPECT_FALSE(FindDibColourTable(Header(8, 0xFFFFFFFF, 256 * 4)));
}

TEST(DibColourTable, ATableOrHeaderPastTheBytesIsRefused) {
  const std::vector<BYTE> whole = Header(4, 0, 16 * 4);
  for (std::size_t size = 0; size < whole.size(); ++size) {
    EXPECT_FALSE(FindDibColourTable(std::span(whole.data(), size))) << size;
  }
  std::vector<BYTE> smallHeader = whole;
  win::WriteLe32(smallHeader, 0, 12);
  EXPECT_FALSE(FindDibColourTable(smallHeader));
  std::vector<BYTE> hugeHeader = whole;
  win::WriteLe32(hugeHeader, 0, 0xFFFFFFF0);
  EXPECT_FALSE(FindDibColourTable(hugeHeader));
}

}  // namespace
}  // namespace ui
