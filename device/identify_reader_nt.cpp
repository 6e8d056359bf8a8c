#include "device/identify_reader_nt.h"

#include "device/command_roads.h"
#include "device/device_entry.h"
#include "device/product_keywords.h"
#include "device/reader_commands.h"
#include "device/registry_key.h"
#include "device/scsi_transport.h"
#include "device/storage_layouts.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/scsi_layout.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace tarnlok {
namespace {

constexpr char kEnumRoot[] = "SYSTEM\\CurrentControlSet\\Enum";

// The text at an offset of the descriptor, bounded by it; empty for an offset outside it.
std::string DescriptorText(const StorageDescriptor& descriptor, win::DWORD offset, std::size_t maxLength) {
  if (offset >= descriptor.size()) return {};
  const auto bytes = std::span(descriptor).subspan(offset);
  return PlainText(bytes.first(std::min(maxLength, bytes.size())));
}

win::DWORD FieldOffset(const StorageDescriptor& descriptor, std::size_t field) {
  return win::ReadLe32(descriptor, field);
}

// The first of the candidate places that holds at least two characters.
bool HasText(const StorageDescriptor& descriptor, std::initializer_list<win::DWORD> offsets) {
  for (const win::DWORD offset : offsets) {
    if (DescriptorText(descriptor, offset, descriptor.size()).size() >= 2) return true;
  }
  return false;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

struct StatusAnswer {
  bool noCard = false;
  bool smartMedia = false;
  bool memoryStick = false;
};

StatusAnswer AskStatus(win::HANDLE handle, const VendorCdb& cdb) {
  std::array<win::BYTE, 4> reply{};
  ExecScsiCommand(handle, kNoAspiAddress, kNoAspiAddress, kNoAspiAddress, cdb.data(), cdb.size(), reply.data(),
                  reply.size(), kScsiDataIn);
  const win::DWORD status = win::ReadLe32(reply, 0);
  return {win::ReadLe16(reply, 0) == win::kVendorNoCardReply, (status & kStatusSmartMedia) != 0,
          (status & kStatusMemoryStick) != 0};
}

// Kinds the older readers' status answer gives for no card, SmartMedia and Memory Stick.
struct KindsByAnswer {
  win::BYTE noCard, smartMedia, memoryStick;
};

// The status command in the newer form, then in the older one; the group's kinds where neither
// tells. newerNoCard is the kind a newer reader without a card gets.
void ProbeGroup(win::HANDLE handle, win::BYTE newerNoCard, const KindsByAnswer& commandLast, win::BYTE fallbackKind,
                win::BYTE fallbackReader, win::BYTE& deviceKind, win::BYTE& readerKind) {
  const StatusAnswer first = AskStatus(handle, CommandFirstCdb(kVendorStatus));
  if (first.noCard) {
    deviceKind = newerNoCard;
  } else if (first.smartMedia) {
    deviceKind = readerKind = kSmartMediaReader;
  } else if (first.memoryStick) {
    deviceKind = readerKind = kMemoryStickReader;
  }
  if (deviceKind != kDeviceUnknown) return;
  const StatusAnswer last = AskStatus(handle, CommandLastCdb(kVendorStatus));
  if (last.noCard)
    deviceKind = commandLast.noCard;
  else if (last.smartMedia)
    deviceKind = commandLast.smartMedia;
  else if (last.memoryStick)
    deviceKind = commandLast.memoryStick;
  if (deviceKind != kDeviceUnknown) return;
  deviceKind = fallbackKind;
  readerKind = fallbackReader;
}

bool AnyContains(const std::array<std::string, 3>& texts, std::span<const std::string_view> words) {
  return std::any_of(texts.begin(), texts.end(), [words](const std::string& text) { return ContainsAny(text, words); });
}

// The disk key's texts: from the descriptor's own offsets, then two fixed places.
struct DiskTexts {
  std::string vendor, product, revision;
};

DiskTexts TextsAt(const StorageDescriptor& descriptor, win::DWORD vendor, win::DWORD product, win::DWORD revision) {
  return {KeyNameText(DescriptorText(descriptor, vendor, 8)), KeyNameText(DescriptorText(descriptor, product, 16)),
          KeyNameText(DescriptorText(descriptor, revision, 4))};
}

bool DiskInstanceMatches(const std::string& diskKey, const std::string& instance, const std::string& parentIdPrefix) {
  const RegistryKey disk(diskKey);
  for (const std::string& name : disk.SubKeys(19)) {
    if (name.empty()) continue;
    if (!instance.empty() && name.find(instance) != std::string::npos) return true;
    if (!parentIdPrefix.empty() && name.find(parentIdPrefix) != std::string::npos) return true;
  }
  return false;
}

bool InstanceMatches(const StorageDescriptor& descriptor, const std::string& instanceKey, const std::string& instance) {
  const RegistryKey key(instanceKey);
  const std::string service = key.Text("Service", 20).value_or("");
  if (service.empty()) return false;
  const std::string parentIdPrefix = key.Text("ParentIdPrefix", 40).value_or("");
  const DiskTexts candidates[] = {
      TextsAt(descriptor, FieldOffset(descriptor, storage_query::kVendorIdOffset),
              FieldOffset(descriptor, storage_query::kProductIdOffset),
              FieldOffset(descriptor, storage_query::kProductRevisionOffset)),
      TextsAt(descriptor, 48, 56, 72),
      TextsAt(descriptor, 44, 52, 68),
  };
  for (const DiskTexts& texts : candidates) {
    const std::string diskKey = std::string(kEnumRoot) + "\\" + service + "\\Disk&Ven_" + texts.vendor + "&Prod_" +
                                texts.product + "&Rev_" + texts.revision;
    if (!RegistryKey(diskKey).IsOpen()) continue;
    return DiskInstanceMatches(diskKey, instance, parentIdPrefix);
  }
  return false;
}

}  // namespace

int FindUsbDeviceNt(const StorageDescriptor& descriptor) {
  const std::string usbPath = std::string(kEnumRoot) + "\\USB";
  const RegistryKey usb(usbPath);
  if (!usb.IsOpen()) return 0;
  for (const std::string& device : usb.SubKeys(512)) {
    if (Upper(device).find("VID_55AA") == std::string::npos) continue;
    const std::string devicePath = usbPath + "\\" + device;
    for (const std::string& instance : RegistryKey(devicePath).SubKeys(20)) {
      if (InstanceMatches(descriptor, devicePath + "\\" + instance, instance)) return 1;
    }
  }
  return 0;
}

int IdentifyReaderNt(win::HANDLE handle, win::BYTE* deviceKind, win::BYTE* readerKind) {
  if (deviceKind == nullptr || readerKind == nullptr) return 0;
  const auto descriptor = QueryStorageDescriptor(handle);
  if (!descriptor) return 0;
  const win::DWORD productOffset = FieldOffset(*descriptor, storage_query::kProductIdOffset);
  if (!HasText(*descriptor, {FieldOffset(*descriptor, storage_query::kVendorIdOffset), 48, 44}) ||
      !HasText(*descriptor, {productOffset, 56, 52})) {
    return 0;
  }
  const std::array<std::string, 3> texts{Upper(DescriptorText(*descriptor, productOffset, 19)),
                                         Upper(DescriptorText(*descriptor, 56, 19)),
                                         Upper(DescriptorText(*descriptor, 52, 19))};
  if (FindUsbDeviceNt(*descriptor) == 0) return 0;

  InquiryReply inquiry{};
  if (SendInquiry(handle, ReaderAddress{}, inquiry)) {
    const win::DWORD status = win::ReadLe32(inquiry, win::inquiry_data::kReaderStatusWord);
    *deviceKind = KindFromMediaStatus(status, true);
    *readerKind = ReaderKindFromMediaStatus(status);
    if (*deviceKind != kDeviceUnknown) return 1;
  }
  if (AnyContains(texts, kSmartMediaReaderWords)) {
    ProbeGroup(handle, kSmartMediaReader, {kSmartMedia, kSmartMedia, kMemoryStick}, kSmartMedia, kSmartMediaReader,
               *deviceKind, *readerKind);
  } else if (AnyContains(texts, kMemoryStickWords)) {
    ProbeGroup(handle, kMemoryStickReader, {kMemoryStick, kSmartMedia, kMemoryStick}, kMemoryStick, kMemoryStickReader,
               *deviceKind, *readerKind);
  }
  return 1;
}

}  // namespace tarnlok
