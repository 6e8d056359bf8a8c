#include "platform/ui/gdi/cdc.h"
#include "platform/ui/testing/white_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace ui {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// A memory DC over a white colour bitmap, read back pixel by pixel.
struct Canvas : ::testing::Test, test_support::WhiteCanvas {
  static constexpr int kSize = 12;
  Canvas() : WhiteCanvas(kSize, kSize) {}
};

TEST_F(Canvas, FillRectLeavesTheRightAndBottomEdgesOut) {
  CBrush red(kRed);
  const RECT rect{2, 3, 5, 5};
  dc.FillRect(&rect, &red);
  EXPECT_EQ(Row(2, kRed), "............");
  EXPECT_EQ(Row(3, kRed), "..###.......");
  EXPECT_EQ(Row(4, kRed), "..###.......");
  EXPECT_EQ(Row(5, kRed), "............");
}

TEST_F(Canvas, LinesLeaveTheirEndPointOut) {
  dc.MoveTo(1, 1);
  dc.LineTo(6, 1);
  EXPECT_EQ(Row(1), ".#####......");
  dc.MoveTo(8, 2);
  dc.LineTo(8, 5);
  EXPECT_EQ(Column(8, kBlack, 0, 7), "..###..");
  dc.MoveTo(0, 6);
  dc.LineTo(4, 10);
  EXPECT_EQ(Row(6, kBlack, 0, 5), "#....");
  EXPECT_EQ(Row(9, kBlack, 0, 5), "...#.");
  EXPECT_EQ(Row(10, kBlack, 0, 5), ".....");
  EXPECT_EQ(dc.MoveTo(0, 0).x, 4) << "the current position moved to the end point";
}

TEST_F(Canvas, RectangleOutlinesWithThePenAndFillsWithTheBrush) {
  CPen red(PS_SOLID, 1, kRed);
  CBrush blue(kBlue);
  dc.SelectObject(&red);
  dc.SelectObject(&blue);
  dc.Rectangle(1, 1, 5, 4);
  EXPECT_EQ(Row(1, kRed, 0, 6), ".####.");
  EXPECT_EQ(Row(2, kBlue, 0, 6), ".?##?.") << "blue inside, the red outline at both ends";
  EXPECT_EQ(Row(3, kRed, 0, 6), ".####.");
  EXPECT_EQ(Row(4, kRed, 0, 6), "......");
}

TEST_F(Canvas, RectangleWithoutAPenFillsOnePixelLess) {
  CBrush blue(kBlue);
  dc.SelectStockObject(NULL_PEN);
  dc.SelectObject(&blue);
  dc.Rectangle(1, 1, 5, 4);
  EXPECT_EQ(Row(1, kBlue, 0, 6), ".###..");
  EXPECT_EQ(Row(2, kBlue, 0, 6), ".###..");
  EXPECT_EQ(Row(3, kBlue, 0, 6), "......");
}

TEST_F(Canvas, Draw3dRectGivesTheFarCornersToTheSecondColour) {
  dc.Draw3dRect(1, 1, 4, 3, kRed, kBlue);
  EXPECT_EQ(dc.GetPixel(1, 1), kRed);
  EXPECT_EQ(dc.GetPixel(3, 1), kRed);
  EXPECT_EQ(dc.GetPixel(4, 1), kBlue) << "top-right corner";
  EXPECT_EQ(dc.GetPixel(1, 3), kBlue) << "bottom-left corner";
  EXPECT_EQ(dc.GetPixel(1, 2), kRed);
  EXPECT_EQ(dc.GetPixel(2, 2), kWhite);
  EXPECT_EQ(dc.GetBkColor(), kBlue) << "FillSolidRect leaves the background colour set";
}

