#include "device/card_type.h"

#include "device/device_state.h"
#include "device/drive_handle.h"
#include "device/reader_commands.h"
#include "device/storage_layouts.h"
#include "device/testing/blank_images.h"
#include "device/testing/device_test_support.h"
#include "device/testing/machine_fixture.h"
#include "device/testing/stand_in_fixture.h"
#include "platform/machine/testing/machine_testing.h"
#include "platform/win/devices/device_io.h"
#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace tarnlok {
namespace {

using test_support::IdentifyWith;
using test_support::NumberedImage;
using test_support::ReaderSetup;
using test_support::VendorForm;
using test_support::WriteBlankImage;

struct CardAnswer {
  win::DWORD result = 0;
  win::DWORD blocksOrSectors = 0xDEAD, pages = 0xDEAD, bytesPerPage = 0xDEAD;
  win::BYTE writeProtected = 0;
};

CardAnswer AskWith(win::HANDLE handle, DeviceEntry& entry) {
  CardAnswer a;
  a.result = GetCardType(handle, &entry, &a.blocksOrSectors, &a.pages, &a.writeProtected, &a.bytesPerPage);
  return a;
}

// A machine of the given Windows whose readers (JSON objects) are listed.
// The maker's reader on a bus at a letter, with a card (a JSON object).
std::string Reader(const std::string& bus, char letter, const std::string& card, bool maker = true) {
  return R"({"bus":")" + bus + R"(","maker":)" + (maker ? "true" : "false") + R"(,"letter":")" +
         std::string(1, letter) + R"(","card":)" + card + "}";
}

// An IDE reader on E: of an XP machine, asked through its volume handle.
class CardTypeXp : public test_support::MachineDeviceTest {
 protected:
  CardAnswer Ask(const std::string& card, bool maker = true) {
    Stop();
    Start(test_support::MachineJson("xp", Reader("ide", 'E', card, maker)), kOsWindowsXp);
    entry.driveLetter = 'E';
    entry.ataDriveSelect = kAtaMaster;
    DriveHandle handle = OpenCardVolume('E');
    return AskWith(handle.get(), entry);
  }
  DeviceEntry entry;
};

TEST_F(CardTypeXp, CompactFlashCapacityInDecimalMegabytes) {
  WriteBlankImage("type-cf.img", 1000000);
  const CardAnswer a = Ask(R"({"kind":"cf","image":"type-cf.img","sectors":1000000})");
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
  WriteBlankImage("type-sd.img", 16000000);
  EXPECT_EQ(Ask(R"({"kind":"mmcsd","image":"type-sd.img","sectors":16000000})").result, 8192u) << "8,192,000,000 bytes";
  EXPECT_EQ(entry.deviceKind, kMmcSd);
}

TEST_F(CardTypeXp, SmartMediaCodeFromTheDeviceCode) {
  const CardAnswer a = Ask(R"({"kind":"sm","image":"type-sm32.img","deviceCode":117})");
  EXPECT_EQ(a.result, 6u);
  EXPECT_EQ(a.pages, 32u);
  EXPECT_EQ(a.blocksOrSectors, 2048u);
  EXPECT_EQ(entry.readerKind, kSmartMediaReader);
  EXPECT_STREQ(entry.product, "Smart Media ");
}

// The cards of 256 MB and more: a capacity in place of the code would leave the geometry
// untouched and a backup would walk no block at all.
TEST_F(CardTypeXp, LargeSmartMediaCodesGiveTheirGeometry) {
  const CardAnswer a = Ask(R"({"kind":"sm","image":"type-sm256.img","deviceCode":113})");
  EXPECT_EQ(a.result, 9u);
  EXPECT_EQ(a.pages, 32u);
  EXPECT_EQ(a.blocksOrSectors, 16384u);
  EXPECT_EQ(a.bytesPerPage, 512u);
}

TEST_F(CardTypeXp, MemoryStickSizeInMegabytes) {
  EXPECT_EQ(Ask(R"({"kind":"ms","image":"type-ms128.img","blocks":8192,"pagesPerBlock":32})").result, 128u);
  EXPECT_EQ(entry.deviceKind, kMemoryStick);
  EXPECT_EQ(Ask(R"({"kind":"ms","image":"type-ms4.img","blocks":512,"pagesPerBlock":16})").result, 4u);
  EXPECT_EQ(Ask(R"({"kind":"none"})").result, 0u) << "no card";
}

