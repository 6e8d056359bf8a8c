// Window classes: registration, the built-in control classes and the default window procedure.
#pragma once

#include "platform/ui/windows/ui_types.h"

#include <string>

namespace ui {

constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr UINT CS_DBLCLKS = 0x0008;
constexpr UINT CS_CLASSDC = 0x0040;
constexpr UINT CS_SAVEBITS = 0x0800;
constexpr UINT CS_GLOBALCLASS = 0x4000;

struct WNDCLASSA {
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  int cbClsExtra = 0;
  int cbWndExtra = 0;
  HINSTANCE hInstance = nullptr;
  HICON hIcon = nullptr;
  HCURSOR hCursor = nullptr;
  HBRUSH hbrBackground = nullptr;
  const char* lpszMenuName = nullptr;
  const char* lpszClassName = nullptr;
};

// Answers a non-zero atom; a second registration of a name fails with ERROR_CLASS_ALREADY_EXISTS.
WORD RegisterClassA(const WNDCLASSA* wc);
BOOL UnregisterClassA(const char* name, HINSTANCE instance);
// The class of that name (case ignored), built-in classes included; false when unknown.
BOOL GetClassInfoA(HINSTANCE instance, const char* name, WNDCLASSA* out);
int GetClassNameA(HWND hwnd, char* buffer, int size);

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;
constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
constexpr DWORD ERROR_CONTROL_ID_NOT_FOUND = 1421;

// Names of the built-in classes.
inline constexpr const char* kStaticClass = "Static";
inline constexpr const char* kButtonClass = "Button";
inline constexpr const char* kEditClass = "Edit";
inline constexpr const char* kProgressClass = "msctls_progress32";
inline constexpr const char* kListViewClass = "SysListView32";
inline constexpr const char* kTabControlClass = "SysTabControl32";
inline constexpr const char* kDialogClass = "#32770";

// Whether the window's class is that name (case ignored).
bool IsClass(HWND hwnd, const char* name);

}  // namespace ui
