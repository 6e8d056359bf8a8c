#include "platform/ui/windows/cwnd.h"

#include "platform/ui/gdi/gdi_internal.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/controls/owner_draw.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/win_app.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"
#include "platform/ui/windows/window_table.h"
#include "platform/win/system/shell_services.h"

#include <map>
#include <memory>
#include <utility>

namespace ui {
namespace {

// Wrappers handed out for windows that have no object; dropped once their window is gone.
class TemporaryWnd final : public CWnd {
 public:
  ~TemporaryWnd() override { m_hWnd = nullptr; }
};

std::map<std::uintptr_t, std::unique_ptr<TemporaryWnd>>& Temporaries() {
  static std::map<std::uintptr_t, std::unique_ptr<TemporaryWnd>> temporaries;
  return temporaries;
}

void BindPending(HWND hwnd, void* object) { static_cast<CWnd*>(object)->SubclassWindow(hwnd); }

UINT CtlColorKind(UINT message) { return message - WM_CTLCOLORMSGBOX; }

bool IsCtlColor(UINT message) { return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC; }

// The control that sent a message to its parent, for reflection.
HWND SenderOf(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) return reinterpret_cast<HWND>(lParam);
  if (message == WM_NOTIFY) return reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
  if (IsCtlColor(message)) return reinterpret_cast<HWND>(lParam);
  if (message == WM_DRAWITEM) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    return item->CtlType == ODT_MENU ? nullptr : item->hwndItem;
  }
  (void)wParam;
  return nullptr;
}

// Takes `remove` out of the style (or extended style) at `index` and puts `add` in, then calls
// SetWindowPos with `flags` when there are any. FALSE when the style stays as it was.
BOOL ModifyStyleBits(HWND hwnd, int index, DWORD remove, DWORD add, UINT flags) {
  const auto style = static_cast<DWORD>(GetWindowLongA(hwnd, index));
  const DWORD next = (style & ~remove) | add;
  if (style == next) return win::FALSE;
  SetWindowLongA(hwnd, index, static_cast<LONG>(next));
  if (flags != 0) ui::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | flags);
  return win::TRUE;
}

}  // namespace

HBRUSH CallCtlColor(CWnd& self, WPARAM wParam, LPARAM lParam, UINT,
                    const std::function<HBRUSH(CDC*, CWnd*, UINT)>& call) {
  (void)self;
  const HWND control = reinterpret_cast<HWND>(lParam);
  UINT kind = CTLCOLOR_STATIC;
  if (const auto* record = FindWindowRecord(control)) {
    kind = IsClass(control, kEditClass) ? CTLCOLOR_EDIT : IsClass(control, kDialogClass) ? CTLCOLOR_DLG : kind;
    if (IsClass(control, kButtonClass)) {
      const DWORD type = record->style & BS_TYPEMASK;
      kind =
          (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_OWNERDRAW) ? CTLCOLOR_BTN : CTLCOLOR_STATIC;
    }
  }
  return call(TemporaryDc(wParam), CWnd::FromHandle(control), kind);
}

CDC* TemporaryDc(WPARAM hdc) { return CDC::FromHandle(reinterpret_cast<HDC>(hdc)); }

const MessageEntry* MessageMap::Find(Route route, UINT message, int id) const {
  for (const MessageMap* map = this; map != nullptr; map = map->base_) {
    for (const auto& entry : map->entries_) {
      if (entry.route != route) continue;
      const bool ranged = route == Route::Command || route == Route::Notify;
      const bool matchesMessage =
          route == Route::CtlColor || route == Route::ReflectCtlColor || entry.message == message;
      if (matchesMessage && (!ranged || (id >= entry.firstId && id <= entry.lastId))) return &entry;
    }
  }
  return nullptr;
}

CWnd::CWnd() = default;

CWnd::~CWnd() {
  if (m_hWnd != nullptr && FromHandlePermanent(m_hWnd) == this) {
    ui::DestroyWindow(m_hWnd);
  }
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
  const WindowRecord* record = FindWindowRecord(hwnd);
  return record != nullptr ? record->object : nullptr;
}

CWnd* CWnd::FromHandle(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  if (CWnd* permanent = FromHandlePermanent(hwnd)) return permanent;
  auto& temporaries = Temporaries();
  std::erase_if(temporaries, [](const auto& entry) { return !IsWindow(entry.second->m_hWnd); });
  auto& slot = temporaries[HandleBits(hwnd)];
  if (!slot) slot = std::make_unique<TemporaryWnd>();
  slot->m_hWnd = hwnd;
  return slot.get();
}

