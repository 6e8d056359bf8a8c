#include "device/card_type.h"

#include "device/device_state.h"
#include "device/drive_handle.h"
#include "device/testing/device_test_support.h"
#include "device/testing/stand_in_reader.h"
#include "platform/win/devices/device_io.h"
#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tarnlok {
namespace {

using test_support::IdentifyWith;
using test_support::NumberedImage;
using test_support::ReaderSetup;
using test_support::StandInMachine;
using test_support::VendorForm;

struct CardAnswer {
  win::DWORD result = 0;
  win::DWORD blocksOrSectors = 0xDEAD, pages = 0xDEAD, bytesPerPage = 0xDEAD;
  win::BYTE writeProtected = 0;
};

class CardTypeXp : public test_support::DeviceStateTest {
 protected:
  CardAnswer Ask(ReaderSetup setup) {
    OsKind = kOsWindowsXp;
    reader = &machine.Add('E', std::move(setup));
    entry.driveLetter = 'E';
    DriveHandle handle = OpenCardVolume('E');
    CardAnswer a;
    a.result = GetCardType(handle.get(), &entry, &a.blocksOrSectors, &a.pages, &a.writeProtected, &a.bytesPerPage);
    return a;
  }
  StandInMachine machine{win::WindowsVersion::Xp};
  test_support::StandInReader* reader = nullptr;
  DeviceEntry entry;
};

ReaderSetup Ide(win::DWORD flags, win::DWORD sectors) {
  ReaderSetup setup;
  setup.storageBusType = 3;
  setup.identify = IdentifyWith(flags, sectors);
  setup.image = NumberedImage(8);
  return setup;
}

TEST_F(CardTypeXp, CompactFlashCapacityInDecimalMegabytes) {
  const CardAnswer a = Ask(Ide(0x100, 1000000));
  EXPECT_EQ(a.result, 512u);
  EXPECT_EQ(a.blocksOrSectors, 1000000u);
  EXPECT_EQ(a.pages, 63u);
  EXPECT_EQ(a.bytesPerPage, 512u);
  EXPECT_EQ(entry.deviceKind, kCompactFlash);
  EXPECT_EQ(entry.bytesPerSector, 512);
  EXPECT_EQ(entry.totalSectors, 1000000u);
  EXPECT_STREQ(entry.product, "Compact Flash ");
}

TEST_F(CardTypeXp, LargeCardCapacityDoesNotWrap) {
  EXPECT_EQ(Ask(Ide(0x40000, 16000000)).result, 8192u) << "8,192,000,000 bytes";
  EXPECT_EQ(entry.deviceKind, kMmcSd);
}

TEST_F(CardTypeXp, SmartMediaCodeFromTheDeviceCode) {
  ReaderSetup setup = Ide(0x200, 64000);
  setup.statusWord = 0x200;
  setup.geometryReply = {0, 0x75, 0, 0};
  const CardAnswer a = Ask(setup);
  EXPECT_EQ(a.result, 6u);
  EXPECT_EQ(a.pages, 32u);
  EXPECT_EQ(a.blocksOrSectors, 2048u);
  EXPECT_EQ(entry.readerKind, kSmartMediaReader);
  EXPECT_STREQ(entry.product, "Smart Media ");

  setup.geometryReply = {0, 0x71, 0, 0};
  EXPECT_EQ(Ask(setup).result, 64000u * 512 / 1000000) << "codes above 8 are unknown here: the capacity";
}

TEST_F(CardTypeXp, MemoryStickSizeInMegabytes) {
  ReaderSetup setup = Ide(0x400, 0);
  setup.statusWord = 0x400;
  const std::pair<std::array<win::BYTE, 4>, win::DWORD> cases[] = {
      {{0x00, 0x20, 32, 0}, 128},  // 8192 blocks of 32 pages
      {{0x00, 0x02, 16, 0}, 4},  // 512 blocks of 16 pages
      {{0x00, 0x02, 255, 0}, 0},  // nonsense pages per block: the capacity value, 0 without sectors
      {{0xFF, 0x04, 0, 0}, 0},  // no card
  };
  for (const auto& [reply, expected] : cases) {
    setup.geometryReply = reply;
    EXPECT_EQ(Ask(setup).result, expected);
  }
}

TEST_F(CardTypeXp, WriteProtectionFromIdentifyOrStatus) {
  EXPECT_EQ(Ask(Ide(0x120, 1000)).writeProtected, 1);
  ReaderSetup setup = Ide(0x200, 1000);
  setup.statusWord = 0x200;
  setup.writeProtected = true;
  EXPECT_EQ(Ask(setup).writeProtected, 1);
}

TEST_F(CardTypeXp, DeviceErrorOnTheStatusCommandEndsWithZero) {
  ReaderSetup setup = Ide(0x400, 1000);
  setup.identifyStatus = 0x51;
  EXPECT_EQ(Ask(setup).result, 0u);
  EXPECT_EQ(entry.deviceKind, kMemoryStick) << "the entry was already rewritten";
}

TEST_F(CardTypeXp, UsbDriveGetsNoIdeCommands) {
  ReaderSetup setup;
  setup.image = NumberedImage(8);
  entry.deviceKind = kCompactFlash;
  entry.bytesPerSector = 512;
  entry.totalSectors = 4000000;
  const CardAnswer a = Ask(setup);
  EXPECT_EQ(a.result, 2048u);
  EXPECT_EQ(a.blocksOrSectors, 4000000u);
  const auto& codes = reader->Codes();
  EXPECT_EQ(std::count(codes.begin(), codes.end(), win::IOCTL_IDE_PASS_THROUGH), 0);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), win::SMART_RCV_DRIVE_DATA), 0);
}

