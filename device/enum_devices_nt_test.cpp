// The NT device list on described machines: each reader kind and generation, the log of what was
// asked, and the drives that are skipped or cannot be opened. A few replies no machine reader
// gives stay on stand-in readers, each saying why.
#include "device/enum_devices_nt.h"

#include "device/device_list.h"
#include "device/device_state.h"
#include "device/testing/machine_fixture.h"
#include "device/testing/stand_in_fixture.h"
#include "platform/win/files/files.h"
#include "platform/win/files/paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tarnlok {
namespace {

using test_support::IdentifyWith;
using test_support::NumberedImage;
using test_support::ReaderSetup;

std::filesystem::path CurrentFolder() { return win::HostPathOf(win::CurrentDirectoryPath()).value_or("."); }

std::string ReadLog() {
  std::ifstream file(CurrentFolder() / "QWITLK.LOG", std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

bool LogHas(const std::string& lines) { return ReadLog().find(lines) != std::string::npos; }

class EnumDevicesNtOnMachine : public test_support::MachineDeviceTest {
 protected:
  void Run(const std::string& windows, win::BYTE osKind, const std::string& readers) {
    Start(test_support::MachineJson(windows, readers), osKind);
    ASSERT_EQ(EnumDevicesNt(), 1);
  }
};

TEST_F(EnumDevicesNtOnMachine, MakersUsbReadersOnXp) {
  Run("xp", kOsWindowsXp, R"(
    { "maker": true, "product": "SM/MS Reader", "letter": "E",
      "card": { "kind": "sm", "image": "nt-list-sm.img", "deviceCode": 227 } },
    { "maker": true, "vendor": "KSX-USB", "product": "Card Reader", "letter": "F",
      "card": { "kind": "mspro", "image": "nt-list-pro.img", "sectors": 4096 } },
    { "maker": true, "product": "CompactFlash Rd", "letter": "G" })");

  const auto entries = test_support::ListedEntries();
  ASSERT_EQ(entries.size(), 3u);
  ASSERT_EQ(DeviceCount, 3);
  EXPECT_EQ(entries[0]->driveLetter, 'E');
  EXPECT_EQ(entries[0]->busKind, kBusUsb);
  EXPECT_EQ(entries[0]->deviceKind, kSmartMedia) << "the status word of its inquiry data";
  EXPECT_EQ(entries[0]->readerKind, kSmartMediaReader);
  EXPECT_EQ(entries[1]->deviceKind, kMemoryStickPro) << "its status command";
  EXPECT_EQ(entries[1]->readerKind, kMemoryStickReader);
  EXPECT_EQ(entries[2]->deviceKind, kCompactFlash) << "no card: the product's keywords decide";
  for (const auto* entry : entries) {
    EXPECT_EQ(entry->otherMakerFlag, 0);
    EXPECT_EQ(entry->noCommandFlag, 0);
    EXPECT_EQ(entry->ataDriveSelect, kAtaMaster);
    EXPECT_EQ(entry->hostAdapter, 0);
  }
  EXPECT_STREQ(entries[1]->vendor, "KSX-USB ");
  EXPECT_STREQ(entries[1]->product, "Card Reader     ");
  EXPECT_STREQ(entries[1]->revision, "1.00");
  EXPECT_EQ(std::string(SlotDriveLetters), "EFG");
  EXPECT_EQ(SlotStates[2], 2);
  EXPECT_EQ(SlotStates[3], 0);
  EXPECT_EQ(DeviceListLast, entries[2]);
  EXPECT_EQ(DeviceListHead, entries[0]);

  EXPECT_EQ(ReadLog(),
            "Drive ->E Handle created successfully\n"
            "IOCTL_STORAGE_QUERY_PROPERTY call success\n"
            "BUS type-> USB\n"
            "INQ-> SM\n"
            "INQ-> SM(Kestro)\n"
            "Drive ->F Handle created successfully\n"
            "IOCTL_STORAGE_QUERY_PROPERTY call success\n"
            "BUS type-> USB\n"
            "DEV_CAPS-> MSPRO\n"
            "DEV_CAPS-> MS(Kestro)\n"
            "Drive ->G Handle created successfully\n"
            "IOCTL_STORAGE_QUERY_PROPERTY call success\n"
            "BUS type-> USB\n"
            "INQ-> CF\n");
}

TEST_F(EnumDevicesNtOnMachine, OtherMakersReaderWithoutKeywordsIsMmcSd) {
  Run("xp", kOsWindowsXp, R"(
    { "vendor": "Generic", "product": "Multi Reader", "letter": "E",
      "card": { "kind": "cf", "image": "nt-multi.img", "sectors": 4096 } })");
  ASSERT_EQ(DeviceCount, 1);
  EXPECT_EQ(DeviceListHead->deviceKind, kMmcSd) << "the vendor command is refused; no keyword names a card";
  EXPECT_EQ(DeviceListHead->otherMakerFlag, 1);
  EXPECT_TRUE(LogHas("BUS type-> USB\nINQ-> SD\n")) << ReadLog();
}

TEST_F(EnumDevicesNtOnMachine, IdeAndPcmciaReadersFromTheirIdentification) {
  Run("2000", kOsWindows2000, R"(
    { "bus": "ide", "maker": true, "letter": "E", "card": { "kind": "sm", "image": "nt-ide-sm.img", "deviceCode": 227 } },
    { "bus": "pcmcia", "maker": true, "letter": "F",
      "card": { "kind": "cf", "image": "nt-pcmcia-cf.img", "sectors": 4096 } },
    { "bus": "ide", "maker": true, "letter": "G",
      "card": { "kind": "mmcsd", "image": "nt-ide-sd.img", "sectors": 4096 } })");

  const auto entries = test_support::ListedEntries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0]->busKind, kBusIde);
  EXPECT_EQ(entries[0]->deviceKind, kSmartMedia);
  EXPECT_EQ(entries[0]->readerKind, kSmartMediaReader);
  EXPECT_EQ(entries[0]->ataDriveSelect, kAtaMaster);
  EXPECT_STREQ(entries[0]->product, "Smart Media ");
  EXPECT_EQ(entries[1]->busKind, kBusPcmcia);
  EXPECT_EQ(entries[1]->deviceKind, kCompactFlash);
  EXPECT_STREQ(entries[1]->product, "Compact Flash ");
  EXPECT_EQ(entries[2]->busKind, kBusIde);
  EXPECT_EQ(entries[2]->deviceKind, kMmcSd);
  EXPECT_STREQ(entries[2]->product, "MMC/SD ");
  EXPECT_TRUE(
      LogHas("Drive ->E Handle created successfully\n"
             "IOCTL_STORAGE_QUERY_PROPERTY call success\n"
             "BUS type-> BusTypeAta|BusTypeUnknown|BusTypeAtapi\n"
             "BUS type-> BusTypeIDE\n"
             "DriveSelect-> IDE_MASTER\n"
             "MediaType-> SM\n"))
      << ReadLog();
  EXPECT_TRUE(LogHas("BUS type-> BusTypePCMCIA\nDriveSelect-> IDE_MASTER\nMediaType-> CF\n")) << ReadLog();
  EXPECT_TRUE(LogHas("MediaType-> MMC/SD\n")) << ReadLog();
}

// The log lines of the roads the other tests leave: an ATAPI drive, the reader status of each
// card kind and the reader kind of a combined reader holding a Memory Stick.
TEST_F(EnumDevicesNtOnMachine, LogNamesAtapiDrivesAndEachReaderStatus) {
  Run("xp", kOsWindowsXp, R"(
    { "bus": "ls120", "letter": "B", "card": { "kind": "floppy", "image": "nt-log-ls.img", "sectors": 2880 } },
    { "maker": true, "product": "Card Reader", "letter": "G",
      "card": { "kind": "sm", "image": "nt-log-sm.img", "deviceCode": 227 } },
    { "maker": true, "product": "Card Reader", "letter": "H",
      "card": { "kind": "ms", "image": "nt-log-ms.img", "blocks": 512, "pagesPerBlock": 16 } },
    { "maker": true, "product": "Card Reader", "letter": "I",
      "card": { "kind": "mmcsd", "image": "nt-log-sd.img", "sectors": 4096 } },
    { "maker": true, "product": "SM/MS Reader", "letter": "J",
      "card": { "kind": "ms", "image": "nt-log-ms2.img", "blocks": 512, "pagesPerBlock": 16 } })");

  const auto entries = test_support::ListedEntries();
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0]->busKind, 0) << "an ATAPI drive keeps bus kind 0";
  EXPECT_EQ(entries[1]->deviceKind, kSmartMedia);
  EXPECT_EQ(entries[1]->readerKind, kSmartMediaReader);
  EXPECT_EQ(entries[2]->deviceKind, kMemoryStick);
  EXPECT_EQ(entries[2]->readerKind, kMemoryStickReader);
  EXPECT_EQ(entries[3]->deviceKind, kMmcSd);
  EXPECT_EQ(entries[3]->readerKind, 0);
  EXPECT_EQ(entries[4]->deviceKind, kMemoryStick);
  EXPECT_EQ(entries[4]->readerKind, kMemoryStickReader);
  EXPECT_TRUE(LogHas("BUS type-> BusTypeAta|BusTypeUnknown|BusTypeAtapi\nBUS type-> BusTypeATAPI\n")) << ReadLog();
  EXPECT_TRUE(
      LogHas("Drive ->G Handle created successfully\nIOCTL_STORAGE_QUERY_PROPERTY call success\n"
             "BUS type-> USB\nDEV_CAPS-> SM\nDEV_CAPS-> SM(Kestro)\n"))
      << ReadLog();
  EXPECT_TRUE(LogHas("BUS type-> USB\nDEV_CAPS-> MS\nDEV_CAPS-> MS(Kestro)\nDrive ->I")) << ReadLog();
  EXPECT_TRUE(LogHas("BUS type-> USB\nDEV_CAPS-> SD\nDrive ->J")) << ReadLog();
  EXPECT_TRUE(LogHas("BUS type-> USB\nINQ-> MS\nINQ-> MS(Kestro)\n")) << ReadLog();
}

