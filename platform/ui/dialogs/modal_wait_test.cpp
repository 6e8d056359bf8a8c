// The modal wait that dialogs and message boxes share: the owner is disabled while it lasts, the
// program's messages flow (those the waiter takes are not dispatched), and a quit ends it.
#include "platform/ui/dialogs/modal_wait.h"

#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"

#include <gtest/gtest.h>

#include <vector>

namespace ui {
namespace {

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