TEST_F(CardTypeXp, CardFlagsOnAnIdeDriveWithoutIdentificationAreAbsent) {
  ReaderSetup setup = Ide(0x100, 1000);
  setup.smartFails = true;
  entry.deviceKind = kSmartMedia;
  EXPECT_EQ(Ask(setup).result, 0u);
  EXPECT_EQ(entry.deviceKind, kSmartMedia) << "nothing was learnt, nothing changed";
}

TEST_F(CardTypeXp, MediaPresenceOfRawFlashCards) {
  ReaderSetup setup;
  setup.vendorForm = VendorForm::CommandFirst;
  setup.statusWord = 0x200;
  setup.image = NumberedImage(8);
  setup.answersReadCapacity = false;
  reader = &machine.Add('E', setup);
  OsKind = kOsWindowsXp;
  entry.deviceKind = kSmartMedia;
  entry.busKind = kBusUsb;
  DriveHandle handle = OpenCardVolume('E');
  MediaPresent = 7;
  CheckMediaPresent(handle.get(), &entry);
  EXPECT_EQ(MediaPresent, 1u) << "the card answers the reader although READ CAPACITY cannot read it";
  reader->Setup().image.clear();
  CheckMediaPresent(handle.get(), &entry);
  EXPECT_EQ(MediaPresent, 0u);
  reader->Setup().image = NumberedImage(8);
  reader->Setup().answersReadCapacity = true;
  MediaPresent = 7;
  CheckMediaPresent(handle.get(), &entry);
  EXPECT_EQ(MediaPresent, 7u) << "a readable card leaves it as it was";
  entry.deviceKind = kCompactFlash;
  reader->Setup().answersReadCapacity = false;
  CheckMediaPresent(handle.get(), &entry);
  EXPECT_EQ(MediaPresent, 7u) << "only raw flash cards are asked";
}

class CardType98 : public test_support::DeviceStateTest {
 protected:
  void SetUp() override {
    OsKind = kOsWindows98;
    driver = win::CreateFileA("\\\\.\\TARNLOK.VXD", win::GENERIC_READ | win::GENERIC_WRITE, 0, nullptr,
                              win::OPEN_EXISTING, 0, nullptr);
    entry.deviceReference = 0x2000;
    entry.busKind = kBusIde;
    entry.ataDriveSelect = kAtaMaster;
  }
  void TearDown() override {
    win::CloseHandle(driver);
    DeviceStateTest::TearDown();
  }
  StandInMachine machine{win::WindowsVersion::Win98};
  win::HANDLE driver = win::INVALID_HANDLE_VALUE;
  DeviceEntry entry;
};

