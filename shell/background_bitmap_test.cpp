// The application's page background: painted where there is a bitmap, left alone where there is
// none.
#include "shell/main_app.h"

#include "platform/ui/gdi/cdc.h"
#include "platform/ui/gdi/gdi.h"

#include <gtest/gtest.h>

namespace tarnlok {
namespace {

constexpr ui::COLORREF kWhite = ui::RGB(255, 255, 255);
constexpr ui::COLORREF kBlue = ui::RGB(0, 0, 200);
constexpr ui::RECT kPage{0, 0, 40, 30};

// A 32-bit bitmap of the page's size in one colour.
ui::HBITMAP Plate(ui::COLORREF colour) {
  const ui::HBITMAP bitmap = ui::CreateBitmap(kPage.right, kPage.bottom, 1, 32, nullptr);
  const ui::HDC dc = ui::CreateCompatibleDC(nullptr);
  const ui::HGDIOBJ old = ui::SelectObject(dc, bitmap);
  ui::CBrush brush(colour);
  ui::FillRect(dc, &kPage, brush);
  ui::SelectObject(dc, old);
  ui::DeleteDC(dc);
  return bitmap;
}

class PageBackground : public ::testing::Test {
 protected:
  void SetUp() override {
    dc.CreateCompatibleDC(nullptr);
    old = dc.SelectObject(surface);
  }
  void TearDown() override {
    dc.SelectObject(old);
    ui::DeleteObject(surface);
  }

  CMainApp app;
  ui::CDC dc;
  ui::HBITMAP surface = Plate(kWhite);
  ui::HGDIOBJ old = nullptr;
};

TEST_F(PageBackground, APageWithoutABitmapKeepsItsOwnBackground) {
  ASSERT_EQ(app.backgroundBitmap, nullptr);
  EXPECT_EQ(app.PaintBackground(&dc, 7, kPage), 7) << "the caller's result passes through";
  EXPECT_EQ(dc.GetPixel(5, 5), kWhite);
  EXPECT_EQ(app.drawMode, 0);
  EXPECT_EQ(app.PaintBackground(nullptr, 3, kPage), 3);

  ASSERT_TRUE(app.SetBackgroundBitmap(Plate(kBlue)));
  EXPECT_EQ(app.PaintBackground(&dc, 7, kPage), 7);
  EXPECT_EQ(dc.GetPixel(5, 5), kBlue);
  EXPECT_EQ(app.drawMode, 2);
}

}  // namespace
}  // namespace tarnlok
