#include "controls/page_background.h"

#include "controls/app_resources.h"

namespace tarnlok {

int PaintPageBackground(ui::CWnd& window, ui::CDC* paintDc) {
  const int result = static_cast<int>(window.Default());
  ui::RECT client{};
  window.GetClientRect(&client);
  return App().PaintBackground(paintDc, result, client);
}

void PaintWithPageBackground(ui::CWnd& window) {
  ui::CPaintDC dc(&window);
  PaintPageBackground(window, &dc);
}

}  // namespace tarnlok
