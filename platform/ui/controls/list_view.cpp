// The "SysListView32" class as a native Qt tree view: columns, items with sub-item texts,
// images from image lists, states (selected, focused, check boxes as state images), the
// selection mark, LVN_ITEMCHANGED for every state change, NM_CLICK and NM_DBLCLK. The item
// table here is the truth; the Qt view shows it and reports the user's choices back.
// Custom draw sets the colours of items and sub-items.
// The icon view is laid out and painted by list_view_icons.cpp.
// Not implemented: custom drawing beyond colours and in the icon view, the small-icon layout
// (shown as a list), scroll bars in the icon view (LVM_ENSUREVISIBLE and LVM_SCROLL move it),
// sorting, in-place label editing, LVN_ITEMCHANGING vetoes.
#include "platform/ui/controls/list_view.h"

#include "platform/ui/controls/control_procs.h"
#include "platform/ui/gdi/gdi_internal.h"
#include "platform/ui/controls/image_list_internal.h"
#include "platform/ui/controls/list_view_internal.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"

#include <QHeaderView>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace ui {
namespace {

using Item = ListItem;
using Column = ListColumn;

ListState* StateOf(HWND hwnd) {
  WindowRecord* record = FindWindowRecord(hwnd);
  return record != nullptr ? dynamic_cast<ListState*>(record->control.get()) : nullptr;
}

bool Valid(const ListState& state, int index) { return index >= 0 && index < static_cast<int>(state.items.size()); }

LRESULT Notify(HWND hwnd, NMHDR& header, UINT code) {
  header.hwndFrom = hwnd;
  header.idFrom = static_cast<std::uintptr_t>(GetDlgCtrlID(hwnd));
  header.code = code;
  return SendMessage(GetParent(hwnd), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

void Show(HWND hwnd, ListState& state) {
  QTreeWidget& tree = *state.tree;
  state.syncing = true;
  const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
  const bool report = (style & LVS_TYPEMASK) == LVS_REPORT;
  tree.setHeaderHidden(!report || (style & LVS_NOCOLUMNHEADER) != 0);
  tree.setSelectionMode((style & LVS_SINGLESEL) != 0 ? QAbstractItemView::SingleSelection
                                                     : QAbstractItemView::ExtendedSelection);
  tree.setColumnCount(std::max<int>(1, static_cast<int>(state.columns.size())));
  QStringList headings;
  for (std::size_t c = 0; c < state.columns.size(); ++c) {
    headings << QString::fromLatin1(state.columns[c].heading.c_str());
    tree.setColumnWidth(static_cast<int>(c), state.columns[c].width);
  }
  tree.setHeaderLabels(headings);
  tree.clear();
  const HIMAGELIST images = report ? state.images[LVSIL_SMALL] : state.images[LVSIL_NORMAL];
  for (const Item& item : state.items) {
    auto* row = new QTreeWidgetItem(&tree);
    for (std::size_t c = 0; c < item.texts.size(); ++c)
      row->setText(static_cast<int>(c), QString::fromLatin1(item.texts[c].c_str()));
    const QImage image = ImageListImage(images, item.image);
    if (!image.isNull()) row->setIcon(0, QIcon(QPixmap::fromImage(image)));
    if ((state.exStyle & LVS_EX_CHECKBOXES) != 0) {
      row->setCheckState(0,
                         (item.state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2) ? Qt::Checked : Qt::Unchecked);
    }
    row->setSelected((item.state & LVIS_SELECTED) != 0);
    if ((item.state & LVIS_FOCUSED) != 0) tree.setCurrentItem(row, 0, QItemSelectionModel::NoUpdate);
  }
  state.syncing = false;
  state.selfPainted = IsIconView(hwnd);
  state.Place(hwnd);
  InvalidateRect(hwnd, nullptr, win::FALSE);
}

LRESULT AskColours(HWND hwnd, NMLVCUSTOMDRAW& draw, DWORD stage, int item, int subItem, const ListState& state) {
  draw.nmcd.dwDrawStage = stage;
  draw.nmcd.dwItemSpec = static_cast<std::uintptr_t>(std::max(item, 0));
  draw.iSubItem = subItem;
  draw.clrText = GetSysColor(COLOR_WINDOWTEXT);
  draw.clrTextBk = GetSysColor(COLOR_WINDOW);
  if (item >= 0) {
    draw.nmcd.uItemState = state.items[static_cast<std::size_t>(item)].state;
    draw.nmcd.lItemlParam = state.items[static_cast<std::size_t>(item)].param;
  }
  return Notify(hwnd, draw.nmcd.hdr, NM_CUSTOMDRAW);
}

void Colour(QTreeWidgetItem& row, int column, const NMLVCUSTOMDRAW& draw) {
  row.setForeground(column, QColor(ToQRgb(draw.clrText)));
  row.setBackground(column, QColor(ToQRgb(draw.clrTextBk)));
}

// The custom-draw conversation of one paint, its colours given to the Qt items.
void CustomDraw(HWND hwnd, ListState& state, HDC dc) {
  NMLVCUSTOMDRAW draw;
  draw.nmcd.hdc = dc;
  GetClientRect(hwnd, &draw.nmcd.rc);
  if ((AskColours(hwnd, draw, CDDS_PREPAINT, -1, 0, state) & CDRF_NOTIFYITEMDRAW) == 0) return;
  const int columns = std::max<int>(1, static_cast<int>(state.columns.size()));
  state.syncing = true;
  for (int item = 0; item < static_cast<int>(state.items.size()); ++item) {
    QTreeWidgetItem* row = state.tree->topLevelItem(item);
    const LRESULT answer = AskColours(hwnd, draw, CDDS_ITEMPREPAINT, item, 0, state);
    for (int column = 0; column < columns; ++column) Colour(*row, column, draw);
    if ((answer & CDRF_NOTIFYSUBITEMDRAW) == 0) continue;
    for (int column = 0; column < columns; ++column) {
      AskColours(hwnd, draw, CDDS_ITEMPREPAINT | CDDS_SUBITEM, item, column, state);
      Colour(*row, column, draw);
    }
  }
  state.syncing = false;
}

// Changes one item's state bits and reports the change to the parent.
void ChangeState(HWND hwnd, ListState& state, int index, UINT bits, UINT mask) {
  Item& item = state.items[static_cast<std::size_t>(index)];
  const UINT old = item.state;
  const UINT next = (old & ~mask) | (bits & mask);
  if (next == old) return;
  item.state = next;
  NMLISTVIEW change;
  change.iItem = index;
  change.uNewState = next;
  change.uOldState = old;
  change.uChanged = LVIF_STATE;
  change.lParam = item.param;
  Notify(hwnd, change.hdr, LVN_ITEMCHANGED);
}

// Sets state on one item (or all, -1), keeping the selection single and the focus unique.
void SetState(HWND hwnd, ListState& state, int index, UINT bits, UINT mask) {
  const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
  const bool single = (style & LVS_SINGLESEL) != 0;
  for (int other = 0; index >= 0 && other < static_cast<int>(state.items.size()); ++other) {
    if (other == index) continue;
    if ((mask & bits & LVIS_FOCUSED) != 0) ChangeState(hwnd, state, other, 0, LVIS_FOCUSED);
    if (single && (mask & bits & LVIS_SELECTED) != 0) ChangeState(hwnd, state, other, 0, LVIS_SELECTED);
  }
  for (int each = 0; each < static_cast<int>(state.items.size()); ++each) {
    if (index == -1 || each == index) ChangeState(hwnd, state, each, bits, mask);
  }
  if (state.tree != nullptr) Show(hwnd, state);
}

int RowHeight(const ListState& state) {
  return std::max(1, state.tree->sizeHintForRow(0) > 0 ? state.tree->sizeHintForRow(0) : 18);
}

int RowTop(const ListState& state, int row) {
  const int header = state.tree->isHeaderHidden() ? 0 : state.tree->header()->sizeHint().height();
  return state.tree->frameWidth() + header + row * RowHeight(state);
}

int RowAt(const ListState& state, POINT point) {
  const int first = RowTop(state, 0);
  if (point.y < first) return -1;
  const int row = (point.y - first) / RowHeight(state);
  return row < static_cast<int>(state.items.size()) ? row : -1;
}

int ItemAt(HWND hwnd, const ListState& state, POINT point) {
  UINT where = 0;
  return IsIconView(hwnd) ? IconHitTest(hwnd, state, point, &where) : RowAt(state, point);
}

void Click(HWND hwnd, ListState& state, POINT point, UINT code) {
  SetFocus(hwnd);
  const int row = ItemAt(hwnd, state, point);
  if (row >= 0 && code == NM_CLICK) {
    for (int other = 0; other < static_cast<int>(state.items.size()); ++other) {
      if (other != row) ChangeState(hwnd, state, other, 0, LVIS_SELECTED);
    }
    SetState(hwnd, state, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    state.mark = row;
  }
  NMITEMACTIVATE activate;
  activate.iItem = row;
  activate.ptAction = point;
  if (row >= 0) activate.lParam = state.items[static_cast<std::size_t>(row)].param;
  Notify(hwnd, activate.hdr, code);
}

// A width asked for as it stands, or the one that LVSCW_AUTOSIZE(_USEHEADER) works out from
// the texts in the list's font.
int FittingWidth(const ListState& state, int column, int asked) {
  if (asked != LVSCW_AUTOSIZE && asked != LVSCW_AUTOSIZE_USEHEADER) return asked;
  // Public on the item view, protected on the tree view that overrides it.
  const QAbstractItemView& view = *state.tree;
  int width = view.sizeHintForColumn(column);
  if (asked == LVSCW_AUTOSIZE_USEHEADER) width = std::max(width, state.tree->header()->sectionSizeHint(column));
  return width;
}

// A click or an arrow key that Qt handled moves the selection and the focus together, as the
// list view does: rows that lose a state hear of it before the row that gains it.
void TakeTreeSelection(HWND hwnd) {
  ListState* list = StateOf(hwnd);
  if (list == nullptr || list->syncing) return;
  const QTreeWidgetItem* current = list->tree->currentItem();
  std::vector<UINT> wanted(list->items.size());
  for (int row = 0; row < static_cast<int>(wanted.size()); ++row) {
    const QTreeWidgetItem* item = list->tree->topLevelItem(row);
    wanted[static_cast<std::size_t>(row)] =
        (item->isSelected() ? LVIS_SELECTED : 0) | (item == current ? LVIS_FOCUSED : 0);
  }
  constexpr UINT kBoth = LVIS_SELECTED | LVIS_FOCUSED;
  for (int row = 0; row < static_cast<int>(wanted.size()); ++row) {
    const UINT now = list->items[static_cast<std::size_t>(row)].state & kBoth;
    ChangeState(hwnd, *list, row, now & wanted[static_cast<std::size_t>(row)], kBoth);
  }
  for (int row = 0; row < static_cast<int>(wanted.size()) && row < static_cast<int>(list->items.size()); ++row) {
    ChangeState(hwnd, *list, row, wanted[static_cast<std::size_t>(row)], kBoth);
    if ((wanted[static_cast<std::size_t>(row)] & kBoth) == kBoth) list->mark = row;
  }
}

void Connect(HWND hwnd, ListState& state) {
  QTreeWidget* tree = state.tree;
  QObject::connect(tree, &QTreeWidget::itemSelectionChanged, [hwnd] { TakeTreeSelection(hwnd); });
  QObject::connect(tree, &QTreeWidget::currentItemChanged, [hwnd] { TakeTreeSelection(hwnd); });
  QObject::connect(tree, &QTreeWidget::itemChanged, [hwnd](QTreeWidgetItem* changed, int) {
    ListState* list = StateOf(hwnd);
    if (list == nullptr || list->syncing) return;
    const int row = list->tree->indexOfTopLevelItem(changed);
    const UINT image = changed->checkState(0) == Qt::Checked ? 2 : 1;
    if (Valid(*list, row)) ChangeState(hwnd, *list, row, INDEXTOSTATEIMAGEMASK(image), LVIS_STATEIMAGEMASK);
  });
  QObject::connect(tree, &QTreeWidget::itemDoubleClicked, [hwnd](QTreeWidgetItem* clicked, int) {
    ListState* list = StateOf(hwnd);
    if (list == nullptr) return;
    NMITEMACTIVATE activate;
    activate.iItem = list->tree->indexOfTopLevelItem(clicked);
    Notify(hwnd, activate.hdr, NM_DBLCLK);
  });
}

void Create(HWND hwnd, WindowRecord& record) {
  auto& state = ControlStateOf<ListState>(record);
  state.tree = &state.Make<QTreeWidget>(hwnd);
  state.tree->setRootIsDecorated(false);
  state.tree->setSelectionBehavior(QAbstractItemView::SelectRows);
  Connect(hwnd, state);
  Show(hwnd, state);
}

int CopyText(const std::string& text, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  const auto count = std::min<std::size_t>(text.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, text.data(), count);
  buffer[count] = '\0';
  return static_cast<int>(count);
}

std::string& TextOf(Item& item, int subItem) {
  if (item.texts.size() <= static_cast<std::size_t>(subItem)) item.texts.resize(static_cast<std::size_t>(subItem) + 1);
  return item.texts[static_cast<std::size_t>(subItem)];
}

void ApplyItem(Item& item, const LVITEMA& from) {
  if ((from.mask & LVIF_TEXT) != 0 && from.pszText != nullptr) TextOf(item, from.iSubItem) = from.pszText;
  if ((from.mask & LVIF_IMAGE) != 0) item.image = from.iImage;
  if ((from.mask & LVIF_PARAM) != 0) item.param = from.lParam;
}

LRESULT Insert(HWND hwnd, ListState& state, const LVITEMA& from) {
  const int index = std::clamp(from.iItem, 0, static_cast<int>(state.items.size()));
  Item item;
  ApplyItem(item, from);
  if ((state.exStyle & LVS_EX_CHECKBOXES) != 0) item.state = INDEXTOSTATEIMAGEMASK(1);
  if ((from.mask & LVIF_STATE) != 0) item.state = (item.state & ~from.stateMask) | (from.state & from.stateMask);
  if (IsIconView(hwnd)) PlaceNewIcon(hwnd, state, item);
  state.items.insert(state.items.begin() + index, item);
  if (state.mark >= index) ++state.mark;
  Show(hwnd, state);
  NMLISTVIEW inserted;
  inserted.iItem = index;
  Notify(hwnd, inserted.hdr, LVN_INSERTITEM);
  return index;
}

LRESULT NextItem(const ListState& state, int start, int flags) {
  UINT wanted = 0;
  if ((flags & LVNI_SELECTED) != 0) wanted |= LVIS_SELECTED;
  if ((flags & LVNI_FOCUSED) != 0) wanted |= LVIS_FOCUSED;
  for (int index = start + 1; index < static_cast<int>(state.items.size()); ++index) {
    if ((state.items[static_cast<std::size_t>(index)].state & wanted) == wanted) return index;
  }
  return -1;
}

LRESULT ItemMessage(HWND hwnd, ListState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* item = reinterpret_cast<LVITEMA*>(lParam);
  const int index = static_cast<int>(wParam);
  switch (message) {
    case LVM_INSERTITEMA: return Insert(hwnd, state, *item);
    case LVM_GETITEMA: {
      if (!Valid(state, item->iItem)) return win::FALSE;
      Item& source = state.items[static_cast<std::size_t>(item->iItem)];
      if ((item->mask & LVIF_TEXT) != 0) CopyText(TextOf(source, item->iSubItem), item->pszText, item->cchTextMax);
      if ((item->mask & LVIF_IMAGE) != 0) item->iImage = source.image;
      if ((item->mask & LVIF_PARAM) != 0) item->lParam = source.param;
      if ((item->mask & LVIF_STATE) != 0) item->state = source.state & item->stateMask;
      return win::TRUE;
    }
    case LVM_SETITEMA:
      if (!Valid(state, item->iItem)) return win::FALSE;
      ApplyItem(state.items[static_cast<std::size_t>(item->iItem)], *item);
      if ((item->mask & LVIF_STATE) != 0) SetState(hwnd, state, item->iItem, item->state, item->stateMask);
      Show(hwnd, state);
      return win::TRUE;
    case LVM_GETITEMTEXTA:
      if (!Valid(state, index)) return 0;
      return CopyText(TextOf(state.items[static_cast<std::size_t>(index)], item->iSubItem), item->pszText,
                      item->cchTextMax);
    case LVM_SETITEMTEXTA:
      if (!Valid(state, index)) return win::FALSE;
      TextOf(state.items[static_cast<std::size_t>(index)], item->iSubItem) =
          item->pszText != nullptr ? item->pszText : "";
      Show(hwnd, state);
      return win::TRUE;
    case LVM_SETITEMSTATE:
      if (index != -1 && !Valid(state, index)) return win::FALSE;
      SetState(hwnd, state, index, item->state, item->stateMask);
      return win::TRUE;
    default: return 0;
  }
}

// Rows of the report and list views: each item is a row across the client area.
LRESULT RowLayoutMessage(HWND hwnd, const ListState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  const int index = static_cast<int>(wParam);
  RECT client;
  GetClientRect(hwnd, &client);
  switch (message) {
    case LVM_GETITEMRECT:
      if (!Valid(state, index) || lParam == 0) return win::FALSE;
      *reinterpret_cast<RECT*>(lParam) =
          RECT{0, RowTop(state, index), client.right, RowTop(state, index) + RowHeight(state)};
      return win::TRUE;
    case LVM_GETITEMPOSITION:
      if (!Valid(state, index) || lParam == 0) return win::FALSE;
      *reinterpret_cast<POINT*>(lParam) = POINT{0, RowTop(state, index)};
      return win::TRUE;
    case LVM_HITTEST: {
      auto* test = reinterpret_cast<LVHITTESTINFO*>(lParam);
      if (test == nullptr) return -1;
      test->iItem = client.Contains(test->pt) ? RowAt(state, test->pt) : -1;
      test->flags = test->iItem >= 0 ? LVHT_ONITEMLABEL : LVHT_NOWHERE;
      return test->iItem;
    }
    case LVM_ENSUREVISIBLE: return Valid(state, index) ? win::TRUE : win::FALSE;
    default: return win::FALSE;  // positions, scrolling and arranging belong to the icon view
  }
}

LRESULT Paint(HWND hwnd, ListState& state) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(hwnd, &paint);
  if (!state.redraw) {
  } else if (IsIconView(hwnd)) {
    PaintIcons(hwnd, state, dc);
  } else {
    CustomDraw(hwnd, state, dc);
  }
  EndPaint(hwnd, &paint);
  return 0;
}

}  // namespace

bool ListViewRowPoint(HWND list, int row, POINT* client) {
  const ListState* state = StateOf(list);
  if (state == nullptr || !Valid(*state, row)) return false;
  RECT rect;
  GetClientRect(list, &rect);
  if (IsIconView(list)) {
    const RECT icon = IconItemRect(list, *state, row, LVIR_ICON);
    *client = POINT{(icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2};
    return rect.Contains(*client);
  }
  client->x = std::min<LONG>(20, rect.Width() / 2);
  client->y = RowTop(*state, row) + RowHeight(*state) / 2;
  return client->y < rect.bottom;
}

LRESULT ListViewWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr) return 0;
  if (message == WM_CREATE) {
    Create(hwnd, *record);
    return 0;
  }
  ListState* state = StateOf(hwnd);
  if (state == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  switch (message) {
    case LVM_INSERTITEMA:
    case LVM_GETITEMA:
    case LVM_SETITEMA:
    case LVM_GETITEMTEXTA:
    case LVM_SETITEMTEXTA:
    case LVM_SETITEMSTATE: return ItemMessage(hwnd, *state, message, wParam, lParam);
    case LVM_GETITEMCOUNT: return static_cast<LRESULT>(state->items.size());
    case LVM_GETITEMSTATE:
      return Valid(*state, static_cast<int>(wParam)) ? state->items[wParam].state & static_cast<UINT>(lParam) : 0;
    case LVM_DELETEITEM:
      if (!Valid(*state, static_cast<int>(wParam))) return win::FALSE;
      state->items.erase(state->items.begin() + static_cast<std::ptrdiff_t>(wParam));
      Show(hwnd, *state);
      return win::TRUE;
    case LVM_DELETEALLITEMS:
      state->items.clear();
      state->mark = -1;
      state->hot = -1;
      state->nextSlot = 0;
      state->origin = POINT{};
      Show(hwnd, *state);
      return win::TRUE;
    case LVM_GETNEXTITEM:
      return NextItem(*state, static_cast<int>(wParam), static_cast<int>(LOWORD(static_cast<std::uintptr_t>(lParam))));
    case LVM_GETSELECTEDCOUNT:
      return std::count_if(state->items.begin(), state->items.end(),
                           [](const Item& i) { return (i.state & LVIS_SELECTED) != 0; });
    case LVM_INSERTCOLUMNA: {
      const auto* column = reinterpret_cast<const LVCOLUMNA*>(lParam);
      const int at = std::clamp(static_cast<int>(wParam), 0, static_cast<int>(state->columns.size()));
      Column made;
      if ((column->mask & LVCF_TEXT) != 0 && column->pszText != nullptr) made.heading = column->pszText;
      if ((column->mask & LVCF_WIDTH) != 0) made.width = column->cx;
      state->columns.insert(state->columns.begin() + at, made);
      Show(hwnd, *state);
      return at;
    }
    case LVM_SETCOLUMNWIDTH:
      if (wParam >= state->columns.size()) return win::FALSE;
      state->columns[wParam].width = FittingWidth(*state, static_cast<int>(wParam), static_cast<int>(lParam));
      Show(hwnd, *state);
      return win::TRUE;
    case LVM_GETCOLUMNWIDTH: return wParam < state->columns.size() ? state->columns[wParam].width : 0;
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
      const DWORD mask = wParam == 0 ? 0xFFFFFFFFu : static_cast<DWORD>(wParam);
      const DWORD old = std::exchange(state->exStyle, (state->exStyle & ~mask) | (static_cast<DWORD>(lParam) & mask));
      Show(hwnd, *state);
      return old;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE: return state->exStyle;
    case LVM_SETIMAGELIST:
      if (wParam > 2) return 0;
      return reinterpret_cast<LRESULT>(std::exchange(state->images[wParam], reinterpret_cast<HIMAGELIST>(lParam)));
    case LVM_GETIMAGELIST: return wParam <= 2 ? reinterpret_cast<LRESULT>(state->images[wParam]) : 0;
    case LVM_SETSELECTIONMARK: return std::exchange(state->mark, static_cast<int>(lParam));
    case LVM_GETSELECTIONMARK: return state->mark;
    case LVM_GETITEMRECT:
    case LVM_GETITEMPOSITION:
    case LVM_SETITEMPOSITION:
    case LVM_SETITEMPOSITION32:
    case LVM_HITTEST:
    case LVM_ENSUREVISIBLE:
    case LVM_SCROLL:
    case LVM_GETORIGIN:
    case LVM_ARRANGE:
      return IsIconView(hwnd) ? IconLayoutMessage(hwnd, *state, message, wParam, lParam)
                              : RowLayoutMessage(hwnd, *state, message, wParam, lParam);
    case LVM_GETITEMSPACING: {
      const SIZE spacing = IconSpacing(hwnd, *state);
      return MAKELPARAM(static_cast<WORD>(spacing.cx), static_cast<WORD>(spacing.cy));
    }
    case LVM_SETICONSPACING: {
      const SIZE old = IconSpacing(hwnd, *state);
      state->spacing = lParam == -1 ? SIZE{} : SIZE{PointFromLParam(lParam).x, PointFromLParam(lParam).y};
      return MAKELPARAM(static_cast<WORD>(old.cx), static_cast<WORD>(old.cy));
    }
    case LVM_SETHOTITEM: return std::exchange(state->hot, static_cast<int>(wParam));
    case LVM_GETHOTITEM: return state->hot;
    case WM_SETREDRAW:
      state->redraw = wParam != 0;
      if (state->redraw) InvalidateRect(hwnd, nullptr, win::TRUE);
      return 0;
    case WM_LBUTTONDOWN:
      if (IsIconView(hwnd) && ClickIconScrollBar(hwnd, *state, PointFromLParam(lParam))) return 0;
      Click(hwnd, *state, PointFromLParam(lParam), NM_CLICK);
      return 0;
    case WM_LBUTTONDBLCLK: Click(hwnd, *state, PointFromLParam(lParam), NM_DBLCLK); return 0;
    case WM_SETFONT:
      DefWindowProcA(hwnd, message, wParam, lParam);
      state->tree->setFont(QtFontOf(reinterpret_cast<void*>(wParam)));
      return 0;
    case WM_SETFOCUS: state->tree->setFocus(); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: return Paint(hwnd, *state);
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

BOOL CListCtrl::SetColumnWidth(int column, int width) {
  return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), width));
}

int CListCtrl::GetColumnWidth(int column) const {
  return static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column)));
}

