// TTF_SUBCLASS: a tooltip hooks its tool windows so that it sees their mouse messages without
// the owner relaying them.
#pragma once

#include "platform/ui/ui_types.h"

namespace ui {

// The tool window's mouse messages go to the tooltip (TTM_RELAYEVENT) before its own procedure.
void WatchToolWindow(HWND tool, HWND tip);
// Ends that; the window gets its procedure back when no tooltip watches it any more.
void UnwatchToolWindow(HWND tool, HWND tip);

}  // namespace ui