TEST_F(CardTypeXp, WriteProtectionFromIdentifyOrStatus) {
  WriteBlankImage("type-cf.img", 2048);
  EXPECT_EQ(Ask(R"({"kind":"cf","image":"type-cf.img","sectors":2048,"writeProtected":true})").writeProtected, 1)
      << "the identify data's card flags";
  EXPECT_EQ(Ask(R"({"kind":"sm","image":"type-sm16.img","deviceCode":115,"writeProtected":true})").writeProtected, 1);
}

// Another maker's IDE reader aborts the vendor status command.
TEST_F(CardTypeXp, DeviceErrorOnTheStatusCommandEndsWithZero) {
  EXPECT_EQ(Ask(R"({"kind":"ms","image":"type-ms4.img","blocks":512,"pagesPerBlock":16})", false).result, 0u);
  EXPECT_EQ(entry.deviceKind, kMemoryStick) << "the entry was already rewritten";
}

// MediaPresent after the check of a SmartMedia card in a USB reader, 7 before it.
win::DWORD SmartMediaPresence(win::HANDLE handle, DeviceEntry& entry) {
  entry.deviceKind = kSmartMedia;
  entry.busKind = kBusUsb;
  MediaPresent = 7;
  CheckMediaPresent(handle, &entry);
  return MediaPresent;
}

// A raw flash kind on a USB reader: a card READ CAPACITY reads leaves MediaPresent as it was;
// without a card the status word says so.
TEST_F(CardTypeXp, MediaPresenceOfRawFlashCards) {
  Start(
      test_support::MachineJson("xp", Reader("usb", 'E', R"({"kind":"sm","image":"type-sm16.img","deviceCode":115})")),
      kOsWindowsXp);
  DriveHandle handle = OpenCardVolume('E');
  EXPECT_EQ(SmartMediaPresence(handle.get(), entry), 7u) << "a readable card leaves it as it was";
  machine_->RemoveCard('E');
  EXPECT_EQ(SmartMediaPresence(handle.get(), entry), 0u);
  entry.deviceKind = kCompactFlash;
  MediaPresent = 7;
  CheckMediaPresent(handle.get(), &entry);
  EXPECT_EQ(MediaPresent, 7u) << "only raw flash cards are asked";
}

// Windows 98: the readers on the ATA channel are reached through the card driver, by the
// address of their device node.
class CardType98 : public test_support::MachineDeviceTest {
 protected:
  void Start98(const std::string& readers) {
    Stop();
    Start(test_support::MachineJson("98", readers), kOsWindows98);
    nodes = machine::test_support::DriverNodes(driver_);
  }
  // The entry of the reader whose node comes at that place in the chain.
  DeviceEntry EntryOf(std::size_t node, win::BYTE bus, win::BYTE driveSelect = kAtaMaster) {
    DeviceEntry entry;
    entry.deviceReference = node < nodes.size() ? nodes[node] : 0;
    entry.busKind = bus;
    entry.ataDriveSelect = driveSelect;
    return entry;
  }
  std::vector<win::DWORD> nodes;
};

TEST_F(CardType98, IdeCardThroughTheDriver) {
  Start98(Reader("ide", 'E', R"({"kind":"sm","image":"type-sm16.img","deviceCode":115,"writeProtected":true})"));
  DeviceEntry entry = EntryOf(0, kBusIde);
  const CardAnswer a = AskWith(driver_, entry);
  EXPECT_EQ(a.result, 5u);
  EXPECT_EQ(a.blocksOrSectors, 1024u);
  EXPECT_EQ(a.writeProtected, 1);
  EXPECT_STREQ(entry.vendor, "Kestro  ") << "the first 8 characters of the model";
  EXPECT_EQ(entry.totalSectors, 32000u);

  WriteBlankImage("type-cf.img", 2048);
  Start98(Reader("ide", 'E', R"({"kind":"cf","image":"type-cf.img","sectors":2048,"writeProtected":true})"));
  DeviceEntry cf = EntryOf(0, kBusIde);
  EXPECT_EQ(AskWith(driver_, cf).writeProtected, 1) << "a CompactFlash card tells it in its identify data alone";
}

