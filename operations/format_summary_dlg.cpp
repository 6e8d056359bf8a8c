#include "operations/format_summary_dlg.h"

#include "device/string_ids.h"
#include "operations/format_state.h"
#include "operations/format_summary.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/messages.h"
#include "controls/control_colours.h"
#include "controls/dialog_texts.h"
#include "controls/app_resources.h"
#include "controls/page_background.h"
#include "controls/resource_ids.h"

namespace tarnlok {
namespace {

constexpr ControlText kTexts[] = {
    {kSummaryTotalText, kStringSummaryTotalSpace},    {kSummaryBadText, kStringSummaryBadSectors},
    {kSummaryAvailableText, kStringSummaryAvailable}, {kSummaryUnitBytesText, kStringSummaryUnitSize},
    {kSummaryUnitsText, kStringSummaryUnitCount},     {ui::IDOK, kStringCloseButton}};

}  // namespace

CFormatSummaryDlg::CFormatSummaryDlg(ui::CWnd* parent) : CDialog(kFormatSummaryTemplate, parent) {}

const ui::MessageMap& CFormatSummaryDlg::GetMessageMap() const {
  static const ui::MessageMap map(&CDialog::GetMessageMap(),
                                  {
                                      ui::OnMessage(ui::WM_PAINT, &CFormatSummaryDlg::OnPaint),
                                      ui::OnCtlColorMessage(&CFormatSummaryDlg::OnCtlColor),
                                  });
  return map;
}

win::BOOL CFormatSummaryDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  App().LoadBackgroundBitmap(kPageBackgroundBitmap);
  SetWindowText(LoadProgramString(kStringFormatSummaryTitle));
  SetTexts(*this, kTexts);
  const SummaryFigures figures = FormatSummaryFigures(FormatDeviceKind, FormatStatus, FormatDriveLetter);
  SetDlgItemText(kSummaryTotal, GroupedDigits(figures.totalBytes));
  SetDlgItemText(kSummaryBad, GroupedDigits(0));
  SetDlgItemText(kSummaryAvailable, GroupedDigits(figures.availableBytes));
  SetDlgItemText(kSummaryUnitBytes, GroupedDigits(figures.unitBytes));
  SetDlgItemText(kSummaryUnits, GroupedDigits(figures.units));
  return win::TRUE;
}

void CFormatSummaryDlg::OnPaint() { PaintWithPageBackground(*this); }

ui::HBRUSH CFormatSummaryDlg::OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind) {
  if (kind != ui::CTLCOLOR_STATIC) return DefaultControlColours(*this, dc, control, kind);
  const int id = control->GetDlgCtrlID();
  // Figures and texts alike show the background through.
  if (id >= kSummaryTotal && id <= kSummaryUnitsText) dc->SetBkMode(ui::TRANSPARENT);
  return static_cast<ui::HBRUSH>(ui::GetStockObject(ui::HOLLOW_BRUSH));
}

}  // namespace tarnlok
