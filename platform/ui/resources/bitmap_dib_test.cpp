// Bitmaps from packed DIBs: a 4-bit DIB drawn through its colour table, and DIBs that do not
// hold what their header says refused.
#include "platform/ui/resources/bitmap_dib.h"

#include "platform/ui/gdi/gdi.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/system/last_error.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace ui {
namespace {

// A 2 x 1 DIB of 4 bits per pixel with a full table: pixel 0 is entry 1, pixel 1 entry 15.
std::vector<BYTE> TwoPixels() {
  std::vector<BYTE> dib(40 + 16 * 4 + 4);
  const std::span<BYTE> all(dib);
  win::WriteLe32(all, 0, 40);
  win::WriteLe32(all, 4, 2);
  win::WriteLe32(all, 8, 1);
  win::WriteLe16(all, 12, 1);
  win::WriteLe16(all, 14, 4);
  dib[40 + 1 * 4 + 2] = 200;  // entry 1: red 200
  dib[40 + 15 * 4 + 0] = 100;  // entry 15: blue 100
  dib[40 + 16 * 4] = 0x1F;
  return dib;
}

// The colours of the points of the bitmap made from a packed DIB; nothing when none is made.
std::vector<COLORREF> PixelsOf(std::span<const BYTE> dib, std::initializer_list<POINT> points) {
  const HBITMAP bitmap = CreateBitmapFromPackedDib(dib);
  if (bitmap == nullptr) return {};
  const HDC dc = CreateCompatibleDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  std::vector<COLORREF> pixels;
  for (const POINT point : points) pixels.push_back(GetPixel(dc, point.x, point.y));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bitmap);
  return pixels;
}

TEST(BitmapDib, APackedDibDrawsThroughItsColourTable) {
  EXPECT_EQ(PixelsOf(TwoPixels(), {{0, 0}, {1, 0}}), (std::vector<COLORREF>{RGB(200, 0, 0), RGB(0, 0, 100)}));
}

TEST(BitmapDib, ADibShorterThanItsHeaderSaysIsRefused) {
  const std::vector<BYTE> whole = TwoPixels();
  for (std::size_t size = 0; size < whole.size(); ++size) {
    win::SetLastError(0);
    EXPECT_EQ(CreateBitmapFromPackedDib(std::span(whole.data(), size)), nullptr) << size;
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_DATA) << size;
  }
  std::vector<BYTE> tooManyColours = whole;
  win::WriteLe32(tooManyColours, 32, 0xFFFFFFFF);
  EXPECT_EQ(CreateBitmapFromPackedDib(tooManyColours), nullptr);
  std::vector<BYTE> hugeHeader = whole;
  win::WriteLe32(hugeHeader, 0, 0xFFFFFFF0);
  EXPECT_EQ(CreateBitmapFromPackedDib(hugeHeader), nullptr);
  EXPECT_EQ(LoadBitmapResourceDib(nullptr, 64999), std::nullopt);
}

// Two colours of one bit per pixel cannot index a table of sixteen: the rows would be read from
// inside the table the header claims.
TEST(BitmapDib, MoreColoursThanTheBitsIndexAreRefused) {
  std::vector<BYTE> dib(40 + 16 * 4 + 4);
  win::WriteLe32(dib, 0, 40);
  win::WriteLe32(dib, 4, 2);
  win::WriteLe32(dib, 8, 1);
  win::WriteLe16(dib, 12, 1);
  win::WriteLe16(dib, 14, 1);
  win::WriteLe32(dib, 32, 16);
  win::SetLastError(0);
  EXPECT_EQ(CreateBitmapFromPackedDib(dib), nullptr);
  EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_DATA);
}

// Bitmap resource 221 is a PPM image whose bytes 24 and 25 (where a PNG keeps its bit depth and
// colour type) read 1 and 3; it is no paletted PNG and keeps its eight colours.
TEST(BitmapDib, AnImageOtherThanPngBecomesA24BitDib) {
  const auto dib = LoadBitmapResourceDib(nullptr, 221);
  ASSERT_TRUE(dib);
  EXPECT_EQ(win::ReadLe16(*dib, 14), 24);
  EXPECT_EQ(PixelsOf(*dib, {{0, 0}, {3, 0}, {0, 1}, {3, 1}}),
            (std::vector<COLORREF>{RGB(10, 20, 30), RGB(100, 110, 120), RGB(200, 1, 3), RGB(190, 210, 220)}));
}

// Bitmap resource 222 is a paletted PNG cut off inside its header chunk.
TEST(BitmapDib, APngCutShortIsNoImage) {
  win::SetLastError(0);
  EXPECT_EQ(LoadBitmapResourceDib(nullptr, 222), std::nullopt);
  EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_DATA);
}

}  // namespace
}  // namespace ui
