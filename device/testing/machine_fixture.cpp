#include "device/testing/machine_fixture.h"

#include "device/card_driver.h"
#include "device/device_list.h"
#include "device/device_state.h"
#include "device/drive_handle.h"
#include "device/media_capacity.h"
#include "platform/machine/testing/machine_testing.h"
#include "platform/win/modules/modules.h"

namespace tarnlok::test_support {

std::string MachineJson(const std::string& windows, const std::string& readers) {
  return R"({ "version": 1, "windows": ")" + windows + R"(", "readers": [)" + readers + "] }";
}

DeviceEntry* EntryAt(char letter) {
  for (DeviceEntry* entry = DeviceListHead; entry != nullptr; entry = entry->next) {
    if (entry->driveLetter == letter) return entry;
  }
  return nullptr;
}

std::vector<const DeviceEntry*> ListedEntries() {
  std::vector<const DeviceEntry*> entries;
  for (const DeviceEntry* entry = DeviceListHead; entry != nullptr; entry = entry->next) entries.push_back(entry);
  return entries;
}

Capacity CapacityOf(char letter) {
  DeviceEntry* entry = EntryAt(letter);
  EXPECT_NE(entry, nullptr) << letter;
  Capacity capacity;
  if (entry == nullptr) return capacity;
  DriveHandle handle = OsKindIsNt() ? OpenCardVolume(letter) : DriveHandle();
  capacity.result = GetMediaCapacity(handle.get(), entry, &capacity.sizeOrCode, &capacity.blocks,
                                     &capacity.pagesPerBlock, &capacity.writeProtected, &capacity.bytesPerSector);
  return capacity;
}

void MachineDeviceTest::Start(const std::string& json, win::BYTE osKind) {
  machine_ = std::make_unique<machine::Machine>(machine::test_support::Describe(json));
  machine_->Install();
  OsKind = osKind;
  if (OsKindIsNt()) return;
  driver_ = win::CreateFileA(kCardDriverName, win::GENERIC_READ | win::GENERIC_WRITE,
                             win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, nullptr, win::OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(driver_, win::INVALID_HANDLE_VALUE);
  win::DWORD returned = 0;
  ASSERT_TRUE(
      win::DeviceIoControl(driver_, kDriverGetDeviceChain, nullptr, 0, &DriverDeviceChain, 4, &returned, nullptr));
}

void MachineDeviceTest::Stop() {
  if (driver_ != win::INVALID_HANDLE_VALUE) win::CloseHandle(driver_);
  driver_ = win::INVALID_HANDLE_VALUE;
  if (Vwin32Handle != win::INVALID_HANDLE_VALUE) win::CloseHandle(Vwin32Handle);
  Vwin32Handle = win::INVALID_HANDLE_VALUE;
  if (AspiLibrary != nullptr) win::FreeLibrary(AspiLibrary);
  AspiLibrary = nullptr;
  SendAspiSrb = nullptr;
  GetAspiSupportInfo = nullptr;
  DriverDeviceChain = 0;
  CardDriveLetter = 0;
  FreeDeviceList();
  machine_.reset();
}

void MachineDeviceTest::TearDown() {
  Stop();
  DeviceStateTest::TearDown();
}

}  // namespace tarnlok::test_support
