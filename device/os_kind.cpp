#include "device/os_kind.h"

#include "device/device_state.h"

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

win::BYTE OsKindOfVersion(const win::OSVERSIONINFOA& version) {
  if (version.dwPlatformId == win::VER_PLATFORM_WIN32_WINDOWS) return Windows9xKind(version.dwBuildNumber);
  if (version.dwPlatformId == win::VER_PLATFORM_WIN32_NT) return NtKind(version.dwMajorVersion, version.dwMinorVersion);
  return 0;
}

win::BYTE DetectOsKind() {
  OsKind = 0;
  win::OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof(version);
  if (win::GetVersionExA(&version)) OsKind = OsKindOfVersion(version);
  return OsKind;
}

}  // namespace tarnlok
