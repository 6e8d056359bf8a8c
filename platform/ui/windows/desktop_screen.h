// Whether the program's windows reach a screen a person sees.
#pragma once

namespace ui {

// False when the windows live offscreen (no display, or QT_QPA_PLATFORM=offscreen): nobody
// could answer a window there, so a program tells its news on standard error alone.
bool ShowsOnScreen();

}  // namespace ui
