// Device access against described machines of the simulated machine: the device list, its
// log, capacities, locks and sector transfers of every plain-card reader kind on XP, 2000 and
// NT4, and cards that are pulled, missing or failing.
#include "device/ata_transport.h"
#include "device/card_type.h"
#include "device/device_list.h"
#include "device/device_state.h"
#include "device/drive_handle.h"
#include "device/enum_devices_nt.h"
#include "device/file_system_type.h"
#include "device/media_capacity.h"
#include "device/scsi_transport.h"
#include "platform/win/layouts/pass_through_layout.h"
#include "device/sector_io.h"
#include "device/testing/card_images.h"
#include "device/testing/machine_fixture.h"
#include "device/volume_lock.h"
#include "platform/machine/testing/machine_testing.h"
#include "platform/win/files/paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tarnlok {
namespace {

using machine::test_support::WriteNumberedImage;

// Three readers of different makers and generations with plain cards, and a floppy drive.
std::string Readers(const std::string& windows) {
  WriteNumberedImage("cf.img", 131072);
  WriteNumberedImage("sd.img", 262144);
  WriteNumberedImage("older.img", 131072);
  WriteNumberedImage("a.img", 2880);
  return R"({ "version": 1, "windows": ")" + windows + R"(", "readers": [
    { "bus": "floppy", "letter": "A", "card": { "kind": "floppy", "image": "a.img" } },
    { "bus": "usb", "maker": true, "firmware": "newer", "letter": "E",
      "card": { "kind": "cf", "image": "cf.img", "sectors": 131072 } },
    { "bus": "usb", "letter": "G", "card": { "kind": "mmcsd", "image": "sd.img", "sectors": 262144 } },
    { "bus": "usb", "maker": true, "firmware": "older", "product": "MS Reader", "letter": "H",
      "card": { "kind": "cf", "image": "older.img", "sectors": 131072 } } ] })";
}

