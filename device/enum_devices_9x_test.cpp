#include "device/enum_devices_9x.h"

#include "device/device_list.h"
#include "device/device_state.h"
#include "device/testing/device_test_support.h"
#include "device/testing/stand_in_aspi.h"
#include "device/testing/stand_in_chain.h"
#include "device/testing/stand_in_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace tarnlok {
namespace {

using test_support::AspiDevice;
using test_support::IdentifyWith;
using test_support::NodeSetup;
using test_support::NumberedImage;
using test_support::StandInAspi;
using test_support::StandInChain;
using test_support::StandInMachine;

std::vector<const DeviceEntry*> Entries() {
  std::vector<const DeviceEntry*> entries;
  for (const DeviceEntry* entry = DeviceListHead; entry != nullptr; entry = entry->next) entries.push_back(entry);
  return entries;
}

class EnumDevices98 : public test_support::DeviceStateTest {
 protected:
  void SetUp() override { OsKind = kOsWindows98; }
  int Run() {
    DriverDeviceChain = chain.Anchor();
    return EnumDevices9x();
  }
  // A removable drive letter for the walk to count.
  void Removable(char letter) { machine.Add(letter, test_support::ReaderSetup{}); }

  StandInMachine machine{win::WindowsVersion::Win98};
  StandInAspi aspi;
  StandInChain chain;
};

NodeSetup IdeNode(win::BYTE drive) {
  NodeSetup node;
  node.portDriver = "ESDI_506";
  node.hardwareText = "ESDI\\GENERIC_IDE__DISK_TYPE47_\\MF&CHILD0000&PCI&VEN_8086";
  node.driverStatus = 0x10;
  node.driveNumbers = {drive};
  return node;
}

TEST_F(EnumDevices98, UsbReaderThroughAspiAndIdeReaderThroughTheDriver) {
  Removable('E');
  Removable('F');
  AspiDevice reader;
  reader.product = "SM/MS Reader    ";
  reader.inquiryStatus = 0x200;
  reader.sectors = 64000;
  aspi.Add(0, 0, 0, reader);
  NodeSetup usb;
  usb.product = "SM/MS Reader    ";
  usb.sectors = 64000;
  usb.driveNumbers = {4};
  chain.Add(usb);
  const win::DWORD ide = chain.Add(IdeNode(5));
  auto& card = machine.Driver().cards[ide];
  card.identify = IdentifyWith(0x100, 1000, true, "KESTRO IDE READER");
  card.image = NumberedImage(4);

  ASSERT_EQ(Run(), 1);
  const auto entries = Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0]->busKind, kBusUsb);
  EXPECT_EQ(entries[0]->deviceKind, kSmartMedia);
  EXPECT_EQ(entries[0]->readerKind, kSmartMediaReader);
  EXPECT_EQ(entries[0]->driveLetter, 'E');
  EXPECT_EQ(entries[0]->hostAdapter, 0);
  EXPECT_EQ(entries[0]->volumeSectorCount, 64000u);
  EXPECT_STREQ(entries[0]->product, "SM/MS Reader    ");
  EXPECT_EQ(entries[0]->otherMakerFlag, 0);
  EXPECT_EQ(entries[1]->busKind, kBusIde);
  EXPECT_EQ(entries[1]->deviceKind, kCompactFlash);
  EXPECT_EQ(entries[1]->deviceReference, ide);
  EXPECT_EQ(entries[1]->hostAdapter, kNoAspiAddress);
  EXPECT_STREQ(entries[1]->vendor, "KESTRO I");
  EXPECT_STREQ(entries[1]->product, "Compact Flash ");
  EXPECT_EQ(entries[1]->otherMakerFlag, 1) << "the model text names no maker's vendor";
  EXPECT_EQ(std::string(SlotDriveLetters), "EF");
  EXPECT_EQ(DeviceListLast, entries[1]);
}