TEST_F(Canvas, PixelsOutsideTheBitmapAreInvalid) {
  EXPECT_EQ(dc.GetPixel(kSize, 0), CLR_INVALID);
  EXPECT_EQ(dc.GetPixel(-1, 0), CLR_INVALID);
  dc.SetPixel(kSize, 0, kRed);
  EXPECT_EQ(dc.SetPixel(3, 3, kRed), kRed);
  EXPECT_EQ(dc.GetPixel(3, 3), kRed);
}

TEST_F(Canvas, FocusRectangleDrawnTwiceDisappears) {
  const RECT rect{1, 1, 9, 7};
  dc.DrawFocusRect(&rect);
  EXPECT_NE(InkBox().right, -1);
  dc.DrawFocusRect(&rect);
  EXPECT_EQ(InkBox().right, -1);
}

// Source pattern 1100 over destination 1010 gives each operation's truth table in four pixels.
struct Blit : Canvas {
  void Prepare() {
    source.CreateCompatibleDC(nullptr);
    sourceBitmap.CreateBitmap(4, 1, 1, 32, nullptr);
    source.SelectObject(&sourceBitmap);
    for (int x = 0; x < 4; ++x) source.SetPixel(x, 0, x < 2 ? kWhite : kBlack);
    for (int x = 0; x < 4; ++x) dc.SetPixel(x, 0, x % 2 == 0 ? kWhite : kBlack);
  }
  std::string Result(DWORD rop) {
    Prepare();
    dc.BitBlt(0, 0, 4, 1, &source, 0, 0, rop);
    std::string bits;
    for (int x = 0; x < 4; ++x) bits += dc.GetPixel(x, 0) == kWhite ? '1' : '0';
    return bits;
  }
  CDC source;
  CBitmap sourceBitmap;
};

TEST_F(Blit, RasterOperationsFollowTheirTruthTables) {
  // Source 1100, destination 1010.
  EXPECT_EQ(Result(SRCCOPY), "1100");
  EXPECT_EQ(Result(SRCAND), "1000");
  EXPECT_EQ(Result(SRCPAINT), "1110");
  EXPECT_EQ(Result(SRCINVERT), "0110");
  EXPECT_EQ(Result(NOTSRCCOPY), "0011");
  EXPECT_EQ(Result(DSTINVERT), "0101");
  EXPECT_EQ(Result(BLACKNESS), "0000");
  EXPECT_EQ(Result(WHITENESS), "1111");
}

TEST_F(Blit, PatternOperationsUseTheSelectedBrush) {
  CBrush white(kWhite);
  dc.SelectObject(&white);
  EXPECT_EQ(Result(PATCOPY), "1111");
  // 0xB8 keeps the destination where the source is set and paints the pattern elsewhere;
  // 0xE2 paints the pattern where the source is set and keeps the destination elsewhere.
  EXPECT_EQ(Result(0x00B8074A), "1011");
  CBrush black(kBlack);
  dc.SelectObject(&black);
  EXPECT_EQ(Result(0x00E20746), "0010");
}

TEST_F(Blit, ColourCopyLandsInsideTheClipOnly) {
  source.CreateCompatibleDC(nullptr);
  sourceBitmap.CreateBitmap(4, 4, 1, 32, nullptr);
  source.SelectObject(&sourceBitmap);
  auto colourAt = [](int x, int y) { return RGB(40 * x + 10, 50 * y + 20, 7); };
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) source.SetPixel(x, y, colourAt(x, y));
  dc.IntersectClipRect(3, 3, 7, 6);
  dc.BitBlt(2, 2, 4, 4, &source, 0, 0, SRCCOPY);
  dc.SelectClipRgn(nullptr);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const bool copied = x >= 3 && x < 6 && y >= 3 && y < 6;
      EXPECT_EQ(dc.GetPixel(x, y), copied ? colourAt(x - 2, y - 2) : kWhite) << x << "," << y;
    }
  }
}

