// The library's operating-system kind, decided from GetVersionEx at the start of every export:
// 1 to 4 the Windows 9x versions by build number, 5 NT4, 6 Windows 2000 and every later NT.
#pragma once

#include <cstdint>

namespace pradvik {

// Decides the kind, stores it in the state block and answers it.
std::uint8_t GetOsPlatformClass();

}  // namespace pradvik
