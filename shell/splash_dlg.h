// The splash window shown modeless while start-up builds the device list: one picture.
#pragma once

#include "platform/ui/dialogs/cdialog.h"
#include "controls/resource_ids.h"

namespace tarnlok {

class CSplashDlg : public ui::CDialog {
 public:
  explicit CSplashDlg(ui::CWnd* parent) : CDialog(kSplashTemplate, parent) {}
};

}  // namespace tarnlok
