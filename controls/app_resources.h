// What every window of the program paints with: three fonts, five brushes with their colours,
// the current background bitmap and the pie chart. The application object holds them; the pages
// reach them through App().
#pragma once

#include "controls/pie_chart_ctrl.h"
#include "platform/ui/gdi/cdc.h"

#include <array>
#include <cstdint>
#include <string>

namespace tarnlok {

class CAppResources {
 public:
  virtual ~CAppResources();

  win::BOOL LoadBackgroundBitmap(int resourceId);
  // A null handle keeps the current bitmap and answers TRUE.
  win::BOOL SetBackgroundBitmap(ui::HBITMAP bitmap);
  // Paints the current bitmap from its top-left corner over the rectangle's size; answers
  // passThrough unchanged.
  int PaintBackground(ui::CDC* dc, int passThrough, ui::RECT rect);
  static std::string FormatByteSize(std::uint64_t bytes);

  int drawMode = 0;
  ui::CFont captionFont;
  ui::CFont labelFontBold;
  ui::CFont labelFont;
  int bitmapWidth = 0;
  int bitmapHeight = 0;
  ui::HBITMAP backgroundBitmap = nullptr;
  CPieChartCtrl pieChart;
  std::array<ui::CBrush, 5> brushes;
  std::array<ui::COLORREF, 5> colours{};
};

// The running application's resources, for the pages.
CAppResources& App();

}  // namespace tarnlok
