// The dialog manager and a list view on a real display: an X server (Xvfb) of the test's own,
// the xcb platform, and keys and clicks given through the X server's test extension (xdotool),
// so that each takes the desktop's whole way: X, Qt, the surface, the queue, IsDialogMessage.
#include "platform/ui/dialogs/dialog.h"
#include "platform/ui/resources/dialog_resources.h"
#include "platform/ui/controls/list_view.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/surface_internal.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_table.h"
#include "tests/support/x_server.h"

#include <QApplication>
#include <QWindow>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace ui {
namespace {

constexpr const char* kForm = R"(
DIALOG 700 0 0 200 100
STYLE POPUP
CONTROL 1039 EDIT "" 5 5 100 12 TABSTOP
CONTROL 1052 BUTTON "&Go" 5 25 40 14 PUSHBUTTON TABSTOP
CONTROL 1282 BUTTON "&Hide" 5 45 80 10 AUTOCHECKBOX TABSTOP
CONTROL 1 BUTTON "OK" 100 70 40 14 DEFPUSHBUTTON TABSTOP
CONTROL 2 BUTTON "Cancel" 150 70 40 14 PUSHBUTTON TABSTOP
CONTROL 1002 LISTVIEW "" 5 58 90 40 REPORT NOCOLUMNHEADER SINGLESEL SHOWSELALWAYS BORDER

DIALOG 701 0 0 100 40
STYLE POPUP CAPTION
CAPTION "Modal"
CONTROL 1 BUTTON "OK" 10 10 40 14 DEFPUSHBUTTON TABSTOP
)";

std::vector<WORD>& Commands() {
  static std::vector<WORD> commands;
  return commands;
}

// Each row that a list change left focused and selected, as a parent that follows the
// selection reads it.
std::vector<int>& Chosen() {
  static std::vector<int> chosen;
  return chosen;
}

LRESULT NoteCommands(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) Commands().push_back(LOWORD(wParam));
  if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == LVN_ITEMCHANGED) {
    const int row = static_cast<int>(
        SendMessage(GetDlgItem(hwnd, 1002), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED | LVNI_SELECTED));
    if (row >= 0 && (Chosen().empty() || Chosen().back() != row)) Chosen().push_back(row);
  }
  return DefDlgProcA(hwnd, message, wParam, lParam);
}

// A modal dialog that a person clicks into and closes with Enter (cancelled when it does not get
// the keyboard within five seconds).
std::intptr_t ClosedWithEnter(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  static int ticks = 0;
  switch (message) {
    case WM_INITDIALOG:
      ticks = 0;
      SetTimer(hwnd, 1, 20, nullptr);
      return win::TRUE;
    case WM_COMMAND: EndDialog(hwnd, LOWORD(wParam)); return win::TRUE;
    case WM_TIMER: {
      QWidget& shown = SurfaceWidget(*FindWindowRecord(hwnd));
      if (QApplication::activeWindow() == &shown) {
        KillTimer(hwnd, 1);
        std::system("xdotool key Return");
      } else if (++ticks > 250) {
        EndDialog(hwnd, IDCANCEL);
      } else if (shown.windowHandle() != nullptr && shown.windowHandle()->isExposed()) {
        std::system(("xdotool windowfocus --sync " + std::to_string(shown.winId())).c_str());
      }
      return win::TRUE;
    }
    default: return win::FALSE;
  }
}

class DesktopKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QApplication::instance() != nullptr) GTEST_SKIP() << "needs a process of its own, as ctest runs each case";
    if (!tarnlok::test_support::DesktopToolsInstalled()) {
      GTEST_SKIP() << "Xvfb or xdotool is not installed (scripts/install-deps installs them)";
    }
    server_ = std::make_unique<tarnlok::test_support::XServer>();
    if (!server_->Running()) GTEST_SKIP() << "Xvfb did not start";
    setenv("DISPLAY", server_->Display().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    RegisterDialogTemplateText(nullptr, kForm);
    dialog_ = CreateDialogIndirectParamA(nullptr, *FindDialogTemplate(nullptr, 700), nullptr, nullptr, 0);
    ASSERT_NE(dialog_, nullptr);
    SetWindowLongPtrA(dialog_, GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(&NoteCommands));
    ShowWindow(dialog_, SW_SHOW);
    QWidget& shown = SurfaceWidget(*FindWindowRecord(dialog_));
    ASSERT_TRUE(PumpUntil(
        [&] { return shown.isVisible() && shown.windowHandle() != nullptr && shown.windowHandle()->isExposed(); }));
    const std::string focus = "xdotool windowfocus --sync " + std::to_string(shown.winId());
    ASSERT_EQ(std::system(focus.c_str()), 0);
    ASSERT_TRUE(PumpUntil([&] { return QApplication::activeWindow() == &shown; }))
        << "the X server gave the window the focus";
    Commands().clear();
  }
  void TearDown() override {
    if (dialog_ != nullptr) DestroyWindow(dialog_);
  }

  // Runs the dialog's message loop, as a modeless dialog's owner does, until the condition holds.
  bool PumpUntil(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < end) {
      PollDesktopEvents();
      MSG msg;
      while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessage(dialog_, &msg)) {
          TranslateMessage(&msg);
          DispatchMessage(&msg);
        }
      }
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }
  bool Type(const std::string& keys, const std::function<bool()>& done) {
    return std::system(("xdotool key " + keys).c_str()) == 0 && PumpUntil(done);
  }
  // Clicks the middle of a list row where the display shows it.
  bool ClickRow(HWND list, int row, const std::function<bool()>& done) {
    RECT rect{};
    rect.left = LVIR_BOUNDS;
    SendMessage(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
    POINT middle{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ClientToScreen(list, &middle);
    const QWidget& shown = SurfaceWidget(*FindWindowRecord(dialog_));
    const QPoint at = shown.mapFromGlobal(QPoint(middle.x, middle.y));
    const std::string click = "xdotool mousemove --window " + std::to_string(shown.winId()) + " " +
                              std::to_string(at.x()) + " " + std::to_string(at.y()) + " click 1";
    return std::system(click.c_str()) == 0 && PumpUntil(done);
  }
  HWND Item(int id) const { return GetDlgItem(dialog_, id); }

  std::unique_ptr<tarnlok::test_support::XServer> server_;
  HWND dialog_ = nullptr;
};

TEST_F(DesktopKeys, TabEnterEscapeAndMnemonicsTypedOnTheDisplayReachTheDialogManager) {
  SetFocus(Item(1039));
  ASSERT_TRUE(Type("Tab", [&] { return GetFocus() == Item(1052); })) << "Tab leaves the edit for the next tab stop";
  ASSERT_TRUE(Type("Tab", [&] { return GetFocus() == Item(1282); }));
  ASSERT_TRUE(Type("shift+Tab", [&] { return GetFocus() == Item(1052); })) << "Shift+Tab goes back";
  ASSERT_TRUE(Type("Tab", [&] { return GetFocus() == Item(1282); }));
  EXPECT_TRUE(Type("h", [&] { return SendMessage(Item(1282), BM_GETCHECK, 0, 0) == BST_CHECKED; }))
      << "a letter on a button is its mnemonic; the edit that had the keyboard before does not keep it";
  char text[16] = {};
  GetDlgItemTextA(dialog_, 1039, text, sizeof text);
  EXPECT_STREQ(text, "");
  const auto last = [] { return Commands().empty() ? 0 : Commands().back(); };
  EXPECT_TRUE(Type("alt+g", [&] { return last() == 1052; })) << "Alt and a letter";
  SetFocus(Item(1039));
  EXPECT_TRUE(Type("alt+h", [&] { return SendMessage(Item(1282), BM_GETCHECK, 0, 0) == BST_UNCHECKED; }))
      << "Alt and a letter in an edit is the dialog's, not the edit's";
  EXPECT_TRUE(Type("Return", [&] { return last() == IDOK; })) << "Enter in the edit presses the default button";
  EXPECT_TRUE(Type("Escape", [&] { return last() == IDCANCEL; }));
  // The check box reports each click by mnemonic too.
  EXPECT_EQ(Commands(), (std::vector<WORD>{1282, 1052, 1282, IDOK, IDCANCEL}));
}

// When a modal dialog ends its owner takes the display's keyboard back, with the focus on the
// control that had it: the keys typed next reach the owner wherever the pointer is.
TEST_F(DesktopKeys, AfterAModalDialogTheOwnerHasTheKeyboardAgain) {
  SetFocus(Item(1039));
  ASSERT_EQ(DialogBoxIndirectParamA(nullptr, *FindDialogTemplate(nullptr, 701), dialog_, ClosedWithEnter, 0), IDOK)
      << "the modal dialog had the keyboard and Enter closed it";
  EXPECT_EQ(GetFocus(), Item(1039));
  ASSERT_EQ(std::system("xdotool mousemove 1010 750"), 0) << "the pointer away from every window";
  const auto last = [] { return Commands().empty() ? 0 : Commands().back(); };
  EXPECT_TRUE(Type("alt+g", [&] { return last() == 1052; })) << "Alt and a letter reach the owner's button";
}

TEST_F(DesktopKeys, ClicksAndArrowKeysOnAListFocusAndSelectTheRowTogether) {
  const HWND list = Item(1002);
  for (const char* drive : {"(A:)", "(E:) Kestro CF Reader", "(F:) Kestro SM Reader"}) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(SendMessage(list, LVM_GETITEMCOUNT, 0, 0));
    std::string text = drive;
    item.pszText = text.data();
    SendMessage(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  }
  LVITEMA first{};
  first.stateMask = first.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessage(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&first));
  Chosen().clear();
  const auto chosenNow = [&] {
    return static_cast<int>(SendMessage(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED | LVNI_SELECTED));
  };
  ASSERT_TRUE(ClickRow(list, 2, [&] { return chosenNow() == 2; })) << "a click focuses and selects its row";
  EXPECT_EQ(GetFocus(), list);
  EXPECT_TRUE(Type("Up", [&] { return chosenNow() == 1; })) << "an arrow key moves focus and selection together";
  EXPECT_TRUE(ClickRow(list, 0, [&] { return chosenNow() == 0; }));
  EXPECT_EQ(SendMessage(list, LVM_GETSELECTEDCOUNT, 0, 0), 1) << "one row stays selected in a single-selection list";
  // The parent heard of each row as it became the focused and selected one, and of no other.
  EXPECT_EQ(Chosen(), (std::vector<int>{2, 1, 0}));
}

}  // namespace
}  // namespace ui
