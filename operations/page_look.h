// How the operation pages look: their icon buttons, the brushes their value texts are painted
// with (the application object's brush of a colour) and their progress bar at rest.
#pragma once

#include "platform/ui/gdi/cdc.h"
#include "platform/ui/controls/controls.h"
#include "platform/ui/gdi/gdi.h"
#include "controls/icon_button.h"

#include <initializer_list>
#include <utility>

namespace tarnlok {

// The application's brush of that colour; the hollow brush when it has none.
ui::HBRUSH ApplicationBrush(ui::COLORREF colour);

// Paints a static's text transparently over the application's brush of colour, its background.
ui::HBRUSH ColouredStatic(ui::CDC* dc, ui::COLORREF colour);

// Each button gets its icon (no second one) and its face colours shifted by 30.
void DecorateIconButtons(std::initializer_list<std::pair<CIconButton*, win::UINT>> buttons);

// Position 0, range 0 to 100, step 1; enabled or not.
void ResetProgressBar(ui::CProgressCtrl& bar, bool enabled);

}  // namespace tarnlok