TEST_F(EnumDevicesNtOnMachine, OtherBusesGetAnEntryButNoCommands) {
  Run("xp", kOsWindowsXp, R"(
    { "maker": true, "product": "CF Reader", "letter": "E", "storageBusType": 1,
      "card": { "kind": "cf", "image": "nt-scsi.img", "sectors": 4096, "pulledAfterCommands": 1 } })");
  ASSERT_EQ(DeviceCount, 1);
  EXPECT_EQ(DeviceListHead->busKind, 0);
  EXPECT_EQ(DeviceListHead->deviceKind, 0);
  EXPECT_EQ(DeviceListHead->vendor[0], '\0');
  const auto card = machine_->ReaderAt('E')->Held();
  ASSERT_TRUE(card.has_value());
  EXPECT_TRUE(card->reachable) << "the card leaves after one command: the handle was closed before any";
}

// A drive that does not answer the storage query (here a floppy drive on B) is taken for a USB
// reader that is sent no commands.
TEST_F(EnumDevicesNtOnMachine, FailedStorageQueryIsTakenForUsbWithoutCommands) {
  Run("xp", kOsWindowsXp, R"(
    { "bus": "floppy", "letter": "B", "card": { "kind": "floppy", "image": "nt-b.img" } })");
  ASSERT_EQ(DeviceCount, 1);
  EXPECT_EQ(DeviceListHead->noCommandFlag, 1);
  EXPECT_EQ(DeviceListHead->busKind, kBusUsb);
  EXPECT_TRUE(
      LogHas("Drive ->B Handle created successfully\nIOCTL_STORAGE_QUERY_PROPERTY call failure\n"
             "BUS type-> USB\n"))
      << ReadLog();
}

