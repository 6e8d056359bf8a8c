// The machine's USB enumeration keys read through the registry services, and the walk the
// system's reader identification makes over them: the maker's readers are found, others not.
#include "platform/machine/machine_testing.h"

#include "platform/win/registry.h"
#include "platform/win/text_case.h"

#include <gtest/gtest.h>

namespace machine {
namespace {

constexpr const char* kEnum = "SYSTEM\\CurrentControlSet\\Enum\\";

std::vector<std::string> Subkeys(win::HKEY key, win::DWORD room) {
  std::vector<std::string> names;
  for (win::DWORD i = 0;; ++i) {
    std::vector<char> name(room);
    win::DWORD length = room;
    const auto error = win::RegEnumKeyExA(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (error == win::ERROR_NO_MORE_ITEMS) break;
    if (error == win::ERROR_SUCCESS) names.emplace_back(name.data(), length);
  }
  return names;
}

std::optional<std::string> Text(win::HKEY key, const char* value, win::DWORD room) {
  std::vector<win::BYTE> data(room);
  win::DWORD size = room;
  win::DWORD type = 0;
  if (win::RegQueryValueExA(key, value, nullptr, &type, data.data(), &size) != win::ERROR_SUCCESS) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(data.data()));
}

bool Opens(const std::string& path, win::HKEY& key) {
  return win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, path.c_str(), 0, win::KEY_READ, &key) == win::ERROR_SUCCESS;
}

std::string KeyText(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  std::replace(text.begin(), text.end(), ' ', '_');
  return text;
}

// The identification's walk: a VID_55AA instance whose name or parent prefix reappears in a
// disk instance under the key built from the drive's INQUIRY texts.
bool FindsUsbDevice(const ReaderDescription& drive) {
  win::HKEY usb = nullptr;
  if (!Opens(std::string(kEnum) + "USB", usb)) return false;
  bool found = false;
  for (const auto& device : Subkeys(usb, 513)) {
    if (win::UpperAscii(device).find("VID_55AA") == std::string::npos) continue;
    win::HKEY devices = nullptr;
    if (win::RegOpenKeyExA(usb, device.c_str(), 0, win::KEY_READ, &devices) != win::ERROR_SUCCESS) continue;
    for (const auto& instance : Subkeys(devices, 20)) {
      win::HKEY key = nullptr;
      if (win::RegOpenKeyExA(devices, instance.c_str(), 0, win::KEY_READ, &key) != win::ERROR_SUCCESS) continue;
      const auto service = Text(key, "Service", 20);
      const std::string prefix = Text(key, "ParentIdPrefix", 40).value_or("");
      win::RegCloseKey(key);
      win::HKEY disk = nullptr;
      if (!service || !Opens(std::string(kEnum) + "\\" + *service + "\\Disk&Ven_" + KeyText(drive.vendor) + "&Prod_" +
                                 KeyText(drive.product) + "&Rev_" + KeyText(drive.revision),
                             disk)) {
        continue;
      }
      for (const auto& name : Subkeys(disk, 20)) {
        found = found || name.find(instance) != std::string::npos ||
                (!prefix.empty() && name.find(prefix) != std::string::npos);
      }
      win::RegCloseKey(disk);
    }
    win::RegCloseKey(devices);
  }
  win::RegCloseKey(usb);
  return found;
}

class UsbEnumKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_ = std::make_unique<Machine>(testing::Describe(R"({"version":1,"windows":"xp","readers":[
      {"maker":true,"letter":"E","product":"CF Reader"},
      {"letter":"G","product":"CF Reader"},
      {"maker":true,"letter":"H","product":"SD Reader","usb":{"instance":"5&1A2B3C&0&2","parentIdPrefix":"6&3D4E5F&0"}},
      {"bus":"ide","letter":"I"}]})"));
    machine_->Install();
  }
  const ReaderDescription& Reader(std::size_t i) const { return machine_->Description().readers[i]; }

  std::unique_ptr<Machine> machine_;
};

TEST_F(UsbEnumKeys, KeysNameEachUsbReaderWithItsServiceAndPrefix) {
  win::HKEY key = nullptr;
  ASSERT_TRUE(Opens(std::string(kEnum) + "USB\\VID_55AA&PID_0001\\000000000001", key));
  EXPECT_EQ(Text(key, "Service", 20), "USBSTOR");
  EXPECT_EQ(Text(key, "ParentIdPrefix", 40), "7&2F0001&0");
  win::DWORD unique = 0;
  win::DWORD size = sizeof unique;
  win::DWORD type = 0;
  EXPECT_EQ(win::RegQueryValueExA(key, "ParentUniqueID", nullptr, &type, reinterpret_cast<win::BYTE*>(&unique), &size),
            win::ERROR_SUCCESS);
  EXPECT_EQ(type, win::REG_DWORD);
  EXPECT_EQ(unique, 0x2F000001U);
  const win::DWORD value = 1;
  EXPECT_EQ(win::RegSetValueExA(key, "Service", 0, win::REG_DWORD, reinterpret_cast<const win::BYTE*>(&value), 4),
            win::ERROR_ACCESS_DENIED);
  win::RegCloseKey(key);

  win::HKEY usb = nullptr;
  ASSERT_TRUE(Opens(std::string(kEnum) + "usb", usb));
  EXPECT_EQ(Subkeys(usb, 64), (std::vector<std::string>{"VID_55AA&PID_0001", "VID_0ABC&PID_0001"}));
  win::RegCloseKey(usb);
  win::HKEY storage = nullptr;
  ASSERT_TRUE(Opens(std::string(kEnum) + "USBSTOR\\Disk&Ven_Kestro&Prod_CF_Reader&Rev_1.00", storage));
  EXPECT_EQ(Subkeys(storage, 64), std::vector<std::string>{"000000000001&0"});
  win::RegCloseKey(storage);
  ASSERT_TRUE(Opens(std::string(kEnum) + "USBSTOR\\Disk&Ven_Generic&Prod_CF_Reader&Rev_1.00\\000000000002&0", storage));
  win::RegCloseKey(storage);
  ASSERT_TRUE(Opens(std::string(kEnum) + "USBSTOR\\Disk&Ven_Kestro&Prod_SD_Reader&Rev_1.00\\6&3D4E5F&0&0", storage));
  win::RegCloseKey(storage);
  EXPECT_FALSE(Opens(std::string(kEnum) + "USB\\VID_0ABC&PID_0001\\000000000004", storage));  // the IDE reader
}

TEST_F(UsbEnumKeys, IdentificationFindsTheMakersReadersOnly) {
  EXPECT_TRUE(FindsUsbDevice(Reader(0)));
  EXPECT_TRUE(FindsUsbDevice(Reader(2)));  // found through its parent id prefix
  EXPECT_FALSE(FindsUsbDevice(Reader(1)));  // another maker's reader with the same product text
  EXPECT_FALSE(FindsUsbDevice(Reader(3)));
}

TEST_F(UsbEnumKeys, KeysFollowTheInstalledMachine) {
  win::HKEY key = nullptr;
  EXPECT_FALSE(Opens("Enum\\USB", key));
  machine_->Uninstall();
  EXPECT_FALSE(Opens(std::string(kEnum) + "USB", key));
  const auto old = std::make_unique<Machine>(testing::Describe(R"({"version":1,"windows":"98","readers":[
      {"maker":true,"letter":"E"}]})"));
  old->Install();
  ASSERT_TRUE(Opens("Enum\\USB\\VID_55AA&PID_0001\\000000000001", key));
  win::RegCloseKey(key);
}

}  // namespace
}  // namespace machine
