// The help window that WinHelpA opens, seen through the window table.
#include "platform/ui/windows/help_window.h"

#include "platform/ui/windows/input_router.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"
#include "platform/win/host/data_folder.h"
#include "platform/win/system/shell_services.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace ui {
namespace {

std::string TextOf(HWND window) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

std::uintptr_t Key(const char* key) { return reinterpret_cast<std::uintptr_t>(key); }

class HelpWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(win::DriveCFolder() / "help.hlp") << "@topic Contents\nEverything.\n"
                                                       "@topic Formatting\n@key Tarnlok Format\nLine one.\nLine two.\n";
  }
  void TearDown() override { win::WinHelpA(nullptr, nullptr, win::HELP_QUIT, 0); }
};

TEST_F(HelpWindowTest, OneWindowShowsEachAskedTopicUntilHelpQuits) {
  EXPECT_EQ(HelpWindow(), nullptr);
  ASSERT_TRUE(win::WinHelpA(nullptr, "C:\\help.hlp", win::HELP_KEY, Key("tarnlok format")));
  const HWND window = HelpWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsClass(window, kHelpWindowClass));
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(FindWindowA(kHelpWindowClass, nullptr), window);
  EXPECT_EQ(TextOf(window), "Formatting");
  EXPECT_EQ(TextOf(GetDlgItem(window, kHelpTextId)), "Line one.\r\nLine two.");
  RECT rect{};
  GetWindowRect(window, &rect);
  EXPECT_GT(rect.left, 0) << "the help window takes the system's default place, not the screen's corner";
  EXPECT_GT(rect.top, 0);

  ASSERT_TRUE(win::WinHelpA(nullptr, "C:\\help.hlp", win::HELP_KEY, Key("Tarnlok Restore")));
  EXPECT_EQ(HelpWindow(), window) << "the same window shows the next topic";
  EXPECT_EQ(TextOf(window), "Contents");
  EXPECT_EQ(TextOf(GetDlgItem(window, kHelpTextId)), "Everything.");

  EXPECT_TRUE(win::WinHelpA(nullptr, nullptr, win::HELP_QUIT, 0));
  EXPECT_EQ(HelpWindow(), nullptr);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(win::WinHelpA(nullptr, nullptr, win::HELP_QUIT, 0)) << "nothing left to close";
}

TEST_F(HelpWindowTest, ClosingTheWindowLetsTheNextRequestOpenANewOne) {
  ASSERT_TRUE(win::WinHelpA(nullptr, "C:\\help.hlp", win::HELP_CONTENTS, 0));
  DestroyWindow(HelpWindow());
  EXPECT_EQ(HelpWindow(), nullptr);
  ASSERT_TRUE(win::WinHelpA(nullptr, "C:\\help.hlp", win::HELP_KEY, Key("Tarnlok Format")));
  ASSERT_NE(HelpWindow(), nullptr);
  EXPECT_EQ(TextOf(HelpWindow()), "Formatting");
}

TEST_F(HelpWindowTest, EscapeClosesTheWindowFromItsTextAndFromItself) {
  for (const bool inText : {true, false}) {
    ASSERT_TRUE(win::WinHelpA(nullptr, "C:\\help.hlp", win::HELP_KEY, Key("Tarnlok Format")));
    ASSERT_NE(HelpWindow(), nullptr);
    SetFocus(inText ? GetDlgItem(HelpWindow(), kHelpTextId) : HelpWindow());
    RouteKey(WM_KEYDOWN, VK_ESCAPE);
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
    EXPECT_EQ(HelpWindow(), nullptr) << (inText ? "from the text" : "from the window");
  }
}

}  // namespace
}  // namespace ui
