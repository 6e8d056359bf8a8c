// The shaded progress bar, read back pixel by pixel from the control's own surface.
#include "controls/shaded_progress.h"

#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"

#include <gtest/gtest.h>

namespace tarnlok {
namespace {

constexpr ui::COLORREF kBlue100 = 0x640000;
constexpr ui::COLORREF kLight1 = ui::RGB(51, 51, 151);
constexpr ui::COLORREF kLight2 = ui::RGB(102, 102, 202);
constexpr ui::COLORREF kLight3 = ui::RGB(153, 153, 253);
constexpr ui::COLORREF kDark = ui::RGB(0, 0, 49);

class ShadedBar : public ::testing::Test {
 protected:
  void TearDown() override { ui::DestroyWindow(parent_); }

  // A bar of the size in a shown window, coloured as the pages colour theirs.
  void Make(int width, int height, ui::DWORD style = 0) {
    parent_ = ui::CreateWindowExA(0, ui::kDialogClass, "", ui::WS_POPUP | ui::WS_VISIBLE, 0, 0, 300, 300, nullptr,
                                  nullptr, nullptr, nullptr);
    const ui::HWND control = ui::CreateWindowExA(0, ui::kProgressClass, "", ui::WS_CHILD | ui::WS_VISIBLE | style, 10,
                                                 10, width, height, parent_, nullptr, nullptr, nullptr);
    bar.SubclassWindow(control);
    bar.SetRange32(0, 100);
    bar.SetBarColour(kBlue100);
  }
  ui::COLORREF At(int x, int y) {
    bar.RedrawWindow(nullptr, ui::RDW_INVALIDATE | ui::RDW_UPDATENOW);
    const ui::HDC dc = ui::GetDC(bar.m_hWnd);
    const ui::COLORREF colour = ui::GetPixel(dc, x, y);
    ui::ReleaseDC(bar.m_hWnd, dc);
    return colour;
  }

  CShadedProgress bar;
  ui::HWND parent_ = nullptr;
};

TEST(Shades, LightenAndDarkenLeaveAChannelThatWouldOverflow) {
  EXPECT_EQ(CShadedProgress::Lighten(kBlue100, 51), kLight1);
  EXPECT_EQ(CShadedProgress::Lighten(ui::RGB(250, 10, 204), 51), ui::RGB(250, 61, 255));
  EXPECT_EQ(CShadedProgress::Darken(kBlue100, 51), kDark);
  EXPECT_EQ(CShadedProgress::Darken(kDark, 51), kDark) << "49 is below the amount and stays";
  EXPECT_EQ(CShadedProgress::Darken(ui::RGB(51, 50, 255), 51), ui::RGB(0, 50, 204));
}

TEST_F(ShadedBar, AHalfFullBarShowsItsFiveShadesAndTheShadowEdges) {
  Make(200, 20);
  bar.SetPos(50);
  // The bar ends at x 100; rows from the top: bar edge, bar colour, light 1, light 2, then the fill.
  EXPECT_EQ(At(0, 10), kBlue100) << "left edge";
  EXPECT_EQ(At(50, 0), kDark) << "top edge";
  EXPECT_EQ(At(50, 1), kBlue100);
  EXPECT_EQ(At(50, 2), kLight1);
  EXPECT_EQ(At(50, 3), kLight2);
  EXPECT_EQ(At(50, 10), kLight3) << "the tube's middle";
  EXPECT_EQ(At(50, 15), kLight2);
  EXPECT_EQ(At(50, 16), kLight1);
  EXPECT_EQ(At(50, 17), kBlue100);
  EXPECT_EQ(At(50, 18), kDark);
  EXPECT_EQ(At(50, 19), kDark) << "dark 2 equals dark 1 for this colour";
  EXPECT_EQ(At(97, 10), kLight2) << "right end of the light ring";
  EXPECT_EQ(At(98, 10), kDark);
  EXPECT_EQ(At(99, 10), kDark);
  const ui::COLORREF shadow = ui::GetSysColor(ui::COLOR_BTNSHADOW);
  const ui::COLORREF dkShadow = ui::GetSysColor(ui::COLOR_3DDKSHADOW);
  EXPECT_EQ(At(100, 10), ui::RGB(static_cast<ui::BYTE>((ui::GetRValue(shadow) + ui::GetRValue(dkShadow)) / 2),
                                 static_cast<ui::BYTE>((ui::GetGValue(shadow) + ui::GetGValue(dkShadow)) / 2),
                                 static_cast<ui::BYTE>((ui::GetBValue(shadow) + ui::GetBValue(dkShadow)) / 2)));
  EXPECT_EQ(At(101, 10), shadow);
  EXPECT_EQ(At(150, 10), ui::GetSysColor(ui::COLOR_BTNFACE)) << "beyond the bar";
  EXPECT_EQ(At(1, 1), kLight1);
  EXPECT_EQ(At(1, 2), kLight2);
  EXPECT_EQ(At(1, 18), kBlue100);
  EXPECT_EQ(At(1, 19), kDark);
}

TEST_F(ShadedBar, EmptyFullAndEmptyRangeBars) {
  Make(120, 16);
  const ui::COLORREF face = ui::GetSysColor(ui::COLOR_BTNFACE);
  EXPECT_EQ(At(0, 8), face) << "position at the lower end: background only";
  EXPECT_EQ(At(119, 8), face);
  bar.SetPos(100);
  EXPECT_EQ(At(0, 8), kBlue100) << "the bar starts at the left edge";
  EXPECT_EQ(At(118, 8), kDark) << "and reaches the right edge";
  EXPECT_EQ(At(60, 8), kLight3);
  bar.SetRange32(40, 40);
  EXPECT_EQ(At(60, 8), face) << "an empty range shows no bar";
}

TEST_F(ShadedBar, AVerticalBarFillsFromTheBottom) {
  Make(20, 100, ui::PBS_VERTICAL);
  bar.SetPos(25);
  // The bar covers rows 75 to 99; the fill shows between its columns of shades.
  EXPECT_EQ(At(10, 50), ui::GetSysColor(ui::COLOR_BTNFACE));
  EXPECT_EQ(At(10, 75), kBlue100) << "top edge";
  EXPECT_EQ(At(0, 80), kDark) << "left edge";
  EXPECT_EQ(At(1, 80), kBlue100);
  EXPECT_EQ(At(2, 80), kLight1);
  EXPECT_EQ(At(3, 80), kLight2);
  EXPECT_EQ(At(10, 80), kLight3);
  EXPECT_EQ(At(15, 80), kLight2);
  EXPECT_EQ(At(16, 80), kLight1);
  EXPECT_EQ(At(17, 80), kBlue100);
  EXPECT_EQ(At(18, 80), kDark);
  EXPECT_EQ(At(10, 98), kDark) << "bottom edge";
}

TEST_F(ShadedBar, AVerticalBarBelowFourPixelsIsAPlainRectangle) {
  Make(20, 100, ui::PBS_VERTICAL);
  bar.SetPos(3);
  // Three rows high: a dark frame round one row of the bar colour.
  EXPECT_EQ(At(10, 96), ui::GetSysColor(ui::COLOR_BTNFACE));
  EXPECT_EQ(At(10, 97), kDark);
  EXPECT_EQ(At(10, 98), kBlue100);
  EXPECT_EQ(At(10, 99), kDark);
  EXPECT_EQ(At(0, 98), kDark);
}

}  // namespace
}  // namespace tarnlok
