// The splash window shown modeless while start-up builds the device list: one picture.
#pragma once

#include "platform/ui/dialogs/cdialog.h"

namespace tarnlok {

constexpr win::UINT kSplashTemplate = 175;

class CSplashDlg : public ui::CDialog {
 public:
  explicit CSplashDlg(ui::CWnd* parent) : CDialog(kSplashTemplate, parent) {}
};

}  // namespace tarnlok