TEST_F(CardType98, IdeCardThroughTheDriver) {
  auto& card = machine.Driver().cards[0x2000];
  card.image = NumberedImage(8);
  card.identify = IdentifyWith(0x200, 32000, true, "KESTRO SM");
  card.statusWord = 0x220;
  card.geometryReply = {0, 0x73, 0, 0};
  CardAnswer a;
  a.result = GetCardType(driver, &entry, &a.blocksOrSectors, &a.pages, &a.writeProtected, &a.bytesPerPage);
  EXPECT_EQ(a.result, 5u);
  EXPECT_EQ(a.blocksOrSectors, 1024u);
  EXPECT_EQ(a.writeProtected, 1);
  EXPECT_STREQ(entry.vendor, "KESTRO S");
  EXPECT_EQ(entry.totalSectors, 32000u);
}

// A PCMCIA card may need a while to answer: ten IDENTIFY attempts at the master; an IDE reader
// gets one.
TEST_F(CardType98, PcmciaSlotTriesIdentifyTenTimes) {
  for (const int failures : {9, 10}) {
    auto& card = machine.Driver().cards[0x2000];
    card.image = NumberedImage(8);
    card.identify = IdentifyWith(0x100, 4000, true, "KESTRO PCMCIA");
    card.identifyFailures = failures;
    entry = DeviceEntry{};
    entry.deviceReference = 0x2000;
    entry.busKind = kBusPcmcia;
    entry.ataDriveSelect = kAtaSlave;
    CardAnswer a;
    a.result = GetCardType(driver, &entry, &a.blocksOrSectors, &a.pages, &a.writeProtected, &a.bytesPerPage);
    EXPECT_EQ(entry.totalSectors, failures < 10 ? 4000u : 0u) << failures << " failed attempts";
    EXPECT_EQ(machine.Driver().requests.back()[9], kAtaMaster) << "the slot's card is the master";
  }
  auto& card = machine.Driver().cards[0x2000];
  card.identifyFailures = 1;
  entry = DeviceEntry{};
  entry.deviceReference = 0x2000;
  entry.busKind = kBusIde;
  entry.ataDriveSelect = kAtaMaster;
  CardAnswer a;
  a.result = GetCardType(driver, &entry, &a.blocksOrSectors, &a.pages, &a.writeProtected, &a.bytesPerPage);
  EXPECT_EQ(entry.totalSectors, 0u) << "one attempt on an IDE reader";
}

// On IDE and PCMCIA readers presence is judged by reading sector 0, then by the vendor status.
TEST_F(CardType98, MediaPresenceOnTheAtaRoad) {
  for (const win::BYTE bus : {kBusIde, kBusPcmcia}) {
    auto& card = machine.Driver().cards[0x2000];
    card.statusWord = 0x200;
    entry.busKind = bus;
    entry.deviceKind = kSmartMedia;
    card.image = NumberedImage(8);
    MediaPresent = 7;
    CheckMediaPresent(driver, &entry);
    EXPECT_EQ(MediaPresent, 7u) << "a readable card leaves it as it was";
    card.image.assign(100, 0);
    CheckMediaPresent(driver, &entry);
    EXPECT_EQ(MediaPresent, 1u) << "sector 0 unreadable, the reader still sees a card";
    card.image.clear();
    CheckMediaPresent(driver, &entry);
    EXPECT_EQ(MediaPresent, 0u) << "the reader answers that no card is there";
    card.image.assign(100, 0);
    entry.deviceKind = kCompactFlash;
    MediaPresent = 7;
    CheckMediaPresent(driver, &entry);
    EXPECT_EQ(MediaPresent, 7u) << "only raw flash cards are asked";
  }
}

TEST_F(CardType98, OtherMakersIdeCardIsMmcSd) {
  auto& card = machine.Driver().cards[0x2000];
  card.image = NumberedImage(8);
  card.identify = IdentifyWith(0x100, 2000000, true, "GENERIC CF");
  entry.otherMakerFlag = 1;
  CardAnswer a;
  a.result = GetCardType(driver, &entry, &a.blocksOrSectors, &a.pages, &a.writeProtected, &a.bytesPerPage);
  EXPECT_EQ(entry.deviceKind, kMmcSd);
  EXPECT_EQ(a.result, 1024u);
}

}  // namespace
}  // namespace tarnlok
