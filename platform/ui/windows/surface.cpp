#include "platform/ui/windows/surface_internal.h"

#include "platform/ui/windows/desktop_screen.h"
#include "platform/ui/gdi/gdi_internal.h"
#include "platform/ui/windows/input_router.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/native_control.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_table.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPaintEvent>
#include <QWindow>

#include <utility>
#include <QPainter>
#include <QTimer>

namespace ui {

class Surface {
 public:
  explicit Surface(WindowRecord& record);
  QImage image;
  LayeredAttributes layered;
  std::unique_ptr<QWidget> widget;
  HWND hwnd = nullptr;
};

namespace {

// The surface as shown: the colour key of a layered window becomes transparent.
QImage Presented(const Surface& surface, const QImage& drawn) {
  if ((surface.layered.flags & 0x1) == 0) return drawn;
  QImage shown = drawn.convertToFormat(QImage::Format_ARGB32);
  const QRgb key =
      qRgb(surface.layered.key & 0xFF, (surface.layered.key >> 8) & 0xFF, (surface.layered.key >> 16) & 0xFF);
  const int width = shown.width();
  for (int y = 0; y < shown.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(shown.scanLine(y));
    for (int x = 0; x < width; ++x) {
      if ((line[x] & 0xFFFFFFu) == (key & 0xFFFFFFu)) line[x] = 0;
    }
  }
  return shown;
}

POINT ClientPoint(const QPointF& p) { return POINT{static_cast<LONG>(p.x()), static_cast<LONG>(p.y())}; }

WPARAM KeysOf(Qt::MouseButtons buttons) { return (buttons & Qt::LeftButton) != 0 ? MK_LBUTTON : 0; }

class SurfaceView final : public QWidget {
 public:
  explicit SurfaceView(Surface& surface) : surface_(surface) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
  }

 protected:
  // Only the part that changed: a whole window a repaint would cost a busy run more than its work.
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    const QRect area = event->rect();
    if ((surface_.layered.flags & 0x1) == 0) {
      painter.drawImage(area.topLeft(), surface_.image, area);
      return;
    }
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(area.topLeft(), Presented(surface_, surface_.image.copy(area)));
  }
  // The window's place is its frame's, as PlaceSurface sets it.
  void moveEvent(QMoveEvent*) override {
    if (WindowRecord* record = FindWindowRecord(surface_.hwnd)) {
      const int width = record->rect.Width();
      const int height = record->rect.Height();
      record->rect = RECT{pos().x(), pos().y(), pos().x() + width, pos().y() + height};
    }
  }
  void mousePressEvent(QMouseEvent* event) override { Route(WM_LBUTTONDOWN, event); }
  void mouseReleaseEvent(QMouseEvent* event) override { Route(WM_LBUTTONUP, event); }
  void mouseDoubleClickEvent(QMouseEvent* event) override { Route(WM_LBUTTONDBLCLK, event); }
  void mouseMoveEvent(QMouseEvent* event) override { Route(WM_MOUSEMOVE, event); }
  void keyPressEvent(QKeyEvent* event) override { Key(WM_KEYDOWN, event); }
  // Tab belongs to the dialog manager: Qt must not move its own focus among the native controls.
  bool focusNextPrevChild(bool) override { return false; }
  void keyReleaseEvent(QKeyEvent* event) override { Key(WM_KEYUP, event); }
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    RouteSystemClose(surface_.hwnd);
  }

 private:
  void Route(UINT message, QMouseEvent* event) {
    if (event->button() != Qt::LeftButton && message != WM_MOUSEMOVE) return;
    RouteMouse(surface_.hwnd, message, ClientPoint(event->position()), KeysOf(event->buttons()));
  }
  // With Alt held keys are system keys, so that Alt and a letter reach the dialog's mnemonics.
  void Key(UINT message, QKeyEvent* event) {
    const UINT vk = VirtualKeyOf(event->key());
    if (vk == 0) return;
    const bool alt = (event->modifiers() & Qt::AltModifier) != 0 || vk == VK_MENU;
    if (alt) message = message == WM_KEYDOWN ? WM_SYSKEYDOWN : WM_SYSKEYUP;
    RouteDesktopKey(surface_.hwnd, message, vk);
  }
  Surface& surface_;
};

}  // namespace

bool IsLetterOrDigitKey(int key) {
  return (key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9);
}

UINT VirtualKeyOf(int key) {
  switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_F1: return VK_F1;
    default: break;
  }
  if (IsLetterOrDigitKey(key)) return static_cast<UINT>(key);
  return 0;
}

Surface::Surface(WindowRecord& record) : hwnd(record.handle) {
  image = QImage(std::max(1, record.rect.Width()), std::max(1, record.rect.Height()), QImage::Format_RGB32);
  image.fill(qRgb(212, 208, 200));
}

void SurfaceDeleter::operator()(Surface* surface) const { delete surface; }

void EnsureQtApplication() {
  if (QApplication::instance() != nullptr) return;
  // With no display at all (a tool, a fuzzer) the windows live offscreen rather than abort.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  static int argc = 1;
  static char name[] = "tarnlok";
  static char* argv[] = {name, nullptr};
  static QApplication* application = new QApplication(argc, argv);
  (void)application;
}

