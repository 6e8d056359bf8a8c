// Reader identification on Windows 98 machines: the card's node in the driver's chain, its ASPI
// address, its kind from the reader or from the product's keywords, and the USB registry that
// ties a node to the maker's reader. What no machine gives stays on stand-ins, saying why.
#include "device/identify_reader_9x.h"

#include "device/device_state.h"
#include "device/testing/device_test_support.h"
#include "device/testing/machine_fixture.h"
#include "device/testing/stand_in_fixture.h"
#include "platform/machine/testing/machine_testing.h"
#include "platform/win/files/files.h"
#include "platform/win/registry/registry.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnlok {
namespace {

using test_support::AspiDevice;
using test_support::NodeSetup;

class IdentifyReader98OnMachine : public test_support::MachineDeviceTest {
 protected:
  // Identifies the card on E, the card drive, with the driver start-up opened.
  int Identify() {
    entry.driveLetter = 'E';
    CardDriveLetter = 'E';
    return IdentifyReader9x(driver_, DriverDeviceChain, &host, &target, &lun, &driveValue, &deviceKind, &readerKind,
                            &entry);
  }
  // The volume's sectors of the reader on a letter.
  win::DWORD VolumeSectors(char letter) {
    return static_cast<win::DWORD>(machine_->ReaderAt(letter)->Medium()->window.sectors);
  }

  DeviceEntry entry;
  win::BYTE host = 255, target = 255, lun = 255, deviceKind = 0, readerKind = 0;
  win::DWORD driveValue = 0;
};

TEST_F(IdentifyReader98OnMachine, MakersUsbReaderByItsAspiInquiry) {
  Start(test_support::MachineJson("98", R"(
    { "vendor": "Generic", "product": "USB SM Reader", "letter": "G",
      "card": { "kind": "cf", "image": "id98-other.img", "sectors": 4096 } },
    { "maker": true, "product": "USB SM Reader", "letter": "E",
      "card": { "kind": "sm", "image": "id98-sm.img", "deviceCode": 227 } })"),
        kOsWindows98);
  ASSERT_EQ(Identify(), 1);
  EXPECT_EQ(host, 1) << "the second reader's adapter: the first one's vendor differs";
  EXPECT_EQ(target, 0);
  EXPECT_EQ(lun, 0);
  EXPECT_EQ(deviceKind, kSmartMediaReader) << "set by the ASPI match, so the keywords change nothing";
  EXPECT_EQ(driveValue, machine::test_support::DriverNodes(driver_).at(1)) << "the driver's value of the drive record";
  EXPECT_EQ(CardVolumeSectors, 7973u) << "the volume of a 4 MB SmartMedia card";
  EXPECT_EQ(UseDriveLetterIo, 0u);
}

TEST_F(IdentifyReader98OnMachine, ProductKeywordsForTheMakersVendorId) {
  Start(test_support::MachineJson("98", R"({ "maker": true, "product": "USB MS Reader", "letter": "E" })"),
        kOsWindows98);
  ASSERT_EQ(Identify(), 1);
  EXPECT_EQ(deviceKind, kMemoryStick) << "an empty reader: its product names the card";
  EXPECT_EQ(readerKind, kMemoryStickReader);
}

TEST_F(IdentifyReader98OnMachine, TheMusicPlayersNameMakesASmartMediaReader) {
  for (const char* product : {"MAVO DRUM", "MAVODRUM Reader", "USB MD Reader"}) {
    Start(test_support::MachineJson(
              "98", std::string(R"({ "maker": true, "product": ")") + product + R"(", "letter": "E" })"),
          kOsWindows98);
    deviceKind = 0;
    readerKind = 0;
    ASSERT_EQ(Identify(), 1) << product;
    EXPECT_EQ(deviceKind, kSmartMedia) << product;
    EXPECT_EQ(readerKind, kSmartMediaReader) << product;
    Stop();
  }
}

TEST_F(IdentifyReader98OnMachine, IdeReaderByItsIdentification) {
  Start(test_support::MachineJson("98", R"({ "bus": "ide", "maker": true, "letter": "E",
                  "card": { "kind": "mmcsd", "image": "id98-ide.img", "sectors": 4096 } })"),
        kOsWindows98);
  ASSERT_EQ(Identify(), 1);
  EXPECT_EQ(deviceKind, kMmcSd);
  EXPECT_EQ(host, 255) << "no ASPI address";
  EXPECT_EQ(CardVolumeSectors, VolumeSectors('E'));
}

TEST_F(IdentifyReader98OnMachine, EntryWithoutCommandsReadsByDriveLetter) {
  Start(test_support::MachineJson(
            "98",
            R"({ "maker": true, "letter": "E", "card": { "kind": "cf", "image": "id98-cf.img", "sectors": 4096 } })"),
        kOsWindows98);
  entry.noCommandFlag = 1;
  EXPECT_EQ(Identify(), 0);
  EXPECT_EQ(UseDriveLetterIo, 1u);
  EXPECT_EQ(CardVolumeSectors, 4033u) << "the partition of a fresh card, from sector 63";
}

TEST_F(IdentifyReader98OnMachine, NoDriverOrNoNodeOfTheCard) {
  Start(test_support::MachineJson(
            "98",
            R"({ "maker": true, "letter": "H", "card": { "kind": "cf", "image": "id98-cf.img", "sectors": 4096 } })"),
        kOsWindows98);
  EXPECT_EQ(Identify(), 0) << "no node has E";
  EXPECT_EQ(IdentifyReader9x(win::INVALID_HANDLE_VALUE, DriverDeviceChain, &host, &target, &lun, &driveValue,
                             &deviceKind, &readerKind, &entry),
            0);
}

TEST_F(IdentifyReader98OnMachine, UsbRegistryTiesAHardwareTextOrADiskToTheMakersReader) {
  Start(test_support::MachineJson("98", R"({ "bus": "ide", "maker": true, "letter": "F",
                  "card": { "kind": "cf", "image": "id98-ide.img", "sectors": 4096 } })"),
        kOsWindows98);
  EXPECT_EQ(FindUsbDevice9x("USB\\VID_55AA&PID_0001\\0123", "Kestro  ", "CF Reader       ", "1.00"), 0)
      << "no USB reader, no keys";
  Stop();
  Start(test_support::MachineJson("98", R"({ "maker": true, "letter": "E", "usb": { "instance": "0123" },
                  "card": { "kind": "cf", "image": "id98-cf.img", "sectors": 4096 } })"),
        kOsWindows98);
  EXPECT_EQ(FindUsbDevice9x("USB\\VID_55AA&PID_0001\\0123", "Kestro  ", "CF Reader       ", "1.00"), 1);
  EXPECT_EQ(FindUsbDevice9x("USB\\VID_55AA&PID_0001\\4567", "Kestro  ", "SD Reader       ", "1.00"), 0);
  EXPECT_EQ(FindUsbDevice9x("", "Kestro  ", "CF Reader       ", "1.00"), 1) << "by the disk's instance";
}

