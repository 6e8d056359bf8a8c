#include "device/os_kind.h"

#include "device/device_state.h"
#include "platform/win/system/os_version.h"

namespace tarnlok {
namespace {

// Windows 9x tells its releases apart by the build number's low word.
win::BYTE Windows9xKind(win::DWORD buildNumber) {
  const win::DWORD build = buildNumber & 0xFFFF;
  if (build <= 1110) return 1;
  if (build < 1998) return 2;
  if (build <= 2222) return 3;
  return 4;
}

win::BYTE NtKind(win::DWORD major, win::DWORD minor) {
  if (major >= 5) return minor == 0 ? 6 : 7;
  if (major == 4) return 5;
  return 0;
}

}  // namespace

win::BYTE DetectOsKind() {
  OsKind = 0;
  win::OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof(version);
  if (!win::GetVersionExA(&version)) return OsKind;
  if (version.dwPlatformId == win::VER_PLATFORM_WIN32_WINDOWS) {
    OsKind = Windows9xKind(version.dwBuildNumber);
  } else if (version.dwPlatformId == win::VER_PLATFORM_WIN32_NT) {
    OsKind = NtKind(version.dwMajorVersion, version.dwMinorVersion);
  }
  return OsKind;
}

}  // namespace tarnlok
