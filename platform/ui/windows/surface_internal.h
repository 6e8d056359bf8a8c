// Qt access to a top-level window's surface, for the framework's Qt-side code.
#pragma once

#include "platform/ui/windows/surface.h"

#include <QImage>
#include <QWidget>

namespace ui {

// Creates the Qt application on first use; QT_QPA_PLATFORM picks the display (offscreen in tests).
void EnsureQtApplication();

QImage& SurfaceImage(WindowRecord& record);
// The widget that shows the window; native Qt controls become its children.
QWidget& SurfaceWidget(WindowRecord& record);
// What the window shows, native Qt controls included; colour-keyed pixels of a layered window
// are transparent.
QImage GrabSurface(WindowRecord& record);

struct LayeredAttributes {
  COLORREF key = 0;
  BYTE alpha = 255;
  DWORD flags = 0;
};
LayeredAttributes& SurfaceLayered(WindowRecord& record);
// The desktop's icon of the window.
void SetSurfaceIcon(WindowRecord& record, HICON icon);
// Asks the desktop to move the window with the mouse; false where it cannot (offscreen).
bool SurfaceStartSystemMove(WindowRecord& record);

// Windows virtual-key codes of the Qt keys the dialogs use (0 for any other); letters and digits
// map to themselves.
UINT VirtualKeyOf(int qtKey);
bool IsLetterOrDigitKey(int qtKey);

}  // namespace ui