// Another program holds E: without sharing it, so the list cannot open it.
TEST_F(EnumDevicesNtOnMachine, DriveAIsAFloppyAndUnopenableDrivesAreOnlyLogged) {
  Start(test_support::MachineJson("xp", R"(
    { "maker": true, "product": "CF Reader", "letter": "A", "card": { "kind": "cf", "image": "nt-a.img", "sectors": 4096 } },
    { "maker": true, "product": "CF Reader", "letter": "E", "card": { "kind": "cf", "image": "nt-e.img", "sectors": 4096 } })"),
        kOsWindowsXp);
  const win::HANDLE holder =
      win::CreateFileA("\\\\.\\E:", win::GENERIC_READ | win::GENERIC_WRITE, 0, nullptr, win::OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, win::INVALID_HANDLE_VALUE);
  ASSERT_EQ(EnumDevicesNt(), 1);
  win::CloseHandle(holder);
  ASSERT_EQ(DeviceCount, 1) << "E cannot be opened";
  EXPECT_EQ(DeviceListHead->driveLetter, 'A');
  EXPECT_EQ(DeviceListHead->busKind, kBusFloppy);
  EXPECT_EQ(DeviceListHead->deviceKind, kCompactFlash) << "drive A is still asked what it holds";
  EXPECT_TRUE(LogHas("Drive ->E Handle creation failure\n")) << ReadLog();
}

