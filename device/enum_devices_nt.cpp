#include "device/enum_devices_nt.h"

#include "device/command_roads.h"
#include "device/device_list.h"
#include "device/device_log.h"
#include "device/device_messages.h"
#include "device/device_state.h"
#include "device/ide_drive_select.h"
#include "device/identify_fields.h"
#include "device/product_keywords.h"
#include "device/reader_commands.h"
#include "device/storage_layouts.h"
#include "device/storage_queries.h"
#include "device/drive_handle.h"
#include "device/string_ids.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/scsi_layout.h"
#include "platform/win/files/volumes.h"

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace tarnlok {
namespace {

namespace inquiry = win::inquiry_data;

constexpr ReaderAddress kNoAddress{};

struct DriveFindings {
  win::BYTE deviceKind = kDeviceUnknown;
  win::BYTE busKind = kBusOther;
  win::BYTE readerKind = 0;
  win::BYTE driveSelect = kAtaMaster;
  win::BYTE noCommand = 0;
  const char* cardTypeText = nullptr;
};

std::string Line(const char* format, char letter) {
  std::string text(format);
  text.replace(text.find("%c"), 2, 1, letter);
  return text;
}

bool IsRemovable(char letter) {
  const std::string root = std::string(1, letter) + ":\\";
  return win::GetDriveTypeA(root.c_str()) == win::DRIVE_REMOVABLE;
}

// The bus from the storage query and, on ATA buses, the IDE identification data.
std::optional<std::vector<win::BYTE>> ProbeBus(DriveHandle& handle, DriveFindings& found, DeviceLog& log,
                                               win::DWORD& busType) {
  const auto descriptor = QueryStorageDescriptor(handle.get());
  if (!descriptor) {
    log.Write("IOCTL_STORAGE_QUERY_PROPERTY call failure\n");
    found.noCommand = 1;
    busType = kBusTypeUsb;
  } else {
    log.Write("IOCTL_STORAGE_QUERY_PROPERTY call success\n");
    busType = DescriptorBusType(*descriptor);
  }
  if (busType == kBusTypeUsb) {
    found.busKind = kBusUsb;
    log.Write("BUS type-> USB\n");
    return std::nullopt;
  }
  if (busType != kBusTypeUnknown && busType != kBusTypeAtapi && busType != kBusTypeAta) {
    handle.Close();
    return std::nullopt;
  }
  log.Write("BUS type-> BusTypeAta|BusTypeUnknown|BusTypeAtapi\n");
  const auto number = QueryDeviceNumber(handle.get());
  if (!number) return std::nullopt;
  std::optional<std::vector<win::BYTE>> identify;
  if (busType == kBusTypeAtapi) {
    identify = IdentifyPacketDevice(handle.get());
  } else {
    identify = SmartIdentify(handle.get(), *number);
    if (!identify) handle.Close();
  }
  if (!identify) return identify;
  if ((CardFlags(*identify) & kIdentifyPcmcia) != 0) {
    found.busKind = kBusPcmcia;
    log.Write("BUS type-> BusTypePCMCIA\n");
  } else if (busType == kBusTypeAtapi) {
    log.Write("BUS type-> BusTypeATAPI\n");
  } else {
    found.busKind = kBusIde;
    log.Write("BUS type-> BusTypeIDE\n");
  }
  return identify;
}

// Master or slave, and the card the identification data name.
bool SelectDriveAndCard(DriveHandle& handle, std::optional<std::vector<win::BYTE>> identify, DriveFindings& found,
                        DeviceLog& log) {
  const IdeSelection selection = SelectIdeDrive(handle.get(), std::move(identify), &log);
  found.driveSelect = selection.driveSelect;
  if (!selection.identify) return false;
  const auto card = CardTypeFromFlags(CardFlags(*selection.identify));
  if (!card) return false;
  found.deviceKind = card->deviceKind;
  if (card->readerKind) found.readerKind = *card->readerKind;
  found.cardTypeText = card->text;
  log.Write(card->logText);
  return true;
}

struct StatusLine {
  win::BYTE kind;
  const char* line;
};

const char* LineFor(std::initializer_list<StatusLine> lines, win::BYTE kind) {
  for (const auto& entry : lines) {
    if (entry.kind == kind) return entry.line;
  }
  return "";
}

void LogReaderKind(DeviceLog& log, win::BYTE readerKind, const char* smLine, const char* msLine) {
  if (readerKind == kSmartMediaReader) log.Write(smLine);
  if (readerKind == kMemoryStickReader) log.Write(msLine);
}

// The maker's combined readers put the media status word into their inquiry data.
bool InquiryStatus(DriveHandle& handle, DriveFindings& found, DeviceLog& log) {
  InquiryReply reply{};
  if (!SendInquiry(handle.get(), kNoAddress, reply)) return false;
  const std::string product = PlainText(std::span(reply).subspan(inquiry::kProduct));
  if (product.empty() || product.find("SM") == std::string::npos || product.find("MS") == std::string::npos) {
    return false;
  }
  const win::DWORD status = win::ReadLe32(reply, inquiry::kReaderStatusWord);
  found.deviceKind = KindFromMediaStatus(status, false);
  log.Write(LineFor({{kMemoryStick, "INQ-> MS\n"},
                     {kSmartMedia, "INQ-> SM\n"},
                     {kCompactFlash, "INQ-> CF\n"},
                     {kMmcSd, "INQ-> SD\n"}},
                    found.deviceKind));
  found.readerKind = ReaderKindFromMediaStatus(status);
  LogReaderKind(log, found.readerKind, "INQ-> SM(Kestro)\n", "INQ-> MS(Kestro)\n");
  return found.deviceKind != kDeviceUnknown;
}

// The reader's own status command; false when it reported nothing.
bool ReaderStatus(DriveHandle& handle, DriveFindings& found, DeviceLog& log) {
  std::array<win::BYTE, 4> reply{};
  PromptText.clear();
  SendVendorCommand(handle.get(), kNoAddress, kVendorStatus, reply);
  const win::DWORD status = win::ReadLe32(reply, 0);
  if (status == 0 || status == win::kVendorNoCardReply) return false;
  found.deviceKind = KindFromMediaStatus(status, true);
  if (found.deviceKind == kDeviceUnknown) found.deviceKind = kMmcSd;
  log.Write(LineFor({{kMemoryStickPro, "DEV_CAPS-> MSPRO\n"},
                     {kMemoryStick, "DEV_CAPS-> MS\n"},
                     {kSmartMedia, "DEV_CAPS-> SM\n"},
                     {kCompactFlash, "DEV_CAPS-> CF\n"},
                     {kMmcSd, "DEV_CAPS-> SD\n"}},
                    found.deviceKind));
  const win::BYTE readerKind = ReaderKindFromMediaStatus(status);
  if (readerKind != 0) found.readerKind = readerKind;
  LogReaderKind(log, readerKind, "DEV_CAPS-> SM(Kestro)\n", "DEV_CAPS-> MS(Kestro)\n");
  return true;
}

// The reader and card kind from the product text's keywords.
void ProductKeywords(DriveHandle& handle, DriveFindings& found, DeviceLog& log) {
  InquiryReply reply{};
  if (!SendInquiry(handle.get(), kNoAddress, reply)) return;
  const std::string product = UpperText(std::span(reply).subspan(inquiry::kProduct, kProductWordsLength));
  if (product.empty()) return;
  found.deviceKind = KindFromProductWords(product);
  log.Write(LineFor({{kSmartMedia, "INQ-> SM\n"},
                     {kMemoryStick, "INQ-> MS\n"},
                     {kCompactFlash, "INQ-> CF\n"},
                     {kMmcSd, "INQ-> SD\n"}},
                    found.deviceKind));
}

void CopyText(char* field, std::size_t capacity, std::span<const win::BYTE> bytes) {
  const std::size_t length = std::min(capacity - 1, bytes.size());
  std::memcpy(field, bytes.data(), length);
  field[length] = '\0';
}

// The inquiry texts and whether the reader is one of the maker's.
void FillIdentificationTexts(DriveHandle& handle, DeviceEntry& entry, const DriveFindings& found) {
  InquiryReply reply{};
  if (SendInquiry(handle.get(), kNoAddress, reply)) {
    const std::span<const win::BYTE> bytes(reply);
    CopyText(entry.vendor, sizeof(entry.vendor), bytes.subspan(inquiry::kVendor, inquiry::kVendorSize));
    CopyText(entry.product, sizeof(entry.product), bytes.subspan(inquiry::kProduct, inquiry::kProductSize));
    CopyText(entry.revision, sizeof(entry.revision), bytes.subspan(inquiry::kRevision, inquiry::kRevisionSize));
    if (!IsMakersVendor(entry.vendor)) entry.otherMakerFlag = 1;
  }
  if ((entry.busKind == kBusIde || entry.busKind == kBusPcmcia) && found.cardTypeText != nullptr) {
    CopyText(entry.product, sizeof(entry.product),
             std::span(reinterpret_cast<const win::BYTE*>(found.cardTypeText), std::strlen(found.cardTypeText)));
  }
}

// Asks an opened drive what it is, where the system passes vendor commands through: its bus, then
// the ATA card, the reader status or the product keywords, stopping at the first that answers.
void ExamineDrive(DriveHandle& handle, DriveFindings& found, DeviceLog& log) {
  if (!OsKindHasVendorPassThrough()) return;
  win::DWORD busType = 0;
  auto identify = ProbeBus(handle, found, log, busType);
  if (busType == kBusTypeAta && SelectDriveAndCard(handle, std::move(identify), found, log)) return;
  if (InquiryStatus(handle, found, log)) return;
  if (ReaderStatus(handle, found, log)) return;
  ProductKeywords(handle, found, log);
}

// Adds the drive's entry to the device list with what was found and its identification texts;
// false when memory ran out.
bool MakeEntry(char letter, DriveHandle& handle, const DriveFindings& found) {
  DeviceEntry* entry = NewDeviceEntry();
  if (entry == nullptr) {
    ShowStringMessage(kStringNotEnoughMemory, ui::MB_ICONERROR);
    return false;
  }
  AppendDeviceEntry(entry);
  entry->readerKind = found.readerKind;
  entry->deviceKind = found.deviceKind;
  entry->busKind = letter == 'A' ? kBusFloppy : found.busKind;
  entry->driveLetter = letter;
  entry->ataDriveSelect = found.driveSelect;
  FillNextSlot(letter);
  entry->noCommandFlag = found.noCommand;
  FillIdentificationTexts(handle, *entry, found);
  return true;
}

}  // namespace

int EnumDevicesNt() {
  DeviceLog log;
  if (!log.Create()) {
    ShowDeviceMessage("QWITLK.LOG file cannot be opended.", ui::MB_OK);
    return 0;
  }
  DeviceCount = 0;
  for (char letter = 'A'; letter <= 'X'; ++letter) {
    if (!IsRemovable(letter)) continue;
    DriveHandle handle = OpenCardVolume(letter);
    if (!handle.IsOpen()) {
      log.Write(Line("Drive ->%c Handle creation failure\n", letter));
      continue;
    }
    log.Write(Line("Drive ->%c Handle created successfully\n", letter));
    DriveFindings found;
    ExamineDrive(handle, found, log);
    if (!MakeEntry(letter, handle, found)) {
      DeviceListLast = DeviceListTail;
      return 0;
    }
  }
  DeviceListLast = DeviceListTail;
  return 1;
}

}  // namespace tarnlok
