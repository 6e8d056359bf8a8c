// The "SysTabControl32" class: a row of tabs over a display area, painted through GDI. A click
// on a tab asks the parent with TCN_SELCHANGING (non-zero keeps the current tab) and then
// reports TCN_SELCHANGE. Not implemented: images on tabs, several rows, TCS_BUTTONS, tooltips.
#include "platform/ui/tab_control.h"

#include "platform/ui/control_paint.h"
#include "platform/ui/control_procs.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/window_api.h"
#include "platform/ui/window_class.h"
#include "platform/ui/window_table.h"

#include <string>
#include <utility>
#include <vector>

namespace ui {
namespace {

constexpr int kRowHeight = 20;
constexpr int kTabPadding = 12;

struct TabState final : ControlState {
  std::vector<std::string> items;
  int selected = -1;
};

std::vector<RECT> TabRects(HWND hwnd, const TabState& state) {
  const HDC dc = CreateCompatibleDC(nullptr);
  SelectControlFont(hwnd, dc);
  std::vector<RECT> rects;
  int x = 2;
  for (const auto& item : state.items) {
    SIZE extent{};
    RECT measure{0, 0, 0, 0};
    DrawTextA(dc, item.c_str(), -1, &measure, DT_CALCRECT | DT_SINGLELINE);
    extent.cx = measure.Width();
    rects.push_back(RECT{x, 2, x + extent.cx + kTabPadding, kRowHeight});
    x += extent.cx + kTabPadding;
  }
  DeleteDC(dc);
  return rects;
}

LRESULT Notify(HWND hwnd, UINT code) {
  NMHDR header;
  header.hwndFrom = hwnd;
  header.idFrom = static_cast<std::uintptr_t>(GetDlgCtrlID(hwnd));
  header.code = code;
  return SendMessage(GetParent(hwnd), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

void Paint(HWND hwnd, const TabState& state) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(hwnd, &paint);
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  RECT display{client.left, kRowHeight, client.right, client.bottom};
  DrawEdge(dc, &display, EDGE_RAISED, BF_RECT);
  SelectControlFont(hwnd, dc);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  const auto rects = TabRects(hwnd, state);
  for (std::size_t i = 0; i < rects.size(); ++i) {
    RECT tab = rects[i];
    const bool selected = static_cast<int>(i) == state.selected;
    if (selected) tab = RECT{tab.left - 2, tab.top - 2, tab.right + 2, tab.bottom + 1};
    FillRect(dc, &tab, GetSysColorBrush(COLOR_BTNFACE));
    RECT edge = tab;
    DrawEdge(dc, &edge, EDGE_RAISED, BF_LEFT | BF_TOP | BF_RIGHT);
    DrawTextA(dc, state.items[i].c_str(), -1, &tab, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  EndPaint(hwnd, &paint);
}

void Click(HWND hwnd, TabState& state, POINT point) {
  const auto rects = TabRects(hwnd, state);
  for (std::size_t i = 0; i < rects.size(); ++i) {
    if (!rects[i].Contains(point) || static_cast<int>(i) == state.selected) continue;
    if (Notify(hwnd, TCN_SELCHANGING) != 0) return;
    state.selected = static_cast<int>(i);
    InvalidateRect(hwnd, nullptr, win::TRUE);
    Notify(hwnd, TCN_SELCHANGE);
    return;
  }
}

}  // namespace

LRESULT TabControlWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr) return 0;
  auto& state = ControlStateOf<TabState>(*record);
  switch (message) {
    case TCM_GETITEMCOUNT: return static_cast<LRESULT>(state.items.size());
    case TCM_INSERTITEMA: {
      const auto* item = reinterpret_cast<const TCITEMA*>(lParam);
      const auto at = std::min<std::size_t>(wParam, state.items.size());
      state.items.insert(state.items.begin() + static_cast<std::ptrdiff_t>(at), item->pszText != nullptr ? item->pszText : "");
      if (state.selected < 0) state.selected = 0;
      InvalidateRect(hwnd, nullptr, win::TRUE);
      return static_cast<LRESULT>(at);
    }
    case TCM_DELETEALLITEMS:
      state.items.clear();
      state.selected = -1;
      InvalidateRect(hwnd, nullptr, win::TRUE);
      return win::TRUE;
    case TCM_GETCURSEL: return state.selected;
    case TCM_SETCURSEL: {
      if (wParam >= state.items.size()) return -1;
      const int old = std::exchange(state.selected, static_cast<int>(wParam));
      InvalidateRect(hwnd, nullptr, win::TRUE);
      return old;
    }
    case TCM_ADJUSTRECT: {
      auto* rect = reinterpret_cast<RECT*>(lParam);
      const int sign = wParam != 0 ? -1 : 1;
      rect->left += sign * 4;
      rect->top += sign * (kRowHeight + 4);
      rect->right -= sign * 4;
      rect->bottom -= sign * 4;
      return 0;
    }
    case WM_LBUTTONDOWN: Click(hwnd, state, PointFromLParam(lParam)); return 0;
    case WM_PAINT: Paint(hwnd, state); return 0;
    case WM_ERASEBKGND: return 1;
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace ui
