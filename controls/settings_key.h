// The program's settings key under HKLM: "Software\<maker>\Tarnlok V2\Settings".
#pragma once

#include "controls/shell_state.h"

#include <string>

namespace tarnlok {

inline std::string SettingsKeyPath() { return std::string("Software\\") + kMakerWord + "\\" + kSettingsKeyTail; }

}  // namespace tarnlok
