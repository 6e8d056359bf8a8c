#include "platform/ui/windows/window_api.h"

#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_class.h"
#include "platform/win/system/last_error.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ui {
namespace {

constexpr win::DWORD kSentinel = 0xDEADBEEF;

HWND Popup(const char* text = "top") {
  return CreateWindowExA(0, kDialogClass, text, WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
}

HWND Child(HWND parent, int id, const char* className = kStaticClass, DWORD style = WS_VISIBLE) {
  return CreateWindowExA(0, className, "child", WS_CHILD | style, 10, 10, 50, 20, parent,
                         HandleOf<HMENU>(static_cast<std::uintptr_t>(id)), nullptr, nullptr);
}

std::vector<UINT>& Seen() {
  static std::vector<UINT> seen;
  return seen;
}

LRESULT RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Seen().push_back(message);
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND RecordingWindow() {
  static const bool registered = [] {
    WNDCLASSA wc;
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = "RecordingWindow";
    return RegisterClassA(&wc) != 0;
  }();
  EXPECT_TRUE(registered);
  return CreateWindowExA(0, "RecordingWindow", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

TEST(WindowState, DisablingAParentLeavesChildrenEnabledButUnreachable) {
  const HWND top = Popup();
  const HWND child = Child(top, 5);
  ShowWindow(top, SW_SHOW);
  EXPECT_EQ(EnableWindow(top, win::FALSE), win::FALSE) << "answers whether it was disabled before";
  EXPECT_EQ(EnableWindow(top, win::FALSE), win::TRUE);
  EXPECT_FALSE(IsWindowEnabled(top));
  EXPECT_TRUE(IsWindowEnabled(child));
  EXPECT_FALSE(AcceptsInput(child));
  EnableWindow(top, win::TRUE);
  EXPECT_TRUE(AcceptsInput(child));
  DestroyWindow(top);
}

TEST(WindowState, EnableSendsCancelModeAndEnableOnlyOnChange) {
  const HWND hwnd = RecordingWindow();
  Seen().clear();
  EnableWindow(hwnd, win::FALSE);
  EnableWindow(hwnd, win::FALSE);
  EnableWindow(hwnd, win::TRUE);
  EXPECT_EQ(Seen(), (std::vector<UINT>{WM_CANCELMODE, WM_ENABLE, WM_ENABLE}));
  DestroyWindow(hwnd);
}

TEST(WindowState, DisablingTheFocusWindowTakesTheFocusAway) {
  const HWND top = Popup();
  const HWND child = Child(top, 5, kButtonClass);
  SetFocus(child);
  ASSERT_EQ(GetFocus(), child);
  EnableWindow(top, win::FALSE);
  EXPECT_EQ(GetFocus(), nullptr);
  DestroyWindow(top);
}

TEST(WindowState, VisibilityFollowsAncestors) {
  const HWND top = Popup();
  const HWND child = Child(top, 1);
  EXPECT_FALSE(IsWindowVisible(child)) << "the parent is hidden";
  EXPECT_EQ(ShowWindow(top, SW_SHOW), win::FALSE);
  EXPECT_TRUE(IsWindowVisible(child));
  EXPECT_EQ(ShowWindow(child, SW_HIDE), win::TRUE) << "answers whether it was visible before";
  EXPECT_FALSE(IsWindowVisible(child));
  DestroyWindow(top);
}

TEST(WindowText, SetAndGetThroughMessagesTruncateToTheBuffer) {
  const HWND top = Popup();
  Child(top, 1052);
  ASSERT_TRUE(SetDlgItemTextA(top, 1052, "Backup"));
  char buffer[4] = {};
  EXPECT_EQ(GetDlgItemTextA(top, 1052, buffer, sizeof buffer), 3u);
  EXPECT_STREQ(buffer, "Bac");
  EXPECT_EQ(GetWindowTextLengthA(GetDlgItem(top, 1052)), 6);
  char whole[32] = {};
  EXPECT_EQ(GetWindowTextA(GetDlgItem(top, 1052), whole, sizeof whole), 6);
  EXPECT_STREQ(whole, "Backup");
  DestroyWindow(top);
}

TEST(WindowText, MissingControlGivesEmptyTextAndError) {
  const HWND top = Popup();
  win::SetLastError(kSentinel);
  EXPECT_EQ(GetDlgItem(top, 77), nullptr);
  EXPECT_EQ(win::GetLastError(), ERROR_CONTROL_ID_NOT_FOUND);
  char buffer[8] = "xxxxxxx";
  EXPECT_EQ(GetDlgItemTextA(top, 77, buffer, sizeof buffer), 0u);
  EXPECT_STREQ(buffer, "");
  DestroyWindow(top);
}

TEST(WindowHandles, DestroyedHandlesStayInvalid) {
  const HWND top = Popup();
  const HWND child = Child(top, 1);
  DestroyWindow(top);
  EXPECT_FALSE(IsWindow(top));
  EXPECT_FALSE(IsWindow(child));
  win::SetLastError(kSentinel);
  EXPECT_EQ(SendMessage(child, WM_GETTEXTLENGTH, 0, 0), 0);
  EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_FALSE(PostMessage(top, WM_USER, 0, 0));
  const HWND next = Popup();
  EXPECT_NE(next, top) << "handles are not reused";
  DestroyWindow(next);
}

TEST(WindowHandles, DestroyingAnOwnerDestroysItsOwnedPopups) {
  const HWND owner = Popup("owner");
  const HWND owned =
      CreateWindowExA(0, kDialogClass, "owned", WS_POPUP, 0, 0, 10, 10, owner, nullptr, nullptr, nullptr);
  EXPECT_EQ(GetParent(owned), owner) << "GetParent answers a popup's owner";
  EXPECT_EQ(GetWindow(owned, GW_OWNER), owner);
  DestroyWindow(owner);
  EXPECT_FALSE(IsWindow(owned));
}

TEST(WindowHandles, ChildWithoutParentFails) {
  win::SetLastError(kSentinel);
  EXPECT_EQ(CreateWindowExA(0, kStaticClass, "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(win::GetLastError(), 1406u);
  win::SetLastError(kSentinel);
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(win::GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
}

TEST(WindowFocus, SetFocusSendsKillThenSetAndAnswersThePrevious) {
  const HWND top = Popup();
  const HWND a = Child(top, 1, kButtonClass);
  const HWND b = Child(top, 2, kButtonClass);
  EXPECT_EQ(SetFocus(a), nullptr);
  EXPECT_EQ(SetFocus(b), a);
  EXPECT_EQ(GetFocus(), b);
  DestroyWindow(b);
  EXPECT_EQ(GetFocus(), nullptr);
  DestroyWindow(top);
}

TEST(WindowFind, FindsOnlyPlatformTopLevelWindowsByClassAndTitle) {
  const HWND top = Popup("My Computer");
  EXPECT_EQ(FindWindowA("#32770", "My Computer"), top);
  EXPECT_EQ(FindWindowA(nullptr, "My Computer"), top);
  EXPECT_EQ(FindWindowA("CabinetWClass", "My Computer"), nullptr);
  DestroyWindow(top);
}

}  // namespace
}  // namespace ui