TEST_F(EnumDevices98, HardwareTextDecidesTheBusOrLeavesTheNodeOut) {
  EXPECT_EQ(BusKindFromHardwareText("ESDI_506\\USB&X"), kBusUsb);
  EXPECT_EQ(BusKindFromHardwareText("esdi_506\\disk"), kBusIde);
  EXPECT_EQ(BusKindFromHardwareText("PCMCIA\\KESTRO"), kBusPcmcia);
  EXPECT_EQ(BusKindFromHardwareText("FLOP\\GENERIC"), kBusFloppy);
  EXPECT_EQ(BusKindFromHardwareText("SCSI\\LS-120"), kBusLs120);
  EXPECT_FALSE(BusKindFromHardwareText("PCMCIA\\CDROM").has_value());
  EXPECT_FALSE(BusKindFromHardwareText("SCSI\\TAPE").has_value());
}

TEST_F(EnumDevices98, IdeNodeWithoutALetteredDriveFillsNoSlot) {
  const win::DWORD ide = chain.Add(IdeNode(0));
  machine.Driver().cards[ide].identify = IdentifyWith(0x200, 1000);
  ASSERT_EQ(Run(), 1);
  ASSERT_EQ(DeviceCount, 1);
  EXPECT_EQ(DeviceListHead->driveLetter, 0);
  EXPECT_EQ(DeviceListHead->deviceKind, kSmartMedia);
  EXPECT_EQ(SlotDriveLetters[0], '\0');
}

TEST_F(EnumDevices98, RemovableDrivesNoNodeIdentifiedAreListedOnceByLetter) {
  Removable('G');
  machine.Volume('G').totalBytes = 32ULL << 20;
  NodeSetup unknown;
  unknown.vendor = "Generic ";
  unknown.driveNumbers = {6};
  unknown.sectors = 1234;
  chain.Add(unknown);
  NodeSetup same = unknown;
  chain.Add(same);
  ASSERT_EQ(Run(), 1);
  ASSERT_EQ(DeviceCount, 1) << "the second node's letter is already in a slot";
  EXPECT_EQ(DeviceListHead->driveLetter, 'G');
  EXPECT_EQ(DeviceListHead->noCommandFlag, 1);
  EXPECT_EQ(DeviceListHead->deviceKind, 0);
  EXPECT_EQ(DeviceListHead->volumeSectorCount, 65536u) << "from the drive's size";
  EXPECT_EQ(DeviceListHead->otherMakerFlag, 1);
  EXPECT_EQ(std::string(SlotDriveLetters), "G");
}

// An LS-120 drive takes its own drive's letter into the slots before the letter of its volume.
TEST_F(EnumDevices98, Ls120DriveTakesItsOwnLetterFirst) {
  Removable('B');
  Removable('F');
  AspiDevice drive;
  drive.sectors = 245760;
  aspi.Add(0, 0, 0, drive);
  NodeSetup ls120;
  ls120.hardwareText = "SCSI\\LS-120";
  ls120.ownDrive = 1;
  ls120.driveNumbers = {5};
  chain.Add(ls120);
  ASSERT_EQ(Run(), 1);
  ASSERT_EQ(DeviceCount, 1);
  EXPECT_EQ(DeviceListHead->busKind, kBusLs120);
  EXPECT_EQ(DeviceListHead->driveLetter, 'F') << "its volume's letter names the entry";
  EXPECT_EQ(std::string(SlotDriveLetters), "BF");
}

TEST_F(EnumDevices98, InactiveOrCdRomNodesAreLeftOut) {
  NodeSetup inactive;
  inactive.flags = 0x0004;
  chain.Add(inactive);
  NodeSetup cdrom;
  cdrom.hardwareText = "PCMCIA\\CDROM";
  chain.Add(cdrom);
  NodeSetup noText;
  noText.noHardwareText = true;
  chain.Add(noText);
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(DeviceCount, 0);
}

TEST_F(EnumDevices98, NoChainGivesAnEmptyList) {
  DriverDeviceChain = 0;
  EXPECT_EQ(EnumDevices9x(), 0);
  DriverDeviceChain = 0x7FFFFFF0;
  EXPECT_EQ(EnumDevices9x(), 0) << "an anchor address that names nothing";
  EXPECT_EQ(DeviceCount, 0);
}

}  // namespace
}  // namespace tarnlok

