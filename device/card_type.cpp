#include "device/card_type.h"

#include "device/aspi_transport.h"
#include "device/ata_transport.h"
#include "device/card_driver.h"
#include "device/device_state.h"
#include "device/ide_drive_select.h"
#include "device/identify_fields.h"
#include "device/reader_commands.h"
#include "device/scsi_transport.h"
#include "device/storage_layouts.h"
#include "device/storage_queries.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/scsi_commands.h"
#include "platform/win/layouts/scsi_layout.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <vector>

namespace tarnlok {
namespace {

constexpr win::DWORD kPageSize = 512;
constexpr win::DWORD kPlainSectorsPerTrack = 63;
constexpr int kIdentifyAttempts = 10;

using MediaReply = std::array<win::BYTE, 4>;

struct CardOutputs {
  win::DWORD* blocksOrSectors;
  win::DWORD* pagesOrSectorsPerTrack;
  win::BYTE* writeProtected;
  win::DWORD* bytesPerPage;

  void Set(win::DWORD* field, win::DWORD value) const {
    if (field != nullptr) *field = value;
  }
  void SetWriteProtected() const {
    if (writeProtected != nullptr) *writeProtected = 1;
  }
};

void ApplyCardFlags(DeviceEntry& entry, win::DWORD flags) {
  const auto card = CardTypeFromFlags(flags);
  if (!card) return;
  entry.deviceKind = card->deviceKind;
  if (card->readerKind) entry.readerKind = *card->readerKind;
  std::strncpy(entry.product, card->text, sizeof(entry.product) - 1);
  entry.product[sizeof(entry.product) - 1] = '\0';
}

void TakeIdentifyGeometry(DeviceEntry& entry, IdentifyData identify, const CardOutputs& out) {
  entry.bytesPerSector = kPageSize;
  out.Set(out.bytesPerPage, kPageSize);
  entry.totalSectors = IdentifyTotalSectors(identify);
}

// A vendor status or geometry command as an ATA command through IDE pass-through.
std::optional<MediaReply> PassThroughStatus(win::HANDLE handle, win::BYTE driveSelect, win::BYTE command,
                                            bool& deviceError) {
  const TaskFile taskFile{0, 1, 0, 0, 0, driveSelect, command};
  const IdeAnswer answer = SendIdePassThrough(handle, taskFile, kPageSize);
  deviceError = (answer.status & kAtaStatusError) != 0;
  if (!answer.delivered) return std::nullopt;
  MediaReply reply{};
  std::copy_n(answer.data.begin(), reply.size(), reply.begin());
  return reply;
}

// Windows 2000 and XP: 0 when the reader reported an error.
bool IdentifyNt(win::HANDLE handle, DeviceEntry& entry, const CardOutputs& out, MediaReply& reply) {
  const auto descriptor = QueryStorageDescriptor(handle);
  const win::DWORD busType = descriptor ? DescriptorBusType(*descriptor) : kBusTypeUnknown;
  if (busType != kBusTypeUnknown && busType != kBusTypeAtapi && busType != kBusTypeAta) return true;
  const auto number = QueryDeviceNumber(handle);
  if (!number) return true;
  std::optional<std::vector<win::BYTE>> identify;
  if (busType != kBusTypeAtapi) {
    identify = SmartIdentify(handle, *number);
    if (!identify) return true;
  }
  if (busType != kBusTypeAta) return true;
  const IdeSelection selection = SelectIdeDrive(handle, std::move(identify), nullptr);
  if (!selection.identify) return true;
  const IdentifyData data(*selection.identify);
  if (selection.attemptAnswered && (CardFlagsLowWord(data) & kStatusWriteProtected) != 0) out.SetWriteProtected();
  ApplyCardFlags(entry, CardFlags(data));
  TakeIdentifyGeometry(entry, data, out);
  if (entry.deviceKind == kCompactFlash || entry.deviceKind == kMmcSd) {
    out.Set(out.blocksOrSectors, entry.totalSectors);
    out.Set(out.pagesOrSectorsPerTrack, kPlainSectorsPerTrack);
    return true;
  }
  bool deviceError = false;
  if (const auto status = PassThroughStatus(handle, entry.ataDriveSelect, kVendorStatus, deviceError)) reply = *status;
  if (deviceError) return false;
  if ((reply[0] & kStatusWriteProtected) != 0) out.SetWriteProtected();
  if (const auto geometry = PassThroughStatus(handle, entry.ataDriveSelect, kVendorGeometry, deviceError)) {
    reply = *geometry;
  }
  return true;
}

// One command of the status layout through the card driver: 512 bytes in.
DriverAnswer DriverStatusCommand(win::HANDLE driver, const DeviceEntry& entry, win::BYTE command, win::BYTE deviceHead,
                                 std::array<win::BYTE, kPageSize>& sector) {
  const TaskFile taskFile{0, 1, 0, 0, 0, deviceHead, command};
  return SendDriverAtaRequest(driver, entry.deviceReference, taskFile, sector.data(), kPageSize, kAtaDataIn);
}

bool DriverIdentify(win::HANDLE driver, const DeviceEntry& entry, std::array<win::BYTE, kPageSize>& identify) {
  const int attempts = entry.busKind == kBusPcmcia ? kIdentifyAttempts : 1;
  const win::BYTE deviceHead = entry.busKind == kBusPcmcia ? kAtaMaster : entry.ataDriveSelect;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    const DriverAnswer answer = DriverStatusCommand(driver, entry, kAtaIdentify, deviceHead, identify);
    if (answer.delivered && (answer.status & kAtaStatusError) == 0) return true;
  }
  return false;
}

// Windows 9x and NT4 through the card driver: false when the reader reported an error.
bool Identify9x(win::HANDLE driver, DeviceEntry& entry, const CardOutputs& out, MediaReply& reply) {
  std::array<win::BYTE, kPageSize> identify{};
  const bool identified = DriverIdentify(driver, entry, identify);
  if (identified) {
    const std::string model = IdentifyModel(identify);
    std::memcpy(entry.vendor, model.data(), sizeof(entry.vendor) - 1);
    entry.vendor[sizeof(entry.vendor) - 1] = '\0';
    if ((CardFlagsLowWord(identify) & kStatusWriteProtected) != 0) out.SetWriteProtected();
    if (IdentifyModelValid(identify)) ApplyCardFlags(entry, CardFlags(identify));
  }
  if (entry.otherMakerFlag != 0) entry.deviceKind = kMmcSd;
  if (entry.deviceKind == kSmartMedia || entry.deviceKind == kMemoryStick) {
    std::array<win::BYTE, kPageSize> sector{};
    const DriverAnswer status = DriverStatusCommand(driver, entry, kVendorStatus, entry.ataDriveSelect, sector);
    if ((status.status & kAtaStatusError) != 0) return false;
    if ((sector[0] & kStatusWriteProtected) != 0) out.SetWriteProtected();
    const win::BYTE geometryHead = entry.busKind == kBusPcmcia ? kAtaMaster : entry.ataDriveSelect;
    sector.fill(0);
    DriverStatusCommand(driver, entry, kVendorGeometry, geometryHead, sector);
    std::copy_n(sector.begin(), reply.size(), reply.begin());
  }
  if (identified) TakeIdentifyGeometry(entry, identify, out);
  return true;
}

win::DWORD CardTypeResult(const DeviceEntry& entry, const MediaReply& reply, const CardOutputs& out) {
  win::DWORD capacity = 0;
  if (entry.bytesPerSector != 0 && entry.totalSectors != 0) {
    capacity = static_cast<win::DWORD>(win::ULONGLONG{entry.bytesPerSector} * entry.totalSectors / 1000 / 1000);
  }
  if (entry.deviceKind == kSmartMedia) {
    out.Set(out.bytesPerPage, kPageSize);
    const auto geometry = SmartMediaGeometry(reply[1]);
    if (!geometry) return capacity;
    out.Set(out.pagesOrSectorsPerTrack, geometry->pagesPerBlock);
    out.Set(out.blocksOrSectors, geometry->blocks);
    return geometry->code;
  }
  if (entry.deviceKind == kMemoryStick || entry.deviceKind == kMemoryStickReader) {
    const win::DWORD blocks = win::ReadLe16(reply, 0);
    const win::DWORD pagesPerBlock = win::ReadLe16(reply, 2);
    if (blocks == win::kVendorNoCardReply) return 0;
    out.Set(out.blocksOrSectors, blocks);
    out.Set(out.pagesOrSectorsPerTrack, pagesPerBlock);
    if (pagesPerBlock >= 255) return capacity;
    return MemoryStickMegabytes(blocks * pagesPerBlock).value_or(capacity);
  }
  out.Set(out.blocksOrSectors, entry.totalSectors);
  out.Set(out.pagesOrSectorsPerTrack, kPlainSectorsPerTrack);
  return capacity;
}

win::WORD ReadStatusWord(win::HANDLE handle, const DeviceEntry& entry, bool throughPassThrough) {
  const VendorCdb cdb = CommandFirstCdb(kVendorStatus);
  std::array<win::BYTE, 4> reply{};
  if (throughPassThrough) {
    ExecScsiCommand(handle, entry.hostAdapter, entry.target, entry.lun, cdb.data(), cdb.size(), reply.data(),
                    reply.size(), kScsiDataIn);
  } else {
    ExecAspiCommand(entry.hostAdapter, entry.target, entry.lun, cdb.data(), cdb.size(), reply.data(), reply.size(),
                    win::aspi::kDataIn);
  }
  return win::ReadLe16(reply, 0);
}

// True when READ CAPACITY reads the card (both reply words non-zero).
bool CapacityReadable(win::HANDLE handle, const DeviceEntry& entry) {
  constexpr std::array<win::BYTE, 6> kReadCapacity{win::kScsiReadCapacity, 0, 0, 0, 0, 0};
  for (int attempt = 0; attempt < kIdentifyAttempts; ++attempt) {
    std::array<win::BYTE, win::read_capacity::kSize> answer{};
    const bool answered =
        OsKindIsNt() ? ExecScsiCommand(handle, entry.hostAdapter, entry.target, entry.lun, kReadCapacity.data(),
                                       kReadCapacity.size(), answer.data(), answer.size(), kScsiDataIn)
                     : ExecAspiCommand(entry.hostAdapter, entry.target, entry.lun, kReadCapacity.data(),
                                       kReadCapacity.size(), answer.data(), answer.size(), win::aspi::kDataIn);
    if (!answered) continue;
    return win::ReadBe32(answer, win::read_capacity::kLastBlock) != 0 &&
           win::ReadBe32(answer, win::read_capacity::kBlockLength) != 0;
  }
  return false;
}

}  // namespace

