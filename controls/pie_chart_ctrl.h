// The window class "PIE_CHART_CTRL" that the Information page's template holds. The control is
// created hidden and handled by the default window procedure; nothing draws a chart into it.
#pragma once

#include "platform/ui/gdi/cdc.h"
#include "platform/ui/windows/cwnd.h"

#include <memory>
#include <string>
#include <vector>

namespace tarnlok {

struct PieSegment {
  double share = 0;
  ui::COLORREF colour = 0;
  std::string label;
};

class CPieChartCtrl : public ui::CWnd {
 public:
  CPieChartCtrl();
  ~CPieChartCtrl() override;

  // Registers the class once per process; a second registration fails harmlessly.
  static win::BOOL RegisterPieChartClass();
  void ClearSegments();

  std::vector<std::unique_ptr<PieSegment>> segments;
  ui::CFont titleFont;
  ui::CFont legendFont;
  std::string title;
  ui::RECT chartRect{};
};

}  // namespace tarnlok
