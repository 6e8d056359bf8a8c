// The Windows 9x device list from the card driver's node chain on described machines: USB readers
// found through ASPI, IDE readers identified through the driver, floppy drives by their volume.
// Chains no machine builds stay on stand-in chains, each saying why.
#include "device/enum_devices_9x.h"

#include "device/device_list.h"
#include "device/device_state.h"
#include "device/testing/device_test_support.h"
#include "device/testing/machine_fixture.h"
#include "device/testing/stand_in_fixture.h"
#include "platform/machine/testing/machine_testing.h"
#include "platform/win/layouts/card_driver_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnlok {
namespace {

namespace layout = win::card_driver_layout;

using test_support::AspiDevice;
using test_support::IdentifyWith;
using test_support::NodeSetup;

using EnumDevices98OnMachine = test_support::MachineDeviceTest;

TEST_F(EnumDevices98OnMachine, UsbReaderThroughAspiAndIdeReaderThroughTheDriver) {
  Start(test_support::MachineJson("98", R"(
    { "maker": true, "product": "SM/MS Reader", "letter": "E",
      "card": { "kind": "sm", "image": "enum98-sm.img", "deviceCode": 227 } },
    { "bus": "ide", "maker": true, "vendor": "KESTRO", "product": "IDE READER", "letter": "F",
      "card": { "kind": "cf", "image": "enum98-ide.img", "sectors": 4096 } })"),
        kOsWindows98);
  ASSERT_EQ(EnumDevices9x(), 1);
  const auto entries = test_support::ListedEntries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0]->busKind, kBusUsb);
  EXPECT_EQ(entries[0]->deviceKind, kSmartMedia);
  EXPECT_EQ(entries[0]->readerKind, kSmartMediaReader);
  EXPECT_EQ(entries[0]->driveLetter, 'E');
  EXPECT_EQ(entries[0]->hostAdapter, 0);
  EXPECT_EQ(entries[0]->volumeSectorCount, 7973u) << "the volume of a 4 MB SmartMedia card";
  EXPECT_STREQ(entries[0]->product, "SM/MS Reader    ");
  EXPECT_EQ(entries[0]->otherMakerFlag, 0);

  const auto nodes = machine::test_support::DriverNodes(driver_);
  ASSERT_EQ(nodes.size(), 2u);
  EXPECT_EQ(entries[1]->busKind, kBusIde);
  EXPECT_EQ(entries[1]->deviceKind, kCompactFlash);
  EXPECT_EQ(entries[1]->deviceReference, nodes[1]);
  EXPECT_EQ(entries[1]->hostAdapter, kNoAspiAddress);
  EXPECT_EQ(entries[1]->driveLetter, 'F');
  EXPECT_STREQ(entries[1]->vendor, "KESTRO  ") << "the first 8 characters of the IDE model";
  EXPECT_STREQ(entries[1]->product, "Compact Flash ");
  EXPECT_EQ(entries[1]->otherMakerFlag, 1) << "the model text names no maker's vendor";
  EXPECT_EQ(std::string(SlotDriveLetters), "EF");
  EXPECT_EQ(DeviceListLast, entries[1]);
}

TEST_F(EnumDevices98OnMachine, FloppyWithoutPortDriverIsListedWhenItsVolumeOpens) {
  Start(test_support::MachineJson(
            "98", R"({ "bus": "floppy", "letter": "A", "card": { "kind": "floppy", "image": "enum98-a.img" } })"),
        kOsWindows98);
  ASSERT_EQ(EnumDevices9x(), 1);
  ASSERT_EQ(DeviceCount, 1);
  EXPECT_EQ(DeviceListHead->driveLetter, 'A');
  EXPECT_EQ(DeviceListHead->busKind, kBusFloppy);
  EXPECT_EQ(DeviceListHead->hostAdapter, kNoAspiAddress);
  EXPECT_EQ(DeviceListHead->noCommandFlag, 0);
  EXPECT_EQ(DeviceListHead->otherMakerFlag, 0);
  EXPECT_EQ(std::string(SlotDriveLetters), "A");
}

