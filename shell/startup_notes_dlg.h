// The start-up notes: what the program is for, a web address, and "Hide this dialog during
// next start up", which Continue stores in the settings value START.
#pragma once

#include "platform/ui/dialogs/cdialog.h"
#include "platform/ui/controls/controls.h"
#include "controls/hyper_link.h"
#include "controls/icon_button.h"
#include "controls/resource_ids.h"

namespace tarnlok {

class CStartupNotesDlg : public ui::CDialog {
 public:
  explicit CStartupNotesDlg(ui::CWnd* parent) : CDialog(kStartupNotesTemplate, parent) {}

  win::BOOL OnInitDialog() override;
  void OnOK() override;
  void DoDataExchange(ui::CDataExchange* dx) override;
  const ui::MessageMap& GetMessageMap() const override;

 private:
  void OnPaint();
  ui::HBRUSH OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind);

  CHyperLink webLink_;
  CIconButton continueButton_;
  ui::CButton hideCheck_;
};

}  // namespace tarnlok
