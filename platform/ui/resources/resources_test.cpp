#include "platform/ui/resources.h"

#include "platform/ui/dialog.h"
#include "platform/ui/dialog_resources.h"
#include "platform/ui/gdi.h"
#include "platform/ui/icons.h"
#include "platform/ui/messages.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/styles.h"
#include "platform/ui/window_api.h"
#include "platform/win/last_error.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(Resources, BitmapsAndIconsComeFromTheModulesPngFiles) {
  const HBITMAP bitmap = LoadBitmapA(nullptr, 220);
  ASSERT_NE(bitmap, nullptr);
  BITMAP info;
  ASSERT_GT(GetObjectA(bitmap, sizeof info, &info), 0);
  EXPECT_EQ(info.bmWidth, 8);
  EXPECT_EQ(info.bmHeight, 6);
  const HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, bitmap);
  EXPECT_EQ(GetPixel(dc, 3, 3), RGB(255, 0, 0));
  DeleteDC(dc);
  DeleteObject(bitmap);

  const HICON icon = LoadIconA(nullptr, 190);
  ASSERT_NE(icon, nullptr);
  ICONINFO iconInfo;
  ASSERT_TRUE(GetIconInfo(icon, &iconInfo));
  EXPECT_EQ(iconInfo.xHotspot, 8u) << "the hot spot is the centre, so twice it is the size";
  DeleteObject(iconInfo.hbmColor);
  DeleteObject(iconInfo.hbmMask);
  DestroyIcon(icon);

  win::SetLastError(0xDEADBEEF);
  EXPECT_EQ(LoadBitmapA(nullptr, 9999), nullptr);
  EXPECT_EQ(win::GetLastError(), win::ERROR_RESOURCE_NAME_NOT_FOUND);
}

TEST(Resources, WindowIconsAreKeptBigAndSmall) {
  const HWND top = CreateWindowExA(0, "#32770", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  const HICON icon = LoadIconA(nullptr, 190);
  EXPECT_EQ(SendMessage(top, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon)), 0);
  EXPECT_EQ(SendMessage(top, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(icon));
  EXPECT_EQ(SendMessage(top, WM_GETICON, ICON_SMALL, 0), 0);
  DestroyWindow(top);
  DestroyIcon(icon);
}

TEST(Resources, AcceleratorTablesParseFromText) {
  const auto entries = ParseAccelerators("# comment\n\"C\" 1053\n0x70 57670 VIRTKEY\n\"C\" 1053 VIRTKEY CONTROL\n");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].key, 'C');
  EXPECT_EQ(entries[0].fVirt, 0);
  EXPECT_EQ(entries[1].key, 0x70);
  EXPECT_EQ(entries[2].fVirt, FVIRTKEY | FCONTROL);
  EXPECT_THROW(ParseAccelerators("\"C\"\n"), AcceleratorError);
  EXPECT_THROW(ParseAccelerators("\"C\" x\n"), AcceleratorError);
  EXPECT_NE(LoadAcceleratorsA(nullptr, 145), nullptr);
  win::SetLastError(0xDEADBEEF);
  EXPECT_EQ(LoadAcceleratorsA(nullptr, 146), nullptr);
  EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_DATA);
}

TEST(Resources, PictureStaticsOfATemplateShowTheirResource) {
  const DialogTemplate* dialog = FindDialogTemplate(nullptr, 302);
  ASSERT_NE(dialog, nullptr);
  const HWND hwnd = CreateDialogIndirectParamA(nullptr, *dialog, nullptr, nullptr, 0);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_NE(SendDlgItemMessageA(hwnd, 1042, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
  ShowWindow(hwnd, SW_SHOW);
  RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW);
  const HDC dc = GetDC(hwnd);
  RECT picture;
  GetWindowRect(GetDlgItem(hwnd, 1042), &picture);
  POINT corner{picture.left, picture.top};
  ScreenToClient(hwnd, &corner);
  EXPECT_EQ(GetPixel(dc, corner.x + 1, corner.y + 1), RGB(255, 0, 0));
  ReleaseDC(hwnd, dc);
  DestroyWindow(hwnd);
}

}  // namespace
}  // namespace ui
