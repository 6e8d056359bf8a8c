#include "platform/ui/windows/message_queue.h"

#include "platform/ui/resources/accelerators.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"
#include "platform/win/system/manual_clock.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace ui {
namespace {

struct Queue : ::testing::Test {
  void SetUp() override {
    clock = win::ManualClock::Install();
    top = CreateWindowExA(0, kDialogClass, "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    child = CreateWindowExA(0, kStaticClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, top,
                            HandleOf<HMENU>(std::uintptr_t{7}), nullptr, nullptr);
    other = CreateWindowExA(0, kDialogClass, "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    MSG drain;
    while (PeekMessage(&drain, nullptr, 0, 0, PM_REMOVE)) {}
  }
  void TearDown() override {
    DestroyWindow(top);
    DestroyWindow(other);
    win::SetClock(nullptr);
  }
  std::shared_ptr<win::ManualClock> clock;
  HWND top = nullptr;
  HWND child = nullptr;
  HWND other = nullptr;
};

// Served windows whose handler, on WM_USER, notes its window and destroys the windows it was
// told to, serving a new one each time.
struct ServedWindows {
  std::vector<HWND> dispatched;
  std::vector<HWND> destroyOnUser;
  std::vector<HWND> made;
};

ServedWindows& Served() {
  static ServedWindows served;
  return served;
}

HWND ServedWindow();

LRESULT ServedProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_USER) return DefWindowProcA(hwnd, message, wParam, lParam);
  Served().dispatched.push_back(hwnd);
  const std::vector<HWND> doomed = std::exchange(Served().destroyOnUser, {});
  for (const HWND window : doomed) DestroyWindow(window);
  if (!doomed.empty()) {
    for (int i = 0; i < 8; ++i) Served().made.push_back(ServedWindow());
  }
  return 0;
}

HWND ServedWindow() {
  static const bool registered = [] {
    WNDCLASSA wc;
    wc.lpfnWndProc = ServedProc;
    wc.lpszClassName = "ServedWindow";
    return RegisterClassA(&wc) != 0;
  }();
  EXPECT_TRUE(registered);
  const HWND hwnd = CreateWindowExA(0, "ServedWindow", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ServeAtEveryPump(hwnd);
  return hwnd;
}

TEST_F(Queue, ServingSurvivesHandlersThatDestroyAndMakeServedWindows) {
  const HWND first = ServedWindow();
  const HWND second = ServedWindow();
  const HWND third = ServedWindow();
  // The first's handler destroys itself and the third, and serves eight new windows.
  Served().destroyOnUser = {first, third};
  for (const HWND window : {first, second, third}) PostMessage(window, WM_USER, 0, 0);
  MSG msg;
  EXPECT_FALSE(PeekMessage(&msg, other, 0, 0, PM_REMOVE));
  EXPECT_EQ(Served().dispatched, (std::vector<HWND>{first, second})) << "the second is served, the third is gone";
  for (const HWND made : Served().made) PostMessage(made, WM_USER, 0, 0);
  Served().dispatched.clear();
  EXPECT_FALSE(PeekMessage(&msg, other, 0, 0, PM_REMOVE));
  EXPECT_EQ(Served().dispatched.size(), Served().made.size()) << "the new windows are served at the next pump";
  for (const HWND made : Served().made) DestroyWindow(made);
  DestroyWindow(second);
}

TEST_F(Queue, PeekForAWindowTakesItsAndItsChildrensMessagesInPostOrder) {
  PostMessage(other, WM_USER + 1, 0, 0);
  PostMessage(child, WM_USER + 2, 0, 0);
  PostMessage(top, WM_USER + 3, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, top, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER + 2);
  EXPECT_EQ(msg.hwnd, child);
  ASSERT_TRUE(PeekMessage(&msg, top, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER + 3);
  EXPECT_FALSE(PeekMessage(&msg, top, 0, 0, PM_REMOVE)) << "the other window's message is not for top";
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, WM_USER + 1);
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) << "PM_NOREMOVE left it in place";
  EXPECT_EQ(msg.message, WM_USER + 1);
}

TEST_F(Queue, RangeFilterSkipsMessagesOutsideIt) {
  PostMessage(top, WM_USER, 0, 0);
  PostMessage(top, WM_KEYDOWN, VK_SPACE, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_KEYDOWN);
}

