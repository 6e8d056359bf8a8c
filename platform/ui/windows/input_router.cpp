#include "platform/ui/windows/input_router.h"

#include "platform/ui/windows/cursor.h"
#include "platform/ui/windows/layered.h"
#include "platform/ui/windows/surface_internal.h"

#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_table.h"

#include <vector>

namespace ui {
namespace {

HWND& Hovered() {
  static HWND hovered = nullptr;
  return hovered;
}

struct Drag {
  HWND window = nullptr;
  POINT startScreen;
  POINT startOrigin;
};

Drag& TheDrag() {
  static Drag drag;
  return drag;
}

POINT& LastScreenPoint() {
  static POINT point;
  return point;
}

// While a window is dragged it follows the mouse, whatever lies under it.
bool FollowDrag(UINT message, POINT screen) {
  Drag& drag = TheDrag();
  if (!IsWindow(drag.window)) return false;
  RECT rect;
  GetWindowRect(drag.window, &rect);
  SetWindowPos(drag.window, nullptr, drag.startOrigin.x + screen.x - drag.startScreen.x,
               drag.startOrigin.y + screen.y - drag.startScreen.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  if (message == WM_LBUTTONUP) drag.window = nullptr;
  return true;
}

constexpr UINT SC_CLOSE = 0xF060;

HWND HitChild(HWND parent, POINT point) {
  const WindowRecord* record = FindWindowRecord(parent);
  // Later siblings lie on top.
  const std::vector<HWND> children = record->children;
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    const HWND child = *it;
    const WindowRecord* each = FindWindowRecord(child);
    if (!IsWindowVisible(child) || !each->rect.Contains(point)) continue;
    const POINT inner{point.x - each->rect.left, point.y - each->rect.top};
    if (HWND deeper = HitChild(child, inner)) return deeper;
    if (!IsWindowEnabled(child)) return nullptr;
    POINT screen = point;
    ClientToScreen(parent, &screen);
    if (SendMessage(child, WM_NCHITTEST, 0, PointToLParam(screen)) == HTTRANSPARENT) continue;
    return child;
  }
  return nullptr;
}

void NoteHover(HWND now) {
  HWND& hovered = Hovered();
  if (hovered == now) return;
  if (WindowRecord* old = FindWindowRecord(hovered); old != nullptr && old->trackLeave) {
    old->trackLeave = false;
    PostMessage(hovered, WM_MOUSELEAVE, 0, 0);
  }
  hovered = now;
}

}  // namespace

HWND ChildWindowAt(HWND topLevel, POINT client) {
  if (!IsWindowVisible(topLevel)) return nullptr;
  HWND child = HitChild(topLevel, client);
  return child != nullptr ? child : topLevel;
}

POINT LastMousePosition() { return LastScreenPoint(); }

void BeginWindowDrag(HWND topLevel) {
  WindowRecord* record = FindWindowRecord(topLevel);
  if (record == nullptr || !record->surface || SurfaceStartSystemMove(*record)) return;
  RECT rect;
  GetWindowRect(topLevel, &rect);
  TheDrag() = Drag{topLevel, LastScreenPoint(), POINT{rect.left, rect.top}};
}

HWND RouteMouse(HWND topLevel, UINT message, POINT client, WPARAM keys) {
  POINT screen = client;
  ClientToScreen(topLevel, &screen);
  LastScreenPoint() = screen;
  if (FollowDrag(message, screen)) return TheDrag().window != nullptr ? TheDrag().window : topLevel;
  HWND target = GetCapture();
  if (target == nullptr) {
    if (!IsWindowEnabled(topLevel)) return nullptr;
    target = ChildWindowAt(topLevel, client);
    if (target == nullptr) return nullptr;
  }
  POINT local = client;
  ClientToScreen(topLevel, &local);
  ScreenToClient(target, &local);
  NoteHover(target);
  // The window under the mouse chooses the cursor, or leaves the arrow.
  if (message == WM_MOUSEMOVE && GetCapture() == nullptr &&
      SendMessage(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
                  MAKELPARAM(static_cast<WORD>(HTCLIENT), static_cast<WORD>(message))) == 0) {
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
  }
  PostMessage(target, message, keys, PointToLParam(local));
  return target;
}

HWND RouteKey(UINT message, UINT virtualKey) {
  HWND target = GetFocus();
  if (target == nullptr) target = GetActiveWindow();
  if (target == nullptr || !AcceptsInput(TopLevelOf(target))) return nullptr;
  PostMessage(target, message, virtualKey, message == WM_KEYUP ? static_cast<LPARAM>(0xC0000001) : 1);
  return target;
}

HWND RouteDesktopKey(HWND receiver, UINT message, UINT virtualKey) {
  const HWND focus = GetFocus();
  if ((focus == nullptr || TopLevelOf(focus) != TopLevelOf(receiver)) && IsWindowEnabled(TopLevelOf(receiver))) {
    SetFocus(receiver);
  }
  return RouteKey(message, virtualKey);
}

void RouteSystemClose(HWND topLevel) {
  if (IsWindowEnabled(topLevel)) PostMessage(topLevel, WM_SYSCOMMAND, SC_CLOSE, 0);
}

}  // namespace ui
