// The skinned dialog base read back from its own pixels and messages: each way of laying the
// bitmap out, the drag by the client area and the see-through colour.
#include "controls/bitmap_dialog.h"

#include "platform/ui/gdi/gdi.h"
#include "platform/ui/resources/dialog_resources.h"
#include "platform/ui/windows/layered.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"

#include <gtest/gtest.h>

namespace tarnlok {
namespace {

constexpr const char* kForm = R"(
DIALOG 901 0 0 200 100
STYLE POPUP VISIBLE
)";

constexpr ui::COLORREF kRed = ui::RGB(255, 0, 0);
constexpr ui::COLORREF kGreen = ui::RGB(0, 200, 0);
constexpr int kBitmapWidth = 20;
constexpr int kBitmapHeight = 10;

// Red on the left half, green on the right.
ui::HBITMAP HalvesBitmap() {
  const ui::HBITMAP bitmap = ui::CreateBitmap(kBitmapWidth, kBitmapHeight, 1, 32, nullptr);
  const ui::HDC dc = ui::CreateCompatibleDC(nullptr);
  const ui::HGDIOBJ old = ui::SelectObject(dc, bitmap);
  const ui::RECT left{0, 0, kBitmapWidth / 2, kBitmapHeight};
  const ui::RECT right{kBitmapWidth / 2, 0, kBitmapWidth, kBitmapHeight};
  ui::CBrush red(kRed);
  ui::CBrush green(kGreen);
  ui::FillRect(dc, &left, red);
  ui::FillRect(dc, &right, green);
  ui::SelectObject(dc, old);
  ui::DeleteDC(dc);
  return bitmap;
}

class BitmapDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::RegisterDialogTemplateText(nullptr, kForm);
    ASSERT_TRUE(dialog.Create(901));
    dialog.ShowWindow(ui::SW_SHOW);
    plain = At(kBitmapWidth + 5, kBitmapHeight + 5);
    dialog.bitmap = HalvesBitmap();
    dialog.bitmapWidth = kBitmapWidth;
    dialog.bitmapHeight = kBitmapHeight;
    dialog.GetClientRect(&client);
    ASSERT_GT(client.right, 3 * kBitmapWidth);
    ASSERT_GT(client.bottom, 3 * kBitmapHeight);
  }
  ui::COLORREF At(int x, int y) {
    dialog.RedrawWindow(nullptr, ui::RDW_INVALIDATE | ui::RDW_ERASE | ui::RDW_UPDATENOW);
    const ui::HDC dc = ui::GetDC(dialog.m_hWnd);
    const ui::COLORREF colour = ui::GetPixel(dc, x, y);
    ui::ReleaseDC(dialog.m_hWnd, dc);
    return colour;
  }
  bool Layered() const {
    return (static_cast<win::DWORD>(ui::GetWindowLongA(dialog.m_hWnd, ui::GWL_EXSTYLE)) & ui::WS_EX_LAYERED) != 0;
  }
  // The drag message the click left in the queue, if any.
  bool TakeDrag(ui::LPARAM& where) {
    ui::MSG msg{};
    if (!ui::PeekMessage(&msg, dialog.m_hWnd, ui::WM_NCLBUTTONDOWN, ui::WM_NCLBUTTONDOWN, ui::PM_REMOVE)) return false;
    EXPECT_EQ(msg.wParam, static_cast<ui::WPARAM>(ui::HTCAPTION));
    where = msg.lParam;
    return true;
  }

  CBitmapDialog dialog{901, nullptr};
  ui::COLORREF plain = 0;
  ui::RECT client{};
};

