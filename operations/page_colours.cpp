#include "operations/page_colours.h"

#include "platform/ui/cdc.h"
#include "shell/main_app.h"

namespace tarnlok {

ui::HBRUSH ApplicationBrush(ui::COLORREF colour) {
  for (std::size_t i = 0; i < App().colours.size(); ++i) {
    if (App().colours[i] == colour) return static_cast<ui::HBRUSH>(App().brushes[i].GetSafeHandle());
  }
  return static_cast<ui::HBRUSH>(ui::GetStockObject(ui::HOLLOW_BRUSH));
}

ui::HBRUSH ColouredStatic(ui::CDC* dc, ui::COLORREF colour) {
  dc->SetBkMode(ui::TRANSPARENT);
  dc->SetTextColor(colour);
  return ApplicationBrush(colour);
}

}  // namespace tarnlok
