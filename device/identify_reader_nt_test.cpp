#include "device/identify_reader_nt.h"

#include "device/drive_handle.h"
#include "device/testing/device_test_support.h"
#include "device/testing/stand_in_reader.h"
#include "platform/win/system/last_error.h"
#include "platform/win/registry/registry.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnlok {
namespace {

using test_support::NumberedImage;
using test_support::ReaderSetup;
using test_support::StandInMachine;
using test_support::VendorForm;

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

// The maker's reader as the USB enumeration keys show it: its USB instance and the disk that
// the storage driver made of it.
void RegisterReader(const std::string& instance, const std::string& parentIdPrefix, const std::string& diskInstance) {
  const std::string usb = "SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_55aa&Pid_1234\\" + instance;
  CreateKey(usb, {{"Service", "USBSTOR"}, {"ParentIdPrefix", parentIdPrefix}});
  CreateKey("SYSTEM\\CurrentControlSet\\Enum\\USBSTOR\\Disk&Ven_Kestro&Prod_USB_CF_Reader&Rev_1.00\\" + diskInstance);
}

class IdentifyReader : public test_support::DeviceStateTest {
 protected:
  int Identify(ReaderSetup setup) {
    OsKind = kOsWindowsXp;
    reader = &machine.Add('E', std::move(setup));
    DriveHandle handle = OpenCardVolume('E');
    deviceKind = readerKind = 0;
    return IdentifyReaderNt(handle.get(), &deviceKind, &readerKind);
  }
  StandInMachine machine{win::WindowsVersion::Xp};
  test_support::StandInReader* reader = nullptr;
  win::BYTE deviceKind = 0, readerKind = 0;
};

ReaderSetup MakerReader() {
  ReaderSetup setup;
  setup.image = NumberedImage(8);
  return setup;
}

TEST_F(IdentifyReader, UsbInstanceOrParentPrefixTiesTheReaderToItsDisk) {
  EXPECT_EQ(Identify(MakerReader()), 0) << "no enumeration keys";
  RegisterReader("5&1A2B", "7&abc&0", "7&abc&0&0");
  EXPECT_EQ(Identify(MakerReader()), 1) << "the disk instance holds the parent id prefix";
}

TEST_F(IdentifyReader, DiskInstanceNamingTheUsbInstance) {
  RegisterReader("0123456789", "", "0123456789&0");
  EXPECT_EQ(Identify(MakerReader()), 1);
}

TEST_F(IdentifyReader, OtherVendorsAreNotTheMakersReaders) {
  CreateKey("SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_1111&Pid_1234\\5&1A2B",
            {{"Service", "USBSTOR"}, {"ParentIdPrefix", "7&abc&0"}});
  CreateKey("SYSTEM\\CurrentControlSet\\Enum\\USBSTOR\\Disk&Ven_Kestro&Prod_USB_CF_Reader&Rev_1.00\\7&abc&0&0");
  EXPECT_EQ(Identify(MakerReader()), 0);
}

TEST_F(IdentifyReader, MediaStatusInTheInquiryDataDecides) {
  RegisterReader("5&1A2B", "7&abc&0", "7&abc&0&0");
  ReaderSetup setup = MakerReader();
  setup.inquiryStatus = 0x20000400;
  ASSERT_EQ(Identify(setup), 1);
  EXPECT_EQ(deviceKind, kMemoryStickPro);
  EXPECT_EQ(readerKind, kMemoryStickReader);
}

TEST_F(IdentifyReader, SmartMediaReadersAreProbedInBothCommandForms) {
  RegisterReader("5&1A2B", "7&abc&0", "7&abc&0&0");
  ReaderSetup setup = MakerReader();
  setup.storageProductText = "USB SM Reader";
  setup.vendorForm = VendorForm::CommandLast;
  setup.statusWord = 0x400;
  CreateKey("SYSTEM\\CurrentControlSet\\Enum\\USBSTOR\\Disk&Ven_Kestro&Prod_USB_SM_Reader&Rev_1.00\\7&abc&0&0");
  ASSERT_EQ(Identify(setup), 1);
  EXPECT_EQ(deviceKind, kMemoryStick) << "the older form found a Memory Stick";
  EXPECT_EQ(readerKind, 0);

  setup.vendorForm = VendorForm::CommandFirst;
  setup.statusWord = 0x200;
  ASSERT_EQ(Identify(setup), 1);
  EXPECT_EQ(deviceKind, kSmartMediaReader);
  EXPECT_EQ(readerKind, kSmartMediaReader);

  setup.vendorForm = VendorForm::None;
  ASSERT_EQ(Identify(setup), 1);
  EXPECT_EQ(deviceKind, kSmartMedia) << "neither form answered";
  EXPECT_EQ(readerKind, kSmartMediaReader);

  setup.vendorForm = VendorForm::CommandFirst;
  setup.image.clear();
  ASSERT_EQ(Identify(setup), 1);
  EXPECT_EQ(deviceKind, kSmartMediaReader) << "a newer reader without a card";
}

TEST_F(IdentifyReader, DescriptorsWithoutTextsOrWithWildOffsetsFailCleanly) {
  RegisterReader("5&1A2B", "7&abc&0", "7&abc&0&0");
  ReaderSetup noStorage = MakerReader();
  noStorage.storageBusType.reset();
  EXPECT_EQ(Identify(noStorage), 0);
  ReaderSetup shortTexts = MakerReader();
  shortTexts.storageVendorText = "K";
  EXPECT_EQ(Identify(shortTexts), 0);
}

}  // namespace
}  // namespace tarnlok