bool ShowsOnScreen() {
  EnsureQtApplication();
  const QString platform = QGuiApplication::platformName();
  return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void SurfaceFollowFocus(HWND focus) {
  WindowRecord* record = FindWindowRecord(focus);
  if (record == nullptr || dynamic_cast<NativeControlState*>(record->control.get()) != nullptr) return;
  WindowRecord* top = FindWindowRecord(TopLevelOf(focus));
  if (top != nullptr && top->surface) SurfaceWidget(*top).setFocus(Qt::OtherFocusReason);
}

void SurfaceTakeKeyboard(HWND topLevel) {
  const WindowRecord* record = FindWindowRecord(topLevel);
  if (record == nullptr || !record->surface || !record->surface->widget) return;
  QWidget& widget = *record->surface->widget;
  if (widget.isVisible() && QGuiApplication::applicationState() == Qt::ApplicationActive) widget.activateWindow();
}

void AttachSurface(WindowRecord& record) {
  EnsureQtApplication();
  record.surface.reset(new Surface(record));
}

QImage& SurfaceImage(WindowRecord& record) { return record.surface->image; }

// Windows without a caption are frameless on the desktop; tooltips are Qt tooltips; an owned
// window stays above its owner.
Qt::WindowFlags FlagsOf(const WindowRecord& record) {
  if (record.className == "tooltips_class32") return Qt::ToolTip;
  // Only a dialog's window tells the desktop whose it is (transient for its owner).
  Qt::WindowFlags flags = FindWindowRecord(record.owner) != nullptr ? Qt::Dialog : Qt::Window;
  if ((record.style & WS_CAPTION) != WS_CAPTION) flags |= Qt::FramelessWindowHint;
  return flags;
}

// A window's position is where its frame starts, caption included, as on Windows; a window
// without a sizing border keeps its size on the desktop too.
void PlaceSurface(QWidget& widget, const WindowRecord& record, const QSize& size) {
  if ((record.style & WS_THICKFRAME) == 0) {
    widget.setFixedSize(size);
  } else {
    widget.setMinimumSize(0, 0);
    widget.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    widget.resize(size);
  }
  widget.move(record.rect.left, record.rect.top);
}

QWidget& SurfaceWidget(WindowRecord& record) {
  Surface& surface = *record.surface;
  if (!surface.widget) {
    surface.widget = std::make_unique<SurfaceView>(surface);
    WindowRecord* owner = FindWindowRecord(record.owner);
    surface.widget->setParent(owner != nullptr && owner->surface ? &SurfaceWidget(*owner) : nullptr, FlagsOf(record));
    surface.widget->setWindowTitle(QString::fromLatin1(record.text.c_str()));
    PlaceSurface(*surface.widget, record, QSize(record.rect.Width(), record.rect.Height()));
  }
  return *surface.widget;
}

void SurfaceShow(WindowRecord& record, bool show) {
  QWidget& widget = SurfaceWidget(record);
  widget.setVisible(show);
}

void SurfaceGeometryChanged(WindowRecord& record) {
  Surface& surface = *record.surface;
  const QSize size(std::max(1, record.rect.Width()), std::max(1, record.rect.Height()));
  if (surface.image.size() != size) {
    QImage resized(size, QImage::Format_RGB32);
    resized.fill(qRgb(212, 208, 200));
    QPainter(&resized).drawImage(0, 0, surface.image);
    surface.image = resized;
  }
  if (surface.widget) PlaceSurface(*surface.widget, record, size);
}

void SurfacePresent(WindowRecord& record, const RECT& area) {
  if (record.surface && record.surface->widget)
    record.surface->widget->update(QRect(area.left, area.top, area.Width(), area.Height()));
}

QImage GrabSurface(WindowRecord& record) {
  Surface& surface = *record.surface;
  if (!surface.widget || surface.widget->children().isEmpty()) return Presented(surface, surface.image);
  // Grab the opaque drawing, then apply the key, so that native controls are included.
  const LayeredAttributes layered = std::exchange(surface.layered, LayeredAttributes{});
  const QImage grabbed = surface.widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
  surface.layered = layered;
  return Presented(surface, grabbed);
}

LayeredAttributes& SurfaceLayered(WindowRecord& record) { return record.surface->layered; }

void SetSurfaceIcon(WindowRecord& record, HICON icon) {
  const IconData* data = FindIcon(icon);
  SurfaceWidget(record).setWindowIcon(data != nullptr ? QIcon(QPixmap::fromImage(data->image)) : QIcon());
}

bool SurfaceStartSystemMove(WindowRecord& record) {
  QWidget& widget = SurfaceWidget(record);
  QWindow* window = widget.windowHandle();
  return window != nullptr && widget.isVisible() && window->startSystemMove();
}

void PollDesktopEvents() {
  if (QCoreApplication::instance() != nullptr) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WaitDesktopEvents(int timeoutMs) {
  EnsureQtApplication();
  QEventLoop loop;
  if (timeoutMs >= 0) QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  loop.processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace ui