TEST_F(EnumDevicesNtOnMachine, WindowsNt4FillsOnlyTheTexts) {
  Run("nt4", kOsWindowsNt4, R"(
    { "bus": "ide", "maker": true, "letter": "E", "card": { "kind": "cf", "image": "nt4-ide.img", "sectors": 4096 } },
    { "vendor": "Generic", "product": "SM Reader", "letter": "F",
      "card": { "kind": "cf", "image": "nt4-usb.img", "sectors": 4096 } })");
  const auto entries = test_support::ListedEntries();
  ASSERT_EQ(entries.size(), 2u);
  for (const auto* entry : entries) {
    EXPECT_EQ(entry->busKind, 0);
    EXPECT_EQ(entry->deviceKind, 0);
    EXPECT_EQ(entry->readerKind, 0);
  }
  EXPECT_STREQ(entries[0]->vendor, "Kestro  ");
  EXPECT_EQ(entries[0]->otherMakerFlag, 0);
  EXPECT_STREQ(entries[1]->vendor, "Generic ");
  EXPECT_EQ(entries[1]->otherMakerFlag, 1);
  EXPECT_EQ(ReadLog(), "Drive ->E Handle created successfully\nDrive ->F Handle created successfully\n");
}

TEST_F(EnumDevicesNtOnMachine, NoRemovableDriveGivesAnEmptyListAndLog) {
  Run("xp", kOsWindowsXp, "");
  EXPECT_EQ(DeviceCount, 0);
  EXPECT_EQ(DeviceListHead, nullptr);
  EXPECT_EQ(ReadLog(), "");
}

TEST_F(EnumDevicesNtOnMachine, LogThatCannotBeCreatedLeavesTheListEmpty) {
  std::filesystem::remove(CurrentFolder() / "QWITLK.LOG");
  std::filesystem::create_directory(CurrentFolder() / "QWITLK.LOG");
  Start(test_support::MachineJson("xp",
                                  R"({ "maker": true, "letter": "E", "card": { "kind": "cf", "image": "nt-nolog.img",
                             "sectors": 4096 } })"),
        kOsWindowsXp);
  prompter.AnswerMessageBox(ui::IDOK);
  EXPECT_EQ(EnumDevicesNt(), 0);
  EXPECT_EQ(DeviceCount, 0);
  ASSERT_EQ(prompter.Asked().size(), 1u);
  EXPECT_EQ(prompter.Asked()[0].text, "QWITLK.LOG file cannot be opended.");
  EXPECT_EQ(prompter.Asked()[0].type, ui::MB_OK);
  std::filesystem::remove(CurrentFolder() / "QWITLK.LOG");
}

TEST_F(EnumDevicesNtOnMachine, LogReplacesAnOlderOneOfEitherSpelling) {
  std::ofstream(CurrentFolder() / "QWITLK.log") << "old lines\n";
  Run("xp", kOsWindowsXp, R"({ "maker": true, "letter": "E", "card": { "kind": "cf", "image": "nt-relog.img",
                                "sectors": 4096 } })");
  EXPECT_EQ(ReadLog().find("old lines"), std::string::npos);
  EXPECT_TRUE(LogHas("Drive ->E Handle created successfully\n"));
}

// Replies no machine reader gives: each reader of the machine holds one card of one kind, is
// the master of its own IDE channel and answers SMART, and its drive letters end at X.
class EnumDevicesNtOnStandIns : public test_support::StandInXpTest {
 protected:
  void Run() { ASSERT_EQ(EnumDevicesNt(), 1); }
};

