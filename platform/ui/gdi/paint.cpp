// Painting of windows: invalidation, BeginPaint and EndPaint, window DCs over the top-level
// window's surface, and saving what a window shows.
#include "platform/ui/gdi/gdi_internal.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/surface_internal.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_table.h"
#include "platform/win/system/last_error.h"

#include <optional>
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
QRegion VisibleArea(HWND hwnd) {
  RECT area = SurfaceRect(hwnd);
  for (HWND up = FindWindowRecord(hwnd)->parent; up != nullptr; up = FindWindowRecord(up)->parent) {
    const RECT outer = SurfaceRect(up);
    area.left = std::max(area.left, outer.left);
    area.top = std::max(area.top, outer.top);
    area.right = std::max(area.left, std::min(area.right, outer.right));
    area.bottom = std::max(area.top, std::min(area.bottom, outer.bottom));
  }
  return area.Width() > 0 && area.Height() > 0 ? QRegion(ToQRect(area)) : QRegion();
}

// A DC over the window's visible part; a paint DC is further cut to the update region (client coordinates).
HDC WindowDc(HWND hwnd, const std::optional<QRegion>& update = std::nullopt) {
  WindowRecord* top = FindWindowRecord(TopLevelOf(hwnd));
  if (top == nullptr || !top->surface) return nullptr;
  const POINT origin = SurfaceOrigin(hwnd);
  QRegion clip = VisibleArea(hwnd);
  if (update) clip = clip.intersected(update->translated(origin.x, origin.y));
  return AddWindowDc(hwnd, &SurfaceImage(*top), origin, clip);
}

// Invalidating without a rectangle covers whatever size the window has when it paints.
QRegion Everything() { return QRegion(-(1 << 24), -(1 << 24), 1 << 25, 1 << 25); }

QRegion UpdateOf(const WindowRecord& record) {
  QRegion region;
  for (const RECT& part : record.update) region += ToQRect(part);
  return region;
}

void StoreUpdate(WindowRecord& record, const QRegion& region) {
  record.update.clear();
  for (const QRect& part : region) record.update.push_back(FromQRect(part));
  record.invalid = !region.isEmpty();
  if (!record.invalid) record.eraseNeeded = false;
}

QRegion ClientRegion(HWND hwnd) {
  RECT client;
  GetClientRect(hwnd, &client);
  return client.Width() > 0 && client.Height() > 0 ? QRegion(ToQRect(client)) : QRegion();
}

// The update region within the client area now.
QRegion CurrentUpdate(HWND hwnd) { return UpdateOf(*FindWindowRecord(hwnd)).intersected(ClientRegion(hwnd)); }

// Adds to the update regions of a window and of the descendants under the part (its client
// coordinates; none is the whole window): they share its surface, so its painting covers them.
void AddUpdate(HWND hwnd, const std::optional<QRegion>& part, bool erase, bool self) {
  WindowRecord* record = FindWindowRecord(hwnd);
  StoreUpdate(*record, UpdateOf(*record).united(part ? *part : Everything()));
  record->eraseNeeded = record->eraseNeeded || erase || !self;
  for (HWND child : record->children) {
    const WindowRecord* inner = FindWindowRecord(child);
    std::optional<QRegion> under;
    if (part) {
      under = part->translated(-inner->rect.left, -inner->rect.top)
                  .intersected(QRect(0, 0, inner->rect.Width(), inner->rect.Height()));
      if (under->isEmpty()) continue;
    }
    AddUpdate(child, under, erase, false);
  }
}

// Sends WM_ERASEBKGND with a DC cut to the update region when the region asks for erasing;
// answers whether the window left the background to be erased by the painting.
BOOL EraseIfNeeded(HWND hwnd, WindowRecord& record, HDC dc) {
  if (!std::exchange(record.eraseNeeded, false)) return win::FALSE;
  return SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0 ? win::TRUE : win::FALSE;
}

