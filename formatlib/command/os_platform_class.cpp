#include "formatlib/command/os_platform_class.h"

#include "formatlib/command/format_library_state.h"

#include "platform/win/system/os_version.h"

namespace pradvik {
namespace {

std::uint8_t Windows9xKind(win::DWORD buildNumber) {
  const win::DWORD build = buildNumber & 0xFFFF;
  if (build <= 1110) return kOsWindows95;
  if (build <= 1997) return kOsWindows95Osr2;
  if (build <= 2222) return kOsWindows98;
  return kOsWindowsMe;
}

std::uint8_t DecideKind() {
  win::OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!win::GetVersionExA(&info)) return kOsOther;
  if (info.dwPlatformId == win::VER_PLATFORM_WIN32_WINDOWS) return Windows9xKind(info.dwBuildNumber);
  if (info.dwPlatformId != win::VER_PLATFORM_WIN32_NT || info.dwMajorVersion < 4) return kOsOther;
  return info.dwMajorVersion == 4 ? kOsWindowsNt4 : kOsWindows2000;
}

}  // namespace

std::uint8_t GetOsPlatformClass() {
  const std::uint8_t kind = DecideKind();
  LibraryState().osKind = kind;
  return kind;
}

}  // namespace pradvik
