// The Information page: labels for the details of the current device, which RefreshInfoPage
// fills whenever the page becomes active or another device is selected.
#pragma once

#include "platform/ui/controls/controls.h"
#include "platform/ui/dialogs/property_sheet.h"
#include "controls/icon_button.h"

namespace tarnlok {

class CInfoPage : public ui::CPropertyPage {
 public:
  CInfoPage();
  win::BOOL OnInitDialog() override;
  win::BOOL OnSetActive() override;
  void DoDataExchange(ui::CDataExchange* dx) override;
  void WinHelp(win::DWORD data, win::UINT command) override;
  win::BOOL PreTranslateMessage(ui::MSG* msg) override;
  const ui::MessageMap& GetMessageMap() const override;

 private:
  void OnPaint();
  void OnHelpButton();
  void OnDestroy();
  ui::LRESULT OnHelp(ui::WPARAM, ui::LPARAM);
  ui::HBRUSH OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind);

  ui::CEdit deviceName_;
  ui::CStatic unattached_;
  CIconButton helpButton_;
};

}  // namespace tarnlok
