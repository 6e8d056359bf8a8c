#include "device/identify_reader_9x.h"

#include "device/device_state.h"
#include "device/testing/device_test_support.h"
#include "device/testing/stand_in_aspi.h"
#include "device/testing/stand_in_chain.h"
#include "device/testing/stand_in_reader.h"
#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"
#include "platform/win/system/last_error.h"
#include "platform/win/registry/registry.h"

#include <gtest/gtest.h>

namespace tarnlok {
namespace {

using test_support::AspiDevice;
using test_support::NodeSetup;
using test_support::StandInAspi;
using test_support::StandInChain;
using test_support::StandInMachine;

void CreateKey(const std::string& path, const char* dwordName = nullptr, win::DWORD value = 0) {
  win::HKEY key = nullptr;
  ASSERT_EQ(win::RegCreateKeyExA(win::HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, win::KEY_ALL_ACCESS, nullptr,
                                 &key, nullptr),
            win::ERROR_SUCCESS);
  if (dwordName != nullptr) {
    const win::BYTE bytes[4] = {static_cast<win::BYTE>(value), static_cast<win::BYTE>(value >> 8),
                                static_cast<win::BYTE>(value >> 16), static_cast<win::BYTE>(value >> 24)};
    win::RegSetValueExA(key, dwordName, 0, win::REG_BINARY, bytes, 4);
  }
  win::RegCloseKey(key);
}

class IdentifyReader98 : public test_support::DeviceStateTest {
 protected:
  void SetUp() override {
    OsKind = kOsWindows98;
    driver = win::CreateFileA("\\\\.\\TARNLOK.VXD", win::GENERIC_READ | win::GENERIC_WRITE, 0, nullptr,
                              win::OPEN_EXISTING, 0, nullptr);
    entry.driveLetter = 'E';
    CardDriveLetter = 'E';
  }
  void TearDown() override {
    win::CloseHandle(driver);
    DeviceStateTest::TearDown();
  }
  int Identify() {
    return IdentifyReader9x(driver, chain.Anchor(), &host, &target, &lun, &driveValue, &deviceKind, &readerKind,
                            &entry);
  }

  StandInMachine machine{win::WindowsVersion::Win98};
  StandInAspi aspi;
  StandInChain chain;
  win::HANDLE driver = win::INVALID_HANDLE_VALUE;
  DeviceEntry entry;
  win::BYTE host = 255, target = 255, lun = 255, deviceKind = 0, readerKind = 0;
  win::DWORD driveValue = 0;
};

TEST_F(IdentifyReader98, MakersUsbReaderByItsAspiInquiry) {
  AspiDevice device;
  device.product = "USB SM Reader   ";
  device.inquiryStatus = 0x200;
  device.sectors = 100;
  aspi.Add(1, 0, 2, device);
  aspi.adapterNames = {"HOST0", "KSXHOST0"};
  NodeSetup node;
  node.product = "USB SM Reader   ";
  node.driveNumbers = {4};
  node.sectors = 4321;
  chain.Add(node);
  ASSERT_EQ(Identify(), 1);
  EXPECT_EQ(host, 1);
  EXPECT_EQ(target, 0);
  EXPECT_EQ(lun, 2);
  EXPECT_EQ(deviceKind, kSmartMediaReader) << "set by the ASPI match, so the keywords change nothing";
  EXPECT_EQ(driveValue, 0x1004u);
  EXPECT_EQ(CardVolumeSectors, 4321u);
  EXPECT_EQ(UseDriveLetterIo, 0u);
}

TEST_F(IdentifyReader98, ProductKeywordsForTheMakersVendorId) {
  NodeSetup node;
  node.product = "USB MS Reader   ";
  node.driveNumbers = {4};
  chain.Add(node);
  ASSERT_EQ(Identify(), 1);
  EXPECT_EQ(deviceKind, kMemoryStick);
  EXPECT_EQ(readerKind, kMemoryStickReader);
}

TEST_F(IdentifyReader98, EntryWithoutCommandsReadsByDriveLetter) {
  entry.noCommandFlag = 1;
  NodeSetup node;
  node.driveNumbers = {4};
  node.sectors = 999;
  chain.Add(node);
  EXPECT_EQ(Identify(), 0);
  EXPECT_EQ(UseDriveLetterIo, 1u);
  EXPECT_EQ(CardVolumeSectors, 999u);
}

TEST_F(IdentifyReader98, NoDriverOrNoNodeOfTheCard) {
  NodeSetup node;
  node.driveNumbers = {7};
  chain.Add(node);
  EXPECT_EQ(Identify(), 0);
  EXPECT_EQ(IdentifyReader9x(win::INVALID_HANDLE_VALUE, chain.Anchor(), &host, &target, &lun, &driveValue, &deviceKind,
                             &readerKind, &entry),
            0);
}

TEST_F(IdentifyReader98, UsbRegistryTiesAHardwareTextOrADiskToTheMakersReader) {
  EXPECT_EQ(FindUsbDevice9x("USB\\VID_55AA&PID_0001\\0123", "Kestro  ", "CF Reader       ", "1.00"), 0);
  CreateKey("Enum\\USB\\VID_55AA&PID_0001\\0123", "ParentUniqueID", 4660);
  EXPECT_EQ(FindUsbDevice9x("USB\\VID_55AA&PID_0001\\0123", "Kestro  ", "CF Reader       ", "1.00"), 1);
  EXPECT_EQ(FindUsbDevice9x("", "Kestro  ", "CF Reader       ", "1.00"), 0);
  CreateKey("Enum\\USBSTOR\\DISK&VEN_KESTRO&PROD_CF_READER&REV_1.00\\4660&0");
  EXPECT_EQ(FindUsbDevice9x("", "Kestro  ", "CF Reader       ", "1.00"), 1) << "by the parent's unique id";
}

}  // namespace
}  // namespace tarnlok
