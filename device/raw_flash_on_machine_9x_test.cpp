// Device access to raw flash cards on described Windows 98, NT4 and XP machines: the maker's
// USB SmartMedia, Memory Stick and Memory Stick Pro readers through ASPI (98) and pass-through
// (NT4), and SmartMedia and Memory Stick cards in IDE and PCMCIA slots through the card driver
// (98) and IDE pass-through (XP). The device list, identification, capacity, write protection,
// and raw pages written and read back on each road as backup and restore move them.
#include "device/aspi_transport.h"
#include "device/ata_transport.h"
#include "device/card_type.h"
#include "device/device_list.h"
#include "device/device_state.h"
#include "device/drive_handle.h"
#include "device/enum_devices_9x.h"
#include "device/enum_devices_nt.h"
#include "device/reader_commands.h"
#include "device/scsi_transport.h"
#include "device/testing/machine_fixture.h"
#include "platform/machine/testing/machine_testing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tarnlok {
namespace {

namespace aspi = win::aspi;
using Bytes = std::vector<win::BYTE>;
using test_support::CapacityOf;
using test_support::EntryAt;

// USB readers E to H, then an IDE SmartMedia reader and a PCMCIA Memory Stick slot.
std::string RawFlashMachine(const std::string& windows) {
  for (const char* image : {"e.img", "f.img", "h.img", "i.img", "j.img"}) {
    std::filesystem::remove(::tarnlok::test_support::TestDataHome() / image);
  }
  machine::test_support::WriteNumberedImage("g.img", 65536);
  return R"({"version":1,"windows":")" + windows + R"(","readers":[
    {"maker":true,"product":"SM Reader","letter":"E","card":{"kind":"sm","image":"e.img","deviceCode":117}},
    {"maker":true,"product":"MS Reader","letter":"F","card":{"kind":"ms","image":"f.img","blocks":4096,
     "pagesPerBlock":32}},
    {"maker":true,"product":"MS Pro Reader","letter":"G","card":{"kind":"mspro","image":"g.img","sectors":65536}},
    {"maker":true,"product":"SM Reader II","letter":"H","card":{"kind":"sm","image":"h.img","deviceCode":115,
     "writeProtected":true}},
    {"bus":"ide","maker":true,"letter":"I","card":{"kind":"sm","image":"i.img","deviceCode":115}},
    {"bus":"pcmcia","maker":true,"letter":"J","card":{"kind":"ms","image":"j.img","blocks":512,"pagesPerBlock":16}}]})";
}

// An 8-byte command-first block: sub-command, four address bytes (high first), length.
Bytes VendorBlock(win::BYTE sub, win::DWORD address, win::WORD length) {
  return {win::kScsiVendorCommand,  sub,
          win::BYTE(address >> 24), win::BYTE(address >> 16),
          win::BYTE(address >> 8),  win::BYTE(address),
          win::BYTE(length >> 8),   win::BYTE(length)};
}

// A SmartMedia page command as restore and backup send it: page in bytes 2-4.
Bytes PageBlock(win::BYTE sub, win::DWORD page, win::BYTE byte5, win::WORD length) {
  return VendorBlock(sub, (page << 8) | byte5, length);
}

class RawFlashOn98 : public test_support::MachineDeviceTest {
 protected:
  void SetUp() override {
    Start(RawFlashMachine("98"), kOsWindows98);
    ASSERT_EQ(EnumDevices9x(), 1);
  }
  bool Aspi(char letter, const Bytes& cdb, Bytes& data, win::BYTE flags) {
    const DeviceEntry* entry = EntryAt(letter);
    return entry != nullptr && ExecAspiCommand(entry->hostAdapter, entry->target, entry->lun, cdb.data(),
                                               static_cast<win::BYTE>(cdb.size()), data.data(),
                                               static_cast<win::DWORD>(data.size()), flags);
  }
  bool Ata(char letter, win::BYTE command, win::DWORD address, Bytes& data, win::DWORD transfer, win::WORD extra16 = 0,
           win::BYTE extra8 = 0) {
    return ExecAtaCommand(driver_, EntryAt(letter), command, address, data.empty() ? nullptr : data.data(),
                          static_cast<win::DWORD>(data.size()), transfer, extra16, extra8);
  }
};

