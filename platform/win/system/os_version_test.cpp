#include "platform/win/system/os_version.h"

#include "platform/win/system/last_error.h"
#include "platform/win/system/windows_version.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace win {
namespace {

constexpr std::array kAllVersions{WindowsVersion::Win95, WindowsVersion::Win95Osr2, WindowsVersion::Win98,
                                  WindowsVersion::WinMe, WindowsVersion::Nt4,       WindowsVersion::Win2000,
                                  WindowsVersion::Xp};

OSVERSIONINFOA VersionOf(WindowsVersion version) {
  SetWindowsVersion(version);
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  EXPECT_TRUE(GetVersionExA(&info));
  return info;
}

// The release a Windows 9x build number names, by the first build of each release.
WindowsVersion NineXReleaseOf(DWORD build) {
  if (build <= 1110) return WindowsVersion::Win95;
  if (build <= 1997) return WindowsVersion::Win95Osr2;
  if (build <= 2222) return WindowsVersion::Win98;
  return WindowsVersion::WinMe;
}

// The release an NT version number names.
WindowsVersion NtReleaseOf(DWORD major, DWORD minor) {
  if (major == 4) return WindowsVersion::Nt4;
  return minor == 0 ? WindowsVersion::Win2000 : WindowsVersion::Xp;
}

class GetVersionExTest : public ::testing::Test {
 protected:
  void TearDown() override { SetWindowsVersion(WindowsVersion::Xp); }
};

// What programs read to tell the releases apart names the release the machine runs.
TEST_F(GetVersionExTest, EachVersionIsRecognisedByTheNumbersProgramsTest) {
  for (const WindowsVersion version : kAllVersions) {
    SCOPED_TRACE(static_cast<int>(version));
    const OSVERSIONINFOA info = VersionOf(version);
    EXPECT_EQ(info.dwOSVersionInfoSize, sizeof info);
    if (IsNtFamily(version)) {
      ASSERT_EQ(info.dwPlatformId, DWORD{VER_PLATFORM_WIN32_NT});
      EXPECT_EQ(NtReleaseOf(info.dwMajorVersion, info.dwMinorVersion), version);
      EXPECT_EQ(info.dwBuildNumber >> 16, 0U) << "NT builds are plain numbers";
      EXPECT_EQ(std::string(info.szCSDVersion).rfind("Service Pack ", 0), 0U);
    } else {
      ASSERT_EQ(info.dwPlatformId, DWORD{VER_PLATFORM_WIN32_WINDOWS});
      EXPECT_EQ(info.dwMajorVersion, 4U);
      EXPECT_EQ(NineXReleaseOf(info.dwBuildNumber & 0xFFFF), version);
      EXPECT_EQ(info.dwBuildNumber >> 16, (info.dwMajorVersion << 8) | info.dwMinorVersion)
          << "the high word repeats the version";
    }
  }
  EXPECT_EQ(std::string(VersionOf(WindowsVersion::Win95Osr2).szCSDVersion), " B") << "how OSR2 names itself";
}

TEST_F(GetVersionExTest, NineXBuildNumbersCarryTheVersionInTheHighWord) {
  SetWindowsVersion(WindowsVersion::Win98);
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = 148;
  ASSERT_TRUE(GetVersionExA(&info));
  EXPECT_EQ(info.dwBuildNumber, 0x040A07CEU);
}

TEST_F(GetVersionExTest, AWrongStructureSizeFails) {
  for (const DWORD size : {0U, 147U, 149U, 156U}) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = size;
    info.dwMajorVersion = 77;
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(GetVersionExA(&info)) << size;
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(info.dwMajorVersion, 77U);
  }
}

}  // namespace
}  // namespace win
