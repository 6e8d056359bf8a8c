// Turns input, from the desktop or from the test driver, into posted window messages: mouse
// messages go to the window under the point (or the capture), keys to the focus window.
#pragma once

#include "platform/ui/ui_types.h"

namespace ui {

// The deepest visible window at a point of the top-level's client area, skipping windows that
// answer HTTRANSPARENT and disabled ones (their parent takes the input).
HWND ChildWindowAt(HWND topLevel, POINT client);

// Answers the window that received the message, or null when input could not reach any
// (the top-level window is disabled, as a modal dialog's owner is).
HWND RouteMouse(HWND topLevel, UINT message, POINT client, WPARAM keys);
HWND RouteKey(UINT message, UINT virtualKey);
// The last position of the mouse on the screen.
POINT LastMousePosition();
// The close box of the window's frame.
void RouteSystemClose(HWND topLevel);

}  // namespace ui
