#include "platform/ui/native_control.h"

#include "platform/ui/gdi_internal.h"
#include "platform/ui/surface_internal.h"
#include "platform/ui/window_api.h"

namespace ui {

NativeControlState::~NativeControlState() = default;

QWidget& NativeControlState::HostOf(HWND hwnd) { return SurfaceWidget(*FindWindowRecord(TopLevelOf(hwnd))); }

void NativeControlState::Place(HWND hwnd) {
  if (!widget) return;
  RECT rect;
  GetWindowRect(hwnd, &rect);
  POINT origin{rect.left, rect.top};
  ScreenToClient(TopLevelOf(hwnd), &origin);
  widget->setGeometry(origin.x, origin.y, rect.Width(), rect.Height());
  widget->setVisible(IsWindowVisible(hwnd) != 0);
  widget->setEnabled(IsWindowEnabled(hwnd) != 0);
}

void SyncNativeWidgets(HWND topLevel) {
  for (HWND hwnd : WindowAndDescendants(topLevel)) {
    WindowRecord* record = FindWindowRecord(hwnd);
    if (auto* native = dynamic_cast<NativeControlState*>(record->control.get())) native->Place(hwnd);
  }
}

QFont QtFontOf(void* font) {
  const FontData* data = FindFont(font);
  return data != nullptr ? data->font : FindFont(DefaultFont())->font;
}

}  // namespace ui
