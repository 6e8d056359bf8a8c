#include "platform/ui/layered.h"

#include "platform/ui/gdi.h"
#include "platform/ui/styles.h"
#include "platform/ui/surface_internal.h"
#include "platform/ui/window_api.h"
#include "platform/ui/window_table.h"
#include "platform/win/builtin_modules.h"
#include "platform/win/last_error.h"

namespace ui {
namespace {

WindowRecord* LayeredRecord(HWND hwnd) {
  WindowRecord* record = FindWindowRecord(hwnd);
  if (record == nullptr) {
    win::SetLastError(win::ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (!record->surface || (record->exStyle & WS_EX_LAYERED) == 0) {
    win::SetLastError(win::ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return record;
}

// USER32.DLL hands out the framework's procedure on the Windows versions that have it.
const bool kRegistered = [] {
  win::SetBuiltinProcedure("USER32.DLL", "SetLayeredWindowAttributes",
                           reinterpret_cast<win::FARPROC>(&SetLayeredWindowAttributes));
  return true;
}();

}  // namespace

BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags) {
  WindowRecord* record = LayeredRecord(hwnd);
  if (record == nullptr) return win::FALSE;
  SurfaceLayered(*record) = LayeredAttributes{key & 0xFFFFFF, alpha, flags};
  QWidget& widget = SurfaceWidget(*record);
  widget.setAttribute(Qt::WA_TranslucentBackground, (flags & LWA_COLORKEY) != 0);
  widget.setWindowOpacity((flags & LWA_ALPHA) != 0 ? alpha / 255.0 : 1.0);
  InvalidateRect(hwnd, nullptr, win::TRUE);
  return win::TRUE;
}

BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* key, BYTE* alpha, DWORD* flags) {
  WindowRecord* record = LayeredRecord(hwnd);
  if (record == nullptr) return win::FALSE;
  const LayeredAttributes& layered = SurfaceLayered(*record);
  if (key != nullptr) *key = layered.key;
  if (alpha != nullptr) *alpha = layered.alpha;
  if (flags != nullptr) *flags = layered.flags;
  return win::TRUE;
}

}  // namespace ui
