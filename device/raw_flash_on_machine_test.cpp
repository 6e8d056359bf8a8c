// Device access against the simulated machine's raw flash readers: SmartMedia, Memory Stick
// and Memory Stick Pro cards in the maker's older and newer readers on XP, through the device
// list, reader identification, capacity, locks and the raw page commands.
#include "device/card_type.h"
#include "device/device_list.h"
#include "device/device_state.h"
#include "device/drive_handle.h"
#include "device/enum_devices_nt.h"
#include "device/identify_reader_nt.h"
#include "device/media_capacity.h"
#include "device/reader_commands.h"
#include "device/scsi_transport.h"
#include "device/testing/machine_fixture.h"
#include "device/volume_lock.h"
#include "platform/machine/testing/machine_testing.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tarnlok {
namespace {

using test_support::Capacity;
using test_support::CapacityOf;
using test_support::EntryAt;

class RawFlashOnMachine : public test_support::MachineDeviceTest {
 protected:
  void SetUp() override {
    // Every case starts from fresh cards: the cases write pages, locks and erases into them.
    for (const char* image : {"sm.img", "older.img", "ms.img", "older-ms.img"}) {
      std::filesystem::remove(test_support::TestDataHome() / image);
    }
    machine::test_support::WriteNumberedImage("pro.img", 65536);
    Start(R"({ "version": 1, "windows": "xp", "readers": [
      { "bus": "usb", "maker": true, "firmware": "newer", "product": "SM Reader", "letter": "F",
        "card": { "kind": "sm", "image": "sm.img", "deviceCode": 117 } },
      { "bus": "usb", "maker": true, "firmware": "older", "product": "SM Reader", "letter": "S",
        "card": { "kind": "sm", "image": "older.img", "deviceCode": 115, "writeProtected": true } },
      { "bus": "usb", "maker": true, "firmware": "newer", "product": "MS Reader", "letter": "M",
        "card": { "kind": "ms", "image": "ms.img", "blocks": 4096, "pagesPerBlock": 32 } },
      { "bus": "usb", "maker": true, "firmware": "older", "product": "MS Reader", "letter": "N",
        "card": { "kind": "ms", "image": "older-ms.img", "blocks": 512, "pagesPerBlock": 16 } },
      { "bus": "usb", "maker": true, "firmware": "newer", "product": "MS Pro Reader", "letter": "P",
        "card": { "kind": "mspro", "image": "pro.img", "sectors": 65536 } } ] })",
          7);
  }

  std::pair<win::BYTE, win::BYTE> Identify(char letter) {
    DriveHandle handle = OpenCardVolume(letter);
    win::BYTE deviceKind = 0, readerKind = 0;
    EXPECT_EQ(IdentifyReaderNt(handle.get(), &deviceKind, &readerKind), 1) << letter;
    return {deviceKind, readerKind};
  }

  std::vector<win::BYTE> Vendor(char letter, const VendorCdb& cdb, win::DWORD length) {
    DriveHandle handle = OpenCardVolume(letter);
    std::vector<win::BYTE> data(length, 0);
    EXPECT_TRUE(ExecScsiCommand(handle.get(), 0, 0, 0, cdb.data(), 8, data.data(), length, kScsiDataIn)) << letter;
    return data;
  }
};

TEST_F(RawFlashOnMachine, TheListAndTheRecoveryProbeTellTheCardAndReaderKinds) {
  ASSERT_EQ(EnumDevicesNt(), 1);
  EXPECT_EQ(DeviceCount, 5);
  EXPECT_EQ(Identify('F'), std::make_pair(kSmartMedia, kSmartMediaReader));
  EXPECT_EQ(Identify('M'), std::make_pair(kMemoryStick, kMemoryStickReader));
  EXPECT_EQ(Identify('P'), std::make_pair(kMemoryStickPro, kMemoryStickReader));
  // Empty readers: the status word is gone from INQUIRY, the product and the command forms tell.
  machine_->RemoveCard('F');
  machine_->RemoveCard('S');
  machine_->RemoveCard('N');
  EXPECT_EQ(Identify('F').first, kSmartMediaReader) << "the newer reader answers the command-first form";
  EXPECT_EQ(Identify('S').first, kSmartMedia) << "the older reader only the command-last form";
  EXPECT_EQ(Identify('N').first, kMemoryStick);
}