TEST_F(CardType98, LargeSmartMediaCodeThroughTheDriver) {
  Start98(Reader("pcmcia", 'E', R"({"kind":"sm","image":"type98-sm512.img","deviceCode":220})"));
  DeviceEntry entry = EntryOf(0, kBusPcmcia);
  const CardAnswer a = AskWith(driver_, entry);
  EXPECT_EQ(a.result, 10u);
  EXPECT_EQ(a.pages, 32u);
  EXPECT_EQ(a.blocksOrSectors, 32768u);
}

// The card of a PCMCIA slot is asked at the master whatever the entry's drive select says.
TEST_F(CardType98, PcmciaSlotCardIsTheMaster) {
  WriteBlankImage("type-pcmcia.img", 4000);
  Start98(Reader("pcmcia", 'E', R"({"kind":"cf","image":"type-pcmcia.img","sectors":4000})"));
  DeviceEntry entry = EntryOf(0, kBusPcmcia, kAtaSlave);
  AskWith(driver_, entry);
  EXPECT_EQ(entry.totalSectors, 4000u);
  DeviceEntry ide = EntryOf(0, kBusIde, kAtaSlave);
  AskWith(driver_, ide);
  EXPECT_EQ(ide.totalSectors, 0u) << "an IDE reader is asked at its own drive select";
}

// On IDE and PCMCIA readers presence is judged by reading sector 0, then by the vendor status.
TEST_F(CardType98, MediaPresenceOnTheAtaRoad) {
  WriteBlankImage("type-ide.img", 2048);
  WriteBlankImage("type-pcmcia.img", 2048);
  const auto readers = [](const std::string& faults) {
    return Reader("ide", 'E', R"({"kind":"cf","image":"type-ide.img","sectors":2048)" + faults + "}") + "," +
           Reader("pcmcia", 'F', R"({"kind":"cf","image":"type-pcmcia.img","sectors":2048)" + faults + "}");
  };
  for (const auto& [node, bus] : {std::pair<std::size_t, win::BYTE>{0, kBusIde}, {1, kBusPcmcia}}) {
    SCOPED_TRACE(int{bus});
    Start98(readers(""));
    DeviceEntry entry = EntryOf(node, bus);
    entry.deviceKind = kSmartMedia;
    MediaPresent = 7;
    CheckMediaPresent(driver_, &entry);
    EXPECT_EQ(MediaPresent, 7u) << "a readable card leaves it as it was";
    machine_->RemoveCard(bus == kBusIde ? 'E' : 'F');
    CheckMediaPresent(driver_, &entry);
    EXPECT_EQ(MediaPresent, 0u) << "the reader answers that no card is there";

    Start98(readers(R"(,"faults":[{"op":"read","sector":0,"times":"always"}])"));
    entry = EntryOf(node, bus);
    entry.deviceKind = kSmartMedia;
    CheckMediaPresent(driver_, &entry);
    EXPECT_EQ(MediaPresent, 1u) << "sector 0 unreadable, the reader still sees a card";
    entry.deviceKind = kCompactFlash;
    MediaPresent = 7;
    CheckMediaPresent(driver_, &entry);
    EXPECT_EQ(MediaPresent, 7u) << "only raw flash cards are asked";
  }
}

TEST_F(CardType98, OtherMakersIdeCardIsMmcSd) {
  WriteBlankImage("type-cf.img", 2000000);
  Start98(Reader("ide", 'E', R"({"kind":"cf","image":"type-cf.img","sectors":2000000})"));
  DeviceEntry entry = EntryOf(0, kBusIde);
  entry.otherMakerFlag = 1;
  EXPECT_EQ(AskWith(driver_, entry).result, 1024u);
  EXPECT_EQ(entry.deviceKind, kMmcSd);
}

// What no reader of the machine does: a status word that says write protected while the
// identify data do not, a Memory Stick geometry of 255 pages per block, SMART
// that fails on an IDE drive, a card that READ CAPACITY cannot read, IDENTIFY that fails a
// number of times first; and the record of the controls a reader got.
class CardTypeStandInXp : public test_support::StandInXpTest {
 protected:
  CardAnswer Ask(ReaderSetup setup) {
    reader = &machine.Add('E', std::move(setup));
    entry.driveLetter = 'E';
    DriveHandle handle = OpenCardVolume('E');
    return AskWith(handle.get(), entry);
  }
  test_support::StandInReader* reader = nullptr;
  DeviceEntry entry;
};

