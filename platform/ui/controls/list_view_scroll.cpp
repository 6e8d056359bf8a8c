// The icon view's scroll bars, as Windows gives a list view whose items reach past its client
// area: a bar along the bottom when they reach past the right edge, one along the right side when
// they reach past the bottom. An arrow moves the view by a cell, the track beside the thumb by a
// page; the view never scrolls past its items.
#include "platform/ui/controls/list_view_internal.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/system_metrics.h"
#include "platform/ui/windows/window_api.h"

#include <algorithm>

namespace ui {
namespace {

// How far the items reach in view coordinates, their cells included.
SIZE ItemsExtent(HWND hwnd, const ListState& state) {
  const SIZE spacing = IconSpacing(hwnd, state);
  SIZE extent{0, 0};
  for (const ListItem& item : state.items) {
    extent.cx = std::max<LONG>(extent.cx, item.position.x + spacing.cx);
    extent.cy = std::max<LONG>(extent.cy, item.position.y + spacing.cy);
  }
  return extent;
}

// One axis of the view: where the view starts, how far the items reach and how much shows.
struct Axis {
  LONG* origin;
  LONG extent;
  LONG page;
  LONG step;
};

Axis AxisOf(HWND hwnd, ListState& state, const IconScrollBar& bar) {
  const SIZE extent = ItemsExtent(hwnd, state);
  const SIZE spacing = IconSpacing(hwnd, state);
  const RECT view = IconViewArea(hwnd, state);
  if (bar.horizontal) return Axis{&state.origin.x, extent.cx, view.Width(), spacing.cx};
  return Axis{&state.origin.y, extent.cy, view.Height(), spacing.cy};
}

void ScrollTo(HWND hwnd, const Axis& axis, LONG origin) {
  *axis.origin = std::clamp<LONG>(origin, 0, std::max<LONG>(0, axis.extent - axis.page));
  InvalidateRect(hwnd, nullptr, win::TRUE);
}

void PaintArrowButton(HDC dc, RECT button, bool horizontal, bool forward) {
  FillRect(dc, &button, GetSysColorBrush(COLOR_BTNFACE));
  RECT edge = button;
  DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
  const HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNTEXT));
  const HGDIOBJ old = SelectObject(dc, pen);
  const int cx = (button.left + button.right) / 2;
  const int cy = (button.top + button.bottom) / 2;
  // A triangle of four lines, its point towards the way the button scrolls.
  for (int i = 0; i < 4; ++i) {
    const int tip = forward ? 2 - i : i - 1;
    if (horizontal) {
      MoveToEx(dc, cx + tip, cy - i, nullptr);
      LineTo(dc, cx + tip, cy + i + 1);
    } else {
      MoveToEx(dc, cx - i, cy + tip, nullptr);
      LineTo(dc, cx + i + 1, cy + tip);
    }
  }
  SelectObject(dc, old);
  DeleteObject(pen);
}

}  // namespace

std::vector<IconScrollBar> IconScrollBars(HWND hwnd, const ListState& state) {
  RECT client;
  GetClientRect(hwnd, &client);
  const SIZE extent = ItemsExtent(hwnd, state);
  const int thickness = GetSystemMetrics(SM_CYHSCROLL);
  const bool across = extent.cx > client.Width();
  const bool down = extent.cy > client.Height() - (across ? thickness : 0);
  const bool acrossToo = across || extent.cx > client.Width() - (down ? thickness : 0);
  std::vector<IconScrollBar> bars;
  const auto make = [&](bool horizontal, RECT bar) {
    IconScrollBar made{horizontal, bar, {}, {}, {}};
    const int length = horizontal ? bar.Width() : bar.Height();
    const int arrow = std::min(thickness, length / 2);
    if (horizontal) {
      made.less = RECT{bar.left, bar.top, bar.left + arrow, bar.bottom};
      made.more = RECT{bar.right - arrow, bar.top, bar.right, bar.bottom};
    } else {
      made.less = RECT{bar.left, bar.top, bar.right, bar.top + arrow};
      made.more = RECT{bar.left, bar.bottom - arrow, bar.right, bar.bottom};
    }
    const LONG total = horizontal ? extent.cx : extent.cy;
    const LONG shown = horizontal ? bar.Width() : client.Height() - (acrossToo ? thickness : 0);
    const LONG origin = horizontal ? state.origin.x : state.origin.y;
    const int track = std::max(0, length - 2 * arrow);
    const int thumb = std::max(std::min(track, 8), static_cast<int>(track * shown / std::max<LONG>(1, total)));
    const LONG range = std::max<LONG>(1, total - shown);
    const int start = arrow + static_cast<int>((track - thumb) * std::min(origin, range) / range);
    made.thumb = horizontal ? RECT{bar.left + start, bar.top, bar.left + start + thumb, bar.bottom}
                            : RECT{bar.left, bar.top + start, bar.right, bar.top + start + thumb};
    bars.push_back(made);
  };
  const int right = client.right - (down ? thickness : 0);
  if (acrossToo) make(true, RECT{client.left, client.bottom - thickness, right, client.bottom});
  if (down)
    make(false, RECT{client.right - thickness, client.top, client.right, client.bottom - (acrossToo ? thickness : 0)});
  return bars;
}

RECT IconViewArea(HWND hwnd, const ListState& state) {
  RECT area;
  GetClientRect(hwnd, &area);
  for (const IconScrollBar& bar : IconScrollBars(hwnd, state)) {
    if (bar.horizontal) {
      area.bottom = bar.bar.top;
    } else {
      area.right = bar.bar.left;
    }
  }
  return area;
}

void PaintIconScrollBars(HWND hwnd, const ListState& state, HDC dc) {
  for (const IconScrollBar& bar : IconScrollBars(hwnd, state)) {
    FillRect(dc, &bar.bar, GetSysColorBrush(COLOR_SCROLLBAR));
    PaintArrowButton(dc, bar.less, bar.horizontal, false);
    PaintArrowButton(dc, bar.more, bar.horizontal, true);
    RECT thumb = bar.thumb;
    FillRect(dc, &thumb, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT);
  }
}

bool ClickIconScrollBar(HWND hwnd, ListState& state, POINT client) {
  for (const IconScrollBar& bar : IconScrollBars(hwnd, state)) {
    if (!bar.bar.Contains(client)) continue;
    const Axis axis = AxisOf(hwnd, state, bar);
    const LONG at = bar.horizontal ? client.x : client.y;
    const LONG thumbStart = bar.horizontal ? bar.thumb.left : bar.thumb.top;
    if (bar.less.Contains(client)) {
      ScrollTo(hwnd, axis, *axis.origin - axis.step);
    } else if (bar.more.Contains(client)) {
      ScrollTo(hwnd, axis, *axis.origin + axis.step);
    } else if (!bar.thumb.Contains(client)) {
      ScrollTo(hwnd, axis, *axis.origin + (at < thumbStart ? -axis.page : axis.page));
    }
    return true;
  }
  return false;
}

}  // namespace ui
