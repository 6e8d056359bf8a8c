#include "platform/ui/dialogs/dialog.h"
#include "platform/ui/resources/dialog_resources.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/controls/list_view.h"
#include "platform/ui/windows/input_router.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/system_metrics.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/testing/test_driver.h"
#include "platform/ui/windows/window_api.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ui {
namespace {

constexpr const char* kResults = R"(
DIALOG 140 0 0 300 120
STYLE POPUP
CONTROL 1199 LISTVIEW "" 0 0 280 80 ICONVIEW SINGLESEL SHOWSELALWAYS ALIGNLEFT NOCOLUMNHEADER
CONTROL 1200 LISTVIEW "" 0 85 120 30 ICONVIEW
)";

constexpr COLORREF kThumbnailColour = RGB(200, 30, 40);

// Thumbnails as a results list shows them: an 80 x 80 image list, each item moved into one row.
struct IconView : ::testing::Test {
  void SetUp() override {
    RegisterDialogTemplateText(nullptr, kResults);
    dialog = CreateDialogIndirectParamA(nullptr, *FindDialogTemplate(nullptr, 140), nullptr, nullptr, 0);
    ASSERT_NE(dialog, nullptr);
    ShowWindow(dialog, SW_SHOW);
    list.SubclassWindow(GetDlgItem(dialog, 1199));
    images.Create(80, 80, ILC_COLOR32, 0, 1);
    list.SetImageList(images, LVSIL_NORMAL);
  }
  void TearDown() override {
    list.UnsubclassWindow();
    DestroyWindow(dialog);
    Pump();
  }
  static void Pump() {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
  }
  void AddThumbnail(int n, const std::string& name) {
    const HBITMAP bitmap = CreateBitmap(80, 80, 1, 32, nullptr);
    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    const HBRUSH brush = CreateSolidBrush(kThumbnailColour);
    RECT all{0, 0, 80, 80};
    FillRect(dc, &all, brush);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(brush);
    list.SetRedraw(win::FALSE);
    images.SetImageCount(static_cast<UINT>(n + 10));
    ASSERT_TRUE(images.Replace(n, bitmap, nullptr));
    DeleteObject(bitmap);
    ASSERT_EQ(list.InsertItem(n, name, n), n);
    POINT at;
    ASSERT_TRUE(list.GetItemPosition(n, &at));
    ASSERT_TRUE(list.SetItemPosition(n, POINT{86 * n + 6, at.y}));
    list.EnsureVisible(n, win::FALSE);
    list.SetRedraw(win::TRUE);
    list.SetHotItem(n);
  }
  COLORREF PixelAt(POINT client) {
    UpdateWindow(list.m_hWnd);
    const HDC dc = GetDC(list.m_hWnd);
    const COLORREF colour = GetPixel(dc, client.x, client.y);
    ReleaseDC(list.m_hWnd, dc);
    return colour;
  }
  HWND dialog = nullptr;
  CListCtrl list;
  CImageList images;
};

TEST_F(IconView, ThumbnailsStandInOneRowWithTheirImagePaintedAndTheLabelUnderIt) {
  AddThumbnail(0, "TLK00001.JPG");
  AddThumbnail(1, "TLK00002.JPG");
  POINT first;
  POINT second;
  ASSERT_TRUE(list.GetItemPosition(0, &first));
  ASSERT_TRUE(list.GetItemPosition(1, &second));
  EXPECT_EQ(first.x, 6);
  EXPECT_EQ(second.x, 92);
  EXPECT_EQ(first.y, second.y) << "a column too short for two cells keeps one row";
  EXPECT_EQ(list.GetHotItem(), 1);

  RECT icon;
  RECT label;
  ASSERT_TRUE(list.GetItemRect(1, &icon, LVIR_ICON));
  ASSERT_TRUE(list.GetItemRect(1, &label, LVIR_LABEL));
  EXPECT_EQ(icon.Width(), 80);
  EXPECT_EQ(icon.Height(), 80);
  EXPECT_GE(icon.left, second.x) << "the image lies inside its cell";
  EXPECT_GT(label.top, icon.bottom) << "the label is under the image";
  EXPECT_LE(std::abs((label.left + label.right) - (icon.left + icon.right)), 1) << "and centred on it";
  RECT bounds;
  ASSERT_TRUE(list.GetItemRect(1, &bounds, LVIR_BOUNDS));
  EXPECT_TRUE(bounds.Contains(POINT{icon.left, icon.top}) && bounds.Contains(POINT{label.right - 1, label.bottom - 1}));

  EXPECT_EQ(PixelAt(POINT{icon.left + 40, icon.top + 40}), kThumbnailColour) << "the icon view paints through GDI";
  EXPECT_EQ(PixelAt(POINT{icon.right + 1, icon.top + 40}), GetSysColor(COLOR_WINDOW)) << "between the thumbnails";
}

