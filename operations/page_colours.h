// The brushes the operation pages paint their value texts with: the application object's brush
// of a colour.
#pragma once

#include "platform/ui/cdc.h"
#include "platform/ui/gdi.h"

namespace tarnlok {

// The application's brush of that colour; the hollow brush when it has none.
ui::HBRUSH ApplicationBrush(ui::COLORREF colour);

// Paints a static's text transparently in colour over the application's brush of it.
ui::HBRUSH ColouredStatic(ui::CDC* dc, ui::COLORREF colour);

}  // namespace tarnlok
