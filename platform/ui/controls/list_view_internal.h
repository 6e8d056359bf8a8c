// The list view's item table, shared by its message handling and its icon layout.
#pragma once

#include "platform/ui/controls/list_view.h"
#include "platform/ui/windows/native_control.h"

#include <QTreeWidget>

#include <string>
#include <vector>

namespace ui {

struct ListItem {
  std::vector<std::string> texts{std::string()};
  int image = -1;
  UINT state = 0;
  LPARAM param = 0;
  POINT position;  // icon view: the item's top-left in view coordinates
};

struct ListColumn {
  std::string heading;
  int width = 60;
};

struct ListState final : NativeControlState {
  QTreeWidget* tree = nullptr;
  std::vector<ListColumn> columns;
  std::vector<ListItem> items;
  DWORD exStyle = 0;
  HIMAGELIST images[3] = {};
  int mark = -1;
  int hot = -1;
  bool syncing = false;
  bool redraw = true;
  POINT origin;  // icon view: the view point at the client area's top-left
  int nextSlot = 0;  // icon view: the grid slot the next inserted item takes
  SIZE spacing;  // icon view: set by LVM_SETICONSPACING; 0 takes the default
};

// The icon view ("LVS_ICON") is laid out and painted here rather than by the Qt view: items
// stand in grid cells of IconSpacing, the image centred at the top of its cell and the label
// under it, and keep the positions they are given.
bool IsIconView(HWND hwnd);
SIZE IconSpacing(HWND hwnd, const ListState& state);
// Puts an item just inserted into the next grid slot, in columns with LVS_ALIGNLEFT, else in rows.
void PlaceNewIcon(HWND hwnd, ListState& state, ListItem& item);
// LVA_DEFAULT follows the style; LVA_SNAPTOGRID moves each item to its nearest cell.
void ArrangeIcons(HWND hwnd, ListState& state, UINT how);
// The LVIR_ part of an item in client coordinates.
RECT IconItemRect(HWND hwnd, const ListState& state, int index, int part);
// The item under a client point and where on it (LVHT_ flags), or -1 with LVHT_NOWHERE.
int IconHitTest(HWND hwnd, const ListState& state, POINT client, UINT* flags);
// Scrolls the view so that the item's cell lies inside the client area.
void EnsureIconVisible(HWND hwnd, ListState& state, int index);
void PaintIcons(HWND hwnd, const ListState& state, HDC dc);
// A scroll bar of the icon view, in client coordinates: the whole bar, its arrow buttons
// (towards the start and towards the end) and its thumb.
struct IconScrollBar {
  bool horizontal;
  RECT bar;
  RECT less;
  RECT more;
  RECT thumb;
};
// The bars the view shows now: none while every item fits.
std::vector<IconScrollBar> IconScrollBars(HWND hwnd, const ListState& state);
// The client area less the bars: where the items show.
RECT IconViewArea(HWND hwnd, const ListState& state);
void PaintIconScrollBars(HWND hwnd, const ListState& state, HDC dc);
// A click at the client point scrolls when it is on a bar; false when it is not.
bool ClickIconScrollBar(HWND hwnd, ListState& state, POINT client);
// LVM_GETITEMRECT, LVM_GETITEMPOSITION, LVM_SETITEMPOSITION(32), LVM_HITTEST, LVM_ENSUREVISIBLE,
// LVM_SCROLL, LVM_GETORIGIN and LVM_ARRANGE in the icon view.
LRESULT IconLayoutMessage(HWND hwnd, ListState& state, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace ui
