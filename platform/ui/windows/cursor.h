// The mouse as the framework sees it: its last position, the window under a point, and the
// cursor shape shown over a window.
#pragma once

#include "platform/ui/windows/ui_types.h"

namespace ui {

constexpr UINT IDC_ARROW = 32512;
constexpr UINT IDC_WAIT = 32514;
constexpr UINT IDC_HAND = 32649;

BOOL GetCursorPos(POINT* point);
// The deepest window at a screen point that takes the mouse; null over no window.
HWND WindowFromPoint(POINT screen);
// The system cursors by IDC_ id (a null module), else the module's cursor resource id.
HCURSOR LoadCursorA(HINSTANCE module, UINT id);
// Shows the cursor over the window under the mouse; answers the previous one.
HCURSOR SetCursor(HCURSOR cursor);
// Minimises a top-level window.
BOOL CloseWindow(HWND hwnd);
BOOL IsIconic(HWND hwnd);

}  // namespace ui
