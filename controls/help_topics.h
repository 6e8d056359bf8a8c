// The help file of the program and the topics of its pages.
#pragma once

#include "platform/ui/windows/ui_types.h"

#include <string>

namespace tarnlok {

// The help file: "<folder>\TLKRCALL.HLP" where TLKLV2CL.INI of the Windows folder names the
// folder; empty when it names none (missing, or "Fail").
std::string HelpFilePath();

// The topic of a page code, empty for codes without help.
std::string HelpTopicOfPage(int pageCode);

// Opens the topic of the help file on the window; nothing without a help file.
void OpenHelpTopic(ui::HWND window, const std::string& topic);

}  // namespace tarnlok
