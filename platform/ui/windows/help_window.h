// The help window that WinHelpA shows topics in: one top-level window of class "MS_WINHELP",
// captioned with the topic's title, its text in a read-only multi-line edit (control id 1). A
// second topic replaces the first in the same window; HELP_QUIT or the close button ends it.
// Installed as the help viewer when the platform loads. Not implemented: links between topics,
// search, printing.
#pragma once

#include "platform/ui/windows/ui_types.h"

namespace ui {

inline constexpr const char* kHelpWindowClass = "MS_WINHELP";
inline constexpr int kHelpTextId = 1;

// The open help window, or null.
HWND HelpWindow();

}  // namespace ui