win::DWORD GetCardType(win::HANDLE handle, DeviceEntry* entry, win::DWORD* blocksOrSectors,
                       win::DWORD* pagesOrSectorsPerTrack, win::BYTE* writeProtected, win::DWORD* bytesPerPage) {
  if (entry == nullptr) return 0;
  const CardOutputs out{blocksOrSectors, pagesOrSectorsPerTrack, writeProtected, bytesPerPage};
  MediaReply reply{};
  const bool answered =
      OsKindHasVendorPassThrough() ? IdentifyNt(handle, *entry, out, reply) : Identify9x(handle, *entry, out, reply);
  return answered ? CardTypeResult(*entry, reply, out) : 0;
}

void CheckMediaPresent(win::HANDLE handle, const DeviceEntry* entry) {
  if (entry == nullptr || (entry->deviceKind != kSmartMedia && entry->deviceKind != kMemoryStick)) return;
  if (entry->busKind == kBusIde || entry->busKind == kBusPcmcia) {
    std::array<win::BYTE, kPageSize> sector{};
    DriverStatusCommand(handle, *entry, kAtaIdentify, entry->ataDriveSelect, sector);
    if (ExecAtaCommand(handle, entry, kAtaReadSectors, 0, sector.data(), kPageSize, kAtaDataIn, 0, 0)) return;
    sector.fill(0);
    DriverStatusCommand(handle, *entry, kVendorStatus, entry->ataDriveSelect, sector);
    MediaPresent = win::ReadLe16(sector, 0) != win::kVendorNoCardReply ? 1 : 0;
    return;
  }
  if (CapacityReadable(handle, *entry)) return;
  MediaPresent = ReadStatusWord(handle, *entry, OsKindIsNt()) != win::kVendorNoCardReply ? 1 : 0;
}

}  // namespace tarnlok
