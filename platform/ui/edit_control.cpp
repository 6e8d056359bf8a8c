// The "Edit" class as a native Qt line edit: text through WM_SETTEXT and WM_GETTEXT, typed
// characters, the text limit, read-only, EN_UPDATE and EN_CHANGE to the parent, and colours
// from WM_CTLCOLOREDIT (WM_CTLCOLORSTATIC when read-only or disabled, as Windows asks).
// Not implemented: multi-line edits (ES_MULTILINE shows one line), undo, EM_GETSEL, password
// characters.
#include "platform/ui/control_paint.h"
#include "platform/ui/control_procs.h"
#include "platform/ui/gdi_internal.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/messages.h"
#include "platform/ui/native_control.h"
#include "platform/ui/styles.h"
#include "platform/ui/window_api.h"
#include "platform/ui/window_class.h"

#include <QLineEdit>

namespace ui {
namespace {

struct EditState final : NativeControlState {
  QLineEdit* line = nullptr;
  UINT limit = 30000;
};

void Notify(HWND hwnd, WORD code) {
  SendMessage(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), code),
              reinterpret_cast<LPARAM>(hwnd));
}

// Takes the widget's text into the table and tells the parent when it changed.
void SyncText(HWND hwnd) {
  WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr) return;
  auto& state = static_cast<EditState&>(*record->control);
  const std::string text = state.line->text().toStdString();
  if (text == record->text) return;
  record->text = text;
  Notify(hwnd, EN_UPDATE);
  Notify(hwnd, EN_CHANGE);
}

void Create(HWND hwnd, WindowRecord& record) {
  auto& state = ControlStateOf<EditState>(record);
  state.line = &state.Make<QLineEdit>(hwnd);
  state.line->setText(QString::fromLatin1(record.text.c_str()));
  state.line->setReadOnly((record.style & ES_READONLY) != 0);
  state.line->setFrame((record.exStyle & WS_EX_CLIENTEDGE) != 0 || (record.style & WS_BORDER) != 0);
  QObject::connect(state.line, &QLineEdit::textEdited, [hwnd](const QString&) { SyncText(hwnd); });
}

void Type(HWND hwnd, EditState& state, char c) {
  if (state.line->isReadOnly()) return;
  if (c == '\b') {
    state.line->backspace();
  } else if (static_cast<unsigned char>(c) >= 0x20) {
    if (static_cast<UINT>(state.line->text().size()) >= state.limit) {
      Notify(hwnd, EN_MAXTEXT);
      return;
    }
    state.line->insert(QString(QChar::fromLatin1(c)));
  }
  SyncText(hwnd);
}

// Colours come from the parent as for any control; the widget shows them.
void ApplyColours(HWND hwnd, EditState& state) {
  const HDC dc = CreateCompatibleDC(nullptr);
  const bool staticLook = state.line->isReadOnly() || !IsWindowEnabled(hwnd);
  const HBRUSH brush = ParentColours(hwnd, dc, staticLook ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
  QPalette palette = state.line->palette();
  palette.setColor(QPalette::Text, QColor(ToQRgb(GetTextColor(dc))));
  const BrushData* data = FindBrush(brush);
  palette.setColor(QPalette::Base, data == nullptr || data->hollow ? QColor(Qt::transparent) : QColor(ToQRgb(data->colour)));
  state.line->setPalette(palette);
  DeleteDC(dc);
}

}  // namespace

LRESULT EditWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr) return 0;
  if (message == WM_CREATE) {
    Create(hwnd, *record);
    return 0;
  }
  auto* state = dynamic_cast<EditState*>(record->control.get());
  if (state == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_SETTEXT: {
      DefWindowProcA(hwnd, message, wParam, lParam);
      state->line->setText(QString::fromLatin1(record->text.c_str()));
      Notify(hwnd, EN_UPDATE);
      Notify(hwnd, EN_CHANGE);
      return win::TRUE;
    }
    case WM_CHAR: Type(hwnd, *state, static_cast<char>(wParam)); return 0;
    case EM_LIMITTEXT:
      state->limit = wParam == 0 ? 0x7FFFFFFE : static_cast<UINT>(wParam);
      state->line->setMaxLength(static_cast<int>(std::min<UINT>(state->limit, 32767)));
      return 0;
    case EM_GETLIMITTEXT: return state->limit;
    case EM_SETREADONLY:
      state->line->setReadOnly(wParam != 0);
      record->style = wParam != 0 ? record->style | ES_READONLY : record->style & ~ES_READONLY;
      InvalidateRect(hwnd, nullptr, win::TRUE);
      return win::TRUE;
    case EM_SETSEL:
      state->line->setSelection(static_cast<int>(wParam), static_cast<int>(lParam) - static_cast<int>(wParam));
      return 0;
    case WM_SETFONT:
      DefWindowProcA(hwnd, message, wParam, lParam);
      state->line->setFont(QtFontOf(reinterpret_cast<void*>(wParam)));
      return 0;
    case WM_SETFOCUS: state->line->setFocus(); return 0;
    case WM_ENABLE: InvalidateRect(hwnd, nullptr, win::TRUE); return 0;
    case WM_GETDLGCODE: return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case WM_LBUTTONDOWN: SetFocus(hwnd); return 0;
    case WM_PAINT: {
      ApplyColours(hwnd, *state);
      return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    case WM_ERASEBKGND: return 1;
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace ui