TEST_F(Queue, PaintComesAfterPostedMessagesAndParentsBeforeChildren) {
  ShowWindow(top, SW_SHOW);
  PostMessage(top, WM_USER, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, top, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER);
  ASSERT_TRUE(PeekMessage(&msg, top, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_PAINT);
  EXPECT_EQ(msg.hwnd, top);
  ASSERT_TRUE(PeekMessage(&msg, top, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, top) << "WM_PAINT stays until the window is validated";
  DispatchMessage(&msg);
  ASSERT_TRUE(PeekMessage(&msg, top, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_PAINT);
  EXPECT_EQ(msg.hwnd, child);
  DispatchMessage(&msg);
  EXPECT_FALSE(PeekMessage(&msg, top, 0, 0, PM_REMOVE));
}

TEST_F(Queue, HiddenWindowsGetNoPaint) {
  InvalidateRect(top, nullptr, win::TRUE);
  MSG msg;
  EXPECT_FALSE(PeekMessage(&msg, top, 0, 0, PM_REMOVE));
}

TEST_F(Queue, TimersFireOnTheInjectedClockAndRestartWhenRetrieved) {
  ASSERT_NE(SetTimer(top, 100, 25, nullptr), 0u);
  MSG msg;
  clock->Advance(24);
  EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  clock->Advance(1);
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_TIMER);
  EXPECT_EQ(msg.wParam, 100u);
  EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) << "restarted at retrieval";
  clock->Advance(100);
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) << "elapsed periods do not pile up";
  EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_TRUE(KillTimer(top, 100));
  EXPECT_FALSE(KillTimer(top, 100));
  clock->Advance(100);
  EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Queue, TimerProcIsCalledByDispatch) {
  static int calls = 0;
  calls = 0;
  SetTimer(top, 1, 10, [](HWND, UINT, std::uintptr_t, DWORD) { ++calls; });
  clock->Advance(10);
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  DispatchMessage(&msg);
  EXPECT_EQ(calls, 1);
}

TEST_F(Queue, DestroyingAWindowDropsItsMessagesAndTimers) {
  PostMessage(other, WM_USER, 0, 0);
  SetTimer(other, 1, 1, nullptr);
  DestroyWindow(other);
  other = nullptr;
  clock->Advance(5);
  MSG msg;
  EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Queue, GetMessageAsksTheIdleHandlerAndReturnsZeroForQuit) {
  int idleCalls = 0;
  SetIdleHandler([&] {
    ++idleCalls;
    PostQuitMessage(3);
    return true;
  });
  MSG msg;
  EXPECT_EQ(GetMessage(&msg, nullptr, 0, 0), 0);
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_EQ(idleCalls, 1);
  SetIdleHandler(nullptr);
}

TEST_F(Queue, TranslateMessagePostsCharactersWithShiftState) {
  PostMessage(top, WM_KEYDOWN, VK_SHIFT, 0);
  PostMessage(top, WM_KEYDOWN, 'C', 0);
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_TRUE(TranslateMessage(&msg));
  ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_CHAR, WM_CHAR, PM_REMOVE));
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>('C'));
  EXPECT_LT(GetKeyState(VK_SHIFT), 0);
  PostMessage(top, WM_KEYUP, VK_SHIFT, 0);  // the key state outlives the test
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
}

std::vector<WPARAM>& Commands() {
  static std::vector<WPARAM> commands;
  return commands;
}

LRESULT CommandRecorder(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) Commands().push_back(wParam);
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST_F(Queue, AcceleratorsMatchCharactersAndControlKeys) {
  // The Backup run's table: C, c and Ctrl+C all mean Cancel.
  const ACCEL entries[] = {{0, 'C', 1053}, {0, 'c', 1053}, {FVIRTKEY | FCONTROL, 'C', 1053}};
  const HACCEL table = CreateAcceleratorTableA(entries, 3);
  SetWindowLongPtrA(top, GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(&CommandRecorder));
  Commands().clear();
  MSG msg;
  msg.hwnd = top;
  msg.message = WM_CHAR;
  msg.wParam = 'c';
  EXPECT_EQ(TranslateAccelerator(top, table, &msg), 1);
  msg.wParam = 'x';
  EXPECT_EQ(TranslateAccelerator(top, table, &msg), 0);
  msg.message = WM_KEYDOWN;
  msg.wParam = 'C';
  EXPECT_EQ(TranslateAccelerator(top, table, &msg), 0) << "Ctrl is not held";
  PostMessage(top, WM_KEYDOWN, VK_CONTROL, 0);
  MSG taken;
  PeekMessage(&taken, nullptr, 0, 0, PM_REMOVE);
  EXPECT_EQ(TranslateAccelerator(top, table, &msg), 1);
  EXPECT_EQ(Commands(), (std::vector<WPARAM>{MAKEWPARAM(1053, 1), MAKEWPARAM(1053, 1)}));
  DestroyAcceleratorTable(table);
}

}  // namespace
}  // namespace ui
