// The About box of the system menu.
#pragma once

#include "platform/ui/dialogs/cdialog.h"
#include "controls/resource_ids.h"

namespace tarnlok {

class CAboutDlg : public ui::CDialog {
 public:
  CAboutDlg() : CDialog(kAboutBoxTemplate) {}
};

}  // namespace tarnlok
