// The Format page: formats the card of the selected device through the format library, by one of
// four roads chosen by the device's bus, kind, maker and the Windows family, inside the handler
// of its Format button; the library drives the page's progress bar and texts while it works.
#pragma once

#include "platform/ui/controls/controls.h"
#include "platform/ui/dialogs/property_sheet.h"
#include "controls/icon_button.h"
#include "controls/shaded_progress.h"

#include <string>

namespace tarnlok {

class CBasePage;

// Controls of the page.
namespace format_page {
constexpr int kQuickChoice = 1082;
constexpr int kFullChoice = 1083;
constexpr int kSummaryChoice = 1085;
constexpr int kProgressBar = 1086;
constexpr int kNoteText = 1088;
constexpr int kFormatButton = 1089;
constexpr int kBootChoice = 1091;
constexpr int kStepText = 1148;
constexpr int kPercentText = 1149;
constexpr int kHelpButton = 1164;
constexpr int kSourceLabel = 1241;
constexpr int kSourceText = 1242;
constexpr int kFat32Choice = 1277;
constexpr int kPanoramicChoice = 1278;
}  // namespace format_page

class CEraPage : public ui::CPropertyPage {
 public:
  CEraPage();
  win::BOOL OnInitDialog() override;
  win::BOOL OnSetActive() override;
  win::BOOL OnKillActive() override;
  void DoDataExchange(ui::CDataExchange* dx) override;
  const ui::MessageMap& GetMessageMap() const override;

  // The Format button: the whole run, from the confirmation to the final message.
  void FormatMedia();

  // Set by the sheet before the page is created.
  int deviceRow = 0;
  std::string sourceDescription;
  CBasePage* ownerSheet = nullptr;

 private:
  void OnHelpButton();
  ui::LRESULT OnHelp(ui::WPARAM, ui::LPARAM);
  void OnPaint();
  ui::HBRUSH OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind);

  CShadedProgress progress_;
  CIconButton formatButton_;
  ui::CButton helpButton_;
  ui::CStatic sourceText_;
  ui::CStatic sourceLabel_;
  ui::CButton panoramicChoice_;
  ui::CButton fat32Choice_;
  ui::CButton bootChoice_;
  ui::CButton summaryChoice_;
  ui::CButton quickChoice_;
};

}  // namespace tarnlok
