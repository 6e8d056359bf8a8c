// The Windows version the process runs on. The simulated machine sets it from its
// description; tests set it directly. Services and control codes follow it.
#pragma once

#include "platform/win/types.h"

namespace win {

enum class WindowsVersion { Win95, Win95Osr2, Win98, WinMe, Nt4, Win2000, Xp };

WindowsVersion CurrentWindowsVersion();
void SetWindowsVersion(WindowsVersion version);

inline bool IsNtFamily(WindowsVersion version) {
  return version == WindowsVersion::Nt4 || version == WindowsVersion::Win2000 || version == WindowsVersion::Xp;
}

}  // namespace win
