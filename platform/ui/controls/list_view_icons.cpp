// The list view's icon layout: grid cells, item rectangles, hit testing, scrolling and painting.
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/controls/list_view_internal.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/system_metrics.h"
#include "platform/ui/windows/window_api.h"

#include <algorithm>

namespace ui {
namespace {

constexpr int kImageTop = 2;  // from the cell's top to the image
constexpr int kLabelGap = 4;  // from the image to the label
constexpr int kLabelLines = 2;
constexpr int kLabelMargin = 2;  // each side of the label within the cell

DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)); }

SIZE ImageSize(const ListState& state) {
  SIZE size{GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
  int cx = 0;
  int cy = 0;
  if (ImageList_GetIconSize(state.images[LVSIL_NORMAL], &cx, &cy) != 0) size = SIZE{cx, cy};
  return size;
}

// A measuring DC with the control's font selected; the caller deletes it.
HDC MeasuringDc(HWND hwnd) {
  const HDC dc = CreateCompatibleDC(nullptr);
  if (auto* font = reinterpret_cast<HFONT>(SendMessage(hwnd, WM_GETFONT, 0, 0))) SelectObject(dc, font);
  return dc;
}

int LineHeight(HWND hwnd) {
  const HDC dc = MeasuringDc(hwnd);
  TEXTMETRICA metrics;
  GetTextMetricsA(dc, &metrics);
  DeleteDC(dc);
  return std::max<LONG>(1, metrics.tmHeight);
}

POINT ClientOf(const ListState& state, POINT view) { return POINT{view.x - state.origin.x, view.y - state.origin.y}; }

RECT IconPart(const ListState& state, SIZE spacing, POINT cell) {
  const SIZE image = ImageSize(state);
  const int left = cell.x + (spacing.cx - image.cx) / 2;
  return RECT{left, cell.y + kImageTop, left + image.cx, cell.y + kImageTop + image.cy};
}

// The label's text rectangle: as wide as the wrapped text (at most the cell less its margins),
// centred under the image, at most two lines high.
RECT LabelPart(HWND hwnd, const ListItem& item, SIZE spacing, const RECT& icon, POINT cell) {
  const int width = std::max(1, static_cast<int>(spacing.cx) - 2 * kLabelMargin);
  RECT text{0, 0, width, 0};
  const HDC dc = MeasuringDc(hwnd);
  DrawTextA(dc, item.texts[0].c_str(), -1, &text, DT_CALCRECT | DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
  DeleteDC(dc);
  const int line = LineHeight(hwnd);
  const int height = std::clamp(static_cast<int>(text.Height()), line, kLabelLines * line);
  const int shown = std::min(width, static_cast<int>(text.Width()));
  const int left = cell.x + (spacing.cx - shown) / 2;
  const int top = icon.bottom + kLabelGap;
  return RECT{left, top, left + shown, top + height};
}

RECT Union(const RECT& a, const RECT& b) {
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

POINT SlotPosition(HWND hwnd, const ListState& state, int slot, bool inColumns) {
  const SIZE spacing = IconSpacing(hwnd, state);
  RECT client;
  GetClientRect(hwnd, &client);
  if (inColumns) {
    const int perColumn = std::max(1, static_cast<int>(client.Height() / spacing.cy));
    return POINT{(slot / perColumn) * spacing.cx, (slot % perColumn) * spacing.cy};
  }
  const int perRow = std::max(1, static_cast<int>(client.Width() / spacing.cx));
  return POINT{(slot % perRow) * spacing.cx, (slot / perRow) * spacing.cy};
}

bool InColumns(HWND hwnd) { return (StyleOf(hwnd) & LVS_ALIGNMASK) == LVS_ALIGNLEFT; }

}  // namespace

bool IsIconView(HWND hwnd) { return (StyleOf(hwnd) & LVS_TYPEMASK) == LVS_ICON; }

SIZE IconSpacing(HWND hwnd, const ListState& state) {
  if (state.spacing.cx > 0 && state.spacing.cy > 0) return state.spacing;
  const SIZE image = ImageSize(state);
  const int cx = std::max<int>(GetSystemMetrics(SM_CXICONSPACING), image.cx + 2 * (kLabelMargin + 1));
  const int cy = std::max<int>(GetSystemMetrics(SM_CYICONSPACING),
                               kImageTop + image.cy + kLabelGap + kLabelLines * LineHeight(hwnd) + kLabelGap);
  return SIZE{cx, cy};
}

void PlaceNewIcon(HWND hwnd, ListState& state, ListItem& item) {
  item.position = SlotPosition(hwnd, state, state.nextSlot++, InColumns(hwnd));
}

void ArrangeIcons(HWND hwnd, ListState& state, UINT how) {
  if (how == LVA_SNAPTOGRID) {
    const SIZE spacing = IconSpacing(hwnd, state);
    const auto snap = [](LONG at, LONG step) { return ((at + step / 2) / step) * step; };
    for (ListItem& item : state.items)
      item.position = POINT{snap(item.position.x, spacing.cx), snap(item.position.y, spacing.cy)};
    return;
  }
  const bool inColumns = how == LVA_ALIGNLEFT || (how != LVA_ALIGNTOP && InColumns(hwnd));
  state.nextSlot = 0;
  for (ListItem& item : state.items) item.position = SlotPosition(hwnd, state, state.nextSlot++, inColumns);
}

RECT IconItemRect(HWND hwnd, const ListState& state, int index, int part) {
  const ListItem& item = state.items[static_cast<std::size_t>(index)];
  const SIZE spacing = IconSpacing(hwnd, state);
  const POINT cell = ClientOf(state, item.position);
  const RECT icon = IconPart(state, spacing, cell);
  if (part == LVIR_ICON) return icon;
  const RECT label = LabelPart(hwnd, item, spacing, icon, cell);
  return part == LVIR_LABEL ? label : Union(icon, label);
}

int IconHitTest(HWND hwnd, const ListState& state, POINT client, UINT* flags) {
  for (int index = static_cast<int>(state.items.size()) - 1; index >= 0; --index) {
    if (IconItemRect(hwnd, state, index, LVIR_ICON).Contains(client)) {
      *flags = LVHT_ONITEMICON;
      return index;
    }
    if (IconItemRect(hwnd, state, index, LVIR_LABEL).Contains(client)) {
      *flags = LVHT_ONITEMLABEL;
      return index;
    }
  }
  *flags = LVHT_NOWHERE;
  return -1;
}

void EnsureIconVisible(HWND hwnd, ListState& state, int index) {
  const RECT client = IconViewArea(hwnd, state);
  const SIZE spacing = IconSpacing(hwnd, state);
  const POINT at = state.items[static_cast<std::size_t>(index)].position;
  const auto bring = [](LONG& origin, LONG start, LONG size, LONG visible) {
    if (start < origin) origin = start;
    if (start + size > origin + visible) origin = std::min(start, start + size - visible);
  };
  bring(state.origin.x, at.x, spacing.cx, client.Width());
  bring(state.origin.y, at.y, spacing.cy, client.Height());
}

void PaintIcons(HWND hwnd, const ListState& state, HDC dc) {
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
  if (auto* font = reinterpret_cast<HFONT>(SendMessage(hwnd, WM_GETFONT, 0, 0))) SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  const bool focused = GetFocus() == hwnd;
  const bool showSelection = focused || (StyleOf(hwnd) & LVS_SHOWSELALWAYS) != 0;
  for (int index = 0; index < static_cast<int>(state.items.size()); ++index) {
    const ListItem& item = state.items[static_cast<std::size_t>(index)];
    const RECT icon = IconItemRect(hwnd, state, index, LVIR_ICON);
    ImageList_Draw(state.images[LVSIL_NORMAL], item.image, dc, icon.left, icon.top, ILD_TRANSPARENT);
    RECT label = IconItemRect(hwnd, state, index, LVIR_LABEL);
    const bool selected = showSelection && (item.state & LVIS_SELECTED) != 0;
    if (selected) FillRect(dc, &label, GetSysColorBrush(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    SetTextColor(dc, GetSysColor(selected && focused ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    DrawTextA(dc, item.texts[0].c_str(), -1, &label, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
    if (focused && (item.state & LVIS_FOCUSED) != 0) DrawFocusRect(dc, &label);
  }
  PaintIconScrollBars(hwnd, state, dc);
}

LRESULT IconLayoutMessage(HWND hwnd, ListState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  const int index = static_cast<int>(wParam);
  const bool valid = index >= 0 && index < static_cast<int>(state.items.size());
  switch (message) {
    case LVM_GETITEMRECT: {
      auto* rect = reinterpret_cast<RECT*>(lParam);
      if (!valid || rect == nullptr) return win::FALSE;
      *rect = IconItemRect(hwnd, state, index, rect->left);
      return win::TRUE;
    }
    case LVM_GETITEMPOSITION:
      if (!valid || lParam == 0) return win::FALSE;
      *reinterpret_cast<POINT*>(lParam) = state.items[static_cast<std::size_t>(index)].position;
      return win::TRUE;
    case LVM_SETITEMPOSITION:
    case LVM_SETITEMPOSITION32:
      if (!valid || lParam == 0) return win::FALSE;
      state.items[static_cast<std::size_t>(index)].position =
          message == LVM_SETITEMPOSITION32 ? *reinterpret_cast<const POINT*>(lParam) : PointFromLParam(lParam);
      break;
    case LVM_HITTEST: {
      auto* test = reinterpret_cast<LVHITTESTINFO*>(lParam);
      if (test == nullptr) return -1;
      test->iItem = IconHitTest(hwnd, state, test->pt, &test->flags);
      test->iSubItem = 0;
      return test->iItem;
    }
    case LVM_ENSUREVISIBLE:
      if (!valid) return win::FALSE;
      EnsureIconVisible(hwnd, state, index);
      break;
    case LVM_SCROLL:
      state.origin.x += static_cast<LONG>(static_cast<int>(wParam));
      state.origin.y += static_cast<LONG>(lParam);
      break;
    case LVM_GETORIGIN:
      if (lParam == 0) return win::FALSE;
      *reinterpret_cast<POINT*>(lParam) = state.origin;
      return win::TRUE;
    case LVM_ARRANGE: ArrangeIcons(hwnd, state, static_cast<UINT>(wParam)); break;
    default: return 0;
  }
  InvalidateRect(hwnd, nullptr, win::TRUE);
  return win::TRUE;
}

}  // namespace ui
