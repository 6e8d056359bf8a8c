// DrawFrameControl: the scroll-bar down-arrow button in the classic look (a raised button face,
// or a flat shadowed one while pushed, with a black arrow; an inactive arrow is etched).
// Not implemented: the other arrows, captions, menus and buttons.
#pragma once

#include "platform/ui/gdi/gdi.h"

namespace ui {

constexpr UINT DFC_SCROLL = 3;
constexpr UINT DFCS_SCROLLDOWN = 0x0001;
constexpr UINT DFCS_INACTIVE = 0x0100;
constexpr UINT DFCS_PUSHED = 0x0200;

BOOL DrawFrameControl(HDC dc, RECT* rect, UINT type, UINT state);

// Where the down arrow of a button of that rectangle lies: row i (from the top) spans
// 2 * (size - i) - 1 pixels from left + i.
struct ScrollArrowShape {
  int left = 0;
  int top = 0;
  int size = 0;
};
ScrollArrowShape ScrollArrowIn(const RECT& rect);

}  // namespace ui
