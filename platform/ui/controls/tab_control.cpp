// The "SysTabControl32" class: a Qt tab bar over a display area that GDI frames. A click on a
// tab asks the parent with TCN_SELCHANGING (non-zero keeps the current tab) and then reports
// TCN_SELCHANGE; TCM_SETCURSEL changes the tab without asking; tabs show images of the
// control's image list. Not implemented: several rows, TCS_BUTTONS, tooltips.
#include "platform/ui/controls/tab_control.h"

#include "platform/ui/controls/control_paint.h"
#include "platform/ui/controls/control_procs.h"
#include "platform/ui/controls/image_list_internal.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/native_control.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"
#include "platform/ui/windows/window_table.h"

#include <QEvent>
#include <QMouseEvent>
#include <QTabBar>

#include <utility>

namespace ui {
namespace {

struct TabState final : NativeControlState {
  QTabBar* bar = nullptr;
  bool syncing = false;
  HIMAGELIST images = nullptr;
};

TabState* StateOf(HWND hwnd) {
  WindowRecord* record = FindWindowRecord(hwnd);
  return record != nullptr ? dynamic_cast<TabState*>(record->control.get()) : nullptr;
}

int RowHeight(const TabState& state) { return std::max(20, state.bar->sizeHint().height()); }

LRESULT Notify(HWND hwnd, UINT code) {
  NMHDR header;
  header.hwndFrom = hwnd;
  header.idFrom = static_cast<std::uintptr_t>(GetDlgCtrlID(hwnd));
  header.code = code;
  return SendMessage(GetParent(hwnd), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

// A click on a tab: the parent may refuse the change.
void Choose(HWND hwnd, TabState& state, int tab) {
  if (tab < 0 || tab == state.bar->currentIndex()) return;
  if (Notify(hwnd, TCN_SELCHANGING) != 0) return;
  state.syncing = true;
  state.bar->setCurrentIndex(tab);
  state.syncing = false;
  InvalidateRect(hwnd, nullptr, win::TRUE);
  Notify(hwnd, TCN_SELCHANGE);
}

// Desktop clicks go through the same road as posted ones.
class TabClicks final : public QObject {
 public:
  TabClicks(HWND hwnd, QObject* parent) : QObject(parent), hwnd_(hwnd) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::MouseButtonPress) return QObject::eventFilter(watched, event);
    TabState* state = StateOf(hwnd_);
    if (state != nullptr)
      Choose(hwnd_, *state, state->bar->tabAt(static_cast<QMouseEvent*>(event)->position().toPoint()));
    return true;
  }

 private:
  HWND hwnd_;
};

void Create(HWND hwnd, WindowRecord& record) {
  auto& state = ControlStateOf<TabState>(record);
  state.bar = &state.Make<QTabBar>(hwnd);
  state.bar->setDrawBase(false);
  state.bar->setExpanding(false);
  state.bar->installEventFilter(new TabClicks(hwnd, state.bar));
}

// The bar lies along the top of the control's place; the rest is the display area.
void PlaceBar(HWND hwnd, TabState& state) {
  state.heightLimit = RowHeight(state);
  // The bar ends with its last tab: past it the control's own face shows, not an empty tab.
  state.widthLimit = std::max(1, state.bar->sizeHint().width());
  state.Place(hwnd);
}

void Paint(HWND hwnd, TabState& state) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(hwnd, &paint);
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  RECT display{client.left, RowHeight(state) - 1, client.right, client.bottom};
  DrawEdge(dc, &display, EDGE_RAISED, BF_RECT);
  EndPaint(hwnd, &paint);
  PlaceBar(hwnd, state);
}

}  // namespace

LRESULT TabControlWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr) return 0;
  if (message == WM_CREATE) {
    Create(hwnd, *record);
    return 0;
  }
  TabState* state = StateOf(hwnd);
  if (state == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  QTabBar& bar = *state->bar;
  switch (message) {
    case TCM_GETITEMCOUNT: return bar.count();
    case TCM_SETIMAGELIST:
      return reinterpret_cast<LRESULT>(std::exchange(state->images, reinterpret_cast<HIMAGELIST>(lParam)));
    case TCM_INSERTITEMA: {
      const auto* item = reinterpret_cast<const TCITEMA*>(lParam);
      state->syncing = true;
      const int at = bar.insertTab(static_cast<int>(std::min<WPARAM>(wParam, static_cast<WPARAM>(bar.count()))),
                                   QString::fromLatin1(item->pszText != nullptr ? item->pszText : ""));
      const QImage icon = (item->mask & TCIF_IMAGE) != 0 ? ImageListImage(state->images, item->iImage) : QImage();
      if (!icon.isNull()) bar.setTabIcon(at, QIcon(QPixmap::fromImage(icon)));
      state->syncing = false;
      PlaceBar(hwnd, *state);
      return at;
    }
    case TCM_GETITEMA: {
      auto* item = reinterpret_cast<TCITEMA*>(lParam);
      if (wParam >= static_cast<WPARAM>(bar.count()) || item == nullptr) return win::FALSE;
      if ((item->mask & TCIF_TEXT) != 0 && item->pszText != nullptr && item->cchTextMax > 0) {
        const QByteArray text = bar.tabText(static_cast<int>(wParam)).toLatin1();
        const auto length = std::min<qsizetype>(text.size(), item->cchTextMax - 1);
        char* buffer = const_cast<char*>(item->pszText);
        std::copy_n(text.constData(), length, buffer);
        buffer[length] = '\0';
      }
      return win::TRUE;
    }
    case TCM_DELETEALLITEMS:
      while (bar.count() > 0) bar.removeTab(0);
      return win::TRUE;
    case TCM_GETCURSEL: return bar.currentIndex();
    case TCM_SETCURSEL: {
      if (wParam >= static_cast<WPARAM>(bar.count())) return -1;
      state->syncing = true;
      const int old = bar.currentIndex();
      bar.setCurrentIndex(static_cast<int>(wParam));
      state->syncing = false;
      return old;
    }
    case TCM_GETITEMRECT: {
      if (wParam >= static_cast<WPARAM>(bar.count()) || lParam == 0) return win::FALSE;
      const QRect tab = bar.tabRect(static_cast<int>(wParam));
      *reinterpret_cast<RECT*>(lParam) = RECT{tab.left(), tab.top(), tab.right() + 1, tab.bottom() + 1};
      return win::TRUE;
    }
    case TCM_ADJUSTRECT: {
      auto* rect = reinterpret_cast<RECT*>(lParam);
      const int sign = wParam != 0 ? -1 : 1;
      rect->left += sign * 4;
      rect->top += sign * (RowHeight(*state) + 4);
      rect->right -= sign * 4;
      rect->bottom -= sign * 4;
      return 0;
    }
    case WM_LBUTTONDOWN: {
      const POINT at = PointFromLParam(lParam);
      Choose(hwnd, *state, bar.tabAt(QPoint(at.x, at.y)));
      return 0;
    }
    case WM_SETFONT:
      DefWindowProcA(hwnd, message, wParam, lParam);
      bar.setFont(QtFontOf(reinterpret_cast<void*>(wParam)));
      return 0;
    case WM_PAINT: Paint(hwnd, *state); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace ui
