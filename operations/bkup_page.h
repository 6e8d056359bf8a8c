// The Backup page: copies the card of the selected device into a backup image (*.FMB), either
// only the used space of its FAT volume or the whole card, inside the handler of its Backup
// button, pumping messages between blocks so that the page repaints and Cancel works.
#pragma once

#include "platform/ui/controls/controls.h"
#include "platform/ui/dialogs/property_sheet.h"
#include "controls/icon_button.h"
#include "controls/shaded_progress.h"

#include <string>

namespace tarnlok {

class CBasePage;

// Controls of the page.
constexpr int kImageNameEdit = 1039;
constexpr int kImageNameLabel = 1041;
constexpr int kBrowseButton = 1040;
constexpr int kProgressFrame = 1043;
constexpr int kTotalBlocksLabel = 1044;
constexpr int kCurrentBlockLabel = 1045;
constexpr int kTotalBlocksValue = 1046;
constexpr int kActivityText = 1048;
constexpr int kPercentText = 1049;
constexpr int kProgressBar = 1050;
constexpr int kChoiceFrame = 1051;
constexpr int kBackupButton = 1052;
constexpr int kCancelButton = 1053;
constexpr int kHelpButton = 1056;
constexpr int kUsedSpaceChoice = 1096;
constexpr int kWholeMediaChoice = 1097;
constexpr int kCurrentBlockValue = 1106;
constexpr int kSourceText = 1237;
constexpr int kSourceLabel = 1240;

class CBkupPage : public ui::CPropertyPage {
 public:
  CBkupPage();
  win::BOOL OnInitDialog() override;
  win::BOOL OnSetActive() override;
  win::BOOL OnKillActive() override;
  void DoDataExchange(ui::CDataExchange* dx) override;
  win::BOOL PreTranslateMessage(ui::MSG* msg) override;
  const ui::MessageMap& GetMessageMap() const override;

  // The Backup button: the whole run, from the checks of the name to the final message.
  void BackupMedia();

  // Set by the sheet before the page is created.
  int deviceRow = 0;
  std::string sourceDescription;
  CBasePage* ownerSheet = nullptr;

 private:
  friend class BackupRun;
  void OnBrowse();
  void OnCancelButton();
  void OnHelpButton();
  ui::LRESULT OnHelp(ui::WPARAM, ui::LPARAM);
  void OnPaint();
  ui::HBRUSH OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind);
  // Enables the choice of what to copy only for cards that have a FAT volume to choose from.
  void EnableBackupChoice();

  CShadedProgress progress_;
  CIconButton cancelButton_;
  CIconButton backupButton_;
  ui::CButton helpButton_;
  ui::CStatic sourceText_;
  ui::CStatic sourceLabel_;
  CIconButton browseButton_;
  ui::CButton usedSpaceChoice_;
  ui::CButton wholeMediaChoice_;
  ui::HACCEL keyboardTable_ = nullptr;
};

}  // namespace tarnlok