int CListCtrl::InsertColumn(int index, const std::string& heading, int format, int width) {
  LVCOLUMNA column;
  column.mask = LVCF_TEXT | LVCF_FMT | (width >= 0 ? LVCF_WIDTH : 0);
  column.fmt = format;
  column.cx = width;
  std::string text = heading;
  column.pszText = text.data();
  return static_cast<int>(
      SendMessage(LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)));
}

int CListCtrl::InsertItem(int index, const std::string& text, int image) {
  LVITEMA item;
  item.mask = LVIF_TEXT | (image >= 0 ? LVIF_IMAGE : 0);
  item.iItem = index;
  std::string copy = text;
  item.pszText = copy.data();
  item.iImage = image;
  return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
int CListCtrl::GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }

std::string CListCtrl::GetItemText(int item, int subItem) const {
  char buffer[1024] = {};
  LVITEMA request;
  request.iSubItem = subItem;
  request.pszText = buffer;
  request.cchTextMax = sizeof buffer;
  SendMessage(LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&request));
  return buffer;
}

BOOL CListCtrl::SetItemText(int item, int subItem, const std::string& text) {
  LVITEMA request;
  request.iSubItem = subItem;
  std::string copy = text;
  request.pszText = copy.data();
  return static_cast<BOOL>(
      SendMessage(LVM_SETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&request)));
}

