// The report after a format: total space, space in bad sectors, available space, allocation
// unit size and count, from the figures of the last format run.
#pragma once

#include "platform/ui/dialogs/cdialog.h"

namespace tarnlok {

// Controls of the summary: a column of figures, each followed by the text that says what it counts.
constexpr int kSummaryTotal = 1150;
constexpr int kSummaryBad = 1151;
constexpr int kSummaryAvailable = 1152;
constexpr int kSummaryUnitBytes = 1153;
constexpr int kSummaryUnits = 1154;
constexpr int kSummaryTotalText = 1155;
constexpr int kSummaryBadText = 1156;
constexpr int kSummaryAvailableText = 1157;
constexpr int kSummaryUnitBytesText = 1158;
constexpr int kSummaryUnitsText = 1159;

class CFormatSummaryDlg : public ui::CDialog {
 public:
  explicit CFormatSummaryDlg(ui::CWnd* parent);
  win::BOOL OnInitDialog() override;
  const ui::MessageMap& GetMessageMap() const override;

 private:
  void OnPaint();
  ui::HBRUSH OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind);
};

}  // namespace tarnlok
