#include "device/device_list.h"

#include "device/device_state.h"
#include "device/os_kind.h"
#include "device/testing/device_test_support.h"
#include "platform/win/system/windows_version.h"

#include <gtest/gtest.h>

namespace tarnlok {
namespace {

using DeviceList = test_support::DeviceStateTest;

void AppendThree() {
  for (char letter : {'E', 'F', 'G'}) {
    DeviceEntry* entry = NewDeviceEntry();
    ASSERT_NE(entry, nullptr);
    entry->driveLetter = letter;
    AppendDeviceEntry(entry);
    FillNextSlot(letter);
  }
  DeviceListLast = DeviceListTail;
}

TEST_F(DeviceList, AppendedEntriesAreIndexedAndLinkedInOrder) {
  AppendThree();
  ASSERT_EQ(DeviceCount, 3);
  EXPECT_EQ(DeviceListHead->driveLetter, 'E');
  EXPECT_EQ(DeviceListHead->previous, nullptr);
  EXPECT_EQ(DeviceListTail->driveLetter, 'G');
  EXPECT_EQ(DeviceListTail->next, nullptr);
  EXPECT_EQ(DeviceListHead->next->index, 1);
  EXPECT_EQ(DeviceListTail->previous->previous, DeviceListHead);
  EXPECT_EQ(std::string(SlotDriveLetters), "EFG");
}

TEST_F(DeviceList, FindByIndexSearchesBothWaysFromTheTail) {
  AppendThree();
  EXPECT_EQ(FindDeviceByIndex(0)->driveLetter, 'E');
  EXPECT_EQ(CurrentDevice->driveLetter, 'E');
  DeviceListTail = DeviceListHead;
  EXPECT_EQ(FindDeviceByIndex(2)->driveLetter, 'G') << "forward from a tail the main window moved";
  EXPECT_EQ(FindDeviceByIndex(7)->driveLetter, 'G') << "an index nobody has ends where the walk ends";
}

TEST_F(DeviceList, FreeingClearsEverythingAlsoWhenTheScanStoppedEarly) {
  AppendThree();
  DeviceListLast = nullptr;  // a scan that ran out of memory never set it
  FreeDeviceList();
  EXPECT_EQ(DeviceCount, 0);
  EXPECT_EQ(DeviceListHead, nullptr);
  EXPECT_EQ(DeviceListTail, nullptr);
  EXPECT_EQ(CurrentDevice, nullptr);
  EXPECT_EQ(SlotDriveLetters[0], '\0');
  FreeDeviceList();
  EXPECT_EQ(FindDeviceByIndex(0), nullptr) << "an empty list";
}

TEST(OsKindTest, EachWindowsVersionHasItsKind) {
  const std::pair<win::WindowsVersion, int> kinds[] = {
      {win::WindowsVersion::Win95, 1}, {win::WindowsVersion::Win95Osr2, 2}, {win::WindowsVersion::Win98, 3},
      {win::WindowsVersion::WinMe, 4}, {win::WindowsVersion::Nt4, 5},       {win::WindowsVersion::Win2000, 6},
      {win::WindowsVersion::Xp, 7},
  };
  for (const auto& [version, kind] : kinds) {
    win::SetWindowsVersion(version);
    EXPECT_EQ(DetectOsKind(), kind);
    EXPECT_EQ(OsKind, kind);
  }
}

TEST(OsKind, NineXReleasesChangeAtTheirFirstBuilds) {
  const std::pair<win::DWORD, win::BYTE> builds[] = {{1110, 1}, {1111, 2}, {1997, 2}, {1998, 3}, {2222, 3}, {2223, 4}};
  for (const auto& [build, kind] : builds) {
    win::OSVERSIONINFOA version{};
    version.dwPlatformId = win::VER_PLATFORM_WIN32_WINDOWS;
    // The high word carries the version number and is not looked at.
    version.dwBuildNumber = 0x040A0000U | build;
    EXPECT_EQ(OsKindOfVersion(version), kind) << build;
  }
}

}  // namespace
}  // namespace tarnlok
