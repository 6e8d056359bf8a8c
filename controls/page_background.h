// The WM_PAINT work that every page, the main sheet and the small dialogs share: the default
// painting, then the application's background bitmap over the client area.
#pragma once

#include "platform/ui/gdi/cdc.h"
#include "platform/ui/windows/cwnd.h"

namespace tarnlok {

int PaintPageBackground(ui::CWnd& window, ui::CDC* paintDc);

// A whole WM_PAINT handler: a paint DC for the window and PaintPageBackground with it.
void PaintWithPageBackground(ui::CWnd& window);

}  // namespace tarnlok
