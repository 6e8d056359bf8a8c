// Where WinHelpA shows a topic: the window framework installs its help window here, so that
// the services below it need no windows of their own.
#pragma once

#include "platform/win/system/help_document.h"
#include "platform/win/system/types.h"

namespace win {

struct HelpViewer {
  // Shows the topic in the help window, opening it when it is closed.
  void (*show)(HWND owner, const HelpTopic& topic);
  // Closes the help window when it is open.
  void (*close)();
};

// The viewer that WinHelpA uses; null removes it (WinHelpA then fails with ERROR_NOT_SUPPORTED).
void SetHelpViewer(const HelpViewer* viewer);
const HelpViewer* CurrentHelpViewer();

}  // namespace win
