#include "platform/ui/windows/window_api.h"

#include "platform/ui/windows/default_position.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/native_control.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/surface.h"
#include "platform/ui/windows/window_class.h"
#include "platform/ui/windows/window_table.h"
#include "platform/win/system/last_error.h"

#include <utility>
#include <algorithm>
#include <cstring>
#include <strings.h>

namespace ui {
namespace {

struct InputState {
  HWND focus = nullptr;
  HWND active = nullptr;
  HWND capture = nullptr;
  void (*creationHook)(HWND, void*) = nullptr;
  void* creationContext = nullptr;
};

InputState& State() {
  static InputState state;
  return state;
}

WindowRecord* RecordOrFail(HWND hwnd) {
  WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr) win::SetLastError(win::ERROR_INVALID_WINDOW_HANDLE);
  return record;
}

constexpr DWORD ERROR_TLW_WITH_WSCHILD = 1406;

POINT OriginOnScreen(HWND hwnd) {
  POINT origin;
  for (const WindowRecord* record = FindWindowRecord(hwnd); record != nullptr;
       record = FindWindowRecord(record->parent)) {
    origin.x += record->rect.left;
    origin.y += record->rect.top;
  }
  return origin;
}

void InvalidateArea(HWND hwnd) {
  const WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr) return;
  InvalidateRect(record->parent != nullptr ? record->parent : hwnd, nullptr, win::TRUE);
}

void Unlink(WindowRecord& record) {
  if (WindowRecord* parent = FindWindowRecord(record.parent)) std::erase(parent->children, record.handle);
}

void DropFocusInside(HWND hwnd) {
  auto& state = State();
  if (state.focus != nullptr && (state.focus == hwnd || IsDescendantOf(state.focus, hwnd))) SetFocus(nullptr);
  if (state.capture != nullptr && (state.capture == hwnd || IsDescendantOf(state.capture, hwnd))) ReleaseCapture();
}

}  // namespace

void SetCreationHook(void (*hook)(HWND, void*), void* context) {
  State().creationHook = hook;
  State().creationContext = context;
}

