#include "platform/ui/gdi/cdc.h"
#include "platform/ui/testing/white_canvas.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ui {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr int kSize = 10;

// A white memory DC whose rows read back as text: '#' red, '.' white, '?' anything else.
struct Clip : ::testing::Test, test_support::WhiteCanvas {
  Clip() : WhiteCanvas(kSize, kSize) {}
  void FillAll() {
    CBrush red(kRed);
    const RECT all{0, 0, kSize, kSize};
    dc.FillRect(&all, &red);
  }
  // Reading back needs no clip: GetPixel answers CLR_INVALID outside it.
  std::string Row(int y) {
    const int saved = dc.SaveDC();
    dc.SelectClipRgn(nullptr);
    std::string row = WhiteCanvas::Row(y, kRed);
    dc.RestoreDC(saved);
    return row;
  }
};

TEST_F(Clip, IntersectAndExcludeNarrowEveryPrimitive) {
  EXPECT_EQ(dc.IntersectClipRect(2, 2, 8, 8), SIMPLEREGION);
  EXPECT_EQ(dc.ExcludeClipRect(4, 0, 6, kSize), COMPLEXREGION);
  FillAll();
  EXPECT_EQ(Row(1), "..........");
  EXPECT_EQ(Row(2), "..##..##..") << "right and bottom edges stay outside the clip";
  EXPECT_EQ(Row(7), "..##..##..");
  EXPECT_EQ(Row(8), "..........");
  EXPECT_EQ(dc.GetPixel(4, 4), CLR_INVALID) << "a pixel outside the clip cannot be read";

  dc.FillSolidRect(0, 0, kSize, kSize, kWhite);
  dc.SelectClipRgn(nullptr);
  dc.IntersectClipRect(0, 3, kSize, 4);
  CPen pen(PS_SOLID, 1, kRed);
  dc.SelectObject(&pen);
  dc.MoveTo(0, 0);
  dc.LineTo(kSize, kSize);
  EXPECT_EQ(Row(3), "...#......") << "a diagonal line keeps only its pixel inside the band";
  EXPECT_EQ(Row(2), "..........");
  dc.SetTextColor(kRed);
  dc.SetBkColor(kRed);
  dc.ExtTextOut(0, 0, ETO_OPAQUE, nullptr, "WWWW");
  EXPECT_EQ(Row(0), "..........") << "text is clipped too";
  dc.PatBlt(0, 0, kSize, kSize, BLACKNESS);
  EXPECT_EQ(Row(4), "..........");
  EXPECT_NE(Row(3).find('?'), std::string::npos) << "the blit reached the band";
  RECT box;
  EXPECT_EQ(dc.GetClipBox(&box), SIMPLEREGION);
  EXPECT_EQ(box, (RECT{0, 3, kSize, 4}));
}

TEST_F(Clip, SaveAndRestoreKeepTheClipAndSelectClipRgnCopiesTheRegion) {
  CRgn left;
  CRgn right;
  left.CreateRectRgn(0, 0, 3, kSize);
  right.CreateRectRgn(7, 0, kSize, kSize);
  CRgn both;
  both.CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(both.CombineRgn(&left, &right, RGN_OR), COMPLEXREGION);
  EXPECT_EQ(dc.SelectClipRgn(&both), COMPLEXREGION);
  SetRectRgn(both, 0, 0, kSize, kSize);  // the DC holds its own copy
  const int saved = dc.SaveDC();
  dc.IntersectClipRect(0, 0, kSize, 5);
  dc.RestoreDC(saved);
  FillAll();
  EXPECT_EQ(Row(9), "###....###") << "the narrower clip went with RestoreDC";
  dc.SelectClipRgn(nullptr);
  RECT box;
  EXPECT_EQ(dc.GetClipBox(&box), SIMPLEREGION);
  EXPECT_EQ(box, (RECT{0, 0, kSize, kSize}));
}

TEST(Regions, CombineOffsetAndTestPoints) {
  const HRGN a = CreateRectRgn(0, 0, 10, 10);
  const HRGN b = CreateRectRgn(5, 5, 15, 15);
  const HRGN result = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(CombineRgn(result, a, b, RGN_AND), SIMPLEREGION);
  RECT box;
  EXPECT_EQ(GetRgnBox(result, &box), SIMPLEREGION);
  EXPECT_EQ(box, (RECT{5, 5, 10, 10}));
  EXPECT_EQ(CombineRgn(result, a, b, RGN_DIFF), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(result, 2, 8));
  EXPECT_FALSE(PtInRegion(result, 7, 7));
  EXPECT_EQ(CombineRgn(result, a, b, RGN_XOR), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(result, 12, 12));
  EXPECT_EQ(OffsetRgn(a, 100, 0), SIMPLEREGION);
  EXPECT_EQ(CombineRgn(result, a, b, RGN_AND), NULLREGION);
  EXPECT_EQ(GetRgnBox(result, &box), NULLREGION);
  EXPECT_EQ(box, RECT{});
  EXPECT_EQ(CombineRgn(result, a, b, 99), RGN_ERROR);
  for (HRGN each : {a, b, result}) DeleteObject(each);
}

