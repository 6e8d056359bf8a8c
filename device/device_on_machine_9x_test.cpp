// Device access on described Windows 95, 98 and Me machines (the card driver's node chain,
// ASPI, vwin32) and on NT4 with IDE readers: the device list, reader identification, IDE
// identification and sector transfers of every road.
#include "device/aspi_transport.h"
#include "device/ata_transport.h"
#include "device/card_driver.h"
#include "device/card_type.h"
#include "device/device_list.h"
#include "device/device_state.h"
#include "device/drive_handle.h"
#include "device/enum_devices_9x.h"
#include "device/enum_devices_nt.h"
#include "device/identify_reader_9x.h"
#include "device/reader_commands.h"
#include "device/scsi_transport.h"
#include "device/sector_io.h"
#include "device/testing/machine_fixture.h"
#include "device/volume_lock.h"
#include "platform/machine/testing/machine_testing.h"
#include "platform/win/modules/modules.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tarnlok {
namespace {

using machine::test_support::Describe;
using machine::test_support::WriteMbr;
using machine::test_support::WriteNumberedImage;

constexpr win::DWORD kIn = 0x200000;
constexpr win::DWORD kOut = 0x400000;

// A floppy drive, the maker's USB SmartMedia/Memory Stick reader holding a CompactFlash card,
// an IDE CompactFlash reader and a PCMCIA slot with an MMC/SD card.
std::string Machine9x(const std::string& windows) {
  WriteMbr(WriteNumberedImage("usb.img", 4096), 63, 4033);
  WriteNumberedImage("ide.img", 8192);
  WriteNumberedImage("pcmcia.img", 2048);
  std::filesystem::remove(::tarnlok::test_support::TestDataHome() / "a.img");
  return R"({"version":1,"windows":")" + windows + R"(","readers":[
    {"bus":"floppy","letter":"A","card":{"kind":"floppy","image":"a.img"}},
    {"bus":"usb","maker":true,"product":"SM/MS Reader","letter":"E",
     "card":{"kind":"cf","image":"usb.img","sectors":4096}},
    {"bus":"ide","maker":true,"product":"IDE CF Reader","letter":"F",
     "card":{"kind":"cf","image":"ide.img","sectors":8192}},
    {"bus":"pcmcia","maker":true,"letter":"G","card":{"kind":"mmcsd","image":"pcmcia.img","sectors":2048}}]})";
}

using test_support::EntryAt;

// On Windows 9x start-up opens the card driver and keeps the answer of its request 1.
class DeviceOn9xMachine : public test_support::MachineDeviceTest {
 protected:
  win::HANDLE OpenVwin32() {
    Vwin32Handle = win::CreateFileA("\\\\.\\vwin32", 0, 0, nullptr, win::OPEN_EXISTING, 0, nullptr);
    return Vwin32Handle;
  }
};

class DeviceListOn9x : public DeviceOn9xMachine,
                       public ::testing::WithParamInterface<std::pair<const char*, win::BYTE>> {};

TEST_P(DeviceListOn9x, ListsItsDrivesThroughTheDriversNodeChain) {
  Start(Machine9x(GetParam().first), GetParam().second);
  ASSERT_EQ(EnumDevices9x(), 1);
  ASSERT_EQ(DeviceCount, 4);
  EXPECT_EQ(std::string(SlotDriveLetters), "AEFG");

  const DeviceEntry* floppy = EntryAt('A');
  ASSERT_NE(floppy, nullptr);
  EXPECT_EQ(floppy->busKind, kBusFloppy);
  EXPECT_EQ(floppy->deviceKind, 0);
  EXPECT_EQ(floppy->hostAdapter, 255);

  const DeviceEntry* usb = EntryAt('E');
  ASSERT_NE(usb, nullptr);
  EXPECT_EQ(usb->busKind, kBusUsb);
  EXPECT_EQ(usb->deviceKind, kCompactFlash) << "the media status word of its INQUIRY";
  EXPECT_EQ(usb->hostAdapter, 0);
  EXPECT_EQ(usb->target, 0);
  EXPECT_EQ(usb->lun, 0);
  EXPECT_EQ(usb->volumeSectorCount, 4033u) << "the node's sector count is the volume's";
  EXPECT_EQ(std::string(usb->product), "SM/MS Reader    ");
  EXPECT_EQ(usb->otherMakerFlag, 0);

  const DeviceEntry* ide = EntryAt('F');
  ASSERT_NE(ide, nullptr);
  EXPECT_EQ(ide->busKind, kBusIde);
  EXPECT_EQ(ide->deviceKind, kCompactFlash);
  EXPECT_EQ(std::string(ide->vendor), "Kestro  ") << "the first 8 characters of the IDE model";
  EXPECT_EQ(std::string(ide->product), "Compact Flash ");
  EXPECT_EQ(ide->ataDriveSelect, 0xA0);
  EXPECT_NE(ide->deviceReference, 0u);

  const DeviceEntry* pcmcia = EntryAt('G');
  ASSERT_NE(pcmcia, nullptr);
  EXPECT_EQ(pcmcia->busKind, kBusPcmcia);
  EXPECT_EQ(pcmcia->deviceKind, kMmcSd);
  EXPECT_EQ(std::string(pcmcia->product), "MMC/SD ");
}