TEST_F(IconView, ClicksHitTheItemUnderThePointAndReportItsIndex) {
  for (int n = 0; n < 3; ++n) AddThumbnail(n, "TLK0000" + std::to_string(n + 1) + ".BMP");
  TestDriver driver([](const std::string& what) { ADD_FAILURE() << what; });
  ASSERT_TRUE(driver.Select(dialog, 1199, 2));
  Pump();
  EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 2);
  EXPECT_EQ(list.GetSelectionMark(), 2);

  RECT icon;
  ASSERT_TRUE(list.GetItemRect(1, &icon, LVIR_ICON));
  UINT flags = 0;
  EXPECT_EQ(list.HitTest(POINT{icon.left + 1, icon.top + 1}, &flags), 1);
  EXPECT_EQ(flags, LVHT_ONITEMICON);
  EXPECT_EQ(list.HitTest(POINT{icon.right + 2, icon.top + 1}, &flags), -1) << "the gap between two thumbnails";
  EXPECT_EQ(flags, LVHT_NOWHERE);
  RECT label;
  ASSERT_TRUE(list.GetItemRect(0, &label, LVIR_LABEL));
  EXPECT_EQ(list.HitTest(POINT{label.left + 1, label.top + 1}, &flags), 0);
  EXPECT_EQ(flags, LVHT_ONITEMLABEL);
}

TEST_F(IconView, EnsureVisibleScrollsAThumbnailBeyondTheRightEdgeIntoView) {
  for (int n = 0; n < 8; ++n) AddThumbnail(n, "P" + std::to_string(n));
  RECT client;
  GetClientRect(list.m_hWnd, &client);
  RECT last;
  ASSERT_TRUE(list.GetItemRect(7, &last, LVIR_ICON));
  EXPECT_GE(last.left, 0);
  EXPECT_LE(last.right, client.right) << "adding the last thumbnail scrolled it into view";
  POINT origin;
  ASSERT_TRUE(SendMessage(list.m_hWnd, LVM_GETORIGIN, 0, reinterpret_cast<LPARAM>(&origin)));
  EXPECT_GT(origin.x, 0);
  ASSERT_TRUE(list.EnsureVisible(0, win::FALSE));
  RECT first;
  ASSERT_TRUE(list.GetItemRect(0, &first, LVIR_ICON));
  EXPECT_GE(first.left, 0);
  EXPECT_EQ(list.GetItemCount(), 8);
  list.DeleteAllItems();
  images.Remove(-1);
  EXPECT_EQ(images.GetImageCount(), 0);
  AddThumbnail(0, "again");
  POINT restarted;
  ASSERT_TRUE(list.GetItemPosition(0, &restarted));
  EXPECT_EQ(restarted.y, 0) << "emptying the list starts the layout over";
}

