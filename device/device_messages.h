// Message boxes of device access. Texts come from the program's string table by number and
// pass through MessageText, as every message of the program does; the box itself goes through
// the windowing framework's prompter (tests install a scripted one).
#pragma once

#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/messages.h"
#include "platform/win/system/types.h"

#include <string>

namespace tarnlok {

// The string of that number from the program's string table; empty when it has none.
std::string LoadProgramString(win::UINT id);

// Shows text as it stands, under the program's title; answers the button pressed.
int ShowDeviceMessage(const std::string& text, win::UINT type);

// Loads string id into MessageText and shows it.
int ShowStringMessage(win::UINT id, win::UINT type);

}  // namespace tarnlok
