// The wait of a modal window in the program's own message loop, shared by dialogs and message
// boxes: the owner is disabled while it waits and every message of the program keeps flowing, so
// the windows the wait does not disable (the machine's panel among them) still answer.
#pragma once

#include "platform/ui/windows/ui_types.h"

#include <functional>

namespace ui {

// Disables the owner (when it is given and enabled), runs show, then takes the program's
// messages until finished() answers true: each goes to take first (when given) and is translated
// and dispatched when take does not take it. The owner is enabled again before the wait returns.
// A WM_QUIT ends the wait early and is posted again for the loop outside.
void WaitModally(HWND owner, const std::function<void()>& show, const std::function<bool()>& finished,
                 const std::function<bool(MSG*)>& take = {});

}  // namespace ui
