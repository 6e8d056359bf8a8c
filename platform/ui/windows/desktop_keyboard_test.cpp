// The dialog manager on a real display: an X server (Xvfb) of the test's own, the xcb
// platform, and keys typed through the X server's test extension (xdotool), so that each key
// takes the desktop's whole way: X, Qt, the surface, the queue, IsDialogMessage.
#include "platform/ui/dialog.h"
#include "platform/ui/dialog_resources.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/messages.h"
#include "platform/ui/styles.h"
#include "platform/ui/surface_internal.h"
#include "platform/ui/window_api.h"
#include "platform/ui/window_table.h"

#include <QApplication>
#include <QWindow>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

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
)";

std::vector<WORD>& Commands() {
  static std::vector<WORD> commands;
  return commands;
}

LRESULT NoteCommands(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) Commands().push_back(LOWORD(wParam));
  return DefDlgProcA(hwnd, message, wParam, lParam);
}

// An X server on a display number of its own, ended with the test.
class XServer {
 public:
  XServer() {
    for (int number = 90 + getpid() % 100; number < 300 && pid_ == 0; number += 7) {
      if (std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock")) continue;
      display_ = ":" + std::to_string(number);
      const std::string name = "Xvfb";
      std::vector<std::string> args{name, display_, "-screen", "0", "1024x768x24", "-nolisten", "tcp"};
      std::vector<char*> argv;
      for (auto& arg : args) argv.push_back(arg.data());
      argv.push_back(nullptr);
      if (posix_spawnp(&pid_, "Xvfb", nullptr, nullptr, argv.data(), environ) != 0) pid_ = 0;
      if (pid_ != 0 && !WaitForSocket(number)) Stop();
    }
  }
  ~XServer() { Stop(); }
  bool Running() const { return pid_ != 0; }
  const std::string& Display() const { return display_; }

 private:
  static bool WaitForSocket(int number) {
    const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
    for (int tries = 0; tries < 100; ++tries) {
      if (std::filesystem::exists(socket)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  void Stop() {
    if (pid_ == 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }
  pid_t pid_ = 0;
  std::string display_;
};

class DesktopKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QApplication::instance() != nullptr) GTEST_SKIP() << "needs a process of its own, as ctest runs each case";
    if (std::system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null") != 0) {
      GTEST_SKIP() << "Xvfb or xdotool is not installed (scripts/install-deps installs them)";
    }
    server_ = std::make_unique<XServer>();
    if (!server_->Running()) GTEST_SKIP() << "Xvfb did not start";
    setenv("DISPLAY", server_->Display().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    RegisterDialogTemplateText(nullptr, kForm);
    dialog_ = CreateDialogIndirectParamA(nullptr, *FindDialogTemplate(nullptr, 700), nullptr, nullptr, 0);
    ASSERT_NE(dialog_, nullptr);
    SetWindowLongPtrA(dialog_, GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(&NoteCommands));
    ShowWindow(dialog_, SW_SHOW);
    QWidget& shown = SurfaceWidget(*FindWindowRecord(dialog_));
    ASSERT_TRUE(PumpUntil([&] { return shown.isVisible() && shown.windowHandle() != nullptr && shown.windowHandle()->isExposed(); }));
    const std::string focus = "xdotool windowfocus --sync " + std::to_string(shown.winId());
    ASSERT_EQ(std::system(focus.c_str()), 0);
    ASSERT_TRUE(PumpUntil([&] { return QApplication::activeWindow() == &shown; })) << "the X server gave the window the focus";
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
  HWND Item(int id) const { return GetDlgItem(dialog_, id); }

  std::unique_ptr<XServer> server_;
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

}  // namespace
}  // namespace ui
