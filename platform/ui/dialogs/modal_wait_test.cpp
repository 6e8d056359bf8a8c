// The modal wait that dialogs and message boxes share: the owner is disabled while it lasts, the
// program's messages flow (those the waiter takes are not dispatched), and a quit ends it; when
// it ends the owner has the activation and the keyboard focus back, so that its keys work again.
#include "platform/ui/dialogs/modal_wait.h"

#include "platform/ui/dialogs/dialog.h"
#include "platform/ui/resources/dialog_resources.h"
#include "platform/ui/testing/test_driver.h"
#include "platform/ui/windows/input_router.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"

#include <gtest/gtest.h>

#include <vector>

namespace ui {
namespace {

constexpr const char* kTemplates = R"(
DIALOG 3000 0 0 200 100
STYLE POPUP CAPTION
CAPTION "Owner"
CONTROL 1039 EDIT "" 10 10 80 12 TABSTOP
CONTROL 1052 BUTTON "&Backup" 10 30 50 14 PUSHBUTTON TABSTOP
CONTROL 1053 BUTTON "&Restore" 70 30 50 14 PUSHBUTTON TABSTOP

DIALOG 3001 0 0 100 50
STYLE POPUP CAPTION
CAPTION "Modal"
CONTROL 1 BUTTON "OK" 10 10 40 14 DEFPUSHBUTTON TABSTOP
)";

std::vector<WORD>& Commands() {
  static std::vector<WORD> commands;
  return commands;
}

LRESULT NoteCommands(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) Commands().push_back(LOWORD(wParam));
  return DefDlgProcA(hwnd, message, wParam, lParam);
}

// An owner dialog on the screen, active, with the focus on its Restore button.
class ModalOwnerFocus : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterDialogTemplateText(nullptr, kTemplates);
    owner = CreateDialogIndirectParamA(nullptr, *FindDialogTemplate(nullptr, 3000), nullptr, nullptr, 0);
    SetWindowLongPtrA(owner, GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(&NoteCommands));
    ShowWindow(owner, SW_SHOW);
    SetFocus(Item(1053));
    Commands().clear();
  }
  void TearDown() override { DestroyWindow(owner); }
  HWND Item(int id) const { return GetDlgItem(owner, id); }
  // A modal window of its own over the owner, active with the focus on its OK button, as a
  // message box or a dialog is while the wait lasts; action runs while it waits.
  void WaitOverTheOwner(const std::function<void()>& action = {}) {
    HWND modal = nullptr;
    const auto show = [&] {
      modal = CreateDialogIndirectParamA(nullptr, *FindDialogTemplate(nullptr, 3001), owner, nullptr, 0);
      ShowWindow(modal, SW_SHOW);
      if (action) action();
    };
    WaitModally(owner, show, [] { return true; });
    DestroyWindow(modal);
  }
  // Runs the owner's loop, as the program's does, until its queue is empty.
  void Pump() {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!IsDialogMessage(owner, &msg)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
      }
    }
  }
  // Alt and a letter, as the desktop and the test driver route keys: to the focus window, else
  // to the active window.
  static void AltKey(char letter) {
    RouteKey(WM_SYSKEYDOWN, VK_MENU);
    RouteKey(WM_SYSKEYDOWN, static_cast<UINT>(letter));
    RouteKey(WM_SYSKEYUP, static_cast<UINT>(letter));
    RouteKey(WM_KEYUP, VK_MENU);
  }

  HWND owner = nullptr;
};

TEST_F(ModalOwnerFocus, TheOwnerIsActiveAgainWithTheFocusOnTheControlThatHadIt) {
  bool ownerActiveDuringTheWait = true;
  WaitOverTheOwner([&] { ownerActiveDuringTheWait = GetActiveWindow() == owner; });
  EXPECT_FALSE(ownerActiveDuringTheWait) << "the modal window was active while it waited";
  EXPECT_EQ(GetActiveWindow(), owner);
  EXPECT_EQ(GetFocus(), Item(1053));
}

TEST_F(ModalOwnerFocus, AControlThatCanNoLongerTakeTheFocusLeavesTheChoiceToTheOwner) {
  WaitOverTheOwner([&] { ShowWindow(Item(1053), SW_HIDE); });
  EXPECT_EQ(GetActiveWindow(), owner);
  EXPECT_EQ(GetFocus(), Item(1039)) << "the dialog's first control";
}

TEST_F(ModalOwnerFocus, AFocusTheProgramGaveInsideTheOwnerWhileItWaitedStays) {
  WaitOverTheOwner([&] { SetFocus(Item(1052)); });
  EXPECT_EQ(GetFocus(), Item(1052));
}

// The road of DialogBox and of the framework's dialogs and sheets: the dialog destroyed after its
// loop leaves no window without the keyboard, and the owner's mnemonics answer at once.
TEST_F(ModalOwnerFocus, AltKeysReachTheOwnerAfterADialogBoxEnds) {
  TestDriver driver([](const std::string& what) { ADD_FAILURE() << what; });
  driver.OnDialog(3001, [](HWND dialog) { EndDialog(dialog, IDOK); });
  EXPECT_EQ(DialogBoxIndirectParamA(nullptr, *FindDialogTemplate(nullptr, 3001), owner, nullptr, 0), IDOK);
  EXPECT_EQ(GetFocus(), Item(1053));
  AltKey('B');
  Pump();
  EXPECT_EQ(Commands(), (std::vector<WORD>{1052}));
}

class ModalWait : public ::testing::Test {
 protected:
  void SetUp() override {
    owner = CreateWindowExA(0, kDialogClass, "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  }
  void TearDown() override { DestroyWindow(owner); }

  HWND owner = nullptr;
};

TEST_F(ModalWait, TheOwnerIsDisabledWhileMessagesFlowAndEnabledAfter) {
  bool enabledAtShow = true;
  std::vector<UINT> taken;
  const auto show = [&] {
    enabledAtShow = IsWindowEnabled(owner) != win::FALSE;
    PostMessage(owner, WM_USER, 0, 0);
    PostMessage(owner, WM_USER + 1, 0, 0);
  };
  const auto take = [&](MSG* msg) {
    if (msg->message < WM_USER) return false;
    taken.push_back(msg->message);
    return true;
  };
  WaitModally(
      owner, show, [&] { return taken.size() == 2; }, take);
  EXPECT_FALSE(enabledAtShow);
  EXPECT_EQ(taken, (std::vector<UINT>{WM_USER, WM_USER + 1}));
  EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(ModalWait, AnOwnerDisabledBeforeStaysDisabled) {
  EnableWindow(owner, win::FALSE);
  WaitModally(
      owner, [] {}, [] { return true; });
  EXPECT_FALSE(IsWindowEnabled(owner));
}

TEST_F(ModalWait, AQuitEndsTheWaitAndIsPostedAgainForTheLoopOutside) {
  WaitModally(
      owner, [] { PostQuitMessage(3); }, [] { return false; });
  EXPECT_TRUE(IsWindowEnabled(owner));
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 3u);
}

}  // namespace
}  // namespace ui