namespace tarnlok {
namespace {

using test_support::IdentifyWith;
using test_support::NodeSetup;
using test_support::StandInChain;
using test_support::StandInMachine;

class IdeIdentification98 : public test_support::DeviceStateTest {
 protected:
  void SetUp() override { OsKind = kOsWindows98; }
  int Identify(const NodeSetup& setup) {
    const DriverNode node(chain.Add(setup));
    model.fill('#');
    return IdentifyIdeDevice9x(node, &kind, &reader, model.data(), cardText.data(), &select);
  }
  StandInMachine machine{win::WindowsVersion::Win98};
  StandInChain chain;
  win::BYTE kind = 0, reader = 0, select = 0;
  std::array<char, 45> model{};
  std::array<char, 17> cardText{};
};

TEST_F(IdeIdentification98, PortDevicesAnswerThroughThePortRequestAndTheSlaveIsTried) {
  machine.Driver().portCards[kAtaSlave] = IdentifyWith(0x400, 1000, false, "KESTRO MS");
  NodeSetup node;
  node.secondFlags = 4;
  ASSERT_EQ(Identify(node), 1);
  EXPECT_EQ(select, kAtaSlave);
  EXPECT_EQ(kind, kMemoryStick);
  EXPECT_EQ(reader, kMemoryStickReader);
  EXPECT_STREQ(cardText.data(), "Memory Stick ");
  EXPECT_EQ(std::string(model.data(), 9), "KESTRO MS");
  EXPECT_EQ(model[44], '\0') << "the model area is cleared to its end";
  ASSERT_EQ(machine.Driver().portRequests.size(), 2u);
  EXPECT_EQ(machine.Driver().portRequests[0][4], kAtaMaster);
  EXPECT_EQ(
      (std::vector<win::BYTE>(machine.Driver().portRequests[1].begin(), machine.Driver().portRequests[1].begin() + 4)),
      (std::vector<win::BYTE>{0xF0, 0x01, 0xF6, 0x03}));
}

TEST_F(IdeIdentification98, NodesThatDoNotQualifyOrAnswerNothingValid) {
  NodeSetup plain;
  EXPECT_EQ(Identify(plain), 0) << "neither IDE status, IDE channel nor port device";
  NodeSetup blocked;
  blocked.secondFlags = 4;
  blocked.flags = 0x8004 | 0x4000;
  EXPECT_EQ(Identify(blocked), 0);
  NodeSetup silent;
  silent.driverStatus = 0x10;
  EXPECT_EQ(Identify(silent), 1) << "no answer leaves zeros, whose model byte is valid";
  EXPECT_EQ(select, kAtaMaster) << "back to the master after both failed";
  EXPECT_EQ(kind, 0);
  // Word 27 keeps the model's second character in its first byte.
  machine.Driver().portCards[kAtaMaster] = IdentifyWith(0x100, 1000, true, " \xC0 bad model");
  NodeSetup invalid;
  invalid.secondFlags = 4;
  EXPECT_EQ(Identify(invalid), 0) << "model data marked invalid";
}

}  // namespace
}  // namespace tarnlok

namespace tarnlok {
namespace {

TEST(EnumDevices98Floppy, FloppyWithoutPortDriverIsListedWhenItsVolumeOpens) {
  OsKind = kOsWindows98;
  StandInMachine machine{win::WindowsVersion::Win98};
  test_support::StandInAspi aspi;
  ui::ScriptedPrompter prompter{test_support::FailTest};
  machine.Add('A', test_support::ReaderSetup{});
  StandInChain chain;
  NodeSetup floppy;
  floppy.portDriver = "";
  floppy.hardwareText = "FLOP\\GENERIC_FLOPPY_DRIVE";
  floppy.ownDrive = 0;
  floppy.driveNumbers = {0};
  floppy.vendor = "";
  chain.Add(floppy);
  NodeSetup unlisted;
  unlisted.portDriver = "";
  unlisted.hardwareText = "USB\\VID_55AA&PID_0001";
  chain.Add(unlisted);
  DriverDeviceChain = chain.Anchor();
  ASSERT_EQ(EnumDevices9x(), 1);
  ASSERT_EQ(DeviceCount, 1) << "a node without a port driver is kept only for a floppy";
  EXPECT_EQ(DeviceListHead->driveLetter, 'A');
  EXPECT_EQ(DeviceListHead->busKind, kBusFloppy);
  EXPECT_EQ(DeviceListHead->noCommandFlag, 0);
  EXPECT_EQ(DeviceListHead->otherMakerFlag, 0);
  FreeDeviceList();
}

}  // namespace
}  // namespace tarnlok
