// The dialog class's procedure (DefDlgProc), dialog creation from templates, the modal loop
// and IsDialogMessage. Not implemented: DS_SYSMODAL, dialog help ids, WM_NEXTDLGCTL's
// selection of edit text.
#include "platform/ui/controls/control_procs.h"
#include "platform/ui/dialogs/dialog.h"
#include "platform/ui/dialogs/modal_wait.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/system_metrics.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"
#include "platform/ui/windows/window_table.h"
#include "platform/win/system/last_error.h"

#include <utility>
#include <algorithm>
#include <cctype>

namespace ui {
namespace {

struct DialogState final : ControlState {
  DLGPROC proc = nullptr;
  std::intptr_t msgResult = 0;
  std::intptr_t endResult = 0;
  bool ended = false;
  int templateId = 0;
  HWND savedFocus = nullptr;
  HFONT ownFont = nullptr;
  int defId = 0;
};

struct Modal {
  std::vector<HWND> stack;
  ModalStartHook hook = nullptr;
  void* context = nullptr;
};

Modal& TheModal() {
  static Modal modal;
  return modal;
}

DialogState* StateOf(HWND hwnd) {
  WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr || !IsClass(hwnd, kDialogClass)) return nullptr;
  return &ControlStateOf<DialogState>(*record);
}

bool ProcAnswerIsResult(UINT message) {
  return (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) || message == WM_INITDIALOG ||
         message == WM_QUERYDRAGICON;
}

// Navigation looks at the controls' own styles, so it works before the dialog is shown.
bool Navigable(HWND hwnd) {
  const WindowRecord* record = FindWindowRecord(hwnd);
  return (record->style & WS_VISIBLE) != 0 && (record->style & WS_DISABLED) == 0;
}

void CollectTabItems(HWND parent, std::vector<HWND>& out) {
  for (HWND child : FindWindowRecord(parent)->children) {
    const WindowRecord* record = FindWindowRecord(child);
    if (!Navigable(child)) continue;
    if ((record->exStyle & WS_EX_CONTROLPARENT) != 0) {
      CollectTabItems(child, out);
    } else if ((record->style & WS_TABSTOP) != 0) {
      out.push_back(child);
    }
  }
}

HWND FindCancel(HWND dialog) { return GetDlgItem(dialog, IDCANCEL); }

void SendCommand(HWND dialog, int id, HWND control) {
  SendMessage(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), reinterpret_cast<LPARAM>(control));
}

int DefaultId(HWND dialog) {
  const LRESULT def = SendMessage(dialog, DM_GETDEFID, 0, 0);
  return HIWORD(static_cast<std::uintptr_t>(def)) == DC_HASDEFID ? LOWORD(static_cast<std::uintptr_t>(def)) : IDOK;
}

