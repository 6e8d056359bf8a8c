// Painting of windows: invalidation, BeginPaint and EndPaint, window DCs over the top-level
// window's surface, and saving what a window shows.
#include "platform/ui/gdi_internal.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/messages.h"
#include "platform/ui/surface_internal.h"
#include "platform/ui/window_api.h"
#include "platform/ui/window_table.h"
#include "platform/win/last_error.h"

#include <utility>

namespace ui {
namespace {

POINT SurfaceOrigin(HWND hwnd) {
  POINT at;
  for (const WindowRecord* record = FindWindowRecord(hwnd); record->parent != nullptr;
       record = FindWindowRecord(record->parent)) {
    at.x += record->rect.left;
    at.y += record->rect.top;
  }
  return at;
}

RECT SurfaceRect(HWND hwnd) {
  const POINT at = SurfaceOrigin(hwnd);
  const WindowRecord* record = FindWindowRecord(hwnd);
  return RECT{at.x, at.y, at.x + record->rect.Width(), at.y + record->rect.Height()};
}

// The window's client area on its top-level surface, cut by every ancestor's.
RECT VisibleArea(HWND hwnd) {
  RECT area = SurfaceRect(hwnd);
  for (HWND up = FindWindowRecord(hwnd)->parent; up != nullptr; up = FindWindowRecord(up)->parent) {
    const RECT outer = SurfaceRect(up);
    area.left = std::max(area.left, outer.left);
    area.top = std::max(area.top, outer.top);
    area.right = std::max(area.left, std::min(area.right, outer.right));
    area.bottom = std::max(area.top, std::min(area.bottom, outer.bottom));
  }
  return area;
}

HDC WindowDc(HWND hwnd) {
  WindowRecord* top = FindWindowRecord(TopLevelOf(hwnd));
  if (top == nullptr || !top->surface) return nullptr;
  return AddWindowDc(hwnd, &SurfaceImage(*top), SurfaceOrigin(hwnd), VisibleArea(hwnd));
}

void Present(HWND hwnd) {
  if (WindowRecord* top = FindWindowRecord(TopLevelOf(hwnd))) SurfacePresent(*top);
}

}  // namespace

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
  WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr || paint == nullptr) {
    win::SetLastError(win::ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  const HDC dc = WindowDc(hwnd);
  record->invalid = false;
  paint->hdc = dc;
  GetClientRect(hwnd, &paint->rcPaint);
  paint->fErase = win::FALSE;
  if (std::exchange(record->eraseNeeded, false)) {
    paint->fErase = SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0 ? win::TRUE : win::FALSE;
  }
  return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
  if (paint != nullptr) DeleteDC(paint->hdc);
  Present(hwnd);
  return win::TRUE;
}

// GetDC(NULL) is the screen: a true-colour DC that drawing into leaves no trace.
HDC GetDC(HWND hwnd) {
  if (hwnd == nullptr) return CreateScreenDc();
  return WindowDc(hwnd);
}

int ReleaseDC(HWND hwnd, HDC dc) {
  if (hwnd != nullptr) Present(hwnd);
  return DeleteDC(dc);
}

BOOL InvalidateRect(HWND hwnd, const RECT*, BOOL erase) {
  if (hwnd != nullptr && FindWindowRecord(hwnd) == nullptr) return win::Fail(win::ERROR_INVALID_WINDOW_HANDLE);
  const auto windows = hwnd != nullptr ? WindowAndDescendants(hwnd) : WindowsInTreeOrder();
  for (HWND each : windows) {
    WindowRecord* record = FindWindowRecord(each);
    record->invalid = true;
    record->eraseNeeded = record->eraseNeeded || erase != win::FALSE || each != hwnd;
  }
  return win::TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT*) {
  WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr) return win::Fail(win::ERROR_INVALID_WINDOW_HANDLE);
  record->invalid = false;
  record->eraseNeeded = false;
  return win::TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
  const WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr) return win::Fail(win::ERROR_INVALID_WINDOW_HANDLE);
  if (record->invalid && IsWindowVisible(hwnd)) SendMessage(hwnd, WM_PAINT, 0, 0);
  return win::TRUE;
}

// With RDW_UPDATENOW the window's invalid descendants are painted too: they share its surface,
// so painting the parent alone would leave them covered until the next pump.
BOOL RedrawWindow(HWND hwnd, const RECT* rect, void*, UINT flags) {
  if (FindWindowRecord(hwnd) == nullptr) return win::Fail(win::ERROR_INVALID_WINDOW_HANDLE);
  if ((flags & RDW_INVALIDATE) != 0) InvalidateRect(hwnd, rect, (flags & RDW_ERASE) != 0 ? win::TRUE : win::FALSE);
  if ((flags & (RDW_UPDATENOW | RDW_ERASENOW)) != 0) {
    for (HWND each : WindowAndDescendants(hwnd)) {
      if (IsWindow(each)) UpdateWindow(each);
    }
  }
  return win::TRUE;
}

bool SaveWindowPng(HWND hwnd, const std::string& path) {
  const HWND top = TopLevelOf(hwnd);
  WindowRecord* record = FindWindowRecord(top);
  if (record == nullptr || !record->surface) return false;
  RedrawWindow(top, nullptr, nullptr, RDW_UPDATENOW);
  return GrabSurface(*record).save(QString::fromStdString(path), "PNG");
}

}  // namespace ui
