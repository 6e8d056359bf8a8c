// The size texts shown when two cards differ in size.
#pragma once

#include "platform/win/system/types.h"

#include <string>

namespace tarnlok {

// Each text becomes "SmartMedia 16 MB\n" or "Memory Stick 8 MB\n" for its media size code,
// empty for a code that names no size.
void FormatSizeCodeTexts(win::DWORD code1, std::string& text1, win::DWORD code2, std::string& text2);

// Each text becomes " %d MB\n" of its size, empty for 0.
void FormatSizeTexts(win::DWORD size1, std::string& text1, win::DWORD size2, std::string& text2);

}  // namespace tarnlok
