#include "platform/ui/windows/native_control.h"

#include "platform/ui/gdi/gdi_internal.h"
#include "platform/ui/windows/input_router.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/surface_internal.h"
#include "platform/ui/windows/window_api.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>

#include <algorithm>

namespace ui {

namespace {

class DialogKeys final : public QObject {
 public:
  DialogKeys(HWND hwnd, QObject* parent) : QObject(parent), hwnd_(hwnd) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // Only a click hands the focus over; Qt's own echoes of SetFocus must not take it back.
    if (event->type() == QEvent::FocusIn && static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason &&
        GetFocus() != hwnd_) {
      SetFocus(hwnd_);
    }
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
      return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool press = event->type() == QEvent::KeyPress;
    // Alt and a letter or digit is a mnemonic of the dialog, not the control's.
    if ((key->modifiers() & Qt::AltModifier) != 0 && IsLetterOrDigitKey(key->key())) {
      RouteDesktopKey(hwnd_, press ? WM_SYSKEYDOWN : WM_SYSKEYUP, static_cast<UINT>(key->key()));
      return true;
    }
    const UINT vk = DialogKeyOf(key->key());
    if (vk == 0) return false;
    RouteDesktopKey(hwnd_, press ? WM_KEYDOWN : WM_KEYUP, vk);
    return true;
  }

 private:
  // The keys a dialog takes from its controls: Tab, Return, Escape and F1.
  static UINT DialogKeyOf(int key) {
    const UINT vk = VirtualKeyOf(key);
    return vk == VK_TAB || vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_F1 ? vk : 0;
  }
  HWND hwnd_;
};

// Whether every window the control sits in, up to its top-level window, is enabled: a disabled
// dialog takes no input through its controls, as on Windows. The walk stops at the top-level
// window, whose owner is disabled while it is modal and must not make its controls deaf.
bool ParentsEnabled(HWND hwnd) {
  const HWND topLevel = TopLevelOf(hwnd);
  for (const WindowRecord* record = FindWindowRecord(hwnd); record != nullptr && record->parent != nullptr;
       record = FindWindowRecord(record->parent)) {
    if (IsWindowEnabled(record->parent) == win::FALSE) return false;
    if (record->parent == topLevel) break;
  }
  return true;
}

}  // namespace

NativeControlState::~NativeControlState() = default;

void NativeControlState::Bridge(HWND hwnd, QWidget& widget) {
  auto* filter = new DialogKeys(hwnd, &widget);
  widget.installEventFilter(filter);
  for (QWidget* inner : widget.findChildren<QWidget*>()) inner->installEventFilter(filter);
}

QWidget& NativeControlState::HostOf(HWND hwnd) { return SurfaceWidget(*FindWindowRecord(TopLevelOf(hwnd))); }

void NativeControlState::Place(HWND hwnd) {
  if (!widget) return;
  RECT rect;
  GetWindowRect(hwnd, &rect);
  POINT origin{rect.left, rect.top};
  ScreenToClient(TopLevelOf(hwnd), &origin);
  const int height = heightLimit > 0 ? std::min<int>(heightLimit, rect.Height()) : rect.Height();
  const int width = widthLimit > 0 ? std::min<int>(widthLimit, rect.Width()) : rect.Width();
  widget->setGeometry(origin.x, origin.y, width, height);
  widget->setVisible(IsWindowVisible(hwnd) != 0 && !selfPainted);
  widget->setEnabled(IsWindowEnabled(hwnd) != 0);
  // Clicks fall through to the surface, which refuses them for a disabled window; the control
  // keeps its look.
  widget->setAttribute(Qt::WA_TransparentForMouseEvents, !ParentsEnabled(hwnd));
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