INSTANTIATE_TEST_SUITE_P(Windows9x, DeviceListOn9x,
                         ::testing::Values(std::pair<const char*, win::BYTE>{"95", kOsWindows95},
                                           std::pair<const char*, win::BYTE>{"98", kOsWindows98},
                                           std::pair<const char*, win::BYTE>{"me", kOsWindowsMe}));

// Two readers of one model answer the same INQUIRY texts behind the same kind of adapter: each
// entry still gets its own reader's address, in the order of the nodes.
TEST_F(DeviceOn9xMachine, TwoReadersOfOneModelKeepTheirOwnAspiAddresses) {
  WriteNumberedImage("first.img", 4096);
  WriteNumberedImage("second.img", 8192);
  Start(R"({"version":1,"windows":"98","readers":[
    {"bus":"usb","maker":true,"letter":"E","card":{"kind":"cf","image":"first.img","sectors":4096}},
    {"bus":"usb","maker":true,"letter":"F","card":{"kind":"cf","image":"second.img","sectors":8192}}]})",
        3);
  ASSERT_EQ(EnumDevices9x(), 1);
  ASSERT_EQ(DeviceCount, 2);
  const DeviceEntry* first = EntryAt('E');
  const DeviceEntry* second = EntryAt('F');
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first->hostAdapter, 0);
  EXPECT_EQ(second->hostAdapter, 1) << "not the first reader's address again";
  EXPECT_EQ(second->target, 0);
  EXPECT_EQ(second->lun, 0);
}

TEST_F(DeviceOn9xMachine, IdeCardsMoveSectorsThroughTheDriver) {
  Start(Machine9x("98"), kOsWindows98);
  ASSERT_EQ(EnumDevices9x(), 1);
  const DeviceEntry* ide = EntryAt('F');
  ASSERT_NE(ide, nullptr);

  std::vector<win::BYTE> sectors(1024, 0);
  ASSERT_TRUE(ExecAtaCommand(driver_, ide, 0x20, 500, sectors.data(), 1024, kIn, 0, 0));
  EXPECT_EQ(win::ReadLe32(sectors, 0), 500u);
  EXPECT_EQ(win::ReadLe32(sectors, 512), 501u);

  std::vector<win::BYTE> written(512, 0x6B);
  ASSERT_TRUE(ExecAtaCommand(driver_, ide, 0x30, 9, written.data(), 512, kOut, 0, 0));
  std::vector<win::BYTE> back(512, 0);
  ASSERT_TRUE(ExecAtaCommand(driver_, ide, 0x20, 9, back.data(), 512, kIn, 0, 0));
  EXPECT_EQ(back, written);
  EXPECT_FALSE(ExecAtaCommand(driver_, ide, 0x20, 8192, back.data(), 512, kIn, 0, 0)) << "beyond the card";

  DeviceEntry pcmcia = *EntryAt('G');
  win::DWORD blocks = 0, perTrack = 0, bytesPerPage = 0;
  win::BYTE writeProtected = 0;
  EXPECT_EQ(GetCardType(driver_, &pcmcia, &blocks, &perTrack, &writeProtected, &bytesPerPage), 1u)
      << "2048 sectors of 512 bytes: 1 decimal megabyte";
  EXPECT_EQ(pcmcia.totalSectors, 2048u);
  EXPECT_EQ(blocks, 2048u);
  EXPECT_EQ(perTrack, 63u);
  machine_->SetWriteProtected('G', true);
  GetCardType(driver_, &pcmcia, &blocks, &perTrack, &writeProtected, &bytesPerPage);
  EXPECT_EQ(writeProtected, 1);
}

TEST_F(DeviceOn9xMachine, IdentifyReader9xFindsTheUsbReaderThroughAspiAndTheRegistry) {
  Start(Machine9x("98"), kOsWindows98);
  CardDriveLetter = 'E';
  DeviceEntry entry;
  entry.driveLetter = 'E';
  win::BYTE host = 255, target = 255, lun = 255, deviceKind = 0, readerKind = 0;
  win::DWORD driveValue = 0;
  ASSERT_EQ(
      IdentifyReader9x(driver_, DriverDeviceChain, &host, &target, &lun, &driveValue, &deviceKind, &readerKind, &entry),
      1);
  EXPECT_EQ(host, 0);
  EXPECT_EQ(target, 0);
  EXPECT_EQ(lun, 0);
  EXPECT_NE(driveValue, 0u) << "the driver's value of the drive record";
  EXPECT_EQ(deviceKind, kSmartMedia) << "a reader of the maker's vendor id whose product names SmartMedia";
  EXPECT_EQ(readerKind, kSmartMediaReader);
  EXPECT_EQ(CardVolumeSectors, 4033u);

  const machine::ReaderDescription& reader = machine_->Description().readers[1];
  EXPECT_EQ(
      FindUsbDevice9x("USB\\VID_55AA&PID_0001\\" + reader.usb.instance, reader.vendor, reader.product, reader.revision),
      1);
  EXPECT_EQ(FindUsbDevice9x("", reader.vendor, reader.product, reader.revision), 1)
      << "found again under Enum\\USBSTOR";
  EXPECT_EQ(FindUsbDevice9x("", reader.vendor, "CF Reader", reader.revision), 0);
}

