#include "device/identify_reader_9x.h"

#include "device/aspi_devices.h"
#include "device/device_state.h"
#include "device/driver_nodes.h"
#include "device/enum_devices_9x.h"
#include "device/product_keywords.h"
#include "device/registry_key.h"
#include "platform/win/layouts/card_driver_layout.h"
#include "platform/win/system/system_clock.h"

#include <array>
#include <cctype>

namespace tarnlok {
namespace {

namespace layout = win::card_driver_layout;

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

void SetKinds(win::BYTE* deviceKind, win::BYTE* readerKind, win::BYTE kind, win::BYTE reader) {
  if (deviceKind != nullptr) *deviceKind = kind;
  if (readerKind != nullptr) *readerKind = reader;
}

// The reader and card kind from the product's keywords, where the hardware text or the registry
// says the maker's reader.
int ClassifyByProduct(const DriverNode& node, const std::string& product, win::BYTE* deviceKind,
                      win::BYTE* readerKind) {
  const std::string hardware = Upper(node.HardwareText().value_or(""));
  const bool kindSet = deviceKind != nullptr && *deviceKind != kDeviceUnknown;
  const bool smartMedia = ContainsAny(product, kSmartMediaReaderWords);
  const bool memoryStick = ContainsAny(product, kMemoryStickWords);
  if (hardware.find("VID_") != std::string::npos && hardware.find("PID_") != std::string::npos) {
    if (hardware.find("VID_55AA") == std::string::npos || kindSet) return 1;
    if (smartMedia)
      SetKinds(deviceKind, readerKind, kSmartMedia, kSmartMediaReader);
    else if (memoryStick)
      SetKinds(deviceKind, readerKind, kMemoryStick, kMemoryStickReader);
    return 1;
  }
  if (!smartMedia && !memoryStick) return 1;
  if (FindUsbDevice9x(hardware, node.Vendor(), node.Product(), node.Revision()) == 0 || kindSet) return 1;
  if (smartMedia)
    SetKinds(deviceKind, readerKind, kSmartMedia, kSmartMediaReader);
  else
    SetKinds(deviceKind, readerKind, kMemoryStick, kMemoryStickReader);
  return 1;
}

}  // namespace

int IdentifyReader9x(win::HANDLE driverHandle, win::DWORD deviceChain, win::BYTE* hostAdapter, win::BYTE* target,
                     win::BYTE* lun, win::DWORD* driveValue, win::BYTE* deviceKind, win::BYTE* readerKind,
                     const DeviceEntry* entry) {
  if (driverHandle == nullptr || driverHandle == win::INVALID_HANDLE_VALUE || entry == nullptr) return 0;
  win::Sleep(100);
  for (const DriverNode& node : WalkDeviceChain(deviceChain)) {
    const win::DWORD flags = node.Flags();
    if (flags == 0 || (flags & layout::kNodeActive) == 0) continue;
    const std::string port = Upper(node.PortDriver());
    const auto drives = node.LogicalDrives();
    if (!drives.empty() && static_cast<char>('A' + drives.front().number) == entry->driveLetter) {
      if (entry->noCommandFlag != 0) {
        UseDriveLetterIo = 1;
        CardVolumeSectors = node.SectorCount();
        return 0;
      }
      UseDriveLetterIo = 0;
    }
    if (port.empty() || port[0] < 'A' || port[0] > 'Z' || drives.empty()) continue;
    const auto card = std::find_if(drives.begin(), drives.end(), [](const LogicalDrive& drive) {
      return static_cast<char>('A' + drive.number) == CardDriveLetter;
    });
    if (card == drives.end()) continue;
    if (deviceKind != nullptr) *deviceKind = kDeviceUnknown;
    if (driveValue != nullptr) *driveValue = card->value;
    CardVolumeSectors = node.SectorCount();
    std::string product;
    if (port != "ESDI_506") {
      MatchAspiDevice9x(node, hostAdapter, target, lun, deviceKind);
      product = node.Product();
    } else {
      std::array<char, 45> model{};
      std::array<char, 17> cardText{};
      win::BYTE select = 0;
      IdentifyIdeDevice9x(node, deviceKind, readerKind, model.data(), cardText.data(), &select);
      product = cardText.data();
    }
    return ClassifyByProduct(node, Upper(product), deviceKind, readerKind);
  }
  return 0;
}

int FindUsbDevice9x(const std::string& hardwareIdText, const std::string& vendor, const std::string& product,
                    const std::string& revision) {
  const RegistryKey usb("Enum\\USB");
  if (!usb.IsOpen()) return 0;
  std::vector<std::string> instances;
  std::optional<win::DWORD> parentUniqueId;
  for (const std::string& device : usb.SubKeys(512)) {
    if (Upper(device).find("VID_55AA") == std::string::npos) continue;
    const std::string devicePath = "Enum\\USB\\" + device;
    for (const std::string& instance : RegistryKey(devicePath).SubKeys(20)) {
      if (const auto id = RegistryKey(devicePath + "\\" + instance).Dword("ParentUniqueID")) parentUniqueId = id;
      if (!hardwareIdText.empty() && !instance.empty() && hardwareIdText.find(instance) != std::string::npos) return 1;
      instances.push_back(instance);
    }
  }
  const RegistryKey disks("Enum\\USBSTOR\\DISK&VEN_" + KeyNameText(vendor) + "&PROD_" + KeyNameText(product) + "&REV_" +
                          KeyNameText(revision));
  for (const std::string& name : disks.SubKeys(512)) {
    if (name.empty()) continue;
    for (const std::string& instance : instances) {
      if (instance.empty()) continue;
      if (name.find(instance) != std::string::npos || instance.find(name) != std::string::npos) return 1;
    }
    if (parentUniqueId && name.find(std::to_string(static_cast<int>(*parentUniqueId))) != std::string::npos) return 1;
  }
  return 0;
}

}  // namespace tarnlok
