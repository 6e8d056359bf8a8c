#include "platform/machine/nt/usb_enum_keys.h"

#include "platform/win/registry/text_case.h"

#include <algorithm>
#include <map>

namespace machine {
namespace {

constexpr std::string_view kNtEnum = "SYSTEM\\CurrentControlSet\\Enum";
constexpr std::string_view k9xEnum = "Enum";
constexpr win::DWORD kParentUniqueIdBase = 0x2F000000;

using Keys = std::map<std::string, win::SynthesizedKey, win::LessIgnoringCase>;

// A text of the disk key: trailing blanks cut, inner blanks made "_".
std::string KeyText(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  std::replace(text.begin(), text.end(), ' ', '_');
  return text;
}

std::string UsbKeyName(const ReaderDescription& reader) {
  return "VID_" + win::UpperAscii(reader.usb.vendorId) + "&PID_" + win::UpperAscii(reader.usb.productId);
}

void AddSubkey(win::SynthesizedKey& key, const std::string& name) {
  const auto same = [&name](const std::string& other) { return win::EqualsIgnoringCase(name, other); };
  if (std::none_of(key.subkeys.begin(), key.subkeys.end(), same)) key.subkeys.push_back(name);
}

// Adds the key at parent\name (keeping the first of two alike) and answers its path.
std::string AddKey(Keys& keys, const std::string& parent, const std::string& name) {
  AddSubkey(keys[parent], name);
  const std::string path = parent + "\\" + name;
  keys[path];
  return path;
}

void AddReader(Keys& keys, const std::string& base, const ReaderDescription& reader, std::size_t position) {
  const std::string device = AddKey(keys, base + "\\USB", UsbKeyName(reader));
  auto& usb = keys[AddKey(keys, device, reader.usb.instance)];
  usb.values.emplace("Service", win::StringData("USBSTOR"));
  usb.values.emplace("DeviceDesc", win::StringData("USB Mass Storage Device"));
  usb.values.emplace("ParentIdPrefix", win::StringData(reader.usb.parentIdPrefix));
  usb.values.emplace("ParentUniqueID", win::DwordData(kParentUniqueIdBase + static_cast<win::DWORD>(position + 1)));

  const std::string disk = AddKey(keys, base + "\\USBSTOR", UsbStorageDiskKeyName(reader));
  auto& storage = keys[AddKey(keys, disk, UsbStorageInstanceName(reader))];
  storage.values.emplace("Service", win::StringData("disk"));
  storage.values.emplace("FriendlyName",
                         win::StringData(KeyText(reader.vendor) + " " + KeyText(reader.product) + " USB Device"));
}

Keys KeysOf(const MachineDescription& machine) {
  const std::string base(win::IsNtFamily(machine.windows) ? kNtEnum : k9xEnum);
  Keys keys;
  AddKey(keys, base, "USB");
  AddKey(keys, base, "USBSTOR");
  for (std::size_t i = 0; i < machine.readers.size(); ++i) {
    if (machine.readers[i].bus == Bus::Usb) AddReader(keys, base, machine.readers[i], i);
  }
  return keys;
}

}  // namespace

std::string UsbStorageDiskKeyName(const ReaderDescription& reader) {
  return "Disk&Ven_" + KeyText(reader.vendor) + "&Prod_" + KeyText(reader.product) + "&Rev_" + KeyText(reader.revision);
}

std::string UsbStorageInstanceName(const ReaderDescription& reader) {
  const bool serial = reader.usb.instance.find('&') == std::string::npos;
  return (serial ? reader.usb.instance : reader.usb.parentIdPrefix) + "&0";
}

std::optional<win::SynthesizedKey> UsbEnumerationKey(const MachineDescription& machine, win::RegistryRoot root,
                                                     std::string_view path) {
  if (root != win::RegistryRoot::LocalMachine) return std::nullopt;
  const Keys keys = KeysOf(machine);
  const auto found = keys.find(path);
  if (found == keys.end()) return std::nullopt;
  return found->second;
}

}  // namespace machine