TEST_F(DeviceOn9xMachine, Vwin32LocksAndAbsoluteSectorsOnEveryWindows9x) {
  for (const auto& [windows, osKind] :
       {std::pair<const char*, win::BYTE>{"95", kOsWindows95}, {"98", kOsWindows98}, {"me", kOsWindowsMe}}) {
    SCOPED_TRACE(windows);
    Start(Machine9x(windows), osKind);
    ASSERT_EQ(EnumDevices9x(), 1);
    ASSERT_NE(OpenVwin32(), win::INVALID_HANDLE_VALUE);
    const DeviceEntry* usb = EntryAt('E');
    ASSERT_NE(usb, nullptr);
    win::BYTE volumeLocked = 0, secondLock = 0;
    LockMediaVolume(win::INVALID_HANDLE_VALUE, Vwin32Handle, usb, 1, &volumeLocked, &secondLock, nullptr);
    EXPECT_EQ(volumeLocked, 1) << "Windows 95 takes the older lock form";
    EXPECT_EQ(secondLock, 1);

    CardDriveLetter = 'E';
    std::vector<win::BYTE> buffer(1024, 0);
    EXPECT_EQ(AbsoluteSectorIo({Vwin32Handle, 0, 2, buffer.data(), kSectorRead}), 0);
    EXPECT_EQ(win::ReadLe32(buffer, 0), 63u) << "sector 0 of the volume";
    EXPECT_EQ(win::ReadLe32(buffer, 512), 64u);
    std::vector<win::BYTE> written(512, 0x2D);
    EXPECT_EQ(AbsoluteSectorIo({Vwin32Handle, 7, 1, written.data(), kSectorWrite}), 0);
    std::vector<win::BYTE> raw(512, 0);
    machine_->ReaderAt('E')->ReadCard(70, raw);
    EXPECT_EQ(raw, written);
    EXPECT_EQ(AbsoluteSectorIo({Vwin32Handle, 4033, 1, buffer.data(), kSectorRead}), 1) << "beyond the volume";

    LockMediaVolume(win::INVALID_HANDLE_VALUE, Vwin32Handle, usb, 0, &volumeLocked, &secondLock, nullptr);
    EXPECT_EQ(volumeLocked, 0);
    EXPECT_EQ(secondLock, 0);
    EXPECT_FALSE(UnlockVolume9x(Vwin32Handle, 5)) << "both locks were given back";
    Stop();
  }
}

TEST_F(DeviceOn9xMachine, IdeReaderOnNt4IsReachedThroughScsiBlocks) {
  WriteNumberedImage("ide.img", 8192);
  machine_ = std::make_unique<machine::Machine>(Describe(R"({"version":1,"windows":"nt4","readers":[
    {"bus":"ide","maker":true,"letter":"F","card":{"kind":"cf","image":"ide.img","sectors":8192}}]})"));
  machine_->Install();
  OsKind = kOsWindowsNt4;
  ASSERT_EQ(EnumDevicesNt(), 1);
  const DeviceEntry* ide = EntryAt('F');
  ASSERT_NE(ide, nullptr);
  EXPECT_EQ(ide->busKind, kBusOther) << "NT4 asks no storage query";
  EXPECT_EQ(ide->deviceKind, 0);

  const DriveHandle volume(win::CreateFileA("\\\\.\\F:", win::GENERIC_READ | win::GENERIC_WRITE,
                                            win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, nullptr, win::OPEN_EXISTING,
                                            0, nullptr));
  std::vector<win::BYTE> sector(512, 0);
  const win::BYTE read10[] = {win::kScsiRead10, 0, 0, 0, 0x01, 0x2C, 0, 0, 1, 0};
  ASSERT_TRUE(ExecScsiCommand(volume.get(), 0, 0, 0, read10, 10, sector.data(), 512, kScsiDataIn));
  EXPECT_EQ(win::ReadLe32(sector, 0), 300u);
  const VendorCdb identify = CommandFirstCdb(kVendorIdentifyReader);
  ASSERT_TRUE(ExecScsiCommand(volume.get(), 0, 0, 0, identify.data(), 8, sector.data(), 512, kScsiDataIn));
  EXPECT_EQ(win::ReadLe32(sector, 120), 8192u) << "the total sectors the format page's NT4 check reads";
  EXPECT_FALSE(ExecAtaCommand(volume.get(), ide, kAtaReadSectors, 0, sector.data(), 512, kIn, 0, 0))
      << "NT4 has no IDE pass-through";
}

}  // namespace
}  // namespace tarnlok