ReaderSetup UsbReader(const std::string& product) {
  ReaderSetup setup;
  setup.product = product;
  setup.image = NumberedImage(64);
  return setup;
}

ReaderSetup IdeReader(win::DWORD cardFlags) {
  ReaderSetup setup;
  setup.storageBusType = 3;
  setup.identify = IdentifyWith(cardFlags, 4000);
  setup.image = NumberedImage(64);
  return setup;
}

// Both kind bits at once: the Memory Stick names the card, SmartMedia the reader.
TEST_F(EnumDevicesNtOnStandIns, CombinedStatusBitsNameTheCardAndTheReaderApart) {
  ReaderSetup combined = UsbReader("SM/MS Reader");
  combined.inquiryStatus = 0x600;
  machine.Add('E', combined);
  Run();
  ASSERT_EQ(DeviceCount, 1);
  EXPECT_EQ(DeviceListHead->deviceKind, kMemoryStick);
  EXPECT_EQ(DeviceListHead->readerKind, kSmartMediaReader);
  EXPECT_TRUE(LogHas("BUS type-> USB\nINQ-> MS\nINQ-> SM(Kestro)\n")) << ReadLog();
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// The slave takes over where the master is silent or is not one of the maker's readers; only a
// slave behind an answering master that names itself with both reader marks is logged.
TEST_F(EnumDevicesNtOnStandIns, SlaveIsTakenAndLoggedOnlyWhenItNamesItselfBehindAMaster) {
  ReaderSetup namesItself = IdeReader(0x100);
  namesItself.identify = IdentifyWith(0x100, 4000, false);
  namesItself.slaveIdentify = IdentifyWith(0x200, 4000, true);
  machine.Add('E', namesItself);
  ReaderSetup unmarked = IdeReader(0x100);
  unmarked.identify = IdentifyWith(0x100, 4000, false);
  unmarked.slaveIdentify = IdentifyWith(0x400, 4000, false);
  machine.Add('F', unmarked);
  ReaderSetup silentMaster = IdeReader(0x40000);
  silentMaster.identifyAnswersSlaveOnly = true;
  machine.Add('G', silentMaster);
  Run();

  const auto entries = test_support::ListedEntries();
  ASSERT_EQ(entries.size(), 3u);
  for (const auto* entry : entries) EXPECT_EQ(entry->ataDriveSelect, kAtaSlave) << entry->driveLetter;
  EXPECT_EQ(entries[0]->deviceKind, kSmartMedia) << "the slave's data";
  EXPECT_EQ(entries[1]->deviceKind, kMemoryStick) << "the slave's data";
  EXPECT_EQ(entries[2]->deviceKind, kMmcSd);
  EXPECT_STREQ(entries[2]->product, "MMC/SD ");
  const std::string log = ReadLog();
  EXPECT_NE(log.find("BUS type-> BusTypeIDE\nDriveSelect-> IDE_SLAVE\nMediaType-> SM\n"), std::string::npos) << log;
  EXPECT_NE(log.find("BUS type-> BusTypeIDE\nMediaType-> MS\n"), std::string::npos) << "a slave without marks\n" << log;
  EXPECT_NE(log.find("BUS type-> BusTypeIDE\nMediaType-> MMC/SD\n"), std::string::npos) << "a silent master\n" << log;
  EXPECT_EQ(Count(log, "DriveSelect->"), 1u) << log;
}

TEST_F(EnumDevicesNtOnStandIns, FailedSmartQueryClosesTheHandleOnce) {
  ReaderSetup setup = IdeReader(0x100);
  setup.smartFails = true;
  machine.Add('E', setup);
  Run();
  ASSERT_EQ(DeviceCount, 1);
  EXPECT_EQ(DeviceListHead->deviceKind, 0) << "every later command fails on the closed handle";
  EXPECT_EQ(DeviceListHead->vendor[0], '\0');
  EXPECT_EQ(DeviceListHead->otherMakerFlag, 0);
}

TEST_F(EnumDevicesNtOnStandIns, DriveYIsNeverExamined) {
  machine.Add('Y', UsbReader("CF Reader"));
  Run();
  EXPECT_EQ(DeviceCount, 0);
  EXPECT_EQ(ReadLog(), "");
}

}  // namespace
}  // namespace tarnlok
