// Window functions with Win32 semantics: creation, destruction, state (enabled, visible,
// text, styles), the tree, focus, capture and geometry. Plain functions of the platform
// library, so the format library can call them on its caller's windows.
#pragma once

#include "platform/ui/windows/ui_types.h"

namespace ui {

// WM_CREATE's argument.
struct CREATESTRUCTA {
  void* lpCreateParams = nullptr;
  HINSTANCE hInstance = nullptr;
  HMENU hMenu = nullptr;
  HWND hwndParent = nullptr;
  int cy = 0;
  int cx = 0;
  int y = 0;
  int x = 0;
  LONG style = 0;
  const char* lpszName = nullptr;
  const char* lpszClass = nullptr;
  DWORD dwExStyle = 0;
};

// Called once, with the new handle, by the next window creation before its first message, so
// that a framework object can bind itself to the window as it is born.
void SetCreationHook(void (*hook)(HWND, void*), void* context);

HWND CreateWindowExA(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menuOrId, HINSTANCE instance, void* param);
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
BOOL IsChild(HWND parent, HWND hwnd);
// The parent of a child window, the owner of a top-level window.
HWND GetParent(HWND hwnd);
HWND GetWindow(HWND hwnd, UINT relation);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND hwnd);

// Answers whether the window was disabled before. Disabling a window leaves its children's
// own state alone; a window takes input only when it and its ancestors are enabled.
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);
// Answers whether the window was visible before.
BOOL ShowWindow(HWND hwnd, int command);
// The window's own WS_VISIBLE and that of every ancestor.
BOOL IsWindowVisible(HWND hwnd);
// Whether mouse and keyboard input can reach the window: visible, and it and every ancestor enabled.
bool AcceptsInput(HWND hwnd);

BOOL SetWindowTextA(HWND hwnd, const char* text);
int GetWindowTextA(HWND hwnd, char* buffer, int size);
int GetWindowTextLengthA(HWND hwnd);
BOOL SetDlgItemTextA(HWND dialog, int id, const char* text);
UINT GetDlgItemTextA(HWND dialog, int id, char* buffer, int size);
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);

LONG GetWindowLongA(HWND hwnd, int index);
LONG SetWindowLongA(HWND hwnd, int index, LONG value);
std::intptr_t GetWindowLongPtrA(HWND hwnd, int index);
std::intptr_t SetWindowLongPtrA(HWND hwnd, int index, std::intptr_t value);

BOOL GetClientRect(HWND hwnd, RECT* rect);
// Screen coordinates.
BOOL GetWindowRect(HWND hwnd, RECT* rect);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL ClientToScreen(HWND hwnd, POINT* point);
BOOL ScreenToClient(HWND hwnd, POINT* point);

constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_FRAMECHANGED = 0x0020;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);

// Answers the window that had the focus.
HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();

constexpr DWORD TME_LEAVE = 0x00000002;
constexpr DWORD TME_CANCEL = 0x80000000;
struct TRACKMOUSEEVENT {
  DWORD cbSize = sizeof(TRACKMOUSEEVENT);
  DWORD dwFlags = 0;
  HWND hwndTrack = nullptr;
  DWORD dwHoverTime = 0;
};
BOOL TrackMouseEvent(TRACKMOUSEEVENT* track);

// Only the platform's own windows exist; either argument may be null.
HWND FindWindowA(const char* className, const char* windowName);

}  // namespace ui