CWnd* CWnd::GetSafeOwner(CWnd* parent) {
  HWND hwnd = parent != nullptr ? parent->m_hWnd : nullptr;
  if (hwnd == nullptr && AfxGetMainWnd() != nullptr) hwnd = AfxGetMainWnd()->m_hWnd;
  return FromHandle(hwnd != nullptr ? TopLevelOf(hwnd) : nullptr);
}

void CWnd::Bind(HWND hwnd) {
  WindowRecord* record = FindWindowRecord(hwnd);
  m_hWnd = hwnd;
  m_superProc = record->proc;
  record->object = this;
  record->proc = CWndProc;
}

BOOL CWnd::CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, const RECT& rect,
                    CWnd* parent, UINT id, void* param) {
  SetCreationHook(BindPending, this);
  const HWND hwnd =
      CreateWindowExA(exStyle, className, windowName, style, rect.left, rect.top, rect.Width(), rect.Height(),
                      parent != nullptr ? parent->m_hWnd : nullptr, HandleOf<HMENU>(id), nullptr, param);
  SetCreationHook(nullptr, nullptr);
  return hwnd != nullptr ? win::TRUE : win::FALSE;
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
  if (m_hWnd != nullptr || FindWindowRecord(hwnd) == nullptr || FromHandlePermanent(hwnd) != nullptr) return win::FALSE;
  m_hWnd = hwnd;
  PreSubclassWindow();
  Bind(hwnd);
  return win::TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
  const HWND control = ui::GetDlgItem(parent->m_hWnd, static_cast<int>(id));
  return control != nullptr ? SubclassWindow(control) : win::FALSE;
}

HWND CWnd::UnsubclassWindow() {
  WindowRecord* record = FindWindowRecord(m_hWnd);
  if (record != nullptr) {
    record->proc = m_superProc;
    record->object = nullptr;
  }
  m_superProc = nullptr;
  return std::exchange(m_hWnd, nullptr);
}

BOOL CWnd::DestroyWindow() { return m_hWnd != nullptr ? ui::DestroyWindow(m_hWnd) : win::FALSE; }

const MessageMap& CWnd::GetMessageMap() const {
  static const MessageMap map(nullptr, {});
  return map;
}

LRESULT CWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowRecord* record = FindWindowRecord(hwnd);
  CWnd* object = record != nullptr ? record->object : nullptr;
  if (object == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  const UINT savedMessage = std::exchange(object->lastMessage_, message);
  const WPARAM savedW = std::exchange(object->lastWParam_, wParam);
  const LPARAM savedL = std::exchange(object->lastLParam_, lParam);
  const LRESULT result = object->WindowProc(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    if (WindowRecord* still = FindWindowRecord(hwnd)) still->object = nullptr;
    object->m_hWnd = nullptr;
    object->m_superProc = nullptr;
    object->PostNcDestroy();
    return result;
  }
  // A window destroyed while handling the message may have deleted its object.
  const WindowRecord* after = FindWindowRecord(hwnd);
  if (after == nullptr || after->object != object) return result;
  object->lastMessage_ = savedMessage;
  object->lastWParam_ = savedW;
  object->lastLParam_ = savedL;
  return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
  return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_superProc != nullptr && m_superProc != CWndProc) return m_superProc(m_hWnd, message, wParam, lParam);
  return DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() { return DefWindowProc(lastMessage_, lastWParam_, lastLParam_); }

BOOL CWnd::ReflectToChild(HWND child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  CWnd* object = FromHandlePermanent(child);
  if (object == nullptr || object == this) return win::FALSE;
  return object->OnChildNotify(message, wParam, lParam, result);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_COMMAND) return DispatchCommand(wParam, lParam);
  if (message == WM_NOTIFY) return DispatchNotify(wParam, lParam, result);
  const MessageMap& map = GetMessageMap();
  const MessageEntry* entry =
      IsCtlColor(message) ? map.Find(Route::CtlColor, 0, 0) : map.Find(Route::Message, message, 0);
  if (entry != nullptr) return entry->handler(*this, wParam, lParam, *result) ? win::TRUE : win::FALSE;
  // Without a handler of their own, colours and owner drawing go back to the control's object.
  if (IsCtlColor(message) || message == WM_DRAWITEM) {
    return ReflectToChild(SenderOf(message, wParam, lParam), message, wParam, lParam, result);
  }
  return win::FALSE;
}

BOOL CWnd::DispatchCommand(WPARAM wParam, LPARAM lParam) {
  const HWND control = reinterpret_cast<HWND>(lParam);
  LRESULT ignored = 0;
  if (control != nullptr && ReflectToChild(control, WM_COMMAND, wParam, lParam, &ignored)) return win::TRUE;
  // Menus and accelerators (no control) count as plain commands.
  const UINT code = control != nullptr ? HIWORD(wParam) : BN_CLICKED;
  const MessageEntry* entry = GetMessageMap().Find(Route::Command, code, LOWORD(wParam));
  if (entry == nullptr) return win::FALSE;
  LRESULT result = 0;
  return entry->handler(*this, wParam, lParam, result) ? win::TRUE : win::FALSE;
}