BOOL CListCtrl::SetItemState(int item, UINT state, UINT mask) {
  LVITEMA request;
  request.state = state;
  request.stateMask = mask;
  return static_cast<BOOL>(
      SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&request)));
}

UINT CListCtrl::GetItemState(int item, UINT mask) const {
  return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(item), static_cast<LPARAM>(mask)));
}

int CListCtrl::GetNextItem(int start, int flags) const {
  return static_cast<int>(
      SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(static_cast<WORD>(flags), 0)));
}

int CListCtrl::SetSelectionMark(int index) { return static_cast<int>(SendMessage(LVM_SETSELECTIONMARK, 0, index)); }
int CListCtrl::GetSelectionMark() const { return static_cast<int>(SendMessage(LVM_GETSELECTIONMARK)); }
DWORD CListCtrl::SetExtendedStyle(DWORD style) {
  return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(style)));
}
HIMAGELIST CListCtrl::SetImageList(HIMAGELIST list, int which) {
  return reinterpret_cast<HIMAGELIST>(
      SendMessage(LVM_SETIMAGELIST, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(list)));
}
BOOL CListCtrl::GetCheck(int item) const {
  return GetItemState(item, LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2) ? win::TRUE : win::FALSE;
}
BOOL CListCtrl::SetCheck(int item, BOOL check) {
  return SetItemState(item, INDEXTOSTATEIMAGEMASK(check ? 2 : 1), LVIS_STATEIMAGEMASK);
}

