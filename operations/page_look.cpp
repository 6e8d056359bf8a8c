#include "operations/page_look.h"

#include "platform/ui/gdi/cdc.h"
#include "controls/app_resources.h"

namespace tarnlok {

ui::HBRUSH ApplicationBrush(ui::COLORREF colour) {
  for (std::size_t i = 0; i < App().colours.size(); ++i) {
    if (App().colours[i] == colour) return static_cast<ui::HBRUSH>(App().brushes[i].GetSafeHandle());
  }
  return static_cast<ui::HBRUSH>(ui::GetStockObject(ui::HOLLOW_BRUSH));
}

ui::HBRUSH ColouredStatic(ui::CDC* dc, ui::COLORREF colour) {
  // The grey is the field's background: the text keeps the DC's own colour, so it stays readable.
  dc->SetBkMode(ui::TRANSPARENT);
  dc->SetBkColor(colour);
  return ApplicationBrush(colour);
}

void DecorateIconButtons(std::initializer_list<std::pair<CIconButton*, win::UINT>> buttons) {
  for (const auto& [button, icon] : buttons) {
    button->SetButtonIcons(icon, 0);
    button->ShiftButtonColour(0, 30, win::TRUE);
    button->ShiftButtonColour(4, 30, win::TRUE);
  }
}

void ResetProgressBar(ui::CProgressCtrl& bar, bool enabled) {
  bar.EnableWindow(enabled ? win::TRUE : win::FALSE);
  bar.SetPos(0);
  bar.SetRange(0, 100);
  bar.SetStep(1);
}

}  // namespace tarnlok
