#include "platform/ui/input_router.h"

#include "platform/ui/message_queue.h"
#include "platform/ui/messages.h"
#include "platform/ui/window_api.h"
#include "platform/ui/window_table.h"

#include <ranges>

namespace ui {
namespace {

HWND& Hovered() {
  static HWND hovered = nullptr;
  return hovered;
}

constexpr UINT SC_CLOSE = 0xF060;

HWND HitChild(HWND parent, POINT point) {
  const WindowRecord* record = FindWindowRecord(parent);
  // Later siblings lie on top.
  for (HWND child : std::views::reverse(record->children)) {
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

HWND RouteMouse(HWND topLevel, UINT message, POINT client, WPARAM keys) {
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

void RouteSystemClose(HWND topLevel) {
  if (IsWindowEnabled(topLevel)) PostMessage(topLevel, WM_SYSCOMMAND, SC_CLOSE, 0);
}

}  // namespace ui