void SetDefault(HWND dialog, DialogState& state, int id) {
  const HWND old = GetDlgItem(dialog, state.defId);
  if (old != nullptr && (SendMessage(old, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) != 0) {
    SendMessage(old, BM_SETSTYLE, BS_PUSHBUTTON, win::TRUE);
  }
  state.defId = id;
  const HWND now = GetDlgItem(dialog, id);
  if (now != nullptr && (SendMessage(now, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON) != 0) {
    SendMessage(now, BM_SETSTYLE, BS_DEFPUSHBUTTON, win::TRUE);
  }
}

LRESULT FindDefault(HWND dialog, const DialogState& state) {
  if (state.defId != 0) return MAKELPARAM(static_cast<WORD>(state.defId), DC_HASDEFID);
  for (HWND child : FindWindowRecord(dialog)->children) {
    if ((SendMessage(child, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) != 0) {
      return MAKELPARAM(static_cast<WORD>(GetDlgCtrlID(child)), DC_HASDEFID);
    }
  }
  return 0;
}

void FocusFirst(HWND dialog) {
  if (HWND first = GetNextDlgTabItem(dialog, nullptr, win::FALSE)) SetFocus(first);
}

LRESULT DefaultDialogHandling(HWND hwnd, DialogState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: {
      auto brush = reinterpret_cast<HBRUSH>(SendMessage(hwnd, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(hwnd)));
      if (brush == nullptr) brush = GetSysColorBrush(COLOR_BTNFACE);
      RECT client;
      GetClientRect(hwnd, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
      return 1;
    }
    case DM_GETDEFID: return FindDefault(hwnd, state);
    case DM_SETDEFID: SetDefault(hwnd, state, static_cast<int>(wParam)); return win::TRUE;
    case WM_CLOSE: {
      const HWND cancel = FindCancel(hwnd);
      if (cancel == nullptr || IsWindowEnabled(cancel)) SendCommand(hwnd, IDCANCEL, cancel);
      return 0;
    }
    case WM_SETFOCUS:
      if (IsWindow(state.savedFocus) && IsChild(hwnd, state.savedFocus)) {
        SetFocus(state.savedFocus);
      } else {
        FocusFirst(hwnd);
      }
      return 0;
    case WM_ACTIVATE:
      if (wParam == WA_INACTIVE && GetFocus() != nullptr && IsChild(hwnd, GetFocus())) state.savedFocus = GetFocus();
      return 0;
    case WM_NEXTDLGCTL:
      SetFocus(LOWORD(static_cast<std::uintptr_t>(lParam)) != 0 ? reinterpret_cast<HWND>(wParam)
                                                                : GetNextDlgTabItem(hwnd, GetFocus(), wParam != 0));
      return 0;
    case WM_NCDESTROY:
      if (state.ownFont != nullptr) DeleteObject(std::exchange(state.ownFont, nullptr));
      return DefWindowProcA(hwnd, message, wParam, lParam);
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

// The control whose text holds "&c", searched in tab order over every visible, enabled control.
HWND FindMnemonic(HWND dialog, char c) {
  const char wanted = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (HWND hwnd : WindowAndDescendants(dialog)) {
    if (hwnd == dialog || !AcceptsInput(hwnd)) continue;
    const std::string& text = FindWindowRecord(hwnd)->text;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
      if (text[i] != '&') continue;
      if (text[i + 1] == '&') {
        ++i;
        continue;
      }
      if (std::tolower(static_cast<unsigned char>(text[i + 1])) == wanted) return hwnd;
      break;
    }
  }
  return nullptr;
}

bool HandleMnemonic(HWND dialog, char c) {
  const HWND target = FindMnemonic(dialog, c);
  if (target == nullptr) return false;
  const LRESULT code = SendMessage(target, WM_GETDLGCODE, 0, 0);
  if ((code & DLGC_STATIC) != 0) {
    // A label gives the focus to the control that follows it.
    if (HWND next = GetNextDlgTabItem(dialog, target, win::FALSE)) SetFocus(next);
    return true;
  }
  SetFocus(target);
  if ((code & DLGC_BUTTON) != 0) SendMessage(target, BM_CLICK, 0, 0);
  return true;
}

bool HandleKeyDown(HWND dialog, MSG* msg) {
  const LRESULT code = SendMessage(msg->hwnd, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
  if ((code & DLGC_WANTALLKEYS) != 0) return false;
  switch (msg->wParam) {
    case VK_TAB:
      if ((code & DLGC_WANTTAB) != 0) return false;
      if (HWND next = GetNextDlgTabItem(dialog, GetFocus(), (GetKeyState(VK_SHIFT) & 0x8000) != 0)) SetFocus(next);
      return true;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: {
      if ((code & DLGC_WANTARROWS) != 0) return false;
      const bool previous = msg->wParam == VK_LEFT || msg->wParam == VK_UP;
      HWND next = GetNextDlgGroupItem(dialog, GetFocus(), previous ? win::TRUE : win::FALSE);
      if (next == nullptr) return true;
      SetFocus(next);
      if ((SendMessage(next, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0) SendMessage(next, BM_CLICK, 0, 0);
      return true;
    }
    case VK_RETURN: {
      if ((code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0 && IsWindowEnabled(msg->hwnd)) {
        SendCommand(dialog, GetDlgCtrlID(msg->hwnd), msg->hwnd);
        return true;
      }
      const int id = DefaultId(dialog);
      const HWND button = GetDlgItem(dialog, id);
      if (button == nullptr || IsWindowEnabled(button)) SendCommand(dialog, id, button);
      return true;
    }
    case VK_ESCAPE: {
      const HWND cancel = FindCancel(dialog);
      if (cancel == nullptr || IsWindowEnabled(cancel)) SendCommand(dialog, IDCANCEL, cancel);
      return true;
    }
    default: return false;
  }
}

}  // namespace

void PlaceNewDialog(HWND dialog, HWND owner, POINT position, DWORD style) {
  RECT screen{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
  const HWND top = owner != nullptr ? TopLevelOf(owner) : nullptr;
  RECT rect;
  GetWindowRect(dialog, &rect);
  if ((style & DS_CENTER) != 0) {
    RECT around = screen;
    if (top != nullptr) GetWindowRect(top, &around);
    position =
        POINT{around.left + (around.Width() - rect.Width()) / 2, around.top + (around.Height() - rect.Height()) / 2};
  } else if (top != nullptr && (style & DS_ABSALIGN) == 0) {
    ClientToScreen(top, &position);
  }
  // Windows keeps a new dialog on the screen, its top-left corner (the caption) first.
  position.x = std::max(screen.left, std::min(position.x, screen.right - rect.Width()));
  position.y = std::max(screen.top, std::min(position.y, screen.bottom - rect.Height()));
  SetWindowPos(dialog, nullptr, position.x, position.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

LRESULT DefDlgProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  DialogState* state = StateOf(hwnd);
  if (state == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  if (state->proc != nullptr) {
    const std::intptr_t answer = state->proc(hwnd, message, wParam, lParam);
    state = StateOf(hwnd);
    if (answer != 0) return ProcAnswerIsResult(message) ? answer : (state != nullptr ? state->msgResult : 0);
    if (state == nullptr) return 0;
  }
  return DefaultDialogHandling(hwnd, *state, message, wParam, lParam);
}

HWND CreateDialogIndirectParamA(HINSTANCE instance, const DialogTemplate& dialog, HWND parent, DLGPROC proc,
                                LPARAM param) {
  const DWORD style = dialog.style & ~WS_VISIBLE;
  HWND hwnd =
      CreateWindowExA(dialog.exStyle, kDialogClass, dialog.caption.c_str(), style, DialogUnitsToPixelsX(dialog.x),
                      DialogUnitsToPixelsY(dialog.y), DialogUnitsToPixelsX(dialog.cx), DialogUnitsToPixelsY(dialog.cy),
                      parent, nullptr, instance, nullptr);
  if (hwnd == nullptr) return nullptr;
  if ((style & WS_CHILD) == 0)
    PlaceNewDialog(hwnd, parent, POINT{DialogUnitsToPixelsX(dialog.x), DialogUnitsToPixelsY(dialog.y)}, style);
  DialogState& state = *StateOf(hwnd);
  state.proc = proc;
  state.templateId = dialog.id;
  HFONT font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  if (dialog.fontPoints > 0) {
    // Points at 96 DPI.
    font = CreateFontA(-(dialog.fontPoints * 96 + 36) / 72, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0,
                       dialog.fontFace.c_str());
    state.ownFont = font;
  }
  SendMessage(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
  for (const auto& control : dialog.controls) {
    const HWND child =
        CreateWindowExA(control.exStyle, control.className.c_str(), control.text.c_str(), control.style | WS_CHILD,
                        DialogUnitsToPixelsX(control.x), DialogUnitsToPixelsY(control.y),
                        DialogUnitsToPixelsX(control.cx), DialogUnitsToPixelsY(control.cy), hwnd,
                        HandleOf<HMENU>(static_cast<std::uintptr_t>(control.id & 0xFFFF)), instance, nullptr);
    if (child == nullptr) {
      DestroyWindow(hwnd);
      return nullptr;
    }
    SendMessage(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
  }
  const HWND first = GetNextDlgTabItem(hwnd, nullptr, win::FALSE);
  // A dialog without a control that can take the focus takes it itself.
  if (SendMessage(hwnd, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param) != 0 && IsWindow(hwnd)) {
    SetFocus(IsWindow(first) ? first : hwnd);
  }
  if (!IsWindow(hwnd)) return nullptr;
  if ((dialog.style & WS_VISIBLE) != 0) ShowWindow(hwnd, SW_SHOW);
  return hwnd;
}

namespace {

// The dialog is the innermost modal one while its loop runs; the stack is left as it was found,
// also when an exception (an intercepted process exit) leaves the loop.
class ModalScope {
 public:
  explicit ModalScope(HWND dialog) : dialog_(dialog) { TheModal().stack.push_back(dialog); }
  ~ModalScope() { std::erase(TheModal().stack, dialog_); }
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;

 private:
  HWND dialog_;
};

}  // namespace

std::intptr_t RunModalLoop(HWND dialog, HWND owner, const std::function<bool(MSG*)>& preTranslate) {
  {
    const ModalScope scope(dialog);
    const auto show = [dialog] {
      if (!IsWindowVisible(dialog)) ShowWindow(dialog, SW_SHOW);
      const Modal& modal = TheModal();
      if (modal.hook != nullptr) modal.hook(dialog, DialogTemplateId(dialog), modal.context);
    };
    const auto finished = [dialog] { return !IsWindow(dialog) || DialogEnded(dialog); };
    const auto take = [dialog, &preTranslate](MSG* msg) {
      return preTranslate ? preTranslate(msg) : IsDialogMessage(dialog, msg) != win::FALSE;
    };
    WaitModally(owner, show, finished, take);
  }
  const DialogState* state = StateOf(dialog);
  return state != nullptr ? state->endResult : -1;
}

std::intptr_t DialogBoxIndirectParamA(HINSTANCE instance, const DialogTemplate& dialog, HWND owner, DLGPROC proc,
                                      LPARAM param) {
  std::intptr_t result = -1;
  HWND hwnd = nullptr;
  {
    // The owner is disabled before the dialog is created, as DialogBox does.
    const ModalOwner modalOwner(owner);
    hwnd = CreateDialogIndirectParamA(instance, dialog, owner, proc, param);
    if (hwnd != nullptr) result = RunModalLoop(hwnd, nullptr);
  }
  if (IsWindow(hwnd)) DestroyWindow(hwnd);
  return result;
}

BOOL EndDialog(HWND dialog, std::intptr_t result) {
  DialogState* state = StateOf(dialog);
  if (state == nullptr) return win::Fail(win::ERROR_INVALID_WINDOW_HANDLE);
  state->ended = true;
  state->endResult = result;
  // Wakes a loop that waits for input.
  PostMessage(nullptr, WM_NULL, 0, 0);
  return win::TRUE;
}

bool DialogEnded(HWND dialog) {
  const DialogState* state = StateOf(dialog);
  return state != nullptr && state->ended;
}

void SetModalStartHook(ModalStartHook hook, void* context) {
  TheModal().hook = hook;
  TheModal().context = context;
}

HWND CurrentModalDialog() {
  const auto& stack = TheModal().stack;
  return stack.empty() ? nullptr : stack.back();
}

int DialogTemplateId(HWND dialog) {
  const DialogState* state = StateOf(dialog);
  return state != nullptr ? state->templateId : 0;
}

void SetDialogTemplateId(HWND dialog, int templateId) {
  if (DialogState* state = StateOf(dialog)) state->templateId = templateId;
}

BOOL IsDialogMessage(HWND dialog, MSG* msg) {
  if (msg == nullptr || msg->hwnd == nullptr || !IsWindow(dialog)) return win::FALSE;
  if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return win::FALSE;
  bool handled = false;
  if (msg->message == WM_KEYDOWN) handled = HandleKeyDown(dialog, msg);
  if (msg->message == WM_SYSCHAR) handled = HandleMnemonic(dialog, static_cast<char>(msg->wParam));
  if (msg->message == WM_CHAR) {
    const LRESULT code = SendMessage(msg->hwnd, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
    if ((code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS)) == 0)
      handled = HandleMnemonic(dialog, static_cast<char>(msg->wParam));
  }
  if (!handled) {
    TranslateMessage(msg);
    DispatchMessage(msg);
  }
  return win::TRUE;
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
  if (!IsWindow(dialog)) return nullptr;
  std::vector<HWND> items;
  CollectTabItems(dialog, items);
  if (items.empty()) return nullptr;
  const auto at = std::find(items.begin(), items.end(), control);
  if (at == items.end()) return previous ? items.back() : items.front();
  const auto index = static_cast<std::size_t>(at - items.begin());
  const std::size_t count = items.size();
  return items[previous ? (index + count - 1) % count : (index + 1) % count];
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous) {
  const WindowRecord* record = FindWindowRecord(control);
  if (!IsWindow(dialog) || record == nullptr) return nullptr;
  const WindowRecord* parent = FindWindowRecord(record->parent);
  std::vector<HWND> group;
  bool mine = false;
  for (HWND sibling : parent->children) {
    if ((FindWindowRecord(sibling)->style & WS_GROUP) != 0) {
      if (mine) break;
      group.clear();
    }
    if (sibling == control) mine = true;
    if (sibling == control || Navigable(sibling)) group.push_back(sibling);
  }
  const auto at = std::find(group.begin(), group.end(), control);
  const auto index = static_cast<std::size_t>(at - group.begin());
  const std::size_t count = group.size();
  return group[previous ? (index + count - 1) % count : (index + 1) % count];
}

BOOL MapDialogRect(HWND dialog, RECT* rect) {
  if (!IsWindow(dialog) || rect == nullptr) return win::FALSE;
  *rect = RECT{DialogUnitsToPixelsX(rect->left), DialogUnitsToPixelsY(rect->top), DialogUnitsToPixelsX(rect->right),
               DialogUnitsToPixelsY(rect->bottom)};
  return win::TRUE;
}

LONG GetDialogBaseUnits() { return MAKELPARAM(kDialogBaseUnitX, kDialogBaseUnitY); }

std::intptr_t SetDialogResult(HWND dialog, std::intptr_t result) {
  DialogState* state = StateOf(dialog);
  return state != nullptr ? std::exchange(state->msgResult, result) : 0;
}

std::intptr_t GetDialogResult(HWND dialog) {
  const DialogState* state = StateOf(dialog);
  return state != nullptr ? state->msgResult : 0;
}

}  // namespace ui