// More thumbnails than the list shows: a scroll bar along the bottom takes the person to every
// one of them, by its arrows and by its track.
TEST_F(IconView, AScrollBarReachesEveryThumbnailOfALongRow) {
  constexpr int kCount = 8;
  for (int n = 0; n < kCount; ++n) AddThumbnail(n, "P" + std::to_string(n));
  RECT client;
  GetClientRect(list.m_hWnd, &client);
  const int bar = GetSystemMetrics(SM_CYHSCROLL);
  EXPECT_NE(PixelAt(POINT{client.Width() / 2, client.bottom - bar / 2}), GetSysColor(COLOR_WINDOW))
      << "a bar along the bottom";
  const auto clickAt = [&](POINT at) {
    RouteMouse(dialog, WM_LBUTTONDOWN, at, MK_LBUTTON);
    RouteMouse(dialog, WM_LBUTTONUP, at, 0);
    Pump();
  };
  const auto iconOf = [&](int n) {
    RECT icon{};
    list.GetItemRect(n, &icon, LVIR_ICON);
    return icon;
  };
  const POINT leftArrow{2, client.bottom - bar / 2};
  const POINT rightArrow{client.right - 2, client.bottom - bar / 2};
  for (int click = 0; click < kCount && iconOf(0).left < 0; ++click) clickAt(leftArrow);
  EXPECT_GE(iconOf(0).left, 0) << "the left arrow brings the first thumbnail back";
  POINT origin;
  ASSERT_TRUE(SendMessage(list.m_hWnd, LVM_GETORIGIN, 0, reinterpret_cast<LPARAM>(&origin)));
  EXPECT_EQ(origin.x, 0);
  clickAt(leftArrow);
  ASSERT_TRUE(SendMessage(list.m_hWnd, LVM_GETORIGIN, 0, reinterpret_cast<LPARAM>(&origin)));
  EXPECT_EQ(origin.x, 0) << "never before the first item";
  const POINT trackEnd{client.right - bar - 2, client.bottom - bar / 2};
  for (int click = 0; click < kCount && iconOf(kCount - 1).right > client.right; ++click) clickAt(trackEnd);
  EXPECT_LE(iconOf(kCount - 1).right, client.right) << "the track brings the last one into view";
  clickAt(rightArrow);
  EXPECT_LE(iconOf(kCount - 1).right, client.right) << "never past the last item";
  EXPECT_GT(iconOf(kCount - 1).right, client.right - 86) << "the last one stays in view";
}

TEST_F(IconView, NewItemsFillRowsOrColumnsAndArrangeReordersThem) {
  CListCtrl icons;
  icons.SubclassWindow(GetDlgItem(dialog, 1200));
  const LRESULT spacing = SendMessage(icons.m_hWnd, LVM_GETITEMSPACING, 0, 0);
  const int cx = LOWORD(static_cast<std::uintptr_t>(spacing));
  const int cy = HIWORD(static_cast<std::uintptr_t>(spacing));
  RECT client;
  GetClientRect(icons.m_hWnd, &client);
  const int perRow = std::max(1, static_cast<int>(client.Width() / cx));
  for (int n = 0; n <= perRow; ++n) icons.InsertItem(n, "item");
  POINT at;
  ASSERT_TRUE(icons.GetItemPosition(perRow - 1, &at));
  EXPECT_EQ(at.x, (perRow - 1) * cx);
  EXPECT_EQ(at.y, 0);
  ASSERT_TRUE(icons.GetItemPosition(perRow, &at));
  EXPECT_EQ(at.x, 0) << "without LVS_ALIGNLEFT items fill rows";
  EXPECT_EQ(at.y, cy);

  ASSERT_TRUE(icons.SetItemPosition(0, POINT{cx + 7, 3}));
  ASSERT_TRUE(icons.Arrange(LVA_SNAPTOGRID));
  ASSERT_TRUE(icons.GetItemPosition(0, &at));
  EXPECT_EQ(at.x, cx);
  EXPECT_EQ(at.y, 0);
  ASSERT_TRUE(icons.Arrange(LVA_ALIGNLEFT));
  ASSERT_TRUE(icons.GetItemPosition(1, &at));
  const int perColumn = std::max(1, static_cast<int>(client.Height() / cy));
  EXPECT_EQ(at.x, perColumn == 1 ? cx : 0);
  EXPECT_EQ(at.y, perColumn == 1 ? 0 : cy);
  icons.UnsubclassWindow();
}

}  // namespace
}  // namespace ui
