// The help file of the program and the topics of its pages.
#pragma once

#include "platform/ui/windows/ui_types.h"

#include <string>

namespace tarnlok {

// The help file: "<folder>\TLKRCALL.HLP" where TLKLV2CL.INI names the folder, else the file in
// the program folder.
std::string HelpFilePath();

// The topic of a page code, empty for codes without help.
std::string HelpTopicOfPage(int pageCode);

// Opens the topic of the help file on the window.
void OpenHelpTopic(ui::HWND window, const std::string& topic);

}  // namespace tarnlok
