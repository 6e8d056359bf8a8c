// Cursors from a module's resources: the hand cursor of the Windows folder's help program.
#include "platform/ui/windows/module_cursors_internal.h"

#include "platform/ui/windows/cursor.h"
#include "platform/ui/windows/input_router.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/surface_internal.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"
#include "platform/ui/windows/window_table.h"
#include "platform/win/modules/modules.h"
#include "platform/win/system/last_error.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(ModuleCursors, TheHelpProgramOfTheWindowsFolderLendsItsHand) {
  const win::HMODULE help = win::LoadLibraryA("C:\\Windows\\winhlp32.exe");
  ASSERT_NE(help, nullptr) << win::GetLastError();
  const HCURSOR hand = LoadCursorA(static_cast<HINSTANCE>(help), 106);
  ASSERT_NE(hand, nullptr) << win::GetLastError();
  EXPECT_NE(hand, LoadCursorA(nullptr, IDC_HAND));
  const auto shape = ModuleCursorShape(hand);
  ASSERT_TRUE(shape.has_value());
  EXPECT_EQ(shape->pixmap().size(), QSize(32, 32));
  EXPECT_EQ(shape->hotSpot(), QPoint(5, 0)) << "the tip of the finger";

  win::SetLastError(0);
  EXPECT_EQ(LoadCursorA(static_cast<HINSTANCE>(help), 107), nullptr);
  EXPECT_EQ(win::GetLastError(), win::ERROR_RESOURCE_NAME_NOT_FOUND);
  win::FreeLibrary(help);

  // Loaded again, the same resource is the same cursor.
  const win::HMODULE again = win::LoadLibraryA("C:\\WINDOWS\\WINHLP32.EXE");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(LoadCursorA(static_cast<HINSTANCE>(again), 106), hand);
  win::FreeLibrary(again);
}

TEST(ModuleCursors, AModuleCursorShowsItsImageOverTheWindow) {
  const win::HMODULE help = win::LoadLibraryA("C:\\Windows\\winhlp32.exe");
  ASSERT_NE(help, nullptr);
  const HCURSOR hand = LoadCursorA(static_cast<HINSTANCE>(help), 106);
  win::FreeLibrary(help);
  ASSERT_NE(hand, nullptr);
  const HWND top = CreateWindowExA(0, kDialogClass, "", WS_POPUP | WS_VISIBLE, 100, 100, 200, 100, nullptr, nullptr,
                                   nullptr, nullptr);
  RouteMouse(top, WM_MOUSEMOVE, POINT{20, 15}, 0);
  SetCursor(hand);
  const QCursor shown = SurfaceWidget(*FindWindowRecord(top)).cursor();
  EXPECT_EQ(shown.shape(), Qt::BitmapCursor);
  EXPECT_EQ(shown.hotSpot(), QPoint(5, 0));
  EXPECT_EQ(shown.pixmap().toImage(), ModuleCursorShape(hand)->pixmap().toImage());
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_EQ(SurfaceWidget(*FindWindowRecord(top)).cursor().shape(), Qt::ArrowCursor);
  DestroyWindow(top);
}

}  // namespace
}  // namespace ui
