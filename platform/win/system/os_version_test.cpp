#include "platform/win/os_version.h"

#include "platform/win/last_error.h"
#include "platform/win/windows_version.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace win {
namespace {

struct Expected {
  WindowsVersion version;
  DWORD major;
  DWORD minor;
  DWORD build;  // low word on Windows 9x
  DWORD platform;
  const char* servicePack;
};

class GetVersionExTest : public ::testing::Test {
 protected:
  void TearDown() override { SetWindowsVersion(WindowsVersion::Xp); }
};

TEST_F(GetVersionExTest, ReportsEachWindowsVersionsNumbers) {
  const std::array cases{
      Expected{WindowsVersion::Win95, 4, 0, 950, VER_PLATFORM_WIN32_WINDOWS, ""},
      Expected{WindowsVersion::Win95Osr2, 4, 0, 1111, VER_PLATFORM_WIN32_WINDOWS, " B"},
      Expected{WindowsVersion::Win98, 4, 10, 1998, VER_PLATFORM_WIN32_WINDOWS, ""},
      Expected{WindowsVersion::WinMe, 4, 90, 3000, VER_PLATFORM_WIN32_WINDOWS, ""},
      Expected{WindowsVersion::Nt4, 4, 0, 1381, VER_PLATFORM_WIN32_NT, "Service Pack 6"},
      Expected{WindowsVersion::Win2000, 5, 0, 2195, VER_PLATFORM_WIN32_NT, "Service Pack 4"},
      Expected{WindowsVersion::Xp, 5, 1, 2600, VER_PLATFORM_WIN32_NT, "Service Pack 3"},
  };
  for (const auto& expected : cases) {
    SetWindowsVersion(expected.version);
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    SCOPED_TRACE(static_cast<int>(expected.version));
    EXPECT_EQ(info.dwMajorVersion, expected.major);
    EXPECT_EQ(info.dwMinorVersion, expected.minor);
    EXPECT_EQ(info.dwBuildNumber & 0xFFFF, expected.build);
    EXPECT_EQ(info.dwPlatformId, expected.platform);
    EXPECT_EQ(std::string(info.szCSDVersion), expected.servicePack);
    EXPECT_EQ(info.dwOSVersionInfoSize, sizeof info);
  }
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