ReaderSetup Ide(win::DWORD flags, win::DWORD sectors) {
  ReaderSetup setup;
  setup.storageBusType = kBusTypeAta;
  setup.identify = IdentifyWith(flags, sectors);
  setup.image = NumberedImage(8);
  return setup;
}

TEST_F(CardTypeStandInXp, MemoryStickOfNonsensePagesPerBlockTellsTheCapacity) {
  ReaderSetup setup = Ide(kStatusMemoryStick, 0);
  setup.statusWord = kStatusMemoryStick;
  setup.geometryReply = {0x00, 0x02, 255, 0};
  EXPECT_EQ(Ask(setup).result, 0u) << "the capacity value, 0 without sectors";
  setup = Ide(kStatusMemoryStick, 4000);
  setup.statusWord = kStatusMemoryStick;
  setup.geometryReply = {0x00, 0x02, 255, 0};
  EXPECT_EQ(Ask(setup).result, 2u) << "the capacity value of 4000 sectors";
}

TEST_F(CardTypeStandInXp, WriteProtectionFromTheStatusAlone) {
  ReaderSetup setup = Ide(kStatusSmartMedia, 1000);
  setup.statusWord = kStatusSmartMedia;
  setup.writeProtected = true;
  EXPECT_EQ(Ask(setup).writeProtected, 1);
}

TEST_F(CardTypeStandInXp, UsbDriveGetsNoIdeCommands) {
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

TEST_F(CardTypeStandInXp, CardFlagsOnAnIdeDriveWithoutIdentificationAreAbsent) {
  ReaderSetup setup = Ide(kStatusCompactFlash, 1000);
  setup.smartFails = true;
  entry.deviceKind = kSmartMedia;
  EXPECT_EQ(Ask(setup).result, 0u);
  EXPECT_EQ(entry.deviceKind, kSmartMedia) << "nothing was learnt, nothing changed";
}

TEST_F(CardTypeStandInXp, RawFlashCardThatReadCapacityCannotReadIsPresent) {
  ReaderSetup setup;
  setup.vendorForm = VendorForm::CommandFirst;
  setup.statusWord = kStatusSmartMedia;
  setup.image = NumberedImage(8);
  setup.answersReadCapacity = false;
  reader = &machine.Add('E', setup);
  DriveHandle handle = OpenCardVolume('E');
  EXPECT_EQ(SmartMediaPresence(handle.get(), entry), 1u)
      << "the card answers the reader although READ CAPACITY cannot read it";
}

using CardTypeStandIn98 = test_support::StandIn98Test;

TEST_F(CardTypeStandIn98, WriteProtectionFromTheStatusAlone) {
  auto& card = machine.Driver().cards[0x2000];
  card.image = NumberedImage(8);
  card.identify = IdentifyWith(kStatusSmartMedia, 32000, true, "KESTRO SM");
  card.statusWord = kStatusSmartMedia | kStatusWriteProtected;
  DeviceEntry entry;
  entry.deviceReference = 0x2000;
  entry.busKind = kBusIde;
  entry.ataDriveSelect = kAtaMaster;
  EXPECT_EQ(AskWith(driver, entry).writeProtected, 1);
}

// A PCMCIA card may need a while to answer: ten IDENTIFY attempts; an IDE reader gets one.
TEST_F(CardTypeStandIn98, PcmciaSlotTriesIdentifyTenTimes) {
  for (const int failures : {9, 10}) {
    auto& card = machine.Driver().cards[0x2000];
    card.image = NumberedImage(8);
    card.identify = IdentifyWith(kStatusCompactFlash, 4000, true, "KESTRO PCMCIA");
    card.identifyFailures = failures;
    DeviceEntry entry;
    entry.deviceReference = 0x2000;
    entry.busKind = kBusPcmcia;
    entry.ataDriveSelect = kAtaSlave;
    AskWith(driver, entry);
    EXPECT_EQ(entry.totalSectors, failures < 10 ? 4000u : 0u) << failures << " failed attempts";
  }
  machine.Driver().cards[0x2000].identifyFailures = 1;
  DeviceEntry entry;
  entry.deviceReference = 0x2000;
  entry.busKind = kBusIde;
  entry.ataDriveSelect = kAtaMaster;
  AskWith(driver, entry);
  EXPECT_EQ(entry.totalSectors, 0u) << "one attempt on an IDE reader";
}

}  // namespace
}  // namespace tarnlok