TEST_F(RawFlashOnMachine, CapacityGivesTheMediaSizeCodeAndGeometry) {
  ASSERT_EQ(EnumDevicesNt(), 1);
  const Capacity smartMedia = CapacityOf('F');
  EXPECT_EQ(smartMedia.result, 1);
  EXPECT_EQ(smartMedia.sizeOrCode, 6u);
  EXPECT_EQ(smartMedia.blocks, 2048u);
  EXPECT_EQ(smartMedia.pagesPerBlock, 32u);
  EXPECT_EQ(smartMedia.bytesPerSector, 512u);
  EXPECT_EQ(EntryAt('F')->deviceKind, kSmartMedia);

  const Capacity stick = CapacityOf('M');
  EXPECT_EQ(stick.result, 1);
  EXPECT_EQ(stick.sizeOrCode, 36u);  // 131072 pages: 64 MB
  EXPECT_EQ(stick.blocks, 4096u);
  EXPECT_EQ(stick.pagesPerBlock, 32u);

  // The older reader refuses the command-first status block: its card is read as a disk of the
  // 32,000 logical sectors, and a SmartMedia entry asks no MODE SENSE for the protection.
  const Capacity older = CapacityOf('S');
  EXPECT_EQ(older.result, 1);
  EXPECT_EQ(older.blocks, 32000u);
  EXPECT_EQ(older.writeProtected, 0);
  EXPECT_EQ(EntryAt('S')->deviceKind, kMmcSd);

  // A Memory Stick Pro entry asks no status: the card is a disk of its sectors.
  const Capacity pro = CapacityOf('P');
  EXPECT_EQ(pro.result, 1);
  EXPECT_EQ(pro.blocks, 65536u);
  EXPECT_EQ(EntryAt('P')->deviceKind, kMmcSd);
}

TEST_F(RawFlashOnMachine, RawPagesRedundantAndExtraDataThroughTheTransport) {
  ASSERT_EQ(EnumDevicesNt(), 1);
  const auto redundant = Vendor('F', CommandFirstPageCdb(kVendorReadRedundant, 0, 512), 512);
  EXPECT_EQ(redundant[5], 0xFF);
  EXPECT_EQ(redundant[6], 0x00) << "block 0 holds the card information structure";
  const auto cis = Vendor('F', CommandFirstPageCdb(kVendorReadPages, 0, 512), 512);
  EXPECT_EQ(std::vector<win::BYTE>(cis.begin(), cis.begin() + 4), (std::vector<win::BYTE>{0x01, 0x03, 0xD9, 0x01}));
  const auto boot = Vendor('M', CommandFirstBlockCdb(kVendorReadExtra, 0, 0, 4), 4);
  EXPECT_EQ(boot, (std::vector<win::BYTE>{0xF8, 0xFB, 0xFF, 0xFF}));
  const auto geometry = Vendor('F', CommandFirstCdb(kVendorGeometry), 4);
  EXPECT_EQ(SmartMediaGeometry(geometry[1])->code, 6u);

  // An empty reader's reply begins with the no-card word, which the transport turns into failure.
  machine_->RemoveCard('F');
  DriveHandle handle = OpenCardVolume('F');
  std::vector<win::BYTE> data(512, 0);
  const auto read = CommandFirstPageCdb(kVendorReadPages, 0, 512);
  EXPECT_FALSE(ExecScsiCommand(handle.get(), 0, 0, 0, read.data(), 8, data.data(), 512, kScsiDataIn));
}

TEST_F(RawFlashOnMachine, LockingTakesTheVolumeAndTheReadersFirmware) {
  ASSERT_EQ(EnumDevicesNt(), 1);
  const DeviceEntry* entry = EntryAt('F');
  DriveHandle handle = OpenCardVolume('F');
  win::BYTE volume = 0, readerLock = 0;
  EXPECT_EQ(LockMediaVolume(handle.get(), nullptr, entry, 1, &volume, nullptr, &readerLock), 1);
  EXPECT_EQ(volume, 1);
  EXPECT_EQ(readerLock, 1);
  EXPECT_TRUE(machine_->ReaderAt('F')->ReaderLocked());
  EXPECT_EQ(LockMediaVolume(handle.get(), nullptr, entry, 0, &volume, nullptr, &readerLock), 1);
  EXPECT_EQ(readerLock, 0);
  EXPECT_FALSE(machine_->ReaderAt('F')->ReaderLocked());
}

TEST_F(RawFlashOnMachine, MediaPresenceAsksTheStatusOnlyWhenTheCardCannotBeRead) {
  ASSERT_EQ(EnumDevicesNt(), 1);
  const DeviceEntry* entry = EntryAt('M');
  {
    DriveHandle handle = OpenCardVolume('M');
    MediaPresent = 7;
    CheckMediaPresent(handle.get(), entry);
    EXPECT_EQ(MediaPresent, 7u) << "READ CAPACITY reads the stick's logical sectors";
  }
  machine_->RemoveCard('M');
  DriveHandle handle = OpenCardVolume('M');
  CheckMediaPresent(handle.get(), entry);
  EXPECT_EQ(MediaPresent, 0u) << "the status says no card";
}

}  // namespace
}  // namespace tarnlok
