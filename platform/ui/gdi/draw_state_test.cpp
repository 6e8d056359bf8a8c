#include "platform/ui/gdi/draw_state.h"

#include "platform/ui/gdi/cdc.h"
#include "platform/ui/testing/white_canvas.h"
#include "platform/ui/windows/cursor.h"
#include "platform/ui/windows/input_router.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// A 4 x 4 blue icon whose left column is transparent.
HICON MakeIcon() {
  CBitmap colour;
  colour.CreateBitmap(4, 4, 1, 32, nullptr);
  CDC dc;
  dc.CreateCompatibleDC(nullptr);
  dc.SelectObject(&colour);
  dc.FillSolidRect(0, 0, 4, 4, kBlue);
  const std::uint8_t maskBits[] = {0x80, 0, 0x80, 0, 0x80, 0, 0x80, 0};
  CBitmap mask;
  mask.CreateBitmap(4, 4, 1, 1, maskBits);
  dc.DeleteDC();
  ICONINFO info;
  info.hbmColor = colour;
  info.hbmMask = mask;
  return CreateIconIndirect(&info);
}

struct States : ::testing::Test, test_support::WhiteCanvas {
  States() : WhiteCanvas(10, 10) {}
  void SetUp() override {
    icon = MakeIcon();
    ASSERT_NE(icon, nullptr);
  }
  void TearDown() override { DestroyIcon(icon); }
  HICON icon = nullptr;
};

TEST_F(States, NormalIconsDrawTheirOpaquePixels) {
  ASSERT_TRUE(DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, 2, 2, 0, 0, DST_ICON | DSS_NORMAL));
  EXPECT_EQ(dc.GetPixel(2, 2), kWhite) << "the mask's transparent column";
  EXPECT_EQ(dc.GetPixel(3, 2), kBlue);
  EXPECT_EQ(dc.GetPixel(5, 5), kBlue);
  EXPECT_EQ(dc.GetPixel(6, 6), kWhite);
}

TEST_F(States, DisabledIconsAreEmbossedInTheShadowAndHighlightColours) {
  dc.FillSolidRect(0, 0, 10, 10, GetSysColor(COLOR_BTNFACE));
  DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, 2, 2, 0, 0, DST_ICON | DSS_DISABLED);
  EXPECT_EQ(dc.GetPixel(3, 2), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(dc.GetPixel(6, 6), GetSysColor(COLOR_BTNHIGHLIGHT)) << "the highlight lies one pixel down and right";
  EXPECT_EQ(dc.GetPixel(2, 2), GetSysColor(COLOR_BTNFACE));
}

LRESULT HandOverButton(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETCURSOR) {
    SetCursor(LoadCursorA(nullptr, IDC_HAND));
    return win::TRUE;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST(Mouse, TheWindowUnderTheMouseChoosesTheCursor) {
  const HWND top =
      CreateWindowExA(0, kDialogClass, "", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
  const HWND link =
      CreateWindowExA(0, kButtonClass, "link", WS_CHILD | WS_VISIBLE, 10, 10, 50, 20, top, nullptr, nullptr, nullptr);
  SetWindowLongPtrA(link, GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(&HandOverButton));
  RouteMouse(top, WM_MOUSEMOVE, POINT{20, 15}, 0);
  EXPECT_EQ(SetCursor(nullptr), LoadCursorA(nullptr, IDC_HAND));
  RouteMouse(top, WM_MOUSEMOVE, POINT{150, 80}, 0);
  EXPECT_EQ(SetCursor(nullptr), LoadCursorA(nullptr, IDC_ARROW));
  DestroyWindow(top);
}

TEST(Mouse, PositionWindowUnderItCursorsAndMinimising) {
  const HWND top = CreateWindowExA(0, kDialogClass, "", WS_POPUP | WS_VISIBLE, 100, 100, 200, 100, nullptr, nullptr,
                                   nullptr, nullptr);
  const HWND button =
      CreateWindowExA(0, kButtonClass, "Go", WS_CHILD | WS_VISIBLE, 10, 10, 50, 20, top, nullptr, nullptr, nullptr);
  RouteMouse(top, WM_MOUSEMOVE, POINT{20, 15}, 0);
  POINT at;
  ASSERT_TRUE(GetCursorPos(&at));
  EXPECT_EQ(at.x, 120);
  EXPECT_EQ(at.y, 115);
  EXPECT_EQ(WindowFromPoint(at), button);
  EXPECT_EQ(WindowFromPoint(POINT{150, 180}), top);
  EXPECT_EQ(WindowFromPoint(POINT{5, 5}), nullptr);
  const HCURSOR hand = LoadCursorA(nullptr, IDC_HAND);
  ASSERT_NE(hand, nullptr);
  EXPECT_EQ(LoadCursorA(nullptr, 12345), nullptr);
  const HCURSOR before = SetCursor(hand);
  EXPECT_EQ(SetCursor(before), hand);
  EXPECT_FALSE(IsIconic(top));
  EXPECT_TRUE(CloseWindow(top));
  EXPECT_TRUE(IsIconic(top));
  DestroyWindow(top);
}

}  // namespace
}  // namespace ui
