#include "device/enum_devices_nt.h"

#include "device/device_list.h"
#include "device/device_state.h"
#include "device/testing/device_test_support.h"
#include "device/testing/stand_in_reader.h"
#include "platform/win/files/paths.h"
#include "tests/support/test_data_folder.h"

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
using test_support::StandInMachine;
using test_support::VendorForm;

std::filesystem::path CurrentFolder() { return win::HostPathOf(win::CurrentDirectoryPath()).value_or("."); }

std::string ReadLog() {
  std::ifstream file(CurrentFolder() / "QWITLK.LOG", std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<const DeviceEntry*> Entries() {
  std::vector<const DeviceEntry*> entries;
  for (const DeviceEntry* entry = DeviceListHead; entry != nullptr; entry = entry->next) entries.push_back(entry);
  return entries;
}

class EnumDevicesNtTest : public test_support::DeviceStateTest {
 protected:
  void Run(win::WindowsVersion version, win::BYTE osKind) {
    win::SetWindowsVersion(version);
    OsKind = osKind;
    ASSERT_EQ(EnumDevicesNt(), 1);
  }
  StandInMachine machine{win::WindowsVersion::Xp};
};

ReaderSetup UsbReader(const std::string& vendor, const std::string& product) {
  ReaderSetup setup;
  setup.vendor = vendor;
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

TEST_F(EnumDevicesNtTest, MakersUsbReadersOnXp) {
  ReaderSetup combined = UsbReader("Kestro  ", "SM/MS Reader");
  combined.inquiryStatus = 0x600;
  machine.Add('E', combined);
  ReaderSetup status = UsbReader("KSX-USB ", "Card Reader");
  status.vendorForm = VendorForm::CommandFirst;
  status.statusWord = 0x20000400;
  machine.Add('F', status);
  ReaderSetup keywords = UsbReader("Kestro  ", "CompactFlash Rd");
  keywords.vendorForm = VendorForm::CommandFirst;
  keywords.image.clear();
  machine.Add('G', keywords);
  Run(win::WindowsVersion::Xp, 7);

  const auto entries = Entries();
  ASSERT_EQ(entries.size(), 3u);
  ASSERT_EQ(DeviceCount, 3);
  EXPECT_EQ(entries[0]->driveLetter, 'E');
  EXPECT_EQ(entries[0]->busKind, kBusUsb);
  EXPECT_EQ(entries[0]->deviceKind, kMemoryStick);
  EXPECT_EQ(entries[0]->readerKind, kSmartMediaReader);
  EXPECT_EQ(entries[1]->deviceKind, kMemoryStickPro);
  EXPECT_EQ(entries[1]->readerKind, kMemoryStickReader);
  EXPECT_EQ(entries[2]->deviceKind, kCompactFlash) << "no card: the product's keywords decide";
  for (const auto* entry : entries) {
    EXPECT_EQ(entry->otherMakerFlag, 0);
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
            "INQ-> MS\n"
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

TEST_F(EnumDevicesNtTest, OtherMakersReaderWithoutKeywordsIsMmcSd) {
  machine.Add('E', UsbReader("Generic ", "Multi Reader"));
  Run(win::WindowsVersion::Xp, 7);
  ASSERT_EQ(DeviceCount, 1);
  EXPECT_EQ(DeviceListHead->deviceKind, kMmcSd);
  EXPECT_EQ(DeviceListHead->otherMakerFlag, 1);
  EXPECT_NE(ReadLog().find("INQ-> SD\n"), std::string::npos);
}

TEST_F(EnumDevicesNtTest, IdeAndPcmciaReadersFromTheirIdentification) {
  machine.Add('E', IdeReader(0x200));
  machine.Add('F', IdeReader(0x600100));
  ReaderSetup slave = IdeReader(0x40000);
  slave.identifyAnswersSlaveOnly = true;
  machine.Add('G', slave);
  Run(win::WindowsVersion::Win2000, 6);

  const auto entries = Entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0]->busKind, kBusIde);
  EXPECT_EQ(entries[0]->deviceKind, kSmartMedia);
  EXPECT_EQ(entries[0]->readerKind, kSmartMediaReader);
  EXPECT_STREQ(entries[0]->product, "Smart Media ");
  EXPECT_EQ(entries[1]->busKind, kBusPcmcia);
  EXPECT_EQ(entries[1]->deviceKind, kCompactFlash);
  EXPECT_STREQ(entries[1]->product, "Compact Flash ");
  EXPECT_EQ(entries[2]->ataDriveSelect, kAtaSlave);
  EXPECT_EQ(entries[2]->deviceKind, kMmcSd);
  EXPECT_STREQ(entries[2]->product, "MMC/SD ");
  const std::string log = ReadLog();
  EXPECT_NE(log.find("Drive ->E Handle created successfully\n"
                     "IOCTL_STORAGE_QUERY_PROPERTY call success\n"
                     "BUS type-> BusTypeAta|BusTypeUnknown|BusTypeAtapi\n"
                     "BUS type-> BusTypeIDE\n"
                     "DriveSelect-> IDE_MASTER\n"
                     "MediaType-> SM\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("BUS type-> BusTypePCMCIA\n"), std::string::npos);
  EXPECT_NE(log.find("MediaType-> MMC/SD\n"), std::string::npos);
}

// The log lines of the roads the other tests leave: a slave that names itself, an ATAPI drive,
// the reader status of each card kind and the reader kinds of the maker's readers.
TEST_F(EnumDevicesNtTest, LogNamesSlaveDrivesAtapiAndEachReaderStatus) {
  ReaderSetup slave = IdeReader(0x100);
  slave.identify = IdentifyWith(0x100, 4000, false);
  slave.slaveIdentify = IdentifyWith(0x200, 4000, true);
  machine.Add('E', slave);
  ReaderSetup atapi = UsbReader("Kestro  ", "Card Drive");
  atapi.storageBusType = 2;
  atapi.identify = IdentifyWith(0, 4000);
  machine.Add('F', atapi);
  const std::pair<char, win::DWORD> statuses[] = {{'G', 0x200}, {'H', 0x400}, {'I', 0x80000}};
  for (const auto& [letter, word] : statuses) {
    ReaderSetup status = UsbReader("Kestro  ", "Card Reader");
    status.vendorForm = VendorForm::CommandFirst;
    status.statusWord = word;
    machine.Add(letter, status);
  }
  ReaderSetup combined = UsbReader("Kestro  ", "SM/MS Reader");
  combined.inquiryStatus = 0x400;
  machine.Add('J', combined);
  Run(win::WindowsVersion::Xp, 7);

  const auto entries = Entries();
  ASSERT_EQ(entries.size(), 6u);
  EXPECT_EQ(entries[0]->ataDriveSelect, kAtaSlave);
  EXPECT_EQ(entries[0]->deviceKind, kSmartMedia) << "the slave's data";
  EXPECT_EQ(entries[1]->busKind, 0) << "an ATAPI drive keeps bus kind 0";
  EXPECT_EQ(entries[2]->deviceKind, kSmartMedia);
  EXPECT_EQ(entries[3]->deviceKind, kMemoryStick);
  EXPECT_EQ(entries[4]->deviceKind, kMmcSd);
  EXPECT_EQ(entries[5]->readerKind, kMemoryStickReader);
  const std::string log = ReadLog();
  const auto has = [&log](const char* lines) { return log.find(lines) != std::string::npos; };
  EXPECT_TRUE(has("BUS type-> BusTypeIDE\nDriveSelect-> IDE_SLAVE\nMediaType-> SM\n")) << log;
  EXPECT_TRUE(has("BUS type-> BusTypeAta|BusTypeUnknown|BusTypeAtapi\nBUS type-> BusTypeATAPI\n")) << log;
  EXPECT_TRUE(
      has("Drive ->G Handle created successfully\nIOCTL_STORAGE_QUERY_PROPERTY call success\n"
          "BUS type-> USB\nDEV_CAPS-> SM\nDEV_CAPS-> SM(Kestro)\n"))
      << log;
  EXPECT_TRUE(has("BUS type-> USB\nDEV_CAPS-> MS\nDEV_CAPS-> MS(Kestro)\nDrive ->I")) << log;
  EXPECT_TRUE(has("BUS type-> USB\nDEV_CAPS-> SD\nDrive ->J")) << log;
  EXPECT_TRUE(has("BUS type-> USB\nINQ-> MS\nINQ-> MS(Kestro)\n")) << log;
}

TEST_F(EnumDevicesNtTest, FailedSmartQueryClosesTheHandleOnce) {
  ReaderSetup setup = IdeReader(0x100);
  setup.smartFails = true;
  machine.Add('E', setup);
  Run(win::WindowsVersion::Xp, 7);
  ASSERT_EQ(DeviceCount, 1);
  EXPECT_EQ(DeviceListHead->deviceKind, 0) << "every later command fails on the closed handle";
  EXPECT_EQ(DeviceListHead->vendor[0], '\0');
  EXPECT_EQ(DeviceListHead->otherMakerFlag, 0);
}

TEST_F(EnumDevicesNtTest, OtherBusesGetAnEntryButNoCommands) {
  ReaderSetup setup = UsbReader("Kestro  ", "CF Reader");
  setup.storageBusType = 1;  // SCSI
  auto& reader = machine.Add('E', setup);
  Run(win::WindowsVersion::Xp, 7);
  ASSERT_EQ(DeviceCount, 1);
  EXPECT_EQ(DeviceListHead->busKind, 0);
  EXPECT_EQ(DeviceListHead->deviceKind, 0);
  EXPECT_EQ(DeviceListHead->vendor[0], '\0');
  EXPECT_TRUE(reader.Cdbs().empty()) << "the handle was closed before any command";
}

TEST_F(EnumDevicesNtTest, FailedStorageQueryIsTakenForUsbWithoutCommands) {
  ReaderSetup setup = UsbReader("Kestro  ", "CF Reader");
  setup.storageBusType.reset();
  machine.Add('E', setup);
  Run(win::WindowsVersion::Xp, 7);
  ASSERT_EQ(DeviceCount, 1);
  EXPECT_EQ(DeviceListHead->noCommandFlag, 1);
  EXPECT_EQ(DeviceListHead->busKind, kBusUsb);
  EXPECT_NE(ReadLog().find("IOCTL_STORAGE_QUERY_PROPERTY call failure\nBUS type-> USB\n"), std::string::npos);
}

TEST_F(EnumDevicesNtTest, DriveAIsAFloppyAndUnopenableDrivesAreOnlyLogged) {
  machine.Add('A', UsbReader("Kestro  ", "CF Reader"));
  machine.Add('E', UsbReader("Kestro  ", "CF Reader"));
  machine.Add('Y', UsbReader("Kestro  ", "CF Reader"));
  machine.Unplug('E');
  Run(win::WindowsVersion::Xp, 7);
  ASSERT_EQ(DeviceCount, 1) << "Y is never examined, E cannot be opened";
  EXPECT_EQ(DeviceListHead->driveLetter, 'A');
  EXPECT_EQ(DeviceListHead->busKind, kBusFloppy);
  const std::string log = ReadLog();
  EXPECT_NE(log.find("Drive ->E Handle creation failure\n"), std::string::npos);
  EXPECT_EQ(log.find("Drive ->Y"), std::string::npos);
}

TEST_F(EnumDevicesNtTest, WindowsNt4FillsOnlyTheTexts) {
  machine.Add('E', IdeReader(0x200));
  machine.Add('F', UsbReader("Generic ", "SM Reader"));
  Run(win::WindowsVersion::Nt4, 5);
  const auto entries = Entries();
  ASSERT_EQ(entries.size(), 2u);
  for (const auto* entry : entries) {
    EXPECT_EQ(entry->busKind, 0);
    EXPECT_EQ(entry->deviceKind, 0);
    EXPECT_EQ(entry->readerKind, 0);
  }
  EXPECT_STREQ(entries[1]->vendor, "Generic ");
  EXPECT_EQ(entries[1]->otherMakerFlag, 1);
  EXPECT_EQ(ReadLog(), "Drive ->E Handle created successfully\nDrive ->F Handle created successfully\n");
}

TEST_F(EnumDevicesNtTest, NoRemovableDriveGivesAnEmptyListAndLog) {
  Run(win::WindowsVersion::Xp, 7);
  EXPECT_EQ(DeviceCount, 0);
  EXPECT_EQ(DeviceListHead, nullptr);
  EXPECT_EQ(ReadLog(), "");
}

TEST_F(EnumDevicesNtTest, LogThatCannotBeCreatedLeavesTheListEmpty) {
  std::filesystem::remove(CurrentFolder() / "QWITLK.LOG");
  std::filesystem::create_directory(CurrentFolder() / "QWITLK.LOG");
  machine.Add('E', UsbReader("Kestro  ", "CF Reader"));
  win::SetWindowsVersion(win::WindowsVersion::Xp);
  OsKind = kOsWindowsXp;
  prompter.AnswerMessageBox(ui::IDOK);
  EXPECT_EQ(EnumDevicesNt(), 0);
  EXPECT_EQ(DeviceCount, 0);
  ASSERT_EQ(prompter.Asked().size(), 1u);
  EXPECT_EQ(prompter.Asked()[0].text, "QWITLK.LOG file cannot be opended.");
  EXPECT_EQ(prompter.Asked()[0].type, ui::MB_OK);
  std::filesystem::remove(CurrentFolder() / "QWITLK.LOG");
}

TEST_F(EnumDevicesNtTest, LogReplacesAnOlderOneOfEitherSpelling) {
  std::ofstream(CurrentFolder() / "QWITLK.log") << "old lines\n";
  machine.Add('E', UsbReader("Kestro  ", "CF Reader"));
  Run(win::WindowsVersion::Xp, 7);
  EXPECT_EQ(ReadLog().find("old lines"), std::string::npos);
}

}  // namespace
}  // namespace tarnlok
