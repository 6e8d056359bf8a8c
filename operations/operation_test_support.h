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
#include "platform/win/system/manual_clock.h"
#include "platform/win/system/system_clock.h"

#include <functional>
#include <memory>
#include <string>

namespace tarnlok::test_support {

inline std::string WindowText(ui::HWND window) {
  char text[256] = {};
  ui::GetWindowTextA(window, text, sizeof(text));
  return text;
}

// Ends the main window's modal loop as its Cancel would.
inline void CloseMainWindow(ui::HWND main) { ui::EndDialog(main, 2); }

// A clock that moves a second on at every reading: a run under it finds its poll due at every
// block, pumping messages and looking for its card as often as the blocks come.
class SteppingClock final : public win::Clock {
 public:
  win::ULONGLONG TickMilliseconds() override {
    clock_.Advance(kStep);
    return clock_.TickMilliseconds();
  }
  win::LONGLONG UnixMilliseconds() override { return clock_.UnixMilliseconds(); }
  win::SYSTEMTIME LocalTime() override { return clock_.LocalTime(); }
  void Sleep(win::DWORD milliseconds) override { clock_.Sleep(milliseconds); }

 private:
  static constexpr win::ULONGLONG kStep = 1000;
  win::ManualClock clock_{1000, 1079346030000};  // 2004-03-15 10:20:30 UTC
};

class OperationProgramTest : public ProgramTest {
 protected:
  // For tests that act at a given pump or device command of a run: the run then pumps and asks
  // after its card before every block, where the driver's standing clock lets it do so only once.
  static void PollAtEveryBlock() { win::SetClock(std::make_shared<SteppingClock>()); }

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
