// The Tools page of the main sheet: the four card image operations as large icon buttons, each
// with a line of description; a button opens the one-operation sheet for the selected device.
#pragma once

#include "platform/ui/controls/controls.h"
#include "platform/ui/dialogs/property_sheet.h"
#include "shell/icon_button.h"

#include <array>

namespace tarnlok {

class CToolPage : public ui::CPropertyPage {
 public:
  CToolPage();
  win::BOOL OnInitDialog() override;
  void DoDataExchange(ui::CDataExchange* dx) override;
  win::BOOL PreTranslateMessage(ui::MSG* msg) override;
  const ui::MessageMap& GetMessageMap() const override;

 private:
  void OnBackup() { OpenOperation(1); }
  void OnDuplicate() { OpenOperation(2); }
  void OnRestore() { OpenOperation(3); }
  void OnFormat() { OpenOperation(4); }
  // Opens the one-operation sheet of the mode for the device row selected in the main window.
  void OpenOperation(int mode);
  void OnPaint();
  ui::HBRUSH OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind);

  std::array<ui::CStatic, 4> descriptions_;
  std::array<CIconButton, 4> buttons_;
};

}  // namespace tarnlok