// A window that paints its whole client area red and notes each rcPaint.
std::vector<RECT>& Painted() {
  static std::vector<RECT> painted;
  return painted;
}

LRESULT RedPainter(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) return 1;
  if (message != WM_PAINT) return DefWindowProcA(hwnd, message, wParam, lParam);
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(hwnd, &paint);
  Painted().push_back(paint.rcPaint);
  RECT client;
  GetClientRect(hwnd, &client);
  const HBRUSH red = CreateSolidBrush(kRed);
  FillRect(dc, &client, red);
  DeleteObject(red);
  EndPaint(hwnd, &paint);
  return 0;
}

struct Invalidation : ::testing::Test {
  void SetUp() override {
    WNDCLASSA wc;
    wc.lpfnWndProc = &RedPainter;
    wc.lpszClassName = "RedPainter";
    RegisterClassA(&wc);
    window =
        CreateWindowExA(0, "RedPainter", "", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr, nullptr, nullptr, nullptr);
    child =
        CreateWindowExA(0, "RedPainter", "", WS_CHILD | WS_VISIBLE, 30, 30, 10, 10, window, nullptr, nullptr, nullptr);
    UpdateWindow(window);
    UpdateWindow(child);
    Whiten();
    Painted().clear();
  }
  void TearDown() override { DestroyWindow(window); }
  void Whiten() {
    const HDC dc = GetDC(window);
    const RECT all{0, 0, 40, 40};
    const HBRUSH white = CreateSolidBrush(kWhite);
    FillRect(dc, &all, white);
    DeleteObject(white);
    ReleaseDC(window, dc);
  }
  COLORREF Pixel(int x, int y) {
    const HDC dc = GetDC(window);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
  }
  HWND window = nullptr;
  HWND child = nullptr;
};

TEST_F(Invalidation, TheUpdateRegionIsTheUnionOfTheRectanglesAndPaintingKeepsToIt) {
  const RECT a{2, 2, 6, 6};
  const RECT b{10, 4, 14, 8};
  InvalidateRect(window, &a, win::FALSE);
  InvalidateRect(window, &b, win::FALSE);
  RECT update;
  EXPECT_TRUE(GetUpdateRect(window, &update, win::FALSE));
  EXPECT_EQ(update, (RECT{2, 2, 14, 8}));
  EXPECT_FALSE(GetUpdateRect(child, nullptr, win::FALSE)) << "the child lies outside both rectangles";
  UpdateWindow(window);
  ASSERT_EQ(Painted().size(), 1u);
  EXPECT_EQ(Painted()[0], (RECT{2, 2, 14, 8})) << "rcPaint is the bounds of the region";
  EXPECT_EQ(Pixel(2, 2), kRed);
  EXPECT_EQ(Pixel(13, 7), kRed);
  EXPECT_EQ(Pixel(8, 3), kWhite) << "between the rectangles, inside rcPaint: clipped away";
  EXPECT_EQ(Pixel(6, 6), kWhite);
  EXPECT_FALSE(GetUpdateRect(window, &update, win::FALSE));
  EXPECT_EQ(update, RECT{});
}

TEST_F(Invalidation, ValidateRectRemovesPartsAndChildrenUnderTheRectangleRepaint) {
  const RECT corner{25, 25, 40, 40};
  InvalidateRect(window, &corner, win::TRUE);
  RECT update;
  ASSERT_TRUE(GetUpdateRect(child, &update, win::FALSE));
  EXPECT_EQ(update, (RECT{0, 0, 10, 10})) << "the child's part in its own coordinates";
  const RECT top{25, 25, 40, 30};
  ValidateRect(window, &top);
  ASSERT_TRUE(GetUpdateRect(window, &update, win::FALSE));
  EXPECT_EQ(update, (RECT{25, 30, 40, 40}));
  UpdateWindow(window);
  UpdateWindow(child);
  EXPECT_EQ(Pixel(26, 26), kWhite) << "validated";
  EXPECT_EQ(Pixel(26, 31), kRed);
  EXPECT_EQ(Pixel(35, 35), kRed) << "the child painted its part";
  ASSERT_EQ(Painted().size(), 2u);
  ValidateRect(window, nullptr);
  EXPECT_FALSE(GetUpdateRect(window, nullptr, win::FALSE));
  InvalidateRect(window, nullptr, win::FALSE);
  ASSERT_TRUE(GetUpdateRect(window, &update, win::FALSE));
  EXPECT_EQ(update, (RECT{0, 0, 40, 40})) << "no rectangle means the whole client area";
}

}  // namespace
}  // namespace ui