TEST_F(EnumDevices98OnMachine, NoChainGivesAnEmptyList) {
  Start(test_support::MachineJson("98", ""), kOsWindows98);
  EXPECT_EQ(EnumDevices9x(), 0) << "an anchor without nodes";
  DriverDeviceChain = 0;
  EXPECT_EQ(EnumDevices9x(), 0);
  DriverDeviceChain = 0x7FFFFFF0;
  EXPECT_EQ(EnumDevices9x(), 0) << "an anchor address that names nothing";
  EXPECT_EQ(DeviceCount, 0);
}

TEST(EnumDevices98HardwareText, DecidesTheBusOrLeavesTheNodeOut) {
  EXPECT_EQ(BusKindFromHardwareText("ESDI_506\\USB&X"), kBusUsb);
  EXPECT_EQ(BusKindFromHardwareText("esdi_506\\disk"), kBusIde);
  EXPECT_EQ(BusKindFromHardwareText("PCMCIA\\KESTRO"), kBusPcmcia);
  EXPECT_EQ(BusKindFromHardwareText("FLOP\\GENERIC"), kBusFloppy);
  EXPECT_EQ(BusKindFromHardwareText("SCSI\\LS-120"), kBusLs120);
  EXPECT_FALSE(BusKindFromHardwareText("PCMCIA\\CDROM").has_value());
  EXPECT_FALSE(BusKindFromHardwareText("SCSI\\TAPE").has_value());
}

// The machine builds one active node per reader, with the reader's own letter as its only
// logical drive and a host adapter ASPI finds; these chains hold what it never does: nodes
// without a lettered drive, two nodes of one letter, a node ASPI does not find, an own drive
// apart from the volume's letter, inactive and CD-ROM nodes, nodes without a hardware text or
// without a port driver.
class EnumDevices98OnStandIns : public test_support::StandIn98Test {
 protected:
  int Run() {
    DriverDeviceChain = chain.Anchor();
    return EnumDevices9x();
  }
  // A removable drive letter for the walk to count.
  void Removable(char letter) { machine.Add(letter, test_support::ReaderSetup{}); }
};

NodeSetup IdeNode(win::BYTE drive) {
  NodeSetup node;
  node.portDriver = "ESDI_506";
  node.hardwareText = "ESDI\\GENERIC_IDE__DISK_TYPE47_\\MF&CHILD0000&PCI&VEN_8086";
  node.driverStatus = layout::kDriverStatusIde;
  node.driveNumbers = {drive};
  return node;
}

TEST_F(EnumDevices98OnStandIns, IdeNodeWithoutALetteredDriveFillsNoSlot) {
  const win::DWORD ide = chain.Add(IdeNode(0));
  machine.Driver().cards[ide].identify = IdentifyWith(0x200, 1000);
  ASSERT_EQ(Run(), 1);
  ASSERT_EQ(DeviceCount, 1);
  EXPECT_EQ(DeviceListHead->driveLetter, 0);
  EXPECT_EQ(DeviceListHead->deviceKind, kSmartMedia);
  EXPECT_EQ(SlotDriveLetters[0], '\0');
}

