// The pages of the main sheet whose content comes with their operations: Recovery, for now a
// page that wears the common background only; and the About box of the system menu.
#pragma once

#include "platform/ui/dialogs/property_sheet.h"

namespace tarnlok {

// A page that paints the common background and nothing else.
class CBackgroundPage : public ui::CPropertyPage {
 public:
  CBackgroundPage(win::UINT templateId, win::UINT iconId);
  win::BOOL OnInitDialog() override;
  const ui::MessageMap& GetMessageMap() const override;

 private:
  void OnPaint();
};

class CRecvPage : public CBackgroundPage {
 public:
  CRecvPage() : CBackgroundPage(133, 196) {}
};

class CAboutDlg : public ui::CDialog {
 public:
  CAboutDlg() : CDialog(100) {}
};

}  // namespace tarnlok
