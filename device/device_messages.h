// Message boxes of device access. Texts come from the program's string table by number and
// pass through MessageText, as every message of the program does; the box itself is asked of
// the installed DevicePrompter (tests install a scripted one). The windowing framework's
// prompter takes this one's place once the program's windows exist.
#pragma once

#include "platform/win/types.h"

#include <string>

namespace tarnlok {

// Message box types and answers, as MessageBox knows them.
constexpr win::UINT MB_OK = 0x00000000;
constexpr win::UINT MB_YESNO = 0x00000004;
constexpr win::UINT MB_ICONSTOP = 0x00000010;
constexpr win::UINT MB_ICONERROR = MB_ICONSTOP;
constexpr win::UINT MB_ICONQUESTION = 0x00000020;
constexpr win::UINT MB_ICONINFORMATION = 0x00000040;
constexpr int IDOK = 1;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// String numbers of device access.
constexpr win::UINT kStringNotEnoughMemory = 105;
constexpr win::UINT kStringMediaNotFormatted = 1091;
constexpr win::UINT kStringAspiNotLoaded = 57418;

class DevicePrompter {
 public:
  virtual ~DevicePrompter() = default;
  // Answers the button pressed (IDOK, IDYES, IDNO).
  virtual int Ask(const std::string& text, win::UINT type) = 0;
};

// Installs a prompter (null: the default, which answers each box with its first button);
// answers the one installed before.
DevicePrompter* InstallDevicePrompter(DevicePrompter* prompter);

// The string of that number from the program's string table; empty when it has none.
std::string LoadProgramString(win::UINT id);

// Shows text as it stands.
int ShowDeviceMessage(const std::string& text, win::UINT type);

// Loads string id into MessageText and shows it.
int ShowStringMessage(win::UINT id, win::UINT type);

}  // namespace tarnlok
