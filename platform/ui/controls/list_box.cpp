// The "ListBox" class as a native Qt list: strings with item data, one selection or, with
// LBS_MULTIPLESEL or LBS_EXTENDEDSEL, many, and LBN_SELCHANGE and LBN_DBLCLK to the parent
// for user choices when the style has LBS_NOTIFY (setting the selection by message notifies
// nobody, as on Windows). Not implemented: sorting (LBS_SORT), owner-drawn items,
// LB_FINDSTRING, keyboard selection in multiple-selection lists beyond Qt's own.
#include "platform/ui/controls/list_box.h"

#include "platform/ui/controls/control_procs.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/native_control.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"

#include <QListWidget>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace ui {
namespace {

struct Entry {
  std::string text;
  LPARAM data = 0;
  bool selected = false;  // multiple-selection lists
};

struct ListBoxState final : NativeControlState {
  QListWidget* list = nullptr;
  std::vector<Entry> entries;
  int selected = -1;  // the selection, or in a multiple-selection list the focused item
  int anchor = -1;  // where a Shift range starts in an extended-selection list
  bool syncing = false;
};

ListBoxState* StateOf(HWND hwnd) {
  WindowRecord* record = FindWindowRecord(hwnd);
  return record != nullptr ? dynamic_cast<ListBoxState*>(record->control.get()) : nullptr;
}

DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)); }
bool Multiple(HWND hwnd) { return (StyleOf(hwnd) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }

void Notify(HWND hwnd, WORD code) {
  if ((StyleOf(hwnd) & LBS_NOTIFY) == 0) return;
  SendMessage(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), code),
              reinterpret_cast<LPARAM>(hwnd));
}

void Show(HWND hwnd, ListBoxState& state) {
  state.syncing = true;
  const bool multiple = Multiple(hwnd);
  state.list->setSelectionMode(multiple ? QAbstractItemView::MultiSelection : QAbstractItemView::SingleSelection);
  state.list->clear();
  for (const Entry& entry : state.entries) {
    auto* item = new QListWidgetItem(QString::fromLatin1(entry.text.c_str()), state.list);
    item->setSelected(multiple && entry.selected);
  }
  if (multiple) {
    state.list->setCurrentRow(state.selected, QItemSelectionModel::NoUpdate);
  } else {
    state.list->setCurrentRow(state.selected);
  }
  state.syncing = false;
}

bool Valid(const ListBoxState& state, WPARAM index) { return index < state.entries.size(); }

// The user's selection in the Qt list, taken over after a desktop click.
void TakeQtSelection(HWND hwnd, ListBoxState& state) {
  bool changed = false;
  for (int row = 0; row < static_cast<int>(state.entries.size()); ++row) {
    const bool selected = state.list->item(row)->isSelected();
    changed = changed || selected != state.entries[static_cast<std::size_t>(row)].selected;
    state.entries[static_cast<std::size_t>(row)].selected = selected;
  }
  state.selected = state.list->currentRow();
  if (changed) Notify(hwnd, LBN_SELCHANGE);
}

void Create(HWND hwnd, WindowRecord& record) {
  auto& state = ControlStateOf<ListBoxState>(record);
  state.list = &state.Make<QListWidget>(hwnd);
  QObject::connect(state.list, &QListWidget::currentRowChanged, [hwnd](int row) {
    ListBoxState* list = StateOf(hwnd);
    if (list == nullptr || list->syncing || Multiple(hwnd) || row == list->selected) return;
    list->selected = row;
    Notify(hwnd, LBN_SELCHANGE);
  });
  QObject::connect(state.list, &QListWidget::itemSelectionChanged, [hwnd] {
    ListBoxState* list = StateOf(hwnd);
    if (list != nullptr && !list->syncing && Multiple(hwnd)) TakeQtSelection(hwnd, *list);
  });
  QObject::connect(state.list, &QListWidget::itemDoubleClicked, [hwnd](QListWidgetItem*) { Notify(hwnd, LBN_DBLCLK); });
  Show(hwnd, state);
}

LRESULT Insert(HWND hwnd, ListBoxState& state, WPARAM at, LPARAM text) {
  const std::size_t index = at == static_cast<WPARAM>(-1) || at > state.entries.size() ? state.entries.size() : at;
  state.entries.insert(state.entries.begin() + static_cast<std::ptrdiff_t>(index),
                       Entry{text != 0 ? reinterpret_cast<const char*>(text) : "", 0, false});
  if (state.selected >= static_cast<int>(index)) ++state.selected;
  Show(hwnd, state);
  return static_cast<LRESULT>(index);
}

// The row under a point of the client area, by the list's own layout.
int RowAt(const ListBoxState& state, POINT point) {
  const QListWidgetItem* item =
      state.list->itemAt(state.list->viewport()->mapFrom(state.list, QPoint(point.x, point.y)));
  return item != nullptr ? state.list->row(item) : -1;
}