TEST_F(RawFlashOn98, TheListTellsEachCardAndReaderKind) {
  ASSERT_EQ(DeviceCount, 6);
  struct Expected {
    char letter;
    win::BYTE busKind, deviceKind, readerKind;
  };
  for (const Expected e :
       {Expected{'E', kBusUsb, kSmartMedia, kSmartMediaReader},
        Expected{'F', kBusUsb, kMemoryStick, kMemoryStickReader}, Expected{'G', kBusUsb, kMemoryStick, kMemoryStickPro},
        Expected{'H', kBusUsb, kSmartMedia, kSmartMediaReader}}) {
    const DeviceEntry* entry = EntryAt(e.letter);
    ASSERT_NE(entry, nullptr) << e.letter;
    EXPECT_EQ(entry->busKind, e.busKind) << e.letter;
    EXPECT_EQ(entry->deviceKind, e.deviceKind) << e.letter;
    EXPECT_EQ(entry->readerKind, e.readerKind) << e.letter;
    EXPECT_NE(entry->hostAdapter, 255) << e.letter << ": found through ASPI";
  }
  EXPECT_EQ(EntryAt('I')->busKind, kBusIde);
  EXPECT_EQ(EntryAt('I')->deviceKind, kSmartMedia);
  EXPECT_EQ(EntryAt('J')->busKind, kBusPcmcia);
  EXPECT_EQ(EntryAt('J')->deviceKind, kMemoryStick);
}

TEST_F(RawFlashOn98, CapacityThroughAspiGivesSizeCodesAndProtection) {
  const test_support::Capacity smartMedia = CapacityOf('E');
  EXPECT_EQ(smartMedia.result, 1);
  EXPECT_EQ(smartMedia.sizeOrCode, 6u);
  EXPECT_EQ(smartMedia.blocks, 2048u);
  EXPECT_EQ(smartMedia.pagesPerBlock, 32u);
  EXPECT_EQ(smartMedia.bytesPerSector, 512u);
  EXPECT_EQ(smartMedia.writeProtected, 0);

  const test_support::Capacity stick = CapacityOf('F');
  EXPECT_EQ(stick.result, 1);
  EXPECT_EQ(stick.sizeOrCode, 36u);
  EXPECT_EQ(stick.blocks, 4096u);
  EXPECT_EQ(stick.pagesPerBlock, 32u);

  const test_support::Capacity protectedCard = CapacityOf('H');
  EXPECT_EQ(protectedCard.result, 1);
  EXPECT_EQ(protectedCard.sizeOrCode, 5u);
  EXPECT_EQ(protectedCard.writeProtected, 1) << "the status word's bit 0x20";

  // A Memory Stick Pro tells no raw geometry: it is measured as a disk of its sectors.
  const test_support::Capacity pro = CapacityOf('G');
  EXPECT_EQ(pro.result, 1);
  EXPECT_EQ(pro.blocks, 65536u);
  EXPECT_EQ(pro.pagesPerBlock, 63u);
  EXPECT_EQ(EntryAt('G')->deviceKind, kMemoryStickPro);

  machine_->RemoveCard('E');
  EXPECT_EQ(CapacityOf('E').result, 0) << "the no-card word";
}

TEST_F(RawFlashOn98, SmartMediaPageRoundTripThroughAspi) {
  const win::DWORD page = 2047 * 32;  // the last block holds nothing on a fresh card
  Bytes reply(2, 0);
  ASSERT_TRUE(Aspi('E', PageBlock(kVendorEraseBlock, page, 0, 0), reply, aspi::kDataIn));
  Bytes sector(512, 0x4E);
  ASSERT_TRUE(Aspi('E', VendorBlock(kVendorWritePages, (page << 8) | 0x41, 999), sector, aspi::kDataOut));
  Bytes back(512, 0);
  ASSERT_TRUE(Aspi('E', PageBlock(kVendorReadPages, page, 0, 512), back, aspi::kDataIn));
  EXPECT_EQ(back, sector);
  Bytes redundant(16, 0);
  ASSERT_TRUE(Aspi('E', PageBlock(kVendorReadRedundant, page, 0, 16), redundant, aspi::kDataIn));
  EXPECT_EQ(redundant[5], 0xFF) << "a good block";
  EXPECT_EQ(redundant[6] & 0xF0, 0x10) << "a logical block address";
  // Programmed again before an erase, a page keeps only the bits both writes set (0x4E, 0x47).
  Bytes again(512, 0x47);
  ASSERT_TRUE(Aspi('E', VendorBlock(kVendorWritePages, (page << 8) | 0x41, 999), again, aspi::kDataOut));
  ASSERT_TRUE(Aspi('E', PageBlock(kVendorReadPages, page, 0, 512), back, aspi::kDataIn));
  EXPECT_EQ(back, Bytes(512, 0x46));
}