TEST_F(BitmapDialog, EachModeLaysTheBitmapOutItsOwnWay) {
  ASSERT_NE(plain, kRed);
  ASSERT_NE(plain, kGreen);
  const int right = client.right;
  const int bottom = client.bottom;

  dialog.SetMode(kBitmapAtOrigin);
  EXPECT_EQ(At(1, 1), kRed) << "at the origin";
  EXPECT_EQ(At(kBitmapWidth - 2, 1), kGreen);
  EXPECT_NE(At(kBitmapWidth + 5, 1), kRed) << "once, not repeated";
  EXPECT_NE(At(1, kBitmapHeight + 2), kRed);

  dialog.SetMode(kBitmapTiled);
  EXPECT_EQ(At(kBitmapWidth + 5, 1), kRed) << "tiled across";
  EXPECT_EQ(At(1, kBitmapHeight + 2), kRed) << "and down";
  EXPECT_EQ(At(right - 1, bottom - 1), (right - 1) % kBitmapWidth >= kBitmapWidth / 2 ? kGreen : kRed);

  dialog.SetMode(kBitmapCentred);
  const int left = (right - kBitmapWidth) / 2;
  const int top = (bottom - kBitmapHeight) / 2;
  EXPECT_EQ(At(left + 1, top + 1), kRed) << "centred";
  EXPECT_EQ(At(left + kBitmapWidth - 2, top + kBitmapHeight - 2), kGreen);
  EXPECT_EQ(At(left - 2, top + 1), plain);
  EXPECT_EQ(At(1, 1), plain);

  dialog.SetMode(kBitmapStretched);
  EXPECT_EQ(At(1, 1), kRed) << "stretched over the whole client area";
  EXPECT_EQ(At(right / 2 - 3, bottom - 2), kRed);
  EXPECT_EQ(At(right / 2 + 3, 1), kGreen);
  EXPECT_EQ(At(right - 2, bottom - 2), kGreen);

  dialog.SetMode(kBitmapSizesWindow);
  ui::RECT window{};
  dialog.GetWindowRect(&window);
  EXPECT_EQ(window.right - window.left, kBitmapWidth) << "the window takes the bitmap's size";
  EXPECT_EQ(window.bottom - window.top, kBitmapHeight);
}

TEST_F(BitmapDialog, WithoutABitmapTheDialogIsPaintedPlain) {
  ui::DeleteObject(dialog.bitmap);
  dialog.bitmap = nullptr;
  dialog.SetMode(kBitmapStretched);
  EXPECT_EQ(At(1, 1), plain);
  EXPECT_EQ(At(client.right / 2, client.bottom / 2), plain);
}

TEST_F(BitmapDialog, APressAnywhereDragsTheWindowUnlessDraggingIsOff) {
  ui::LPARAM where = 0;
  dialog.SendMessage(ui::WM_LBUTTONDOWN, ui::MK_LBUTTON, ui::MAKELPARAM(30, 40));
  ASSERT_TRUE(TakeDrag(where)) << "a press on the client area moves the window as its caption would";
  EXPECT_EQ(where, ui::MAKELPARAM(30, 40));
  dialog.dragEnabled = win::FALSE;
  dialog.SendMessage(ui::WM_LBUTTONDOWN, ui::MK_LBUTTON, ui::MAKELPARAM(30, 40));
  EXPECT_FALSE(TakeDrag(where));
}

TEST_F(BitmapDialog, OneColourIsSeeThroughUntilTurnedOff) {
  ASSERT_NE(dialog.layeredAttributesProc, nullptr) << "the system has layered windows";
  const ui::COLORREF key = ui::RGB(255, 0, 255);
  ASSERT_TRUE(dialog.SetTransparency(key, win::TRUE));
  EXPECT_TRUE(Layered());
  ui::COLORREF shownKey = 0;
  win::DWORD flags = 0;
  ASSERT_TRUE(ui::GetLayeredWindowAttributes(dialog.m_hWnd, &shownKey, nullptr, &flags));
  EXPECT_EQ(shownKey, key);
  EXPECT_EQ(flags, ui::LWA_COLORKEY);
  ASSERT_TRUE(dialog.SetTransparency(key, win::FALSE));
  EXPECT_FALSE(Layered());

  dialog.layeredAttributesProc = nullptr;
  EXPECT_FALSE(dialog.SetTransparency(key, win::TRUE)) << "a system without layered windows";
  EXPECT_FALSE(Layered());
}

}  // namespace
}  // namespace tarnlok
