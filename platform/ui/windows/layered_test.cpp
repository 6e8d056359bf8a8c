#include "platform/ui/layered.h"

#include "platform/ui/cdialog.h"
#include "platform/ui/dialog_resources.h"
#include "platform/ui/input_router.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/styles.h"
#include "platform/ui/system_metrics.h"
#include "platform/ui/test_driver.h"
#include "platform/ui/window_api.h"
#include "platform/ui/window_class.h"
#include "platform/win/last_error.h"
#include "platform/win/modules.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace ui {
namespace {

std::string RunCommand(const std::string& command) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return {};
  char line[128] = {};
  std::fgets(line, sizeof line, pipe);
  ::pclose(pipe);
  return line;
}

// A skinned window: pure green where it should be see-through, a red block, dragged by any point.
class Skinned : public CDialog {
 public:
  Skinned() : CDialog(400) {}
  const MessageMap& GetMessageMap() const override {
    static const MessageMap map(&CDialog::GetMessageMap(), {
                                                               OnMessage(WM_PAINT, &Skinned::OnPaint),
                                                               OnMessage(WM_LBUTTONDOWN, &Skinned::OnLButtonDown),
                                                           });
    return map;
  }
  void OnPaint() {
    CPaintDC dc(this);
    RECT client;
    GetClientRect(&client);
    dc.FillSolidRect(&client, RGB(0, 255, 0));
    dc.FillSolidRect(10, 10, 20, 20, RGB(255, 0, 0));
  }
  LRESULT OnLButtonDown(WPARAM, LPARAM lParam) {
    PostMessage(WM_NCLBUTTONDOWN, static_cast<WPARAM>(HTCAPTION), lParam);
    return 0;
  }
};

struct Layered : ::testing::Test {
  void SetUp() override { RegisterDialogTemplateText(nullptr, "DIALOG 400 0 0 100 60\nSTYLE POPUP\n"); }
  TestDriver driver{[this](const std::string& what) { failures.push_back(what); }};
  std::vector<std::string> failures;
};

TEST_F(Layered, OnlyLayeredWindowsTakeAttributes) {
  Skinned window;
  ASSERT_TRUE(window.Create(400));
  win::SetLastError(0xDEADBEEF);
  EXPECT_FALSE(SetLayeredWindowAttributes(window.m_hWnd, RGB(0, 255, 0), 0, LWA_COLORKEY));
  EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_PARAMETER);
  window.ModifyStyleEx(0, WS_EX_LAYERED);
  EXPECT_TRUE(SetLayeredWindowAttributes(window.m_hWnd, RGB(0, 255, 0), 0, LWA_COLORKEY));
  COLORREF key = 0;
  DWORD flags = 0;
  EXPECT_TRUE(GetLayeredWindowAttributes(window.m_hWnd, &key, nullptr, &flags));
  EXPECT_EQ(key, RGB(0, 255, 0));
  EXPECT_EQ(flags, LWA_COLORKEY);
}

TEST_F(Layered, TheColourKeyIsSeeThroughInWhatTheWindowShows) {
  Skinned window;
  ASSERT_TRUE(window.Create(400));
  window.ModifyStyleEx(0, WS_EX_LAYERED);
  SetLayeredWindowAttributes(window.m_hWnd, RGB(0, 255, 0), 0, LWA_COLORKEY);
  window.ShowWindow(SW_SHOW);
  const auto png = tarnlok::testing::TestDataHome() / "skinned.png";
  ASSERT_TRUE(SaveWindowPng(window.m_hWnd, png.string()));
  // ImageMagick reads the alpha: green is transparent, the red block opaque.
  EXPECT_EQ(RunCommand("convert '" + png.string() + "' -format '%[fx:p{2,2}.a] %[fx:p{15,15}.a]' info:"), "0 1");
}

TEST_F(Layered, User32HandsOutTheProcedureFromWindows2000On) {
  const win::HMODULE user32 = win::LoadLibraryA("USER32.DLL");
  ASSERT_NE(user32, nullptr);
  EXPECT_EQ(reinterpret_cast<void*>(win::GetProcAddress(user32, "SetLayeredWindowAttributes")),
            reinterpret_cast<void*>(&SetLayeredWindowAttributes));
}

TEST_F(Layered, AClickOnTheClientAreaDragsTheWindow) {
  Skinned window;
  // The mouse moves on the screen; the desktop reports it in the window's client area, which
  // moves with the window.
  const auto at = [](HWND hwnd, UINT message, POINT screen, WPARAM keys) {
    ScreenToClient(hwnd, &screen);
    RouteMouse(hwnd, message, screen, keys);
  };
  driver.OnDialog(400, [&](HWND hwnd) {
    at(hwnd, WM_LBUTTONDOWN, POINT{40, 40}, MK_LBUTTON);
    driver.WhenIdle([&, hwnd] { at(hwnd, WM_MOUSEMOVE, POINT{50, 45}, MK_LBUTTON); });
    driver.WhenIdle([&, hwnd] { at(hwnd, WM_MOUSEMOVE, POINT{60, 55}, MK_LBUTTON); });
    driver.WhenIdle([&, hwnd] { at(hwnd, WM_LBUTTONUP, POINT{60, 55}, 0); });
    driver.WhenIdle([&, hwnd] { at(hwnd, WM_MOUSEMOVE, POINT{90, 90}, 0); });
    driver.WhenIdle([&, hwnd] {
      RECT rect;
      GetWindowRect(hwnd, &rect);
      EXPECT_EQ(rect.left, 20);
      EXPECT_EQ(rect.top, 15);
      driver.Escape();
    });
  });
  window.DoModal();
  EXPECT_TRUE(failures.empty());
}

TEST(SystemMetrics, AreThoseOfTheClassicDesktop) {
  EXPECT_EQ(GetSystemMetrics(SM_CXEDGE), 2);
  EXPECT_EQ(GetSystemMetrics(SM_CYMENU), 19);
  EXPECT_EQ(GetSystemMetrics(9999), 0);
  NONCLIENTMETRICSA metrics;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
  EXPECT_EQ(metrics.lfMenuFont.lfHeight, -11);
  EXPECT_EQ(sizeof metrics, 340u) << "the record the menu code passes";
  metrics.cbSize = 500;
  win::SetLastError(0xDEADBEEF);
  EXPECT_FALSE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 500, &metrics, 0));
  EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_PARAMETER);
}

}  // namespace
}  // namespace ui
