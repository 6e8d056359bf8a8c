// Helpers of the pages' initialisation: string-table texts and fonts on controls by id.
#pragma once

#include "platform/ui/gdi/cdc.h"
#include "platform/ui/windows/cwnd.h"
#include "device/device_messages.h"

#include <initializer_list>
#include <span>

namespace tarnlok {

struct ControlText {
  int control;
  win::UINT stringId;
};

// Sets each control's text to its string of the table.
void SetTexts(ui::CWnd& dialog, std::span<const ControlText> texts);
// Sets the font on each control (WM_SETFONT with redraw).
void SetFonts(ui::CWnd& dialog, std::initializer_list<int> controls, ui::CFont& font);

}  // namespace tarnlok
