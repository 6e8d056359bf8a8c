// What the operations' tests share: the whole program run headless on a described machine,
// with a way onto the Tools page of its main window.
#pragma once

#include "platform/ui/dialogs/dialog.h"
#include "platform/ui/dialogs/property_sheet.h"
#include "platform/ui/windows/window_api.h"
#include "shell/main_dlg.h"
#include "controls/page_codes.h"
#include "controls/resource_ids.h"
#include "shell/shell_test_support.h"

#include <functional>
#include <string>

namespace tarnlok::test_support {

inline std::string WindowText(ui::HWND window) {
  char text[256] = {};
  ui::GetWindowTextA(window, text, sizeof(text));
  return text;
}

// Ends the main window's modal loop as its Cancel would.
inline void CloseMainWindow(ui::HWND main) { ui::EndDialog(main, 2); }

class OperationProgramTest : public ProgramTest {
 protected:
  // Runs action with the main window and the Tools page once the main window is up.
  void OnToolsPage(std::function<void(ui::HWND main, ui::HWND tools)> action) {
    HideNotes();
    driver.OnDialog(kMainTemplate, [action](ui::HWND main) {
      auto* window = dynamic_cast<CMainDlg*>(ui::CWnd::FromHandlePermanent(main));
      ASSERT_NE(window, nullptr);
      window->Sheet().SetActivePage(kToolsTab);
      action(main, window->Sheet().GetPage(kToolsTab)->m_hWnd);
    });
  }
};

}  // namespace tarnlok::test_support
