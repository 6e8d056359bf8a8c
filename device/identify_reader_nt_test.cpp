// Reader identification on NT machines: the USB enumeration keys tie a drive to the maker's
// reader, then its inquiry data or its status command in either form names the card. Replies
// no machine reader gives stay on stand-in readers, each saying why.
#include "device/identify_reader_nt.h"

#include "device/drive_handle.h"
#include "device/testing/machine_fixture.h"
#include "device/testing/stand_in_fixture.h"
#include "platform/win/registry/registry.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnlok {
namespace {

using test_support::NumberedImage;
using test_support::ReaderSetup;
using test_support::VendorForm;

class IdentifyReaderNtOnMachine : public test_support::MachineDeviceTest {
 protected:
  // Identifies the reader on E of an XP machine with these readers.
  int Identify(const std::string& readers) {
    Start(test_support::MachineJson("xp", readers), kOsWindowsXp);
    DriveHandle handle = OpenCardVolume('E');
    deviceKind = readerKind = 0;
    const int found = IdentifyReaderNt(handle.get(), &deviceKind, &readerKind);
    Stop();
    return found;
  }
  win::BYTE deviceKind = 0, readerKind = 0;
};

TEST_F(IdentifyReaderNtOnMachine, ParentPrefixOrSerialInstanceTiesTheReaderToItsDisk) {
  EXPECT_EQ(Identify(R"({ "bus": "ide", "maker": true, "letter": "E",
                          "card": { "kind": "cf", "image": "id-nt-ide.img", "sectors": 4096 } })"),
            0)
      << "no USB enumeration keys";
  EXPECT_EQ(Identify(R"({ "maker": true, "letter": "E", "usb": { "instance": "5&1A2B", "parentIdPrefix": "7&abc&0" },
                          "card": { "kind": "cf", "image": "id-nt-cf.img", "sectors": 4096 } })"),
            1)
      << "the disk instance holds the parent id prefix";
  EXPECT_EQ(deviceKind, kCompactFlash);
  EXPECT_EQ(readerKind, 0);
  EXPECT_EQ(
      Identify(R"({ "maker": true, "letter": "E", "usb": { "instance": "0123456789", "parentIdPrefix": "9&fff&0" },
                          "card": { "kind": "cf", "image": "id-nt-cf.img", "sectors": 4096 } })"),
      1)
      << "the disk instance names the serial number";
}

TEST_F(IdentifyReaderNtOnMachine, OtherVendorIdsAreNotTheMakersReaders) {
  EXPECT_EQ(Identify(R"({ "maker": true, "letter": "E", "usb": { "vendorId": "1111" },
                          "card": { "kind": "cf", "image": "id-nt-cf.img", "sectors": 4096 } })"),
            0);
}

TEST_F(IdentifyReaderNtOnMachine, MediaStatusInTheInquiryDataDecides) {
  ASSERT_EQ(Identify(R"({ "maker": true, "product": "USB SM Reader", "letter": "E",
                          "card": { "kind": "mspro", "image": "id-nt-pro.img", "sectors": 4096 } })"),
            1);
  EXPECT_EQ(deviceKind, kMemoryStickPro) << "before the product's keywords";
  EXPECT_EQ(readerKind, kMemoryStickReader);
}

// Without a card the inquiry data name nothing, so the status command is asked in the newer
// form, then in the older one, and the product's group decides when neither answers.
TEST_F(IdentifyReaderNtOnMachine, EmptySmartMediaReadersOfEachGeneration) {
  ASSERT_EQ(Identify(R"({ "maker": true, "firmware": "newer", "product": "USB SM Reader", "letter": "E" })"), 1);
  EXPECT_EQ(deviceKind, kSmartMediaReader) << "a newer reader without a card";
  EXPECT_EQ(readerKind, 0);

  ASSERT_EQ(Identify(R"({ "maker": true, "firmware": "older", "product": "USB SM Reader", "letter": "E" })"), 1);
  EXPECT_EQ(deviceKind, kSmartMedia) << "the older form said no card";
  EXPECT_EQ(readerKind, 0);

  ASSERT_EQ(Identify(R"({ "maker": true, "firmware": "wide", "product": "USB SM Reader", "letter": "E" })"), 1);
  EXPECT_EQ(deviceKind, kSmartMedia) << "neither form answered";
  EXPECT_EQ(readerKind, kSmartMediaReader);

  ASSERT_EQ(Identify(R"({ "maker": true, "firmware": "older", "product": "USB MS Reader", "letter": "E" })"), 1);
  EXPECT_EQ(deviceKind, kMemoryStick) << "the Memory Stick group's kind for no card";
  EXPECT_EQ(readerKind, 0);
}

TEST_F(IdentifyReaderNtOnMachine, DriveWithoutAStorageQueryIsNoReader) {
  EXPECT_EQ(Identify(R"({ "bus": "floppy", "letter": "E", "card": { "kind": "floppy", "image": "id-nt-a.img" } })"), 0);
}