TEST_F(RawFlashOn98, MemoryStickBlockRoundTripThroughAspi) {
  const win::DWORD block = 4095;
  Bytes reply(2, 0);
  ASSERT_TRUE(Aspi('F', VendorBlock(kVendorEraseBlock, (300U << 16) | block, 0x4000), reply, aspi::kDataIn));
  Bytes pages(32 * 512, 0x2F);
  ASSERT_TRUE(Aspi(
      'F',
      {win::kScsiVendorCommand, kVendorWriteStickPages, 0, win::BYTE(block >> 8), win::BYTE(block), 0x60, 0x01, 0x2C},
      pages, aspi::kDataOut));
  Bytes extra(4, 0);
  ASSERT_TRUE(Aspi('F', VendorBlock(kVendorReadExtra, block, 4), extra, aspi::kDataIn));
  EXPECT_EQ(extra, (Bytes{0xFF, 0xFF, 0x01, 0x2C}));
  Bytes back(32 * 512, 0);
  ASSERT_TRUE(Aspi('F', VendorBlock(kVendorReadPages, block, 32 * 512), back, aspi::kDataIn));
  EXPECT_EQ(back, pages);
}

TEST_F(RawFlashOn98, IdeAndPcmciaCardsThroughTheCardDriver) {
  DeviceEntry& ide = *EntryAt('I');
  win::DWORD blocks = 0, pagesPerBlock = 0, bytesPerPage = 0;
  win::BYTE writeProtected = 0;
  EXPECT_EQ(GetCardType(driver_, &ide, &blocks, &pagesPerBlock, &writeProtected, &bytesPerPage), 5u);
  EXPECT_EQ(blocks, 1024u);
  EXPECT_EQ(pagesPerBlock, 32u);
  EXPECT_EQ(bytesPerPage, 512u);
  EXPECT_EQ(writeProtected, 0);

  DeviceEntry& pcmcia = *EntryAt('J');
  EXPECT_EQ(GetCardType(driver_, &pcmcia, &blocks, &pagesPerBlock, &writeProtected, &bytesPerPage), 4u)
      << "8192 pages of 512 bytes";
  EXPECT_EQ(blocks, 512u);
  EXPECT_EQ(pagesPerBlock, 16u);
  machine_->SetWriteProtected('J', true);
  GetCardType(driver_, &pcmcia, &blocks, &pagesPerBlock, &writeProtected, &bytesPerPage);
  EXPECT_EQ(writeProtected, 1);
  machine_->SetWriteProtected('J', false);
}

TEST_F(RawFlashOn98, SmartMediaBlockRestoredAndBackedUpOnTheAtaRoad) {
  const win::DWORD page = 1023 * 32;
  Bytes none;
  ASSERT_TRUE(Ata('I', kVendorEraseBlock, page, none, kAtaNoData));
  // Restore: the set-up with the page and the logical block, then the block's data.
  ASSERT_TRUE(Ata('I', kVendorWritePages, page, none, kAtaNoData, 999));
  Bytes block(32 * 512);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<win::BYTE>(i / 512 + 1);
  ASSERT_TRUE(Ata('I', kAtaWriteSectors, page, block, kAtaDataOut));
  // Backup: the redundant data as a 512-byte read, then each page.
  Bytes redundant(512, 0);
  ASSERT_TRUE(Ata('I', kVendorReadRedundant, page, redundant, kAtaDataIn));
  const win::WORD address = win::ReadBe16(redundant, 6);
  EXPECT_EQ((address >> 1) & 0x3FF, 999) << "the logical block's high bits survive the task file";
  EXPECT_EQ(win::ReadBe16(redundant, 31 * 16 + 6), address) << "every page of the block";
  for (const win::DWORD q : {0U, 17U, 31U}) {
    Bytes sector(512, 0);
    ASSERT_TRUE(Ata('I', kVendorReadPages, page + q, sector, kAtaDataIn));
    EXPECT_EQ(sector, Bytes(block.begin() + q * 512, block.begin() + (q + 1) * 512)) << q;
  }
  // The logical sectors of the card show the block as logical block 999.
  Bytes logical(512, 0);
  ASSERT_TRUE(Ata('I', kAtaReadSectors, 999 * 32 + 5, logical, kAtaDataIn));
  EXPECT_EQ(logical[0], 6);
}

