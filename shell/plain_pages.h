// The About box of the system menu.
#pragma once

#include "platform/ui/dialogs/cdialog.h"

namespace tarnlok {

class CAboutDlg : public ui::CDialog {
 public:
  CAboutDlg() : CDialog(100) {}
};

}  // namespace tarnlok