void CreateKey(const std::string& path, std::initializer_list<std::pair<const char*, std::string>> values = {}) {
  win::HKEY key = nullptr;
  ASSERT_EQ(win::RegCreateKeyExA(win::HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, win::KEY_ALL_ACCESS, nullptr,
                                 &key, nullptr),
            win::ERROR_SUCCESS)
      << path;
  for (const auto& [name, text] : values) {
    win::RegSetValueExA(key, name, 0, win::REG_SZ, reinterpret_cast<const win::BYTE*>(text.c_str()),
                        static_cast<win::DWORD>(text.size() + 1));
  }
  win::RegCloseKey(key);
}

// The maker's reader as XP spells its keys ("Vid_55aa"), which the machine does not; readers
// that keep the card out of their inquiry data, which every machine reader puts there (only
// then are the status probes reached with a card in the reader); and storage descriptors
// without the inquiry bytes behind the fixed fields, whose texts can be too short or name no
// disk key: a machine's descriptor carries the inquiry data from byte 36, so bytes 44 and 48
// always hold its vendor's text padded with blanks, and its texts name its reader's disk key.
class IdentifyReaderNtOnStandIns : public test_support::StandInXpTest {
 protected:
  void SetUp() override {
    StandInXpTest::SetUp();
    CreateKey("SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_55aa&Pid_1234\\5&1A2B",
              {{"Service", "USBSTOR"}, {"ParentIdPrefix", "7&abc&0"}});
    CreateKey("SYSTEM\\CurrentControlSet\\Enum\\USBSTOR\\Disk&Ven_Kestro&Prod_USB_SM_Reader&Rev_1.00\\7&abc&0&0");
  }
  int Identify(ReaderSetup setup) {
    machine.Add('E', std::move(setup));
    DriveHandle handle = OpenCardVolume('E');
    deviceKind = readerKind = 0;
    return IdentifyReaderNt(handle.get(), &deviceKind, &readerKind);
  }
  win::BYTE deviceKind = 0, readerKind = 0;
};

ReaderSetup SmartMediaReader(VendorForm form, win::DWORD statusWord) {
  ReaderSetup setup;
  setup.image = NumberedImage(8);
  setup.storageProductText = "USB SM Reader";
  setup.vendorForm = form;
  setup.statusWord = statusWord;
  return setup;
}

TEST_F(IdentifyReaderNtOnStandIns, StatusProbesOfAReaderWithACard) {
  ASSERT_EQ(Identify(SmartMediaReader(VendorForm::CommandLast, 0x400)), 1);
  EXPECT_EQ(deviceKind, kMemoryStick) << "the older form found a Memory Stick";
  EXPECT_EQ(readerKind, 0);

  ASSERT_EQ(Identify(SmartMediaReader(VendorForm::CommandFirst, 0x200)), 1);
  EXPECT_EQ(deviceKind, kSmartMediaReader);
  EXPECT_EQ(readerKind, kSmartMediaReader);
}

TEST_F(IdentifyReaderNtOnStandIns, DescriptorTextsThatNameNoDiskKeyAreNoReader) {
  ReaderSetup setup = SmartMediaReader(VendorForm::CommandFirst, 0x200);
  setup.storageVendorText = "Other";
  EXPECT_EQ(Identify(setup), 0);
}

// Vendor and product texts need two characters each, though the disk key of the short texts is
// there to be found.
TEST_F(IdentifyReaderNtOnStandIns, VendorAndProductTextsOfOneCharacterAreNoReader) {
  CreateKey("SYSTEM\\CurrentControlSet\\Enum\\USBSTOR\\Disk&Ven_K&Prod_USB_SM_Reader&Rev_1.00\\7&abc&0&0");
  CreateKey("SYSTEM\\CurrentControlSet\\Enum\\USBSTOR\\Disk&Ven_Ke&Prod_USB_SM_Reader&Rev_1.00\\7&abc&0&0");
  CreateKey("SYSTEM\\CurrentControlSet\\Enum\\USBSTOR\\Disk&Ven_Kestro&Prod_U&Rev_1.00\\7&abc&0&0");
  CreateKey("SYSTEM\\CurrentControlSet\\Enum\\USBSTOR\\Disk&Ven_Kestro&Prod_US&Rev_1.00\\7&abc&0&0");
  ReaderSetup setup = SmartMediaReader(VendorForm::CommandFirst, 0x200);
  setup.storageVendorText = "K";
  EXPECT_EQ(Identify(setup), 0) << "a one-character vendor";
  setup.storageVendorText = "Ke";
  EXPECT_EQ(Identify(setup), 1) << "a two-character vendor";
  setup.storageVendorText = "Kestro";
  setup.storageProductText = "U";
  EXPECT_EQ(Identify(setup), 0) << "a one-character product";
  setup.storageProductText = "US";
  EXPECT_EQ(Identify(setup), 1) << "a two-character product";
}

}  // namespace
}  // namespace tarnlok
