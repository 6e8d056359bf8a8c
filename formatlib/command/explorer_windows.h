// The windows whose messages the library pumps while it works: the caller's owner window and,
// when open, the Explorer windows that show My Computer, so that they repaint and keep up.
#pragma once

#include "platform/win/system/types.h"

namespace pradvik {

// Fills the state block's My Computer name from the registry (current user, else the default
// user, else "My Computer"; empty when neither key opens).
void GetMyComputerName();
// Pump window 1 = owner; 2 and 3 = the Explorer windows, or none.
void LookUpExplorerWindows(win::HWND owner);
// Hands every waiting message of the pump windows to the dialog manager or its window; never
// waits.
void PumpLibraryMessages();

}  // namespace pradvik
