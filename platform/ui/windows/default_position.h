// Where a top-level window created with CW_USEDEFAULT stands: an overlapped window takes the
// system's next cascaded place in the work area, a popup the screen's corner, as Windows does.
#pragma once

#include "platform/ui/windows/ui_types.h"

namespace ui {

// The x (or width) that asks the system to choose.
constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000);

// The window's rectangle with every CW_USEDEFAULT replaced; given values stay as they are.
// Each overlapped window placed so stands one step (a caption and a frame) below and right of
// the one before; when its caption would leave the work area the cascade starts again at the
// first place.
RECT DefaultPlacement(DWORD style, int x, int y, int width, int height);

}  // namespace ui
