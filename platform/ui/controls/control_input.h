// Input aimed at one control, as a person's mouse and keyboard give it: posted to the queue
// through the input router, so the control and its dialog see what a click or a key press
// brings. Each answers whether the input reached the control: false when it is missing,
// hidden, disabled (itself, an ancestor or its top-level window) or covered by another window.
#pragma once

#include "platform/ui/windows/ui_types.h"

#include <string_view>

namespace ui {

bool ClickControl(HWND control);
// Clicks a point of the control's client area (a tab of a tab control, say).
bool ClickControlAt(HWND control, POINT client);
// Clicks (or double-clicks) a row of a list view or a list box; false also for a row that is
// not there or not shown.
bool ClickListRow(HWND control, int row, bool doubleClick = false);
// Focuses the control and types the characters, as WM_CHAR messages.
bool TypeIntoControl(HWND control, std::string_view text);

}  // namespace ui