TEST_F(RawFlashOn98, MemoryStickBlockRestoredAndBackedUpOnTheAtaRoad) {
  const win::WORD block = 511;
  Bytes extra(512, 0);
  ASSERT_TRUE(Ata('J', kVendorReadExtra, 0, extra, kAtaDataIn, 0));
  EXPECT_EQ(Bytes(extra.begin(), extra.begin() + 4), (Bytes{0xF8, 0xFB, 0xFF, 0xFF})) << "the boot block";
  Bytes none;
  ASSERT_TRUE(Ata('J', kVendorEraseBlock, 300, none, kAtaNoData, block, 0x40));
  ASSERT_TRUE(Ata('J', kVendorWritePages, 300, none, kAtaNoData, block, 0));
  Bytes data(16 * 512, 0x3C);
  ASSERT_TRUE(Ata('J', kAtaWriteSectors, 0, data, kAtaDataOut, block, 0));
  ASSERT_TRUE(Ata('J', kVendorReadExtra, 0, extra, kAtaDataIn, block));
  EXPECT_EQ(Bytes(extra.begin(), extra.begin() + 4), (Bytes{0xFF, 0xFF, 0x01, 0x2C})) << "logical block 300";
  Bytes back(16 * 512, 0);
  ASSERT_TRUE(Ata('J', kVendorReadPages, 0, back, kAtaDataIn, block, 0));
  EXPECT_EQ(back, data);
}

class RawFlashOnNt4 : public test_support::MachineDeviceTest {
 protected:
  void SetUp() override {
    Start(RawFlashMachine("nt4"), kOsWindowsNt4);
    ASSERT_EQ(EnumDevicesNt(), 1);
  }
};

// NT4 asks no storage query: its list leaves every kind 0 and its cards are measured as disks of
// their logical sectors; an entry given a raw flash kind is measured through pass-through too.
TEST_F(RawFlashOnNt4, CapacityThroughPassThroughForEveryKind) {
  ASSERT_EQ(DeviceCount, 6);
  for (const char letter : {'E', 'F', 'G', 'H'}) {
    EXPECT_EQ(EntryAt(letter)->deviceKind, 0) << letter;
    const test_support::Capacity logical = CapacityOf(letter);
    EXPECT_EQ(logical.result, 1) << letter;
    EXPECT_EQ(logical.blocks, machine_->ReaderAt(letter)->Medium()->cardSectors) << letter;
    EXPECT_EQ(logical.writeProtected, letter == 'H' ? 1 : 0) << letter << ": MODE SENSE tells";
  }
  EXPECT_EQ(CapacityOf('E').blocks, 64000u) << "the standard volume of code 6";

  EntryAt('E')->deviceKind = kSmartMedia;
  EntryAt('F')->deviceKind = kMemoryStick;
  EntryAt('H')->deviceKind = kSmartMedia;
  const test_support::Capacity smartMedia = CapacityOf('E');
  EXPECT_EQ(smartMedia.result, 1);
  EXPECT_EQ(smartMedia.sizeOrCode, 6u);
  EXPECT_EQ(smartMedia.blocks, 2048u);
  const test_support::Capacity stick = CapacityOf('F');
  EXPECT_EQ(stick.result, 1);
  EXPECT_EQ(stick.sizeOrCode, 36u);
  const test_support::Capacity protectedCard = CapacityOf('H');
  EXPECT_EQ(protectedCard.sizeOrCode, 5u) << "its own reader, not the first one";
  EXPECT_EQ(protectedCard.writeProtected, 1);
}