// A reader at a target and LUN other than 0 behind the second of two differently named host
// adapters, and a disk instance named after the parent's unique id: the machine puts each reader
// at target 0, LUN 0 behind an adapter named after its bus, and names its disks after the USB
// instance.
class IdentifyReader98OnStandIns : public test_support::StandIn98Test {
 protected:
  void SetUp() override {
    StandIn98Test::SetUp();
    entry.driveLetter = 'E';
    CardDriveLetter = 'E';
  }

  DeviceEntry entry;
};

TEST_F(IdentifyReader98OnStandIns, ReaderAtAnotherTargetAndLun) {
  AspiDevice device;
  device.product = "USB SM Reader   ";
  device.inquiryStatus = 0x200;
  device.sectors = 100;
  aspi.Add(1, 0, 2, device);
  aspi.adapterNames = {"HOST0", "KSXHOST0"};
  NodeSetup node;
  node.product = "USB SM Reader   ";
  node.driveNumbers = {4};
  chain.Add(node);
  win::BYTE host = 255, target = 255, lun = 255, deviceKind = 0, readerKind = 0;
  win::DWORD driveValue = 0;
  ASSERT_EQ(
      IdentifyReader9x(driver, chain.Anchor(), &host, &target, &lun, &driveValue, &deviceKind, &readerKind, &entry), 1);
  EXPECT_EQ(host, 1);
  EXPECT_EQ(target, 0);
  EXPECT_EQ(lun, 2);
  EXPECT_EQ(deviceKind, kSmartMediaReader) << "set by the ASPI match, so the keywords change nothing";
}

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

TEST_F(IdentifyReader98OnStandIns, DiskNamedAfterTheParentsUniqueId) {
  CreateKey("Enum\\USB\\VID_55AA&PID_0001\\0123", "ParentUniqueID", 4660);
  EXPECT_EQ(FindUsbDevice9x("", "Kestro  ", "CF Reader       ", "1.00"), 0) << "no disk key yet";
  CreateKey("Enum\\USBSTOR\\DISK&VEN_KESTRO&PROD_CF_READER&REV_1.00\\4660&0");
  EXPECT_EQ(FindUsbDevice9x("", "Kestro  ", "CF Reader       ", "1.00"), 1);
}

}  // namespace
}  // namespace tarnlok