HWND CreateWindowExA(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menuOrId, HINSTANCE instance, void* param) {
  WNDCLASSA wc;
  if (className == nullptr || !GetClassInfoA(instance, className, &wc)) {
    win::SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  const bool child = (style & WS_CHILD) != 0;
  if (child && FindWindowRecord(parent) == nullptr) {
    win::SetLastError(child && parent == nullptr ? ERROR_TLW_WITH_WSCHILD : win::ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  WindowRecord& record = AddWindowRecord();
  const HWND hwnd = record.handle;
  record.className = wc.lpszClassName;
  record.text = windowName != nullptr ? windowName : "";
  record.style = style & ~WS_VISIBLE;
  record.exStyle = exStyle;
  const RECT placed = child ? RECT{x, y, x + width, y + height} : DefaultPlacement(style, x, y, width, height);
  record.rect = placed;
  record.proc = wc.lpfnWndProc;
  if (child) {
    record.parent = parent;
    record.id = static_cast<int>(HandleBits(menuOrId));
    FindWindowRecord(parent)->children.push_back(hwnd);
  } else {
    record.owner = parent != nullptr ? TopLevelOf(parent) : nullptr;
    AttachSurface(record);
  }
  if (auto hook = std::exchange(State().creationHook, nullptr)) hook(hwnd, State().creationContext);

  CREATESTRUCTA create;
  create.lpCreateParams = param;
  create.hInstance = instance;
  create.hMenu = menuOrId;
  create.hwndParent = parent;
  create.cx = placed.Width();
  create.cy = placed.Height();
  create.x = placed.left;
  create.y = placed.top;
  create.style = static_cast<LONG>(style);
  create.lpszName = windowName;
  create.lpszClass = className;
  create.dwExStyle = exStyle;
  if (SendMessage(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create)) == 0 ||
      SendMessage(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  if ((style & WS_VISIBLE) != 0 && IsWindow(hwnd)) ShowWindow(hwnd, SW_SHOW);
  return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  WindowRecord* record = RecordOrFail(hwnd);
  if (record == nullptr) return win::FALSE;
  if (record->destroying) return win::TRUE;
  for (HWND each : WindowAndDescendants(hwnd)) FindWindowRecord(each)->destroying = true;
  for (HWND top : WindowsInTreeOrder()) {
    const WindowRecord* other = FindWindowRecord(top);
    if (other != nullptr && other->parent == nullptr && other->owner == hwnd) DestroyWindow(top);
  }
  if (IsWindowVisible(hwnd)) InvalidateArea(hwnd);
  record->style &= ~WS_VISIBLE;
  if (record->surface) SurfaceShow(*record, false);
  DropFocusInside(hwnd);
  if (State().active == hwnd) State().active = nullptr;
  const auto tree = WindowAndDescendants(hwnd);
  for (HWND each : tree) SendMessage(each, WM_DESTROY, 0, 0);
  for (auto it = tree.rbegin(); it != tree.rend(); ++it) {
    SendMessage(*it, WM_NCDESTROY, 0, 0);
    ForgetWindowMessages(*it);
    if (WindowRecord* dying = FindWindowRecord(*it)) {
      Unlink(*dying);
      RemoveWindowRecord(*it);
    }
  }
  return win::TRUE;
}

BOOL IsWindow(HWND hwnd) { return FindWindowRecord(hwnd) != nullptr ? win::TRUE : win::FALSE; }

BOOL IsChild(HWND parent, HWND hwnd) { return IsDescendantOf(hwnd, parent) ? win::TRUE : win::FALSE; }

HWND GetParent(HWND hwnd) {
  const WindowRecord* record = RecordOrFail(hwnd);
  if (record == nullptr) return nullptr;
  return (record->style & WS_CHILD) != 0 ? record->parent : record->owner;
}

HWND GetWindow(HWND hwnd, UINT relation) {
  const WindowRecord* record = RecordOrFail(hwnd);
  if (record == nullptr) return nullptr;
  if (relation == GW_OWNER) return record->owner;
  if (relation == GW_CHILD) return record->children.empty() ? nullptr : record->children.front();
  const WindowRecord* parent = FindWindowRecord(record->parent);
  if (parent == nullptr) return nullptr;
  const auto& siblings = parent->children;
  const auto at = std::find(siblings.begin(), siblings.end(), hwnd);
  if (relation == GW_HWNDNEXT) return at + 1 < siblings.end() ? *(at + 1) : nullptr;
  if (relation == GW_HWNDPREV) return at != siblings.begin() ? *(at - 1) : nullptr;
  return nullptr;
}

HWND GetDlgItem(HWND dialog, int id) {
  const WindowRecord* record = RecordOrFail(dialog);
  if (record == nullptr) return nullptr;
  for (HWND child : record->children) {
    if (FindWindowRecord(child)->id == id) return child;
  }
  win::SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
  return nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
  const WindowRecord* record = RecordOrFail(hwnd);
  return record == nullptr ? 0 : record->id;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  WindowRecord* record = RecordOrFail(hwnd);
  if (record == nullptr) return win::FALSE;
  const bool wasDisabled = (record->style & WS_DISABLED) != 0;
  if (wasDisabled == (enable == win::FALSE)) return wasDisabled ? win::TRUE : win::FALSE;
  if (enable == win::FALSE) {
    record->style |= WS_DISABLED;
    SendMessage(hwnd, WM_CANCELMODE, 0, 0);
    DropFocusInside(hwnd);
  } else {
    record->style &= ~WS_DISABLED;
  }
  SendMessage(hwnd, WM_ENABLE, enable != win::FALSE ? 1 : 0, 0);
  SyncNativeWidgets(TopLevelOf(hwnd));
  return wasDisabled ? win::TRUE : win::FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  const WindowRecord* record = RecordOrFail(hwnd);
  return record != nullptr && (record->style & WS_DISABLED) == 0 ? win::TRUE : win::FALSE;
}

BOOL ShowWindow(HWND hwnd, int command) {
  WindowRecord* record = RecordOrFail(hwnd);
  if (record == nullptr) return win::FALSE;
  const bool wasVisible = (record->style & WS_VISIBLE) != 0;
  const bool show = command != SW_HIDE;
  if (command == SW_MINIMIZE || command == SW_SHOWMINIMIZED) record->style |= WS_MINIMIZE;
  if (command == SW_RESTORE || command == SW_SHOWNORMAL) record->style &= ~WS_MINIMIZE;
  if (wasVisible != show) {
    SendMessage(hwnd, WM_SHOWWINDOW, show ? 1 : 0, 0);
    if (!IsWindow(hwnd)) return wasVisible ? win::TRUE : win::FALSE;
    if (show) {
      record->style |= WS_VISIBLE;
      InvalidateRect(hwnd, nullptr, win::TRUE);
    } else {
      InvalidateArea(hwnd);
      record->style &= ~WS_VISIBLE;
    }
    if (record->surface) SurfaceShow(*record, show);
    SyncNativeWidgets(TopLevelOf(hwnd));
  }
  // Showing a top-level window activates it, unless asked not to.
  const bool activates =
      command != SW_HIDE && command != SW_SHOWNA && command != SW_SHOWNOACTIVATE && command != SW_MINIMIZE;
  if (record->parent == nullptr && activates && (record->style & WS_DISABLED) == 0) SetActiveWindow(hwnd);
  return wasVisible ? win::TRUE : win::FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
  const WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr) return win::FALSE;
  for (; record != nullptr; record = FindWindowRecord(record->parent)) {
    if ((record->style & WS_VISIBLE) == 0) return win::FALSE;
  }
  return win::TRUE;
}

bool AcceptsInput(HWND hwnd) {
  if (!IsWindowVisible(hwnd)) return false;
  for (const WindowRecord* record = FindWindowRecord(hwnd); record != nullptr;
       record = FindWindowRecord(record->parent)) {
    if ((record->style & WS_DISABLED) != 0) return false;
  }
  return true;
}

BOOL SetWindowTextA(HWND hwnd, const char* text) {
  if (RecordOrFail(hwnd) == nullptr) return win::FALSE;
  return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0 ? win::TRUE : win::FALSE;
}

int GetWindowTextA(HWND hwnd, char* buffer, int size) {
  if (RecordOrFail(hwnd) == nullptr || size <= 0) return 0;
  return static_cast<int>(SendMessage(hwnd, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthA(HWND hwnd) {
  if (RecordOrFail(hwnd) == nullptr) return 0;
  return static_cast<int>(SendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL SetDlgItemTextA(HWND dialog, int id, const char* text) {
  const HWND item = GetDlgItem(dialog, id);
  return item != nullptr ? SetWindowTextA(item, text) : win::FALSE;
}

UINT GetDlgItemTextA(HWND dialog, int id, char* buffer, int size) {
  const HWND item = GetDlgItem(dialog, id);
  if (item == nullptr) {
    if (size > 0) buffer[0] = '\0';
    return 0;
  }
  return static_cast<UINT>(GetWindowTextA(item, buffer, size));
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND item = GetDlgItem(dialog, id);
  return item != nullptr ? SendMessage(item, message, wParam, lParam) : 0;
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  const HWND item = GetDlgItem(dialog, id);
  if (item == nullptr) return win::FALSE;
  SendMessage(item, BM_SETCHECK, check, 0);
  return win::TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  const HWND item = GetDlgItem(dialog, id);
  return item != nullptr ? static_cast<UINT>(SendMessage(item, BM_GETCHECK, 0, 0)) : 0;
}

std::intptr_t GetWindowLongPtrA(HWND hwnd, int index) {
  const WindowRecord* record = RecordOrFail(hwnd);
  if (record == nullptr) return 0;
  switch (index) {
    case GWL_STYLE: return static_cast<std::intptr_t>(record->style);
    case GWL_EXSTYLE: return static_cast<std::intptr_t>(record->exStyle);
    case GWL_ID: return record->id;
    case GWLP_USERDATA: return static_cast<std::intptr_t>(record->userData);
    case GWLP_WNDPROC: return reinterpret_cast<std::intptr_t>(record->proc);
    default: win::SetLastError(win::ERROR_INVALID_PARAMETER); return 0;
  }
}

std::intptr_t SetWindowLongPtrA(HWND hwnd, int index, std::intptr_t value) {
  WindowRecord* record = RecordOrFail(hwnd);
  if (record == nullptr) return 0;
  const std::intptr_t old = GetWindowLongPtrA(hwnd, index);
  switch (index) {
    case GWL_STYLE: record->style = static_cast<DWORD>(value); break;
    case GWL_EXSTYLE: record->exStyle = static_cast<DWORD>(value); break;
    case GWL_ID: record->id = static_cast<int>(value); break;
    case GWLP_USERDATA: record->userData = static_cast<std::uintptr_t>(value); break;
    case GWLP_WNDPROC: record->proc = reinterpret_cast<WNDPROC>(value); break;
    default: break;
  }
  return old;
}

LONG GetWindowLongA(HWND hwnd, int index) { return static_cast<LONG>(GetWindowLongPtrA(hwnd, index)); }

LONG SetWindowLongA(HWND hwnd, int index, LONG value) {
  return static_cast<LONG>(SetWindowLongPtrA(
      hwnd, index,
      index == GWL_STYLE || index == GWL_EXSTYLE ? static_cast<std::intptr_t>(static_cast<DWORD>(value)) : value));
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  const WindowRecord* record = RecordOrFail(hwnd);
  if (record == nullptr) return win::FALSE;
  *rect = RECT{0, 0, record->rect.Width(), record->rect.Height()};
  return win::TRUE;
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
  const WindowRecord* record = RecordOrFail(hwnd);
  if (record == nullptr) return win::FALSE;
  const POINT origin = OriginOnScreen(hwnd);
  *rect = RECT{origin.x, origin.y, origin.x + record->rect.Width(), origin.y + record->rect.Height()};
  return win::TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* point) {
  if (RecordOrFail(hwnd) == nullptr) return win::FALSE;
  const POINT origin = OriginOnScreen(hwnd);
  point->x += origin.x;
  point->y += origin.y;
  return win::TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* point) {
  if (RecordOrFail(hwnd) == nullptr) return win::FALSE;
  const POINT origin = OriginOnScreen(hwnd);
  point->x -= origin.x;
  point->y -= origin.y;
  return win::TRUE;
}

BOOL SetWindowPos(HWND hwnd, HWND, int x, int y, int cx, int cy, UINT flags) {
  WindowRecord* record = RecordOrFail(hwnd);
  if (record == nullptr) return win::FALSE;
  const RECT old = record->rect;
  RECT next = old;
  if ((flags & SWP_NOMOVE) == 0) next = RECT{x, y, x + old.Width(), y + old.Height()};
  if ((flags & SWP_NOSIZE) == 0) next.right = next.left + cx, next.bottom = next.top + cy;
  if (next != old) {
    if (IsWindowVisible(hwnd)) InvalidateArea(hwnd);
    record->rect = next;
    if (record->surface) SurfaceGeometryChanged(*record);
    if (next.left != old.left || next.top != old.top)
      SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(next.left), static_cast<WORD>(next.top)));
    if (next.Width() != old.Width() || next.Height() != old.Height()) {
      SendMessage(hwnd, WM_SIZE, 0, MAKELPARAM(static_cast<WORD>(next.Width()), static_cast<WORD>(next.Height())));
    }
    InvalidateRect(hwnd, nullptr, win::TRUE);
    SyncNativeWidgets(TopLevelOf(hwnd));
  }
  if ((flags & SWP_FRAMECHANGED) != 0) InvalidateRect(hwnd, nullptr, win::TRUE);
  if ((flags & SWP_SHOWWINDOW) != 0) ShowWindow(hwnd, SW_SHOWNA);
  if ((flags & SWP_HIDEWINDOW) != 0) ShowWindow(hwnd, SW_HIDE);
  return win::TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND SetFocus(HWND hwnd) {
  auto& state = State();
  if (hwnd != nullptr && RecordOrFail(hwnd) == nullptr) return nullptr;
  const HWND old = state.focus;
  if (old == hwnd) return old;
  if (hwnd != nullptr && state.active != TopLevelOf(hwnd)) SetActiveWindow(TopLevelOf(hwnd));
  state.focus = hwnd;
  if (IsWindow(old)) SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  if (hwnd != nullptr && state.focus == hwnd) SendMessage(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  if (hwnd != nullptr && state.focus == hwnd) SurfaceFollowFocus(hwnd);
  return IsWindow(old) ? old : nullptr;
}

HWND GetFocus() { return IsWindow(State().focus) ? State().focus : nullptr; }

HWND SetActiveWindow(HWND hwnd) {
  auto& state = State();
  const HWND old = IsWindow(state.active) ? state.active : nullptr;
  if (old == hwnd) return old;
  state.active = hwnd;
  if (old != nullptr) SendMessage(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
  if (hwnd != nullptr) SendMessage(hwnd, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
  return old;
}

HWND GetActiveWindow() { return IsWindow(State().active) ? State().active : nullptr; }

HWND SetCapture(HWND hwnd) {
  auto& state = State();
  const HWND old = IsWindow(state.capture) ? state.capture : nullptr;
  state.capture = hwnd;
  if (old != nullptr && old != hwnd) SendMessage(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  return old;
}

BOOL ReleaseCapture() {
  auto& state = State();
  const HWND old = std::exchange(state.capture, nullptr);
  if (IsWindow(old)) SendMessage(old, WM_CAPTURECHANGED, 0, 0);
  return win::TRUE;
}

HWND GetCapture() { return IsWindow(State().capture) ? State().capture : nullptr; }

BOOL TrackMouseEvent(TRACKMOUSEEVENT* track) {
  WindowRecord* record = RecordOrFail(track->hwndTrack);
  if (record == nullptr) return win::FALSE;
  if ((track->dwFlags & TME_LEAVE) != 0) record->trackLeave = (track->dwFlags & TME_CANCEL) == 0;
  return win::TRUE;
}

HWND FindWindowA(const char* className, const char* windowName) {
  for (HWND hwnd : WindowsInTreeOrder()) {
    const WindowRecord* record = FindWindowRecord(hwnd);
    if (record->parent != nullptr) continue;
    if (className != nullptr && ::strcasecmp(className, record->className.c_str()) != 0) continue;
    if (windowName != nullptr && record->text != windowName) continue;
    return hwnd;
  }
  return nullptr;
}

}  // namespace ui
