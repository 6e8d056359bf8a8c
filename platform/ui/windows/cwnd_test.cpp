// The framework's dispatch when a window's object goes while one of its own handlers runs.
#include "platform/ui/windows/cwnd.h"

#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace ui {
namespace {

constexpr const char* kClass = "SelfClosingWindow";
constexpr unsigned char kFreed = 0xAB;

// Closes its window on any key and ends its own life with the window, as pop-ups do. The end
// overwrites the object's bytes, so any later write by the framework shows.
class SelfClosing : public CWnd {
 public:
  const MessageMap& GetMessageMap() const override {
    static const MessageMap map(&CWnd::GetMessageMap(), {OnMessage(WM_KEYDOWN, &SelfClosing::OnKeyDown)});
    return map;
  }
  void PostNcDestroy() override {
    auto* bytes = reinterpret_cast<unsigned char*>(this);
    this->~SelfClosing();
    std::memset(bytes, kFreed, sizeof(SelfClosing));
  }

 private:
  LRESULT OnKeyDown(WPARAM, LPARAM) {
    DestroyWindow();
    return 0;
  }
};

TEST(CWndDispatch, AnObjectGoneWithItsWindowIsNotTouchedAfterTheHandler) {
  WNDCLASSA wc;
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = kClass;
  RegisterClassA(&wc);
  alignas(SelfClosing) std::array<unsigned char, sizeof(SelfClosing)> storage{};
  auto* window = new (storage.data()) SelfClosing;
  ASSERT_TRUE(window->CreateEx(0, kClass, "", WS_POPUP, RECT{0, 0, 20, 20}, nullptr, 0));
  const HWND hwnd = window->m_hWnd;
  SendMessage(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_TRUE(std::all_of(storage.begin(), storage.end(), [](unsigned char b) { return b == kFreed; }));
}

}  // namespace
}  // namespace ui
