#include "platform/ui/windows/cursor.h"

#include "platform/ui/windows/input_router.h"
#include "platform/ui/windows/module_cursors_internal.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/surface_internal.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_table.h"
#include "platform/win/system/last_error.h"

#include <utility>

namespace ui {
namespace {

constexpr std::uintptr_t kCursorBase = 0x7F0000;

HCURSOR& Current() {
  static HCURSOR current = nullptr;
  return current;
}

QCursor ShapeOf(HCURSOR cursor) {
  if (auto fromModule = ModuleCursorShape(cursor)) return *fromModule;
  switch (HandleBits(cursor) - kCursorBase) {
    case IDC_HAND: return Qt::PointingHandCursor;
    case IDC_WAIT: return Qt::WaitCursor;
    default: return Qt::ArrowCursor;
  }
}

}  // namespace

BOOL GetCursorPos(POINT* point) {
  if (point == nullptr) return win::Fail(win::ERROR_INVALID_PARAMETER);
  *point = LastMousePosition();
  return win::TRUE;
}

HWND WindowFromPoint(POINT screen) {
  // Windows made later lie on top.
  const auto windows = WindowsInTreeOrder();
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    const HWND top = *it;
    const WindowRecord* record = FindWindowRecord(top);
    if (record->parent != nullptr || !IsWindowVisible(top) || !record->rect.Contains(screen)) continue;
    POINT client = screen;
    ScreenToClient(top, &client);
    return ChildWindowAt(top, client);
  }
  return nullptr;
}

HCURSOR LoadCursorA(HINSTANCE module, UINT id) {
  if (module != nullptr) return LoadModuleCursor(module, id);
  if (id != IDC_ARROW && id != IDC_WAIT && id != IDC_HAND) {
    win::SetLastError(win::ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  return HandleOf<HCURSOR>(kCursorBase + id);
}

HCURSOR SetCursor(HCURSOR cursor) {
  const HCURSOR old = std::exchange(Current(), cursor);
  const HWND under = WindowFromPoint(LastMousePosition());
  if (WindowRecord* top = FindWindowRecord(TopLevelOf(under)); top != nullptr && top->surface) {
    SurfaceWidget(*top).setCursor(ShapeOf(cursor));
  }
  return old;
}

BOOL CloseWindow(HWND hwnd) {
  WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr || record->parent != nullptr) return win::Fail(win::ERROR_INVALID_WINDOW_HANDLE);
  ShowWindow(hwnd, SW_MINIMIZE);
  if (record->surface) SurfaceWidget(*record).showMinimized();
  return win::TRUE;
}

BOOL IsIconic(HWND hwnd) {
  const WindowRecord* record = FindWindowRecord(hwnd);
  return record != nullptr && (record->style & WS_MINIMIZE) != 0 ? win::TRUE : win::FALSE;
}

}  // namespace ui
