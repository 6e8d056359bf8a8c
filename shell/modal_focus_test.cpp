// The Tools page's keys after one of its sheets closed: the main window has the keyboard again,
// with the focus on the button that opened the sheet, and its Alt keys open the sheets at once.
#include "operations/tool_page.h"
#include "platform/ui/dialogs/dialog.h"
#include "platform/ui/windows/input_router.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/window_api.h"
#include "controls/control_ids.h"
#include "shell/main_dlg.h"
#include "controls/page_codes.h"
#include "controls/resource_ids.h"
#include "shell/shell_test_support.h"

#include <gtest/gtest.h>

namespace tarnlok {
namespace {

using ModalFocus = test_support::ProgramTest;

// Alt and a letter as the desktop routes them: to the focus window, else to the active window.
void AltKey(char letter) {
  ui::RouteKey(ui::WM_SYSKEYDOWN, ui::VK_MENU);
  ui::RouteKey(ui::WM_SYSKEYDOWN, static_cast<ui::UINT>(letter));
  ui::RouteKey(ui::WM_SYSKEYUP, static_cast<ui::UINT>(letter));
  ui::RouteKey(ui::WM_KEYUP, ui::VK_MENU);
}

TEST_F(ModalFocus, AfterTheBackupSheetClosesItsButtonHasTheFocusAndAltKeysWork) {
  Start(test_support::TwoReaders("xp"));
  test_support::HideNotes();
  ui::HWND main = nullptr;
  ui::HWND tools = nullptr;
  int backupSheets = 0;
  const auto closeSheet = [&](ui::HWND sheet) {
    ++backupSheets;
    ui::EndDialog(sheet, ui::IDCANCEL);
  };
  driver.OnDialog(kBackupPageTemplate, closeSheet).OnDialog(kBackupPageTemplate, closeSheet);
  driver.OnDialog(kMainTemplate, [&](ui::HWND dialog) {
    main = dialog;
    auto* window = dynamic_cast<CMainDlg*>(ui::CWnd::FromHandlePermanent(main));
    ASSERT_NE(window, nullptr);
    window->Sheet().SetActivePage(kToolsTab);
    tools = window->Sheet().GetPage(kToolsTab)->m_hWnd;
    EXPECT_TRUE(driver.Select(main, kDeviceListControl, 0));
    EXPECT_TRUE(driver.Click(tools, kBackupTool));
    driver.WhenIdle([&] {
      EXPECT_EQ(ui::GetActiveWindow(), main);
      EXPECT_EQ(ui::GetFocus(), ui::GetDlgItem(tools, kBackupTool)) << "the button that opened the sheet";
      AltKey('B');
    });
    driver.WhenIdle([&] { ui::SendMessage(main, ui::WM_COMMAND, ui::IDCANCEL, 0); });
  });
  EXPECT_NO_THROW(Run());
  EXPECT_EQ(backupSheets, 2) << "Alt+B opened the sheet again";
}

}  // namespace
}  // namespace tarnlok
