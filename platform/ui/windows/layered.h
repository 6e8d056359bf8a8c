// Layered top-level windows: a colour key that shows through and a constant opacity, and
// moving a window by its client area (WM_NCLBUTTONDOWN with HTCAPTION, as a drag starts).
#pragma once

#include "platform/ui/ui_types.h"

namespace ui {

constexpr DWORD LWA_COLORKEY = 0x1;
constexpr DWORD LWA_ALPHA = 0x2;

// Fails with ERROR_INVALID_PARAMETER on a window without WS_EX_LAYERED or a child window.
// Also USER32.DLL's procedure of that name where the Windows version has it.
BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags);
BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* key, BYTE* alpha, DWORD* flags);

// Starts moving a top-level window with the mouse: the desktop's own move where it has one,
// else the window follows the routed mouse until the button is released.
void BeginWindowDrag(HWND topLevel);

}  // namespace ui
