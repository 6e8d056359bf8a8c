// Controls that are native Qt widgets (edits, list views): the widget sits on the top-level
// window's surface at the control's place and follows its visibility and enabled state (and
// takes no mouse input while a window it sits in is disabled).
#pragma once

#include "platform/ui/windows/window_table.h"

#include <QWidget>

#include <memory>

namespace ui {

class NativeControlState : public ControlState {
 public:
  ~NativeControlState() override;
  // Creates the widget over the control's place on the top-level surface.
  template <typename Widget>
  Widget& Make(HWND hwnd) {
    auto* made = new Widget(&HostOf(hwnd));
    widget.reset(made);
    Bridge(hwnd, *made);
    Place(hwnd);
    return *made;
  }
  void Place(HWND hwnd);
  std::unique_ptr<QWidget> widget;
  // A widget that covers only the top of its control (a tab row) keeps to this height.
  int heightLimit = 0;
  // ... and a widget narrower than its control (the tabs of a tab row) to this width.
  int widthLimit = 0;
  // A control that paints its current view through GDI keeps its widget hidden.
  bool selfPainted = false;

 private:
  static QWidget& HostOf(HWND hwnd);
  // Desktop input on the widget: the dialog keys (Tab, Enter, Escape, F1) go to the queue as
  // they would on Windows, and taking the Qt focus gives the control the focus.
  static void Bridge(HWND hwnd, QWidget& widget);
};

// Moves and shows or hides the native widgets of a top-level window's tree to match the table.
void SyncNativeWidgets(HWND topLevel);
// The Qt font of a GDI font handle (the default font for null).
QFont QtFontOf(void* font);

}  // namespace ui
