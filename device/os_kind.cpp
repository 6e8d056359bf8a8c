#include "device/os_kind.h"

#include "device/device_state.h"

namespace tarnlok {
namespace {

// Windows 9x tells its releases apart by the build number's low word.
win::BYTE Windows9xKind(win::DWORD buildNumber) {
  const win::DWORD build = buildNumber & 0xFFFF;
  if (build <= 1110) return kOsWindows95;
  if (build < 1998) return kOsWindows95Osr2;
  if (build <= 2222) return kOsWindows98;
  return kOsWindowsMe;
}

win::BYTE NtKind(win::DWORD major, win::DWORD minor) {
  if (major >= 5) return minor == 0 ? kOsWindows2000 : kOsWindowsXp;
  if (major == 4) return kOsWindowsNt4;
  return kOsOther;
}

}  // namespace

win::BYTE OsKindOfVersion(const win::OSVERSIONINFOA& version) {
  if (version.dwPlatformId == win::VER_PLATFORM_WIN32_WINDOWS) return Windows9xKind(version.dwBuildNumber);
  if (version.dwPlatformId == win::VER_PLATFORM_WIN32_NT) return NtKind(version.dwMajorVersion, version.dwMinorVersion);
  return kOsOther;
}

win::BYTE DetectOsKind() {
  OsKind = kOsOther;
  win::OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof(version);
  if (win::GetVersionExA(&version)) OsKind = OsKindOfVersion(version);
  return OsKind;
}

}  // namespace tarnlok