TEST_F(RawFlashOnNt4, MemoryStickPageRoundTripThroughPassThrough) {
  DriveHandle handle = OpenCardVolume('F');
  const auto send = [&handle](const Bytes& cdb, Bytes& data, win::BYTE direction) {
    return ExecScsiCommand(handle.get(), 0, 0, 0, cdb.data(), static_cast<win::BYTE>(cdb.size()), data.data(),
                           static_cast<win::DWORD>(data.size()), direction);
  };
  const win::DWORD block = 4095;
  Bytes reply(2, 0);
  ASSERT_TRUE(send(VendorBlock(kVendorEraseBlock, (300U << 16) | block, 0x4000), reply, kScsiDataIn));
  Bytes page(512, 0x61);
  ASSERT_TRUE(send(
      {win::kScsiVendorCommand, kVendorWriteStickPages, 2, win::BYTE(block >> 8), win::BYTE(block), 0x41, 0x01, 0x2C},
      page, kScsiDataOut));
  Bytes extra(4, 0);
  ASSERT_TRUE(send(VendorBlock(kVendorReadExtra, block, 4), extra, kScsiDataIn));
  EXPECT_EQ(extra, (Bytes{0xFF, 0xFF, 0x01, 0x2C}));
  Bytes back(512, 0);
  ASSERT_TRUE(send(VendorBlock(kVendorReadPages, (2U << 16) | block, 512), back, kScsiDataIn));
  EXPECT_EQ(back, page);
}

class RawFlashOnXpIde : public test_support::MachineDeviceTest {
 protected:
  void SetUp() override {
    Start(RawFlashMachine("xp"), kOsWindowsXp);
    ASSERT_EQ(EnumDevicesNt(), 1);
  }
};

// Restore's road on 2000 and XP: the set-up through IDE pass-through, the data by WRITE(10) at
// LBA 0 through SCSI pass-through; backup reads them back through IDE pass-through.
TEST_F(RawFlashOnXpIde, SmartMediaBlockThroughIdePassThroughAndWrite10) {
  DeviceEntry& ide = *EntryAt('I');
  EXPECT_EQ(ide.busKind, kBusIde);
  DriveHandle handle = OpenCardVolume('I');
  win::DWORD blocks = 0, pagesPerBlock = 0, bytesPerPage = 0;
  win::BYTE writeProtected = 0;
  ASSERT_EQ(GetCardType(handle.get(), &ide, &blocks, &pagesPerBlock, &writeProtected, &bytesPerPage), 5u);
  EXPECT_EQ(ide.deviceKind, kSmartMedia);
  EXPECT_EQ(blocks, 1024u);

  const win::DWORD page = 1021 * 32;
  ASSERT_TRUE(ExecAtaCommand(handle.get(), &ide, kVendorEraseBlock, page, nullptr, 0, kAtaNoData, 0, 0));
  ASSERT_TRUE(ExecAtaCommand(handle.get(), &ide, kVendorWritePages, page, nullptr, 0, kAtaNoData, 700, 0));
  Bytes block(32 * 512, 0x93);
  const win::BYTE write10[] = {0x2A, 0, 0, 0, 0, 0, 0, 0, 32, 0};
  ASSERT_TRUE(ExecScsiCommand(handle.get(), 0, 0, 0, write10, 10, block.data(), 32 * 512, kScsiDataOut));
  Bytes redundant(512, 0);
  ASSERT_TRUE(ExecAtaCommand(handle.get(), &ide, kVendorReadRedundant, page, redundant.data(), 512, kAtaDataIn, 0, 0));
  EXPECT_EQ((win::ReadBe16(redundant, 6) >> 1) & 0x3FF, 700);
  Bytes sector(512, 0);
  ASSERT_TRUE(ExecAtaCommand(handle.get(), &ide, kVendorReadPages, page + 31, sector.data(), 512, kAtaDataIn, 0, 0));
  EXPECT_EQ(sector, Bytes(512, 0x93));
}

}  // namespace
}  // namespace tarnlok
