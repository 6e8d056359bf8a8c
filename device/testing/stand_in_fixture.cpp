#include "device/testing/stand_in_fixture.h"

#include "device/card_driver.h"
#include "device/device_state.h"
#include "device/os_kind.h"
#include "platform/win/files/files.h"

namespace tarnlok::test_support {

void StandInDeviceTest::SetUp() {
  DetectOsKind();
  if (OsKindIsNt()) return;
  driver = win::CreateFileA(kCardDriverName, win::GENERIC_READ | win::GENERIC_WRITE, 0, nullptr, win::OPEN_EXISTING, 0,
                            nullptr);
  ASSERT_NE(driver, win::INVALID_HANDLE_VALUE);
}

void StandInDeviceTest::TearDown() {
  if (driver != win::INVALID_HANDLE_VALUE) win::CloseHandle(driver);
  DeviceStateTest::TearDown();
}

}  // namespace tarnlok::test_support
