// Ending the process from a window (the main window's WM_CLOSE does). Tests intercept it.
#pragma once

#include "platform/ui/ui_types.h"

namespace ui {

// Runs the installed exit hook (the test driver's throws ui::ProcessExit), else ends the process.
[[noreturn]] void ExitProcess(UINT code);

using ExitHook = void (*)(UINT code);
void SetExitHook(ExitHook hook);

}  // namespace ui
