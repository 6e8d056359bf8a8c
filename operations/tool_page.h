// The Tools page of the main sheet: the four card image operations as large icon buttons, each
// with a line of description; a button opens the one-operation sheet for the selected device.
#pragma once

#include "platform/ui/controls/controls.h"
#include "platform/ui/dialogs/property_sheet.h"
#include "controls/icon_button.h"
#include "controls/page_codes.h"

#include <array>

namespace tarnlok {

// Controls of the page: each operation's button and the note beside it.
constexpr int kRestoreTool = 1169;
constexpr int kDuplicateTool = 1170;
constexpr int kBackupTool = 1171;
constexpr int kFormatTool = 1172;
constexpr int kBackupNote = 1173;
constexpr int kDuplicateNote = 1174;
constexpr int kRestoreNote = 1175;
constexpr int kFormatNote = 1178;

class CToolPage : public ui::CPropertyPage {
 public:
  CToolPage();
  win::BOOL OnInitDialog() override;
  void DoDataExchange(ui::CDataExchange* dx) override;
  win::BOOL PreTranslateMessage(ui::MSG* msg) override;
  const ui::MessageMap& GetMessageMap() const override;

 private:
  void OnBackup() { OpenOperation(kModeBackup); }
  void OnDuplicate() { OpenOperation(kModeDuplicate); }
  void OnRestore() { OpenOperation(kModeRestore); }
  void OnFormat() { OpenOperation(kModeFormat); }
  // Opens the one-operation sheet of the mode for the device row selected in the main window.
  void OpenOperation(int mode);
  void OnPaint();
  ui::HBRUSH OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind);

  std::array<ui::CStatic, 4> descriptions_;
  std::array<CIconButton, 4> buttons_;
};

}  // namespace tarnlok