// A click on a row of a multiple-selection list, by its style and the keys held.
void ClickMultiple(HWND hwnd, ListBoxState& state, int row, WPARAM keys) {
  const bool extended = (StyleOf(hwnd) & LBS_EXTENDEDSEL) != 0;
  const auto before = state.entries;
  if (!extended || (keys & MK_CONTROL) != 0) {
    state.entries[static_cast<std::size_t>(row)].selected = !state.entries[static_cast<std::size_t>(row)].selected;
    state.anchor = row;
  } else if ((keys & MK_SHIFT) != 0 && state.anchor >= 0) {
    const int low = std::min(state.anchor, row);
    const int high = std::max(state.anchor, row);
    for (int each = 0; each < static_cast<int>(state.entries.size()); ++each)
      state.entries[static_cast<std::size_t>(each)].selected = each >= low && each <= high;
  } else {
    for (Entry& entry : state.entries) entry.selected = false;
    state.entries[static_cast<std::size_t>(row)].selected = true;
    state.anchor = row;
  }
  state.selected = row;
  Show(hwnd, state);
  const bool changed = !std::equal(before.begin(), before.end(), state.entries.begin(),
                                   [](const Entry& a, const Entry& b) { return a.selected == b.selected; });
  if (changed) Notify(hwnd, LBN_SELCHANGE);
}

void Click(HWND hwnd, ListBoxState& state, UINT message, WPARAM keys, POINT point) {
  SetFocus(hwnd);
  const int row = RowAt(state, point);
  if (row >= 0 && message == WM_LBUTTONDOWN && Multiple(hwnd)) {
    ClickMultiple(hwnd, state, row, keys);
  } else if (row >= 0 && !Multiple(hwnd) && row != state.selected) {
    state.selected = row;
    Show(hwnd, state);
    Notify(hwnd, LBN_SELCHANGE);
  }
  if (row >= 0 && message == WM_LBUTTONDBLCLK) Notify(hwnd, LBN_DBLCLK);
}

LRESULT SelectionMessage(HWND hwnd, ListBoxState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!Multiple(hwnd)) return LB_ERR;
  switch (message) {
    case LB_SETSEL:
      if (lParam != -1 && !Valid(state, static_cast<WPARAM>(lParam))) return LB_ERR;
      for (int each = 0; each < static_cast<int>(state.entries.size()); ++each) {
        if (lParam == -1 || each == lParam) state.entries[static_cast<std::size_t>(each)].selected = wParam != 0;
      }
      if (lParam != -1) state.selected = state.anchor = static_cast<int>(lParam);
      break;
    case LB_SELITEMRANGE: {
      const int first = LOWORD(static_cast<std::uintptr_t>(lParam));
      const int last =
          std::min<int>(HIWORD(static_cast<std::uintptr_t>(lParam)), static_cast<int>(state.entries.size()) - 1);
      for (int each = first; each <= last; ++each) state.entries[static_cast<std::size_t>(each)].selected = wParam != 0;
      break;
    }
    case LB_GETSELCOUNT:
      return std::count_if(state.entries.begin(), state.entries.end(), [](const Entry& e) { return e.selected; });
    case LB_GETSELITEMS: {
      auto* out = reinterpret_cast<int*>(lParam);
      if (out == nullptr) return LB_ERR;
      LRESULT copied = 0;
      for (int each = 0; each < static_cast<int>(state.entries.size()) && copied < static_cast<LRESULT>(wParam);
           ++each) {
        if (state.entries[static_cast<std::size_t>(each)].selected) out[copied++] = each;
      }
      return copied;
    }
    default: return LB_ERR;
  }
  Show(hwnd, state);
  return 0;
}

LRESULT ItemMessage(HWND hwnd, ListBoxState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case LB_DELETESTRING:
      if (!Valid(state, wParam)) return LB_ERR;
      state.entries.erase(state.entries.begin() + static_cast<std::ptrdiff_t>(wParam));
      if (state.selected == static_cast<int>(wParam)) state.selected = -1;
      if (state.selected > static_cast<int>(wParam)) --state.selected;
      Show(hwnd, state);
      return static_cast<LRESULT>(state.entries.size());
    case LB_RESETCONTENT:
      state.entries.clear();
      state.selected = state.anchor = -1;
      Show(hwnd, state);
      return 0;
    case LB_GETTEXTLEN: return Valid(state, wParam) ? static_cast<LRESULT>(state.entries[wParam].text.size()) : LB_ERR;
    case LB_GETTEXT: {
      if (!Valid(state, wParam)) return LB_ERR;
      const std::string& text = state.entries[wParam].text;
      std::memcpy(reinterpret_cast<char*>(lParam), text.c_str(), text.size() + 1);
      return static_cast<LRESULT>(text.size());
    }
    case LB_GETITEMDATA: return Valid(state, wParam) ? state.entries[wParam].data : LB_ERR;
    case LB_GETITEMRECT: {
      if (!Valid(state, wParam) || lParam == 0) return LB_ERR;
      const QRect row = state.list->visualItemRect(state.list->item(static_cast<int>(wParam)));
      const QPoint at = state.list->viewport()->mapTo(state.list, row.topLeft());
      *reinterpret_cast<RECT*>(lParam) = RECT{at.x(), at.y(), at.x() + row.width(), at.y() + row.height()};
      return 1;
    }
    case LB_SETITEMDATA:
      if (!Valid(state, wParam)) return LB_ERR;
      state.entries[wParam].data = lParam;
      return 0;
    default: return LB_ERR;
  }
}

}  // namespace

