// GetVersionExA: the version numbers of the machine's Windows version (windows_version.h).
// Not implemented: OSVERSIONINFOEXA.
#pragma once

#include "platform/win/types.h"

namespace win {

constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  char szCSDVersion[128];
};
static_assert(sizeof(OSVERSIONINFOA) == 148);

// The caller sets dwOSVersionInfoSize to sizeof(OSVERSIONINFOA); any other size fails with
// ERROR_INSUFFICIENT_BUFFER. On Windows 9x the build number's high word holds the major and
// minor version, as those systems report it.
BOOL GetVersionExA(OSVERSIONINFOA* versionInformation);

}  // namespace win
