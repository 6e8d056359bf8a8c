// The "ListBox" class as a native Qt list: strings with item data, the single selection, and
// LBN_SELCHANGE and LBN_DBLCLK to the parent for user choices when the style has LBS_NOTIFY
// (setting the selection by message notifies nobody, as on Windows). Not implemented:
// multiple selection, sorting (LBS_SORT), owner-drawn items, LB_FINDSTRING.
#include "platform/ui/list_box.h"

#include "platform/ui/control_procs.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/native_control.h"
#include "platform/ui/styles.h"
#include "platform/ui/window_api.h"
#include "platform/ui/window_class.h"

#include <QListWidget>

#include <cstring>
#include <string>
#include <vector>

namespace ui {
namespace {

struct Entry {
  std::string text;
  LPARAM data = 0;
};

struct ListBoxState final : NativeControlState {
  QListWidget* list = nullptr;
  std::vector<Entry> entries;
  int selected = -1;
  bool syncing = false;
};

ListBoxState* StateOf(HWND hwnd) {
  WindowRecord* record = FindWindowRecord(hwnd);
  return record != nullptr ? dynamic_cast<ListBoxState*>(record->control.get()) : nullptr;
}

void Notify(HWND hwnd, WORD code) {
  if ((GetWindowLongA(hwnd, GWL_STYLE) & LBS_NOTIFY) == 0) return;
  SendMessage(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), code),
              reinterpret_cast<LPARAM>(hwnd));
}

void Show(ListBoxState& state) {
  state.syncing = true;
  state.list->clear();
  for (const Entry& entry : state.entries) state.list->addItem(QString::fromLatin1(entry.text.c_str()));
  state.list->setCurrentRow(state.selected);
  state.syncing = false;
}

bool Valid(const ListBoxState& state, WPARAM index) { return index < state.entries.size(); }

void Create(HWND hwnd, WindowRecord& record) {
  auto& state = ControlStateOf<ListBoxState>(record);
  state.list = &state.Make<QListWidget>(hwnd);
  QObject::connect(state.list, &QListWidget::currentRowChanged, [hwnd](int row) {
    ListBoxState* list = StateOf(hwnd);
    if (list == nullptr || list->syncing || row == list->selected) return;
    list->selected = row;
    Notify(hwnd, LBN_SELCHANGE);
  });
  QObject::connect(state.list, &QListWidget::itemDoubleClicked, [hwnd](QListWidgetItem*) { Notify(hwnd, LBN_DBLCLK); });
}

LRESULT Insert(ListBoxState& state, WPARAM at, LPARAM text) {
  const std::size_t index = at == static_cast<WPARAM>(-1) || at > state.entries.size() ? state.entries.size() : at;
  state.entries.insert(state.entries.begin() + static_cast<std::ptrdiff_t>(index),
                       Entry{text != 0 ? reinterpret_cast<const char*>(text) : "", 0});
  if (state.selected >= static_cast<int>(index)) ++state.selected;
  Show(state);
  return static_cast<LRESULT>(index);
}

// The row under a point of the client area, by the list's own layout.
int RowAt(const ListBoxState& state, POINT point) {
  const QListWidgetItem* item = state.list->itemAt(state.list->viewport()->mapFrom(state.list, QPoint(point.x, point.y)));
  return item != nullptr ? state.list->row(item) : -1;
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
    case LB_ADDSTRING: return Insert(*state, static_cast<WPARAM>(-1), lParam);
    case LB_INSERTSTRING: return Insert(*state, wParam, lParam);
    case LB_DELETESTRING:
      if (!Valid(*state, wParam)) return LB_ERR;
      state->entries.erase(state->entries.begin() + static_cast<std::ptrdiff_t>(wParam));
      if (state->selected == static_cast<int>(wParam)) state->selected = -1;
      if (state->selected > static_cast<int>(wParam)) --state->selected;
      Show(*state);
      return static_cast<LRESULT>(state->entries.size());
    case LB_RESETCONTENT:
      state->entries.clear();
      state->selected = -1;
      Show(*state);
      return 0;
    case LB_GETCOUNT: return static_cast<LRESULT>(state->entries.size());
    case LB_GETCURSEL: return state->selected;
    case LB_SETCURSEL:
      if (wParam != static_cast<WPARAM>(-1) && !Valid(*state, wParam)) return LB_ERR;
      state->selected = static_cast<int>(wParam);
      Show(*state);
      return state->selected;
    case LB_GETTEXTLEN: return Valid(*state, wParam) ? static_cast<LRESULT>(state->entries[wParam].text.size()) : LB_ERR;
    case LB_GETTEXT: {
      if (!Valid(*state, wParam)) return LB_ERR;
      const std::string& text = state->entries[wParam].text;
      std::memcpy(reinterpret_cast<char*>(lParam), text.c_str(), text.size() + 1);
      return static_cast<LRESULT>(text.size());
    }
    case LB_GETITEMDATA: return Valid(*state, wParam) ? state->entries[wParam].data : LB_ERR;
    case LB_SETITEMDATA:
      if (!Valid(*state, wParam)) return LB_ERR;
      state->entries[wParam].data = lParam;
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      SetFocus(hwnd);
      const int row = RowAt(*state, PointFromLParam(lParam));
      if (row >= 0 && row != state->selected) {
        state->selected = row;
        Show(*state);
        Notify(hwnd, LBN_SELCHANGE);
      }
      if (row >= 0 && message == WM_LBUTTONDBLCLK) Notify(hwnd, LBN_DBLCLK);
      return 0;
    }
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

}  // namespace ui