TEST_F(EnumDevices98OnStandIns, RemovableDrivesNoNodeIdentifiedAreListedOnceByLetter) {
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

// An LS-120 drive's node: its own drive and its volume's drive (0 for A).
NodeSetup Ls120Node(win::BYTE ownDrive, win::BYTE volumeDrive) {
  NodeSetup node;
  node.hardwareText = "SCSI\\LS-120";
  node.ownDrive = ownDrive;
  node.driveNumbers = {volumeDrive};
  return node;
}

// An LS-120 drive takes its own drive's letter into the slots before the letter of its volume.
TEST_F(EnumDevices98OnStandIns, Ls120DriveTakesItsOwnLetterFirst) {
  Removable('B');
  Removable('F');
  AspiDevice drive;
  drive.sectors = 245760;
  aspi.Add(0, 0, 0, drive);
  chain.Add(Ls120Node(1, 5));
  ASSERT_EQ(Run(), 1);
  ASSERT_EQ(DeviceCount, 1);
  EXPECT_EQ(DeviceListHead->busKind, kBusLs120);
  EXPECT_EQ(DeviceListHead->driveLetter, 'F') << "its volume's letter names the entry";
  EXPECT_EQ(std::string(SlotDriveLetters), "BF");
}

// Its volume under the drive's own letter fills no second slot: the reader after it keeps its
// letter in the slot of its row.
TEST_F(EnumDevices98OnStandIns, Ls120VolumeUnderTheDrivesOwnLetterFillsOneSlot) {
  Removable('B');
  Removable('E');
  AspiDevice device;
  device.sectors = 245760;
  aspi.Add(0, 0, 0, device);
  aspi.Add(1, 0, 0, device);
  chain.Add(Ls120Node(1, 1));
  NodeSetup reader;
  reader.ownDrive = 4;
  reader.driveNumbers = {4};
  chain.Add(reader);
  ASSERT_EQ(Run(), 1);
  ASSERT_EQ(DeviceCount, 2);
  EXPECT_EQ(DeviceListHead->driveLetter, 'B');
  EXPECT_EQ(DeviceListTail->driveLetter, 'E');
  EXPECT_EQ(std::string(SlotDriveLetters), "BE");
}

// Each node would be listed as an IDE reader but for its flags or its hardware text.
TEST_F(EnumDevices98OnStandIns, InactiveOrCdRomNodesAreLeftOut) {
  NodeSetup inactive = IdeNode(4);
  inactive.flags = layout::kNodeDisk;
  NodeSetup cdrom = IdeNode(5);
  cdrom.hardwareText = "PCMCIA\\CDROM";
  NodeSetup noText = IdeNode(6);
  noText.noHardwareText = true;
  for (const NodeSetup& node : {inactive, cdrom, noText}) {
    machine.Driver().cards[chain.Add(node)].identify = IdentifyWith(0x100, 1000);
  }
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(DeviceCount, 0);
}

TEST_F(EnumDevices98OnStandIns, NodeWithoutPortDriverIsKeptOnlyForAFloppy) {
  Removable('A');
  NodeSetup floppy;
  floppy.portDriver = "";
  floppy.hardwareText = "FLOP\\GENERIC_FLOPPY_DRIVE";
  floppy.driveNumbers = {0};
  floppy.vendor = "";
  chain.Add(floppy);
  NodeSetup unlisted;
  unlisted.portDriver = "";
  unlisted.hardwareText = "USB\\VID_55AA&PID_0001";
  chain.Add(unlisted);
  ASSERT_EQ(Run(), 1);
  ASSERT_EQ(DeviceCount, 1);
  EXPECT_EQ(DeviceListHead->driveLetter, 'A');
  EXPECT_EQ(DeviceListHead->busKind, kBusFloppy);
}

}  // namespace
}  // namespace tarnlok

