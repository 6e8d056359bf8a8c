// The program-wide state that the application shell owns, under the names the rest of the
// program knows it by. Each starts at zero (or empty) when the program starts.
#pragma once

#include "platform/ui/windows/ui_types.h"
#include "platform/win/modules/modules.h"
#include "platform/win/system/types.h"

#include <string>

namespace tarnlok {

// Which page is on show, by its code in shell/page_codes.h.
inline int CurrentPageCode = 0;
// The window of the page on show, which the refresh routines write into.
inline ui::HWND ActivePageHwnd = nullptr;
// 1 while the main window builds its sheet: the Information page does not refresh then.
inline int SheetInitialising = 0;
// The format library, loaded at start-up from the program folder.
inline win::HMODULE FormatLibraryModule = nullptr;
// The program's folder with its closing backslash, set by the main window.
inline std::string ProgramFolder;

// The single-instance guard: the named mapping and its mapped 4-byte counter.
inline win::HANDLE InstanceMapping = nullptr;
inline win::DWORD* InstanceCounter = nullptr;

// The settings key of the program under HKLM, and the value that hides the start-up notes.
constexpr const char* kMakerWord = "Quarnwell";
constexpr const char* kSettingsKeyTail = "Tarnlok V2\\Settings";
constexpr const char* kStartValue = "START";

}  // namespace tarnlok