std::string ReadLog() {
  std::ifstream file(win::HostPathOf(win::CurrentDirectoryPath()).value_or(".") / "QWITLK.LOG", std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

using test_support::EntryAt;

class DeviceOnMachine : public test_support::MachineDeviceTest {
 protected:
  machine::Machine& Machine() { return *machine_; }
};

TEST_F(DeviceOnMachine, DeviceListOnXp) {
  Start(Readers("xp"), kOsWindowsXp);
  ASSERT_EQ(EnumDevicesNt(), 1);
  ASSERT_EQ(DeviceCount, 4);
  EXPECT_EQ(std::string(SlotDriveLetters), "AEGH");

  const DeviceEntry* floppy = EntryAt('A');
  ASSERT_NE(floppy, nullptr);
  EXPECT_EQ(floppy->busKind, kBusFloppy);

  const DeviceEntry* cf = EntryAt('E');
  ASSERT_NE(cf, nullptr);
  EXPECT_EQ(cf->busKind, kBusUsb);
  EXPECT_EQ(cf->deviceKind, kCompactFlash);
  EXPECT_EQ(cf->otherMakerFlag, 0);
  EXPECT_EQ(cf->noCommandFlag, 0);
  EXPECT_EQ(std::string(cf->vendor), "Kestro  ");

  const DeviceEntry* sd = EntryAt('G');
  ASSERT_NE(sd, nullptr);
  EXPECT_EQ(sd->deviceKind, kMmcSd) << "another maker's reader without keywords";
  EXPECT_EQ(sd->otherMakerFlag, 1);

  const DeviceEntry* older = EntryAt('H');
  ASSERT_NE(older, nullptr);
  EXPECT_EQ(older->deviceKind, kMemoryStick) << "the older reader ignores the newer status block; its product decides";

  const std::string log = ReadLog();
  EXPECT_NE(log.find("Drive ->A Handle created successfully\nIOCTL_STORAGE_QUERY_PROPERTY call failure\n"
                     "BUS type-> USB\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Drive ->E Handle created successfully\nIOCTL_STORAGE_QUERY_PROPERTY call success\n"
                     "BUS type-> USB\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("DEV_CAPS-> CF\n"), std::string::npos) << log;
  EXPECT_NE(log.find("INQ-> SD\n"), std::string::npos) << log;
  EXPECT_NE(log.find("INQ-> MS\n"), std::string::npos) << log;
}

TEST_F(DeviceOnMachine, DeviceListOn2000AndNt4) {
  Start(Readers("2000"), kOsWindows2000);
  ASSERT_EQ(EnumDevicesNt(), 1);
  EXPECT_EQ(DeviceCount, 4);
  EXPECT_EQ(EntryAt('E')->deviceKind, kCompactFlash);
  FreeDeviceList();

  Start(Readers("nt4"), kOsWindowsNt4);
  ASSERT_EQ(EnumDevicesNt(), 1);
  ASSERT_EQ(DeviceCount, 4);
  for (const char letter : {'E', 'G', 'H'}) {
    EXPECT_EQ(EntryAt(letter)->busKind, 0) << letter;
    EXPECT_EQ(EntryAt(letter)->deviceKind, 0) << letter;
  }
  EXPECT_EQ(EntryAt('G')->otherMakerFlag, 1);
  EXPECT_EQ(std::string(EntryAt('E')->product), "CF Reader       ");
}

TEST_F(DeviceOnMachine, CapacityOfEachPlainCard) {
  Start(Readers("xp"), kOsWindowsXp);
  ASSERT_EQ(EnumDevicesNt(), 1);
  struct Expected {
    char letter;
    win::DWORD sectors;
  };
  for (const Expected e : {Expected{'E', 131072}, Expected{'G', 262144}, Expected{'H', 131072}}) {
    DeviceEntry* entry = const_cast<DeviceEntry*>(EntryAt(e.letter));
    DriveHandle handle = OpenCardVolume(e.letter);
    win::DWORD size = 0, sectors = 0, perBlock = 0, bytesPerSector = 0;
    win::BYTE protectedFlag = 0;
    ASSERT_EQ(GetMediaCapacity(handle.get(), entry, &size, &sectors, &perBlock, &protectedFlag, &bytesPerSector), 1)
        << e.letter;
    EXPECT_EQ(sectors, e.sectors) << e.letter;
    EXPECT_EQ(bytesPerSector, 512u);
    // Another maker's reader takes its size from the volume, and these cards hold no file system.
    EXPECT_EQ(size, entry->otherMakerFlag != 0 ? 0 : e.sectors / 1953) << e.letter;
    EXPECT_EQ(protectedFlag, 0);
  }
  Machine().SetWriteProtected('G', true);
  DeviceEntry* sd = const_cast<DeviceEntry*>(EntryAt('G'));
  DriveHandle handle = OpenCardVolume('G');
  win::DWORD size = 0, sectors = 0, perBlock = 0;
  win::BYTE protectedFlag = 0;
  ASSERT_EQ(GetMediaCapacity(handle.get(), sd, &size, &sectors, &perBlock, &protectedFlag, nullptr), 1);
  EXPECT_EQ(protectedFlag, 1) << "MODE SENSE tells";

  Machine().RemoveCard('E');
  DeviceEntry* cf = const_cast<DeviceEntry*>(EntryAt('E'));
  DriveHandle empty = OpenCardVolume('E');
  EXPECT_EQ(GetMediaCapacity(empty.get(), cf, &size, &sectors, &perBlock, &protectedFlag, nullptr), 0);
}

TEST_F(DeviceOnMachine, SectorsThroughEachRoadAndALockedVolume) {
  Start(Readers("xp"), kOsWindowsXp);
  ASSERT_EQ(EnumDevicesNt(), 1);
  const DeviceEntry* cf = EntryAt('E');
  DriveHandle handle = OpenCardVolume('E');
  win::BYTE volume = 0;
  LockMediaVolume(handle.get(), nullptr, cf, 1, &volume, nullptr, nullptr);
  EXPECT_EQ(volume, 1);

  OperationBusy = 1;
  std::vector<win::BYTE> data(64 * 512, 0);
  const win::BYTE read10[10] = {0x28, 0, 0, 0x01, 0xFF, 0xC0, 0, 0, 64, 0};
  ASSERT_TRUE(ExecScsiCommand(handle.get(), 0, 0, 0, read10, 10, data.data(), 64 * 512, kScsiDataIn));
  EXPECT_EQ(machine::test_support::SectorMark(data), 131072u - 64);
  EXPECT_EQ(machine::test_support::SectorMark(data, 63 * 512), 131071u) << "the last sector is read";

  std::vector<win::BYTE> sector(512, 0x3C);
  ASSERT_EQ(AbsoluteSectorIo({handle.get(), 1000, 1, sector.data(), kSectorWrite}), 0);
  std::fill(sector.begin(), sector.end(), 0);
  ASSERT_EQ(AbsoluteSectorIo({handle.get(), 1000, 1, sector.data(), kSectorRead}), 0);
  EXPECT_EQ(sector[0], 0x3C);
  EXPECT_EQ(AbsoluteSectorIo({handle.get(), 131071, 2, data.data(), kSectorRead}), 1) << "past the card";

  LockMediaVolume(handle.get(), nullptr, cf, 0, &volume, nullptr, nullptr);
  EXPECT_EQ(volume, 0);
}

TEST_F(DeviceOnMachine, WideReadersLs120AndIdeReadersOnXp) {
  WriteNumberedImage("pro.img", 524288);
  WriteNumberedImage("ls.img", 245760);
  WriteNumberedImage("ide.img", 131072);
  Start(R"({ "version": 1, "windows": "xp", "readers": [
    { "bus": "ls120", "letter": "B", "card": { "kind": "floppy", "image": "ls.img", "sectors": 245760 } },
    { "bus": "usb", "maker": true, "firmware": "wide", "product": "MS Pro Reader", "letter": "E",
      "card": { "kind": "mspro", "image": "pro.img", "sectors": 524288 } },
    { "bus": "ide", "maker": true, "letter": "F", "card": { "kind": "cf", "image": "ide.img", "sectors": 131072 } } ] })",
        7);
  ASSERT_EQ(EnumDevicesNt(), 1);
  ASSERT_EQ(DeviceCount, 3);
  EXPECT_EQ(EntryAt('B')->busKind, 0) << "an ATAPI drive keeps bus kind 0";
  EXPECT_EQ(EntryAt('E')->deviceKind, kMemoryStick) << "the wide form answers neither probe; the product decides";
  const DeviceEntry* ide = EntryAt('F');
  EXPECT_EQ(ide->busKind, kBusIde) << "identified through SMART";
  EXPECT_EQ(ide->deviceKind, kCompactFlash);
  EXPECT_EQ(ide->ataDriveSelect, 0xA0) << "the reader marks name the master";
  EXPECT_EQ(std::string(ide->product), "Compact Flash ");

  DriveHandle ideHandle = OpenCardVolume('F');
  std::vector<win::BYTE> ideSectors(1024, 0);
  ASSERT_TRUE(ExecAtaCommand(ideHandle.get(), ide, 0x20, 4000, ideSectors.data(), 1024, 0x200000, 0, 0));
  EXPECT_EQ(machine::test_support::SectorMark(ideSectors, 512), 4001u);
  DeviceEntry card = *ide;
  win::DWORD blocks = 0, perTrack = 0, bytesPerPage = 0;
  win::BYTE writeProtected = 0;
  EXPECT_EQ(GetCardType(ideHandle.get(), &card, &blocks, &perTrack, &writeProtected, &bytesPerPage), 67u)
      << "131072 sectors in decimal megabytes";
  EXPECT_EQ(card.totalSectors, 131072u);
  EXPECT_EQ(writeProtected, 0);

  DeviceEntry* pro = const_cast<DeviceEntry*>(EntryAt('E'));
  DriveHandle handle = OpenCardVolume('E');
  win::DWORD size = 0, sectors = 0, perBlock = 0;
  ASSERT_EQ(GetMediaCapacity(handle.get(), pro, &size, &sectors, &perBlock, nullptr, nullptr), 1);
  EXPECT_EQ(pro->deviceKind, kMmcSd) << "the status reply read zeroes, which name no card kind";
  EXPECT_EQ(sectors, 524288u) << "so READ CAPACITY measures it as a plain card";
}

TEST_F(DeviceOnMachine, FileSystemOfAPartitionedCard) {
  const auto image = test_support::Partitioned(test_support::FormattedVolume(16, 65536 - 63), 63);
  test_support::WriteImage("fat16.img", image);
  Start(R"({ "version": 1, "windows": "xp", "readers": [
    { "bus": "usb", "maker": true, "letter": "E", "card": { "kind": "cf", "image": "fat16.img", "sectors": )" +
            std::to_string(image.size() / 512) + R"( } } ] })",
        7);
  ASSERT_EQ(EnumDevicesNt(), 1);
  DriveHandle handle = OpenCardVolume('E');
  std::vector<win::BYTE> sector0(512), boot(512);
  win::BYTE notFormatted = 0, isMbr = 0, fileSystem = 0;
  win::DWORD start = 0;
  ASSERT_EQ(GetFileSystemType(handle.get(), EntryAt('E'), 512, &notFormatted, sector0.data(), &isMbr, boot.data(),
                              &start, &fileSystem),
            1);
  EXPECT_EQ(fileSystem, kFat16);
  EXPECT_EQ(isMbr, 1);
  EXPECT_EQ(start, 63u);
  EXPECT_EQ(std::string(boot.begin() + 54, boot.begin() + 59), "FAT16");
}

TEST_F(DeviceOnMachine, BadCardsGiveCleanFailures) {
  WriteNumberedImage("faulty.img", 131072);
  Start(R"({ "version": 1, "windows": "xp", "readers": [
    { "bus": "usb", "maker": true, "letter": "E", "card": { "kind": "cf", "image": "faulty.img", "sectors": 131072,
      "faults": [ { "op": "read", "sector": 10, "times": "always" } ], "pulledAfterCommands": 40 } } ] })",
        7);
  ASSERT_EQ(EnumDevicesNt(), 1);
  DeviceEntry* entry = const_cast<DeviceEntry*>(EntryAt('E'));
  ASSERT_NE(entry, nullptr);
  DriveHandle handle = OpenCardVolume('E');
  OperationBusy = 1;
  std::vector<win::BYTE> data(16 * 512, 0);
  const win::BYTE read10[10] = {0x28, 0, 0, 0, 0, 4, 0, 0, 16, 0};
  EXPECT_FALSE(ExecScsiCommand(handle.get(), 0, 0, 0, read10, 10, data.data(), 16 * 512, kScsiDataIn))
      << "a read fault inside the transfer";
  for (int i = 0; i < 50; ++i) {
    const win::BYTE tur[6] = {};
    ExecScsiCommand(handle.get(), 0, 0, 0, tur, 6, nullptr, 0, win::SCSI_IOCTL_DATA_OUT);
  }
  win::DWORD size = 0, sectors = 0, perBlock = 0;
  EXPECT_EQ(GetMediaCapacity(handle.get(), entry, &size, &sectors, &perBlock, nullptr, nullptr), 0) << "pulled";
  std::vector<win::BYTE> sector0(512), boot(512);
  win::BYTE notFormatted = 0, isMbr = 0, fileSystem = 0;
  win::DWORD start = 0;
  EXPECT_EQ(GetFileSystemType(handle.get(), entry, 512, &notFormatted, sector0.data(), &isMbr, boot.data(), &start,
                              &fileSystem),
            0);
  EXPECT_TRUE(prompter.Asked().empty()) << "a failed read during a run asks nothing";
}

}  // namespace
}  // namespace tarnlok
