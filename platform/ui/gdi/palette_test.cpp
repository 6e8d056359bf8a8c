#include "platform/ui/gdi/palette.h"

#include "platform/ui/gdi/cdc.h"
#include "platform/ui/gdi/frame_control.h"
#include "platform/ui/testing/white_canvas.h"

#include <gtest/gtest.h>

#include <string>

namespace ui {
namespace {

TEST(Palette, HoldsItsEntriesAndIsAnObjectItsCreatorDeletes) {
  const DWORD before = GetGuiResources(nullptr, GR_GDIOBJECTS);
  LOGPALETTE log;
  log.palNumEntries = 2;
  log.palPalEntry[0] = PALETTEENTRY{165, 42, 0, 0};
  log.palPalEntry[1] = PALETTEENTRY{0, 64, 64, 0};
  const HPALETTE palette = CreatePalette(&log);
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(GetGuiResources(nullptr, GR_GDIOBJECTS), before + 1);
  EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 2u);
  PALETTEENTRY read[2];
  ASSERT_EQ(GetPaletteEntries(palette, 1, 5, read), 1u);
  EXPECT_EQ(read[0].peGreen, 64);

  CDC dc;
  dc.CreateCompatibleDC(nullptr);
  const HPALETTE stock = SelectPalette(dc, palette, win::FALSE);
  ASSERT_NE(stock, nullptr);
  EXPECT_EQ(dc.GetDeviceCaps(RASTERCAPS) & RC_PALETTE, 0) << "the display is true colour";
  EXPECT_EQ(RealizePalette(dc), 0u);
  EXPECT_EQ(SelectPalette(dc, stock, win::FALSE), palette);
  EXPECT_EQ(dc.SelectObject(static_cast<HGDIOBJ>(palette)), nullptr) << "palettes are selected with SelectPalette";

  EXPECT_TRUE(DeleteObject(palette));
  EXPECT_EQ(GetGuiResources(nullptr, GR_GDIOBJECTS), before);
  log.palVersion = 0x200;
  EXPECT_EQ(CreatePalette(&log), nullptr);
  log.palVersion = 0x300;
  log.palNumEntries = 0;
  EXPECT_EQ(CreatePalette(&log), nullptr);
}

TEST(PaletteColour, BrushesOfPaletteColoursPaintTheirRgb) {
  test_support::WhiteCanvas canvas(4, 4);
  CBrush brush(PALETTERGB(60, 179, 113));
  const RECT all{0, 0, 4, 4};
  canvas.dc.FillRect(&all, &brush);
  EXPECT_EQ(canvas.dc.GetPixel(2, 2), RGB(60, 179, 113));
}

// The button as rows of characters: '.' face, '#' the colour asked, '?' anything else.
std::string Row(CDC& dc, int y, int width, COLORREF ink) {
  std::string row;
  for (int x = 0; x < width; ++x) {
    const COLORREF c = dc.GetPixel(x, y);
    row += c == GetSysColor(COLOR_BTNFACE) ? '.' : c == ink ? '#' : '?';
  }
  return row;
}

TEST(FrameControl, ScrollDownButtonIsARaisedFaceWithACentredArrow) {
  test_support::WhiteCanvas canvas(16, 16);
  CDC& dc = canvas.dc;
  RECT rect{0, 0, 16, 16};
  ASSERT_TRUE(DrawFrameControl(dc, &rect, DFC_SCROLL, DFCS_SCROLLDOWN));
  EXPECT_EQ(dc.GetPixel(0, 0), GetSysColor(COLOR_3DLIGHT)) << "raised outer edge";
  EXPECT_EQ(dc.GetPixel(15, 15), GetSysColor(COLOR_3DDKSHADOW));
  const COLORREF black = GetSysColor(COLOR_BTNTEXT);
  // Size (16 - 4) / 3 = 4 rows, 7 pixels wide at the top, centred at (16 - 7) / 2 = 4 and (16 - 4) / 2 = 6.
  EXPECT_EQ(Row(dc, 6, 16, black).substr(2, 12), "..#######...");
  EXPECT_EQ(Row(dc, 7, 16, black).substr(2, 12), "...#####....");
  EXPECT_EQ(Row(dc, 9, 16, black).substr(2, 12), ".....#......");
  EXPECT_EQ(Row(dc, 10, 16, black).substr(2, 12), "............");

  ASSERT_TRUE(DrawFrameControl(dc, &rect, DFC_SCROLL, DFCS_SCROLLDOWN | DFCS_PUSHED | DFCS_INACTIVE));
  EXPECT_EQ(dc.GetPixel(0, 0), GetSysColor(COLOR_BTNSHADOW)) << "a pushed button is flat";
  EXPECT_EQ(dc.GetPixel(5, 7), GetSysColor(COLOR_BTNSHADOW)) << "the etched arrow moved by one";
  EXPECT_EQ(dc.GetPixel(12, 8), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_FALSE(DrawFrameControl(dc, &rect, DFC_SCROLL, 0));
}

}  // namespace
}  // namespace ui
