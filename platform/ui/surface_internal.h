// Qt access to a top-level window's surface, for the framework's Qt-side code.
#pragma once

#include "platform/ui/surface.h"

#include <QImage>
#include <QWidget>

namespace ui {

// Creates the Qt application on first use; QT_QPA_PLATFORM picks the display (offscreen in tests).
void EnsureQtApplication();

QImage& SurfaceImage(WindowRecord& record);
// The widget that shows the window; native Qt controls become its children.
QWidget& SurfaceWidget(WindowRecord& record);
// What the window shows, native Qt controls included.
QImage GrabSurface(WindowRecord& record);

}  // namespace ui