// What a window drew shows: its part of the top-level surface.
void Present(HWND hwnd) {
  if (WindowRecord* top = FindWindowRecord(TopLevelOf(hwnd))) SurfacePresent(*top, BoundsOf(VisibleArea(hwnd)));
}

}  // namespace

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
  WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr || paint == nullptr) {
    win::SetLastError(win::ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  // A WM_PAINT sent with nothing invalid paints the whole client area.
  const QRegion update = record->invalid ? CurrentUpdate(hwnd) : ClientRegion(hwnd);
  const HDC dc = WindowDc(hwnd, update);
  const bool erase = record->eraseNeeded;
  StoreUpdate(*record, QRegion());
  record->eraseNeeded = erase;
  paint->hdc = dc;
  paint->rcPaint = BoundsOf(update);
  paint->fErase = EraseIfNeeded(hwnd, *record, dc);
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

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  if (hwnd != nullptr && FindWindowRecord(hwnd) == nullptr) return win::Fail(win::ERROR_INVALID_WINDOW_HANDLE);
  if (hwnd == nullptr) {
    for (HWND each : WindowsInTreeOrder()) {
      if (GetParent(each) == nullptr) AddUpdate(each, std::nullopt, erase != win::FALSE, true);
    }
    return win::TRUE;
  }
  std::optional<QRegion> part;
  if (rect != nullptr)
    part = rect->right > rect->left && rect->bottom > rect->top ? QRegion(ToQRect(*rect)) : QRegion();
  AddUpdate(hwnd, part, erase != win::FALSE, true);
  return win::TRUE;
}

BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase) {
  const RegionData* data = FindRegion(region);
  if (FindWindowRecord(hwnd) == nullptr) return win::Fail(win::ERROR_INVALID_WINDOW_HANDLE);
  AddUpdate(hwnd, data != nullptr ? std::optional<QRegion>(data->region) : std::nullopt, erase != win::FALSE, true);
  return win::TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr) return win::Fail(win::ERROR_INVALID_WINDOW_HANDLE);
  QRegion left;
  if (rect != nullptr && rect->right > rect->left && rect->bottom > rect->top)
    left = UpdateOf(*record).subtracted(ToQRect(*rect));
  if (rect != nullptr && (rect->right <= rect->left || rect->bottom <= rect->top)) left = UpdateOf(*record);
  StoreUpdate(*record, left);
  return win::TRUE;
}

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase) {
  WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr) return win::FALSE;
  const QRegion update = CurrentUpdate(hwnd);
  if (rect != nullptr) *rect = BoundsOf(update);
  if (erase != win::FALSE && !update.isEmpty() && record->eraseNeeded) {
    const HDC dc = WindowDc(hwnd, update);
    EraseIfNeeded(hwnd, *record, dc);
    DeleteDC(dc);
    Present(hwnd);
  }
  return update.isEmpty() ? win::FALSE : win::TRUE;
}

int GetUpdateRgn(HWND hwnd, HRGN region, BOOL) {
  RegionData* data = FindRegion(region);
  if (FindWindowRecord(hwnd) == nullptr || data == nullptr) return RGN_ERROR;
  data->region = CurrentUpdate(hwnd);
  if (data->region.isEmpty()) return NULLREGION;
  return data->region.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

BOOL UpdateWindow(HWND hwnd) {
  const WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr) return win::Fail(win::ERROR_INVALID_WINDOW_HANDLE);
  if (record->invalid && IsWindowVisible(hwnd)) SendMessage(hwnd, WM_PAINT, 0, 0);
  return win::TRUE;
}

// With RDW_UPDATENOW the window's invalid descendants are painted too: they share its surface,
// so painting the parent alone would leave them covered until the next pump.
BOOL RedrawWindow(HWND hwnd, const RECT* rect, void* region, UINT flags) {
  if (FindWindowRecord(hwnd) == nullptr) return win::Fail(win::ERROR_INVALID_WINDOW_HANDLE);
  const BOOL erase = (flags & RDW_ERASE) != 0 ? win::TRUE : win::FALSE;
  if ((flags & RDW_INVALIDATE) != 0 && region != nullptr) InvalidateRgn(hwnd, static_cast<HRGN>(region), erase);
  if ((flags & RDW_INVALIDATE) != 0 && region == nullptr) InvalidateRect(hwnd, rect, erase);
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
