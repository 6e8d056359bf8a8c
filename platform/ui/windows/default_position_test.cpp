// Windows created at CW_USEDEFAULT, by where their rectangles stand.
#include "platform/ui/windows/default_position.h"

#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/system_metrics.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"

#include <gtest/gtest.h>

#include <vector>

namespace ui {
namespace {

HWND Overlapped(int width, int height) {
  return CreateWindowExA(0, kDialogClass, "default", WS_OVERLAPPED | WS_CAPTION, CW_USEDEFAULT, 0, width, height,
                         nullptr, nullptr, nullptr, nullptr);
}

RECT WorkArea() {
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

RECT RectOf(HWND hwnd) {
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  return rect;
}

TEST(DefaultPosition, OverlappedWindowsCascadeInsideTheWorkArea) {
  const RECT work = WorkArea();
  std::vector<HWND> windows;
  const int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYDLGFRAME);
  bool wrapped = false;
  for (int i = 0; i < 40; ++i) {
    windows.push_back(Overlapped(480, 360));
    const RECT rect = RectOf(windows.back());
    EXPECT_EQ(rect.Width(), 480);
    EXPECT_EQ(rect.Height(), 360);
    EXPECT_GT(rect.left, work.left) << "window " << i << " is not at the corner";
    EXPECT_GT(rect.top, work.top);
    EXPECT_LE(rect.top + step, work.bottom) << "the caption of window " << i << " is in the work area";
    EXPECT_LE(rect.right, work.right);
    if (i > 0) {
      const RECT before = RectOf(windows[windows.size() - 2]);
      if (rect.top < before.top) {
        wrapped = true;
      } else {
        EXPECT_EQ(rect.left - before.left, step) << "window " << i << " one step right of the one before";
        EXPECT_EQ(rect.top - before.top, step);
      }
    }
  }
  EXPECT_TRUE(wrapped) << "the cascade starts again before it leaves the work area";
  for (HWND hwnd : windows) DestroyWindow(hwnd);
}

TEST(DefaultPosition, GivenPlacesAndPopupsKeepTheirPositions) {
  const HWND given =
      CreateWindowExA(0, kDialogClass, "", WS_OVERLAPPED, 40, 50, 100, 80, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(RectOf(given), (RECT{40, 50, 140, 130}));
  const HWND popup =
      CreateWindowExA(0, kDialogClass, "", WS_POPUP, CW_USEDEFAULT, 30, 100, 80, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(RectOf(popup), (RECT{0, 0, 100, 80})) << "a popup at CW_USEDEFAULT stands at the corner";
  DestroyWindow(given);
  DestroyWindow(popup);
}

TEST(DefaultPosition, DefaultSizeIsThreeQuartersOfTheWorkArea) {
  const RECT work = WorkArea();
  const HWND hwnd = Overlapped(CW_USEDEFAULT, 0);
  const RECT rect = RectOf(hwnd);
  EXPECT_EQ(rect.Width(), work.Width() * 3 / 4);
  EXPECT_EQ(rect.Height(), work.Height() * 3 / 4);
  EXPECT_GT(rect.top, work.top);
  DestroyWindow(hwnd);
}

}  // namespace
}  // namespace ui