BOOL CWnd::DispatchNotify(WPARAM, LPARAM lParam, LRESULT* result) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (ReflectToChild(header->hwndFrom, WM_NOTIFY, 0, lParam, result)) return win::TRUE;
  const MessageEntry* entry = GetMessageMap().Find(Route::Notify, header->code, static_cast<int>(header->idFrom));
  if (entry == nullptr) return win::FALSE;
  return entry->handler(*this, 0, lParam, *result) ? win::TRUE : win::FALSE;
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const MessageMap& map = GetMessageMap();
  const MessageEntry* entry = nullptr;
  LPARAM passed = lParam;
  if (message == WM_COMMAND) entry = map.Find(Route::ReflectCommand, HIWORD(wParam), 0);
  if (message == WM_NOTIFY) entry = map.Find(Route::ReflectNotify, reinterpret_cast<const NMHDR*>(lParam)->code, 0);
  if (IsCtlColor(message)) {
    entry = map.Find(Route::ReflectCtlColor, 0, 0);
    passed = static_cast<LPARAM>(CtlColorKind(message));
  }
  if (entry == nullptr) return win::FALSE;
  return entry->handler(*this, wParam, passed, *result) ? win::TRUE : win::FALSE;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return win::FALSE; }
void CWnd::PreSubclassWindow() {}
void CWnd::PostNcDestroy() {}
void CWnd::DoDataExchange(CDataExchange*) {}
void CWnd::WinHelp(DWORD data, UINT command) {
  const CWinApp* app = AfxGetApp();
  win::WinHelpA(m_hWnd, app != nullptr ? app->m_helpFilePath.c_str() : "", command, data);
}

BOOL CWnd::UpdateData(BOOL saveAndValidate) {
  CDataExchange dx(this, saveAndValidate);
  DoDataExchange(&dx);
  return win::TRUE;
}

BOOL CWnd::WalkPreTranslateTree(HWND stop, MSG* msg) {
  for (HWND hwnd = msg->hwnd; hwnd != nullptr; hwnd = ui::GetParent(hwnd)) {
    CWnd* object = FromHandlePermanent(hwnd);
    if (object != nullptr && object->PreTranslateMessage(msg)) return win::TRUE;
    if (hwnd == stop || (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) == 0) break;
  }
  return win::FALSE;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
  return ui::SendMessage(m_hWnd, message, wParam, lParam);
}
BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
  return ui::PostMessage(m_hWnd, message, wParam, lParam);
}
CWnd* CWnd::GetDlgItem(int id) const { return FromHandle(ui::GetDlgItem(m_hWnd, id)); }
int CWnd::GetDlgCtrlID() const { return ui::GetDlgCtrlID(m_hWnd); }
CWnd* CWnd::GetParent() const { return FromHandle(ui::GetParent(m_hWnd)); }
CWnd* CWnd::GetOwner() const { return FromHandle(ui::GetWindow(m_hWnd, GW_OWNER)); }
void CWnd::SetWindowText(const std::string& text) { SetWindowTextA(m_hWnd, text.c_str()); }

std::string CWnd::GetWindowText() const {
  const int length = GetWindowTextLengthA(m_hWnd);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetWindowTextA(m_hWnd, text.data(), length + 1)));
  return text;
}

void CWnd::SetDlgItemText(int id, const std::string& text) { SetDlgItemTextA(m_hWnd, id, text.c_str()); }
std::string CWnd::GetDlgItemText(int id) const {
  const HWND item = ui::GetDlgItem(m_hWnd, id);
  return item != nullptr ? FromHandle(item)->GetWindowText() : std::string();
}
void CWnd::CheckDlgButton(int id, UINT check) { ui::CheckDlgButton(m_hWnd, id, check); }
UINT CWnd::IsDlgButtonChecked(int id) const { return ui::IsDlgButtonChecked(m_hWnd, id); }
BOOL CWnd::EnableWindow(BOOL enable) { return ui::EnableWindow(m_hWnd, enable); }
BOOL CWnd::IsWindowEnabled() const { return ui::IsWindowEnabled(m_hWnd); }
BOOL CWnd::ShowWindow(int command) { return ui::ShowWindow(m_hWnd, command); }
BOOL CWnd::IsWindowVisible() const { return ui::IsWindowVisible(m_hWnd); }
void CWnd::Invalidate(BOOL erase) { InvalidateRect(m_hWnd, nullptr, erase); }
void CWnd::UpdateWindow() { ui::UpdateWindow(m_hWnd); }
BOOL CWnd::RedrawWindow(const RECT* rect, UINT flags) { return ui::RedrawWindow(m_hWnd, rect, nullptr, flags); }
void CWnd::GetClientRect(RECT* rect) const { ui::GetClientRect(m_hWnd, rect); }
void CWnd::GetWindowRect(RECT* rect) const { ui::GetWindowRect(m_hWnd, rect); }

