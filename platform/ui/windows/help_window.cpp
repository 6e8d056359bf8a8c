#include "platform/ui/windows/help_window.h"

#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/default_position.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"
#include "platform/win/system/help_viewer.h"

namespace ui {
namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 360;

HWND& OpenWindow() {
  static HWND window = nullptr;
  return window;
}

WNDPROC& TextProc() {
  static WNDPROC proc = nullptr;
  return proc;
}

// Escape closes the window, as it closes the help viewer on Windows, also from its text.
LRESULT HelpTextProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
    PostMessage(GetParent(hwnd), WM_CLOSE, 0, 0);
    return 0;
  }
  return TextProc()(hwnd, message, wParam, lParam);
}

LRESULT HelpWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
      if (wParam != VK_ESCAPE) return DefWindowProcA(hwnd, message, wParam, lParam);
      PostMessage(hwnd, WM_CLOSE, 0, 0);
      return 0;
    case WM_SIZE:
      MoveWindow(GetDlgItem(hwnd, kHelpTextId), 0, 0, LOWORD(static_cast<std::uintptr_t>(lParam)),
                 HIWORD(static_cast<std::uintptr_t>(lParam)), win::TRUE);
      return 0;
    case WM_DESTROY:
      if (OpenWindow() == hwnd) OpenWindow() = nullptr;
      return 0;
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

HWND CreateHelpWindow() {
  const HWND window = CreateWindowExA(0, kHelpWindowClass, "", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME,
                                      CW_USEDEFAULT, 0, kWidth, kHeight, nullptr, nullptr, nullptr, nullptr);
  if (window == nullptr) return nullptr;
  RECT client{};
  GetClientRect(window, &client);
  const HWND text = CreateWindowExA(
      0, kEditClass, "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 0, 0, client.right,
      client.bottom, window, reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(kHelpTextId)), nullptr, nullptr);
  SendMessage(text, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
  TextProc() =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrA(text, GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(&HelpTextProc)));
  return window;
}

void Show(HWND, const win::HelpTopic& topic) {
  if (OpenWindow() == nullptr) OpenWindow() = CreateHelpWindow();
  const HWND window = OpenWindow();
  if (window == nullptr) return;
  SetWindowTextA(window, topic.title.c_str());
  SetDlgItemTextA(window, kHelpTextId, topic.text.c_str());
  ShowWindow(window, SW_SHOWNORMAL);
}

void Close() {
  if (OpenWindow() != nullptr) DestroyWindow(OpenWindow());
}

constexpr win::HelpViewer kViewer{Show, Close};

const bool kInstalled = [] {
  WNDCLASSA wc;
  wc.lpfnWndProc = HelpWindowProc;
  wc.lpszClassName = kHelpWindowClass;
  wc.style = CS_GLOBALCLASS;
  win::SetHelpViewer(&kViewer);
  return RegisterClassA(&wc) != 0;
}();

}  // namespace

HWND HelpWindow() { return OpenWindow(); }

}  // namespace ui
