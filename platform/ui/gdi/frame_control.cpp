// The classic scroll-bar arrow buttons of DrawFrameControl.
#include "platform/ui/gdi/frame_control.h"

#include <algorithm>

namespace ui {
namespace {

void FillColour(HDC dc, const RECT& rect, COLORREF colour) {
  const HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

void DrawArrow(HDC dc, const ScrollArrowShape& shape, int offset, COLORREF colour) {
  for (int i = 0; i < shape.size; ++i) {
    const int left = shape.left + i + offset;
    const int top = shape.top + i + offset;
    FillColour(dc, RECT{left, top, left + 2 * (shape.size - i) - 1, top + 1}, colour);
  }
}

}  // namespace

ScrollArrowShape ScrollArrowIn(const RECT& rect) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  const int size = std::max(1, (std::min(width, height) - 4) / 3);
  const int span = 2 * size - 1;
  return ScrollArrowShape{rect.left + (width - span) / 2, rect.top + (height - size) / 2, size};
}

BOOL DrawFrameControl(HDC dc, RECT* rect, UINT type, UINT state) {
  if (rect == nullptr || type != DFC_SCROLL || (state & 0xFF) != DFCS_SCROLLDOWN) return win::FALSE;
  RECT face = *rect;
  FillColour(dc, face, GetSysColor(COLOR_BTNFACE));
  const bool pushed = (state & DFCS_PUSHED) != 0;
  if (pushed) {
    FrameRect(dc, &face, GetSysColorBrush(COLOR_BTNSHADOW));
  } else {
    DrawEdge(dc, &face, EDGE_RAISED, BF_RECT);
  }
  const ScrollArrowShape shape = ScrollArrowIn(*rect);
  const int offset = pushed ? 1 : 0;
  if ((state & DFCS_INACTIVE) != 0) {
    DrawArrow(dc, shape, offset + 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawArrow(dc, shape, offset, GetSysColor(COLOR_BTNSHADOW));
  } else {
    DrawArrow(dc, shape, offset, GetSysColor(COLOR_BTNTEXT));
  }
  return win::TRUE;
}

}  // namespace ui