LRESULT ListBoxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr) return 0;
  if (message == WM_CREATE) {
    Create(hwnd, *record);
    return 0;
  }
  ListBoxState* state = StateOf(hwnd);
  if (state == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  switch (message) {
    case LB_ADDSTRING: return Insert(hwnd, *state, static_cast<WPARAM>(-1), lParam);
    case LB_INSERTSTRING: return Insert(hwnd, *state, wParam, lParam);
    case LB_DELETESTRING:
    case LB_RESETCONTENT:
    case LB_GETTEXTLEN:
    case LB_GETTEXT:
    case LB_GETITEMDATA:
    case LB_GETITEMRECT:
    case LB_SETITEMDATA: return ItemMessage(hwnd, *state, message, wParam, lParam);
    case LB_SETSEL:
    case LB_SELITEMRANGE:
    case LB_GETSELCOUNT:
    case LB_GETSELITEMS: return SelectionMessage(hwnd, *state, message, wParam, lParam);
    case LB_GETSEL:
      if (!Valid(*state, wParam)) return LB_ERR;
      return Multiple(hwnd) ? (state->entries[wParam].selected ? 1 : 0)
                            : (state->selected == static_cast<int>(wParam) ? 1 : 0);
    case LB_GETCOUNT: return static_cast<LRESULT>(state->entries.size());
    case LB_GETCURSEL:
    case LB_GETCARETINDEX: return state->selected;
    case LB_SETCARETINDEX:
      if (!Valid(*state, wParam)) return LB_ERR;
      state->selected = static_cast<int>(wParam);
      Show(hwnd, *state);
      return 0;
    case LB_SETCURSEL:
      if (Multiple(hwnd) || (wParam != static_cast<WPARAM>(-1) && !Valid(*state, wParam))) return LB_ERR;
      state->selected = static_cast<int>(wParam);
      Show(hwnd, *state);
      return state->selected;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: Click(hwnd, *state, message, wParam, PointFromLParam(lParam)); return 0;
    case WM_SETFONT:
      DefWindowProcA(hwnd, message, wParam, lParam);
      state->list->setFont(QtFontOf(reinterpret_cast<void*>(wParam)));
      return 0;
    case WM_SETFOCUS: state->list->setFocus(); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_ERASEBKGND: return 1;
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

int CListBox::AddString(const std::string& text) {
  return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}
int CListBox::InsertString(int index, const std::string& text) {
  return static_cast<int>(
      SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str())));
}
int CListBox::DeleteString(UINT index) { return static_cast<int>(SendMessage(LB_DELETESTRING, index)); }
void CListBox::ResetContent() { SendMessage(LB_RESETCONTENT); }
int CListBox::GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
std::string CListBox::GetText(int index) const {
  const auto length = SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(index));
  if (length < 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  SendMessage(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return text;
}
LPARAM CListBox::GetItemData(int index) const { return SendMessage(LB_GETITEMDATA, static_cast<WPARAM>(index)); }
int CListBox::SetItemData(int index, LPARAM data) {
  return static_cast<int>(SendMessage(LB_SETITEMDATA, static_cast<WPARAM>(index), data));
}
int CListBox::GetCurSel() const { return static_cast<int>(SendMessage(LB_GETCURSEL)); }
int CListBox::SetCurSel(int index) { return static_cast<int>(SendMessage(LB_SETCURSEL, static_cast<WPARAM>(index))); }
int CListBox::GetSel(int index) const { return static_cast<int>(SendMessage(LB_GETSEL, static_cast<WPARAM>(index))); }
int CListBox::SetSel(int index, BOOL select) {
  return static_cast<int>(SendMessage(LB_SETSEL, static_cast<WPARAM>(select), index));
}
int CListBox::GetSelCount() const { return static_cast<int>(SendMessage(LB_GETSELCOUNT)); }
std::vector<int> CListBox::GetSelItems() const {
  const int count = GetSelCount();
  if (count <= 0) return {};
  std::vector<int> items(static_cast<std::size_t>(count));
  items.resize(static_cast<std::size_t>(
      SendMessage(LB_GETSELITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(items.data()))));
  return items;
}
int CListBox::SelItemRange(BOOL select, int first, int last) {
  return static_cast<int>(SendMessage(LB_SELITEMRANGE, static_cast<WPARAM>(select),
                                      MAKELPARAM(static_cast<WORD>(first), static_cast<WORD>(last))));
}
int CListBox::GetItemRect(int index, RECT* rect) const {
  return static_cast<int>(SendMessage(LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rect)));
}
int CListBox::GetCaretIndex() const { return static_cast<int>(SendMessage(LB_GETCARETINDEX)); }
int CListBox::SetCaretIndex(int index) {
  return static_cast<int>(SendMessage(LB_SETCARETINDEX, static_cast<WPARAM>(index)));
}

}  // namespace ui