BOOL CListCtrl::SetItemPosition(int item, POINT at) {
  return static_cast<BOOL>(
      SendMessage(LVM_SETITEMPOSITION32, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&at)));
}
BOOL CListCtrl::GetItemPosition(int item, POINT* at) const {
  return static_cast<BOOL>(SendMessage(LVM_GETITEMPOSITION, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(at)));
}
BOOL CListCtrl::GetItemRect(int item, RECT* rect, UINT part) const {
  rect->left = static_cast<LONG>(part);
  return static_cast<BOOL>(SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(rect)));
}
int CListCtrl::HitTest(POINT client, UINT* flags) const {
  LVHITTESTINFO test;
  test.pt = client;
  const int item = static_cast<int>(SendMessage(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&test)));
  if (flags != nullptr) *flags = test.flags;
  return item;
}
BOOL CListCtrl::EnsureVisible(int item, BOOL partialOk) {
  return static_cast<BOOL>(SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), partialOk));
}
BOOL CListCtrl::Arrange(UINT how) { return static_cast<BOOL>(SendMessage(LVM_ARRANGE, how)); }
int CListCtrl::SetHotItem(int item) { return static_cast<int>(SendMessage(LVM_SETHOTITEM, static_cast<WPARAM>(item))); }
int CListCtrl::GetHotItem() const { return static_cast<int>(SendMessage(LVM_GETHOTITEM)); }

}  // namespace ui
