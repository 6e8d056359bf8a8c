// Painting helpers shared by the built-in controls.
#pragma once

#include "platform/ui/gdi.h"

namespace ui {

// Asks the parent for the control's colours (WM_CTLCOLOR*) and answers the brush; the DC
// keeps the text and background colours and mode the parent set.
HBRUSH ParentColours(HWND control, HDC dc, UINT message);
// Selects the control's font (WM_SETFONT) or the default font into the DC.
void SelectControlFont(HWND control, HDC dc);
// Text of a disabled control: embossed in the highlight and grey text colours.
void DrawDisabledText(HDC dc, const std::string& text, RECT rect, UINT format);
std::string WindowText(HWND hwnd);

}  // namespace ui
