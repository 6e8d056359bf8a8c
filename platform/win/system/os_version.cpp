#include "platform/win/os_version.h"

#include "platform/win/last_error.h"
#include "platform/win/windows_version.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace win {
namespace {

struct VersionNumbers {
  WindowsVersion version;
  DWORD major;
  DWORD minor;
  DWORD build;
  DWORD platform;
  std::string_view servicePack;
};

constexpr std::array kVersions{
    VersionNumbers{WindowsVersion::Win95, 4, 0, 950, VER_PLATFORM_WIN32_WINDOWS, ""},
    VersionNumbers{WindowsVersion::Win95Osr2, 4, 0, 1111, VER_PLATFORM_WIN32_WINDOWS, " B"},
    VersionNumbers{WindowsVersion::Win98, 4, 10, 1998, VER_PLATFORM_WIN32_WINDOWS, ""},
    VersionNumbers{WindowsVersion::WinMe, 4, 90, 3000, VER_PLATFORM_WIN32_WINDOWS, ""},
    VersionNumbers{WindowsVersion::Nt4, 4, 0, 1381, VER_PLATFORM_WIN32_NT, "Service Pack 6"},
    VersionNumbers{WindowsVersion::Win2000, 5, 0, 2195, VER_PLATFORM_WIN32_NT, "Service Pack 4"},
    VersionNumbers{WindowsVersion::Xp, 5, 1, 2600, VER_PLATFORM_WIN32_NT, "Service Pack 3"},
};

const VersionNumbers& NumbersOf(WindowsVersion version) {
  return *std::find_if(kVersions.begin(), kVersions.end(),
                       [version](const VersionNumbers& entry) { return entry.version == version; });
}

}  // namespace

BOOL GetVersionExA(OSVERSIONINFOA* versionInformation) {
  if (versionInformation == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (versionInformation->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  const VersionNumbers& numbers = NumbersOf(CurrentWindowsVersion());
  versionInformation->dwMajorVersion = numbers.major;
  versionInformation->dwMinorVersion = numbers.minor;
  versionInformation->dwBuildNumber = numbers.platform == VER_PLATFORM_WIN32_NT
                                          ? numbers.build
                                          : (numbers.major << 24) | (numbers.minor << 16) | numbers.build;
  versionInformation->dwPlatformId = numbers.platform;
  std::memset(versionInformation->szCSDVersion, 0, sizeof versionInformation->szCSDVersion);
  std::memcpy(versionInformation->szCSDVersion, numbers.servicePack.data(), numbers.servicePack.size());
  return TRUE;
}

}  // namespace win
