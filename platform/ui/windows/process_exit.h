// Ending the process from a window (the main window's WM_CLOSE does). Tests intercept it.
#pragma once

#include "platform/ui/windows/ui_types.h"

namespace ui {

// Runs the installed exit hook (the test driver's throws ui::ProcessExit), else destroys every
// window and ends the process.
[[noreturn]] void ExitProcess(UINT code);

using ExitHook = void (*)(UINT code);
void SetExitHook(ExitHook hook);

// Destroys every window still alive, newest top-level window first, while the desktop's
// toolkit still stands: a window left to static destruction would outlive it and crash the exit.
void DestroyAllWindows();

}  // namespace ui
