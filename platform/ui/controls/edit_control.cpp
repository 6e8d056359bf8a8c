// The "Edit" class as a native Qt widget (edit_view.h): a line edit, or with ES_MULTILINE a
// text box whose lines break at "\r\n". Text through WM_SETTEXT and WM_GETTEXT, typed
// characters, the text limit, read-only, selections and EM_REPLACESEL, the lines of multi-line
// edits, EN_UPDATE and EN_CHANGE to the parent, and colours from WM_CTLCOLOREDIT
// (WM_CTLCOLORSTATIC when read-only or disabled, as Windows asks).
// Not implemented: undo, password characters, lines counted as wrapped on the screen (lines
// are the text's paragraphs).
#include "platform/ui/controls/control_paint.h"
#include "platform/ui/controls/control_procs.h"
#include "platform/ui/controls/edit_messages.h"
#include "platform/ui/controls/edit_view.h"
#include "platform/ui/gdi/gdi_internal.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/native_control.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"

#include <algorithm>
#include <cstring>

namespace ui {
namespace {

struct EditState final : NativeControlState {
  std::unique_ptr<EditView> view;
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
  const std::string text = state.view->Text();
  if (text == record->text) return;
  record->text = text;
  Notify(hwnd, EN_UPDATE);
  Notify(hwnd, EN_CHANGE);
}

void Create(HWND hwnd, WindowRecord& record) {
  auto& state = ControlStateOf<EditState>(record);
  state.view = MakeEditView(hwnd, state, (record.style & ES_MULTILINE) != 0, [hwnd] { SyncText(hwnd); });
  state.view->SetText(record.text);
  state.view->SetReadOnly((record.style & ES_READONLY) != 0);
  state.view->SetFramed((record.exStyle & WS_EX_CLIENTEDGE) != 0 || (record.style & WS_BORDER) != 0);
}

bool Multiline(HWND hwnd) { return (GetWindowLongA(hwnd, GWL_STYLE) & ES_MULTILINE) != 0; }

// Inserts text at the selection as far as the limit allows; EN_MAXTEXT when it cut any.
void Insert(HWND hwnd, EditState& state, const std::string& text) {
  const auto [start, end] = state.view->Selection();
  const std::size_t kept = state.view->Text().size() - static_cast<std::size_t>(end - start);
  const std::size_t room = state.limit > kept ? state.limit - kept : 0;
  if (room < text.size()) Notify(hwnd, EN_MAXTEXT);
  if (room == 0) return;
  state.view->Replace(text.substr(0, room));
  SyncText(hwnd);
}

void Type(HWND hwnd, EditState& state, char c) {
  if (state.view->ReadOnly()) return;
  if (c == '\b') {
    state.view->Backspace();
    SyncText(hwnd);
  } else if (c == '\r' && Multiline(hwnd)) {
    Insert(hwnd, state, "\r\n");
  } else if (static_cast<unsigned char>(c) >= 0x20) {
    Insert(hwnd, state, std::string(1, c));
  }
}

// Colours come from the parent as for any control; the widget shows them.
void ApplyColours(HWND hwnd, EditState& state) {
  const HDC dc = CreateCompatibleDC(nullptr);
  const bool staticLook = state.view->ReadOnly() || !IsWindowEnabled(hwnd);
  const HBRUSH brush = ParentColours(hwnd, dc, staticLook ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
  QWidget& widget = state.view->Widget();
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Text, QColor(ToQRgb(GetTextColor(dc))));
  const BrushData* data = FindBrush(brush);
  palette.setColor(QPalette::Base,
                   data == nullptr || data->hollow ? QColor(Qt::transparent) : QColor(ToQRgb(data->colour)));
  widget.setPalette(palette);
  DeleteDC(dc);
}

// EM_SETSEL: a start of -1 leaves no selection; an end of -1 (or past the text) is the end.
void SetSelection(EditState& state, int start, int end) {
  const int length = static_cast<int>(state.view->Text().size());
  if (start == -1) {
    const int caret = state.view->Selection().second;
    state.view->Select(caret, caret);
    return;
  }
  const auto clamp = [length](int at) { return at < 0 || at > length ? length : at; };
  state.view->Select(clamp(start), clamp(end));
}

LRESULT SelectionMessage(HWND hwnd, EditState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case EM_SETSEL: SetSelection(state, static_cast<int>(wParam), static_cast<int>(lParam)); return 0;
    case EM_GETSEL: {
      const auto [start, end] = state.view->Selection();
      if (wParam != 0) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(start);
      if (lParam != 0) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(end);
      return MAKELPARAM(static_cast<WORD>(start), static_cast<WORD>(end));
    }
    case EM_REPLACESEL:
      Insert(hwnd, state, lParam != 0 ? reinterpret_cast<const char*>(lParam) : "");
      state.view->ScrollToCaret();
      return 0;
    case EM_SCROLLCARET: state.view->ScrollToCaret(); return win::TRUE;
    default: return 0;
  }
}

LRESULT LineMessage(EditState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case EM_GETLINECOUNT: return state.view->LineCount();
    case EM_GETFIRSTVISIBLELINE: return state.view->FirstVisibleLine();
    case EM_LINESCROLL: state.view->ScrollLines(static_cast<int>(lParam)); return win::TRUE;
    case EM_LINEINDEX: return state.view->LineIndex(static_cast<int>(wParam));
    case EM_LINELENGTH: {
      const int index = static_cast<int>(wParam) < 0 ? state.view->Selection().first : static_cast<int>(wParam);
      return static_cast<LRESULT>(state.view->Line(state.view->LineOf(index)).size());
    }
    case EM_GETLINE: {
      auto* buffer = reinterpret_cast<char*>(lParam);
      if (buffer == nullptr) return 0;
      const std::string line = state.view->Line(static_cast<int>(wParam));
      WORD size = 0;
      std::memcpy(&size, buffer, sizeof size);
      const std::size_t copied = std::min<std::size_t>(line.size(), size);
      std::memcpy(buffer, line.data(), copied);
      return static_cast<LRESULT>(copied);
    }
    default: return 0;
  }
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
      state->view->SetText(record->text);
      Notify(hwnd, EN_UPDATE);
      Notify(hwnd, EN_CHANGE);
      return win::TRUE;
    }
    case WM_CHAR: Type(hwnd, *state, static_cast<char>(wParam)); return 0;
    case EM_LIMITTEXT:
      state->limit = wParam == 0 ? 0x7FFFFFFE : static_cast<UINT>(wParam);
      state->view->SetMaxLength(static_cast<int>(std::min<UINT>(state->limit, 32767)));
      return 0;
    case EM_GETLIMITTEXT: return state->limit;
    case EM_SETREADONLY:
      state->view->SetReadOnly(wParam != 0);
      record->style = wParam != 0 ? record->style | ES_READONLY : record->style & ~ES_READONLY;
      InvalidateRect(hwnd, nullptr, win::TRUE);
      return win::TRUE;
    case EM_SETSEL:
    case EM_GETSEL:
    case EM_REPLACESEL:
    case EM_SCROLLCARET: return SelectionMessage(hwnd, *state, message, wParam, lParam);
    case EM_GETLINECOUNT:
    case EM_GETFIRSTVISIBLELINE:
    case EM_LINESCROLL:
    case EM_LINEINDEX:
    case EM_LINELENGTH:
    case EM_GETLINE: return LineMessage(*state, message, wParam, lParam);
    case WM_SETFONT:
      DefWindowProcA(hwnd, message, wParam, lParam);
      state->view->Widget().setFont(QtFontOf(reinterpret_cast<void*>(wParam)));
      return 0;
    case WM_SETFOCUS: state->view->Widget().setFocus(); return 0;
    case WM_ENABLE: InvalidateRect(hwnd, nullptr, win::TRUE); return 0;
    case WM_GETDLGCODE: {
      const bool wantsReturn = Multiline(hwnd) && (record->style & ES_WANTRETURN) != 0;
      return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS | (wantsReturn ? DLGC_WANTALLKEYS : 0);
    }
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