TEST_F(Blit, MonochromeSourceTakesTheTargetsTextAndBackgroundColours) {
  CDC mono;
  mono.CreateCompatibleDC(nullptr);
  CBitmap maskBitmap;
  const std::uint8_t bits[] = {0xA0, 0x00};  // 1010 in a row padded to 16 bits
  maskBitmap.CreateBitmap(4, 1, 1, 1, bits);
  mono.SelectObject(&maskBitmap);
  dc.SetTextColor(kRed);
  dc.SetBkColor(kBlue);
  dc.BitBlt(0, 0, 4, 1, &mono, 0, 0, SRCCOPY);
  EXPECT_EQ(dc.GetPixel(0, 0), kBlue) << "set bits take the background colour";
  EXPECT_EQ(dc.GetPixel(1, 0), kRed) << "clear bits take the text colour";
}

TEST_F(Blit, ColourSourceIntoMonochromeMarksTheBackgroundColourWhite) {
  CDC mono;
  mono.CreateCompatibleDC(nullptr);
  CBitmap maskBitmap;
  maskBitmap.CreateBitmap(3, 1, 1, 1, nullptr);
  mono.SelectObject(&maskBitmap);
  dc.SetPixel(0, 0, kRed);
  dc.SetPixel(1, 0, kBlue);
  dc.SetPixel(2, 0, kRed);
  dc.SetBkColor(kRed);
  mono.BitBlt(0, 0, 3, 1, &dc, 0, 0, SRCCOPY);
  EXPECT_EQ(mono.GetPixel(0, 0), kWhite);
  EXPECT_EQ(mono.GetPixel(1, 0), kBlack);
  EXPECT_EQ(mono.GetPixel(2, 0), kWhite);
}

struct Text : ::testing::Test, test_support::WhiteCanvas {
  static constexpr int kWide = 120;
  Text() : WhiteCanvas(kWide, 40) {
    font.CreateFont(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Verdana");
    dc.SelectObject(&font);
    dc.SetBkMode(TRANSPARENT);
  }
  CFont font;
};

TEST_F(Text, AlignmentPlacesTheInkInsideTheRectangle) {
  RECT area{10, 5, 110, 35};
  dc.DrawText("Wide", &area, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE);
  const RECT right = InkBox();
  EXPECT_LE(right.right, 110);
  EXPECT_GE(right.right, 105);
  EXPECT_LE(right.bottom, 35);
  EXPECT_GE(right.bottom, 28);

  dc.FillSolidRect(0, 0, kWide, 40, kWhite);
  dc.SetBkMode(TRANSPARENT);
  dc.DrawText("Wide", &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  const RECT centre = InkBox();
  EXPECT_LE(std::abs((centre.left - 10) - (110 - centre.right)), 2);
  EXPECT_LE(std::abs((centre.top - 5) - (35 - centre.bottom)), 4);
}

TEST_F(Text, CalcRectMeasuresWithoutDrawing) {
  RECT area{0, 0, 0, 0};
  const int height = dc.DrawText("Backup", &area, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(area.Width(), dc.GetTextExtent("Backup").cx);
  EXPECT_EQ(area.Height(), height);
  EXPECT_EQ(InkBox().right, -1);
}

TEST_F(Text, WordBreakWrapsAndPrefixesDisappear) {
  RECT one{0, 0, 1000, 0};
  dc.DrawText("&Cancel", &one, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(one.Width(), dc.GetTextExtent("Cancel").cx);
  RECT narrow{0, 0, 40, 0};
  const int lines = dc.DrawText("one two three", &narrow, DT_CALCRECT | DT_WORDBREAK) / dc.GetTextExtent("x").cy;
  EXPECT_GE(lines, 2);
}

TEST_F(Text, WordBreakKeepsTheBlanksThatIndentTheFirstLine) {
  RECT area{0, 0, 200, 40};
  dc.SetBkMode(TRANSPARENT);
  dc.DrawText("A", &area, DT_WORDBREAK);
  const int flush = InkBox().left;
  dc.FillSolidRect(0, 0, kWide, 40, kWhite);
  dc.DrawText("  A", &area, DT_WORDBREAK);
  EXPECT_EQ(InkBox().left - flush, dc.GetTextExtent("  ").cx);
}

TEST_F(Text, EveryFaceResolvesToTheSameFont) {
  CFont arial;
  arial.CreateFont(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  const SIZE verdana = dc.GetTextExtent("The quick brown fox");
  dc.SelectObject(&arial);
  EXPECT_EQ(dc.GetTextExtent("The quick brown fox").cx, verdana.cx);
  LOGFONTA log;
  ASSERT_GT(arial.GetLogFont(&log), 0);
  EXPECT_STREQ(log.lfFaceName, "Arial") << "the requested face is kept in the logical font";
}

// The dialogs' faces are drawn closer than any other; their names are known in any case, and a
// name that fills its whole field without an end is read no further than the field.
TEST_F(Text, TheDialogFacesAreKnownWhateverTheirCase) {
  const auto width = [&](const char* face) {
    LOGFONTA log{};
    log.lfHeight = -13;
    std::memcpy(log.lfFaceName, face, std::min(std::strlen(face) + 1, sizeof(log.lfFaceName)));
    CFont made;
    made.CreateFontIndirect(&log);
    dc.SelectObject(&made);
    const LONG cx = dc.GetTextExtent("The quick brown fox").cx;
    dc.SelectStockObject(SYSTEM_FONT);
    return cx;
  };
  const LONG other = width("Arial");
  const LONG dialog = width("MS Sans Serif");
  EXPECT_LT(dialog, other);
  EXPECT_EQ(width("ms sans serif"), dialog);
  EXPECT_EQ(width("MS SHELL DLG"), width("MS Shell Dlg"));
  EXPECT_LT(width("MS SHELL DLG"), other);
  EXPECT_EQ(width("MS Sans Serif, filling its whole field"), other);
}

TEST(SystemColours, AreTheClassicScheme) {
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(212, 208, 200));
  EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), RGB(128, 128, 128));
  EXPECT_EQ(GetSysColor(COLOR_3DDKSHADOW), RGB(64, 64, 64));
  EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), RGB(10, 36, 106));
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), RGB(255, 255, 255));
}

