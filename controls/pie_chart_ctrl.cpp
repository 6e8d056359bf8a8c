#include "controls/pie_chart_ctrl.h"

#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/window_class.h"

namespace tarnlok {
namespace {

constexpr ui::BYTE kDefaultCharSet = 1;
constexpr ui::BYTE kStringPrecision = 1;
constexpr ui::BYTE kCharacterClipping = 1;

void MakeArialFont(ui::CFont& font, int height) {
  font.CreateFont(height, 0, 0, 0, ui::FW_NORMAL, 0, 0, 0, kDefaultCharSet, kStringPrecision, kCharacterClipping, 0, 0,
                  "Arial");
}

}  // namespace

CPieChartCtrl::CPieChartCtrl() {
  RegisterPieChartClass();
  MakeArialFont(titleFont, 15);
  MakeArialFont(legendFont, 13);
}

CPieChartCtrl::~CPieChartCtrl() { ClearSegments(); }

win::BOOL CPieChartCtrl::RegisterPieChartClass() {
  ui::WNDCLASSA wc;
  wc.style = ui::CS_GLOBALCLASS;
  wc.lpfnWndProc = ui::DefWindowProcA;
  wc.hbrBackground = static_cast<ui::HBRUSH>(ui::GetStockObject(ui::LTGRAY_BRUSH));
  wc.lpszClassName = "PIE_CHART_CTRL";
  return ui::RegisterClassA(&wc) != 0 ? win::TRUE : win::FALSE;
}

void CPieChartCtrl::ClearSegments() { segments.clear(); }

}  // namespace tarnlok