namespace tarnlok {
namespace {

using test_support::IdentifyWith;
using test_support::NodeSetup;

// IDE identification of the machine's nodes: the first IDE reader answers at the primary port
// (request 11), the others through their node (request 10). A second IDE reader qualifies by the
// IDE port driver's status, a PCMCIA slot by its IDE channel flag alone; USB and floppy nodes do
// not qualify.
class IdeIdentification98OnMachine : public test_support::MachineDeviceTest {
 protected:
  int Identify(win::DWORD node) {
    model.fill('#');
    kind = reader = 0;
    select = 0xFF;
    return IdentifyIdeDevice9x(DriverNode(node), &kind, &reader, model.data(), cardText.data(), &select);
  }
  win::BYTE kind = 0, reader = 0, select = 0;
  std::array<char, 45> model{};
  std::array<char, 17> cardText{};
};

TEST_F(IdeIdentification98OnMachine, PortDeviceAndChannelDevicesAnswerAsMaster) {
  Start(test_support::MachineJson("98", R"(
    { "bus": "ide", "maker": true, "product": "IDE MS Reader", "letter": "E",
      "card": { "kind": "ms", "image": "ide98-ms.img", "blocks": 512, "pagesPerBlock": 16 } },
    { "bus": "ide", "maker": true, "product": "IDE SD Reader", "letter": "F",
      "card": { "kind": "mmcsd", "image": "ide98-sd.img", "sectors": 4096 } },
    { "bus": "pcmcia", "maker": true, "letter": "H",
      "card": { "kind": "cf", "image": "ide98-pcmcia.img", "sectors": 4096 } },
    { "maker": true, "letter": "G", "card": { "kind": "cf", "image": "ide98-usb.img", "sectors": 4096 } },
    { "bus": "floppy", "letter": "A", "card": { "kind": "floppy", "image": "ide98-a.img" } })"),
        kOsWindows98);
  const auto nodes = machine::test_support::DriverNodes(driver_);
  ASSERT_EQ(nodes.size(), 5u);

  ASSERT_EQ(Identify(nodes[0]), 1) << "the port device";
  EXPECT_EQ(select, kAtaMaster);
  EXPECT_EQ(kind, kMemoryStick);
  EXPECT_EQ(reader, kMemoryStickReader);
  EXPECT_STREQ(cardText.data(), "Memory Stick ");
  EXPECT_EQ(std::string(model.data()), std::string("Kestro  IDE MS Reader").append(19, ' ')) << "40 characters";
  EXPECT_EQ(model[44], '\0') << "the model area is cleared to its end";

  ASSERT_EQ(Identify(nodes[1]), 1) << "a disk of the IDE port driver";
  EXPECT_EQ(select, kAtaMaster);
  EXPECT_EQ(kind, kMmcSd);
  EXPECT_STREQ(cardText.data(), "MMC/SD ");

  ASSERT_EQ(Identify(nodes[2]), 1) << "a PCMCIA slot, marked by its IDE channel flag";
  EXPECT_EQ(select, kAtaMaster);
  EXPECT_EQ(kind, kCompactFlash);
  EXPECT_STREQ(cardText.data(), "Compact Flash ");

  EXPECT_EQ(Identify(nodes[3]), 0) << "a USB node";
  EXPECT_EQ(Identify(nodes[4]), 0) << "a floppy node";
}

// The machine's IDE devices are each the master of their channel and always answer with a sound
// model text; these nodes and devices are what it never has: a port device answering only as
// the slave, a port device without port access, a device that answers nothing, and model data
// marked invalid.
class IdeIdentification98OnStandIns : public test_support::StandIn98Test {
 protected:
  int Identify(const NodeSetup& setup) {
    const DriverNode node(chain.Add(setup));
    model.fill('#');
    return IdentifyIdeDevice9x(node, &kind, &reader, model.data(), cardText.data(), &select);
  }
  win::BYTE kind = 0, reader = 0, select = 0;
  std::array<char, 45> model{};
  std::array<char, 17> cardText{};
};

TEST_F(IdeIdentification98OnStandIns, PortDevicesAnswerThroughThePortRequestAndTheSlaveIsTried) {
  machine.Driver().portCards[kAtaSlave] = IdentifyWith(0x400, 1000, false, "KESTRO MS");
  NodeSetup node;
  node.secondFlags = layout::kSecondFlagsPortDevice;
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

TEST_F(IdeIdentification98OnStandIns, NodesThatDoNotQualifyOrAnswerNothingValid) {
  NodeSetup blocked;
  blocked.secondFlags = layout::kSecondFlagsPortDevice;
  blocked.flags = layout::kNodeActive | layout::kNodeDisk | layout::kNodeNoPortAccess;
  EXPECT_EQ(Identify(blocked), 0);
  NodeSetup silent;
  silent.driverStatus = layout::kDriverStatusIde;
  EXPECT_EQ(Identify(silent), 1) << "no answer leaves zeros, whose model byte is valid";
  EXPECT_EQ(select, kAtaMaster) << "back to the master after both failed";
  EXPECT_EQ(kind, 0);
  // Word 27 keeps the model's second character in its first byte.
  machine.Driver().portCards[kAtaMaster] = IdentifyWith(0x100, 1000, true, " \xC0 bad model");
  NodeSetup invalid;
  invalid.secondFlags = layout::kSecondFlagsPortDevice;
  EXPECT_EQ(Identify(invalid), 0) << "model data marked invalid";
}

}  // namespace
}  // namespace tarnlok