TEST(SavedStates, RestoreDcBringsBackColoursAndObjects) {
  CDC dc;
  dc.CreateCompatibleDC(nullptr);
  dc.SetTextColor(kRed);
  const int saved = dc.SaveDC();
  dc.SetTextColor(kBlue);
  CPen pen(PS_SOLID, 1, kBlue);
  const HGDIOBJ before = GetCurrentObject(dc, OBJ_PEN);
  dc.SelectObject(&pen);
  EXPECT_TRUE(dc.RestoreDC(saved));
  EXPECT_EQ(dc.GetTextColor(), kRed);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), before);
  EXPECT_FALSE(dc.RestoreDC(saved)) << "a state restores once";
}

TEST_F(Canvas, DrawEdgeMovesTheRectangleInsideOnlyWhenAskedTo) {
  RECT rect{2, 2, 12, 12};
  ASSERT_TRUE(DrawEdge(dc, &rect, EDGE_SUNKEN, BF_RECT));
  EXPECT_EQ(rect.left, 2);
  EXPECT_EQ(rect.bottom, 12);
  EXPECT_EQ(dc.GetPixel(2, 2), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(dc.GetPixel(3, 3), GetSysColor(COLOR_3DDKSHADOW));
  ASSERT_TRUE(DrawEdge(dc, &rect, EDGE_SUNKEN, BF_RECT | BF_ADJUST));
  EXPECT_EQ(rect.left, 4);
  EXPECT_EQ(rect.top, 4);
  EXPECT_EQ(rect.right, 10);
  EXPECT_EQ(rect.bottom, 10);
}

}  // namespace
}  // namespace ui