void CWnd::ClientToScreen(RECT* rect) const {
  POINT corner{rect->left, rect->top};
  ui::ClientToScreen(m_hWnd, &corner);
  *rect = RECT{corner.x, corner.y, corner.x + rect->Width(), corner.y + rect->Height()};
}

void CWnd::ScreenToClient(RECT* rect) const {
  POINT corner{rect->left, rect->top};
  ui::ScreenToClient(m_hWnd, &corner);
  *rect = RECT{corner.x, corner.y, corner.x + rect->Width(), corner.y + rect->Height()};
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
  ui::MoveWindow(m_hWnd, x, y, width, height, repaint);
}
BOOL CWnd::SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags) {
  return ui::SetWindowPos(m_hWnd, insertAfter != nullptr ? insertAfter->m_hWnd : nullptr, x, y, cx, cy, flags);
}
CWnd* CWnd::SetFocus() { return FromHandle(ui::SetFocus(m_hWnd)); }
CWnd* CWnd::GetFocus() { return FromHandle(ui::GetFocus()); }
CWnd* CWnd::SetCapture() { return FromHandle(ui::SetCapture(m_hWnd)); }
void CWnd::SetFont(CFont* font, BOOL redraw) {
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font != nullptr ? font->m_hObject : nullptr), redraw);
}
CFont* CWnd::GetFont() const {
  const auto font = reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT));
  return CFont::FromHandle(font);
}
DWORD CWnd::GetStyle() const { return static_cast<DWORD>(GetWindowLongA(m_hWnd, GWL_STYLE)); }
DWORD CWnd::GetExStyle() const { return static_cast<DWORD>(GetWindowLongA(m_hWnd, GWL_EXSTYLE)); }

void CWnd::SetRedraw(BOOL redraw) { SendMessage(WM_SETREDRAW, static_cast<WPARAM>(redraw)); }

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT flags) {
  return ModifyStyleBits(m_hWnd, GWL_STYLE, remove, add, flags);
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT flags) {
  return ModifyStyleBits(m_hWnd, GWL_EXSTYLE, remove, add, flags);
}

std::uintptr_t CWnd::SetTimer(std::uintptr_t id, UINT elapseMs) { return ui::SetTimer(m_hWnd, id, elapseMs, nullptr); }
BOOL CWnd::KillTimer(std::uintptr_t id) { return ui::KillTimer(m_hWnd, id); }
CDC* CWnd::GetDC() { return CDC::FromHandle(ui::GetDC(m_hWnd)); }
int CWnd::ReleaseDC(CDC* dc) { return ui::ReleaseDC(m_hWnd, dc->m_hDC); }

int CWnd::MessageBox(const std::string& text, const std::string& caption, UINT type) {
  return MessageBoxA(m_hWnd, text.c_str(), caption.empty() ? nullptr : caption.c_str(), type);
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
  if (control.m_hWnd == nullptr) control.SubclassDlgItem(static_cast<UINT>(id), dx->m_pDlgWnd);
}

void DDX_Text(CDataExchange* dx, int id, std::string& value) {
  if (dx->m_bSaveAndValidate) {
    value = dx->m_pDlgWnd->GetDlgItemText(id);
  } else {
    dx->m_pDlgWnd->SetDlgItemText(id, value);
  }
}

void DDX_Check(CDataExchange* dx, int id, int& value) {
  if (dx->m_bSaveAndValidate) {
    value = static_cast<int>(dx->m_pDlgWnd->IsDlgButtonChecked(id));
  } else {
    dx->m_pDlgWnd->CheckDlgButton(id, static_cast<UINT>(value));
  }
}

void DDX_Radio(CDataExchange* dx, int id, int& value) {
  HWND button = ui::GetDlgItem(dx->m_pDlgWnd->m_hWnd, id);
  if (dx->m_bSaveAndValidate) value = -1;
  for (int index = 0; button != nullptr; ++index) {
    if (dx->m_bSaveAndValidate) {
      if (ui::SendMessage(button, BM_GETCHECK, 0, 0) == BST_CHECKED) value = index;
    } else {
      ui::SendMessage(button, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    button = GetWindow(button, GW_HWNDNEXT);
    if (button == nullptr || (GetWindowLongA(button, GWL_STYLE) & WS_GROUP) != 0) break;
  }
}

}  // namespace ui
