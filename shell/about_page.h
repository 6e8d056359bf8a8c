// The About page: product and version, build number, a notice line and the maker's support
// block with its mail and web addresses.
#pragma once

#include "platform/ui/controls/controls.h"
#include "platform/ui/dialogs/property_sheet.h"
#include "controls/hyper_link.h"

namespace tarnlok {

class CAbtPage : public ui::CPropertyPage {
 public:
  CAbtPage();
  win::BOOL OnInitDialog() override;
  void DoDataExchange(ui::CDataExchange* dx) override;
  void WinHelp(win::DWORD data, win::UINT command) override;
  const ui::MessageMap& GetMessageMap() const override;

 private:
  void OnPaint();
  ui::LRESULT OnHelp(ui::WPARAM, ui::LPARAM) { return win::TRUE; }
  ui::HBRUSH OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind);

  CHyperLink webLink_;
  CHyperLink mailLink_;
};

}  // namespace tarnlok
