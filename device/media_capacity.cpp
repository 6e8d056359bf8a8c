#include "device/media_capacity.h"

#include "device/aspi_transport.h"
#include "device/command_roads.h"
#include "device/device_parameters_9x.h"
#include "device/device_state.h"
#include "device/reader_commands.h"
#include "device/scsi_transport.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/devices/device_io.h"
#include "platform/win/files/volumes.h"
#include "platform/win/layouts/scsi_commands.h"
#include "platform/win/layouts/scsi_layout.h"

#include <array>
#include <limits>
#include <optional>
#include <string>

namespace tarnlok {
namespace {

constexpr win::DWORD kSectorSize = 512;
constexpr win::DWORD kPlainSectorsPerBlock = 63;
constexpr win::DWORD kSizeUnit = 1000000;

struct Outputs {
  win::DWORD* sizeOrCode;
  win::DWORD* sectorsOrBlocks;
  win::DWORD* sectorsPerBlock;
  win::BYTE* writeProtected;
  win::DWORD* bytesPerSector;

  void SetBytesPerSector(win::DWORD value) const {
    if (bytesPerSector != nullptr) *bytesPerSector = value;
  }
  void SetWriteProtected() const {
    if (writeProtected != nullptr) *writeProtected = 1;
  }
  bool IsWriteProtected() const { return writeProtected != nullptr && *writeProtected != 0; }
};

bool IsRawFlashKind(win::BYTE kind) {
  return kind == kSmartMedia || kind == kMemoryStick || kind == kSmartMediaReader || kind == kMemoryStickReader;
}

std::optional<win::ULONGLONG> TotalBytesOf(char letter) {
  const std::string root = std::string(1, letter) + ":\\";
  win::ULARGE_INTEGER available{}, total{}, free{};
  if (!win::GetDiskFreeSpaceExA(root.c_str(), &available, &total, &free)) return std::nullopt;
  return total.QuadPart;
}

win::BYTE KindFromStatus(win::DWORD status) {
  if ((status & kStatusMemoryStick) != 0) return kMemoryStick;
  if ((status & kStatusSmartMedia) != 0) return kSmartMedia;
  if ((status & kStatusCompactFlash) != 0) return kCompactFlash;
  return kMmcSd;
}

int RawFlashCapacity(win::HANDLE handle, const DeviceEntry& entry, const Outputs& out) {
  std::array<win::BYTE, 4> reply{};
  if (!SendVendorCommand(handle, AddressOf(&entry), kVendorGeometry, reply) || StartsWithNoMediaReply(reply)) return 0;
  out.SetBytesPerSector(kSectorSize);
  if (entry.deviceKind == kMemoryStick) {
    const win::DWORD blocks = win::ReadLe16(reply, 0);
    const win::DWORD pagesPerBlock = win::ReadLe16(reply, 2);
    if (pagesPerBlock < 1 || pagesPerBlock > 32 || blocks < 1 || blocks > 65534) return 0;
    const auto code = MemoryStickSizeCode(blocks * pagesPerBlock);
    if (!code) return 0;
    *out.sizeOrCode = *code;
    *out.sectorsOrBlocks = blocks;
    *out.sectorsPerBlock = pagesPerBlock;
    return 1;
  }
  const auto geometry = SmartMediaGeometry(reply[1]);
  if (!geometry) return 0;
  *out.sizeOrCode = geometry->code;
  *out.sectorsOrBlocks = geometry->blocks;
  *out.sectorsPerBlock = geometry->pagesPerBlock;
  return 1;
}

struct PlainCapacity {
  win::DWORD sectors = 0;
  win::DWORD blockLength = 0;
};

// The disk's sectors by its geometry; null where the handle does not answer it.
std::optional<PlainCapacity> DiskGeometryOf(win::HANDLE handle) {
  std::array<win::BYTE, 512> geometry{};
  win::DWORD returned = 0;
  if (!win::DeviceIoControl(handle, win::IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, geometry.data(),
                            static_cast<win::DWORD>(geometry.size()), &returned, nullptr)) {
    return std::nullopt;
  }
  const win::ULONGLONG sectors =
      win::ULONGLONG{win::ReadLe32(geometry, 0)} * win::ReadLe32(geometry, 12) * win::ReadLe32(geometry, 16);
  if (sectors > std::numeric_limits<win::DWORD>::max()) return std::nullopt;
  return PlainCapacity{static_cast<win::DWORD>(sectors), win::ReadLe16(geometry, 20)};
}

// The disk geometry stands in for READ CAPACITY where the reader does not answer it.
std::optional<PlainCapacity> CapacityFromGeometry(win::HANDLE handle) {
  auto capacity = DiskGeometryOf(handle);
  if (capacity) UsePlainSectorIo = 1;
  return capacity;
}

// Sectors of 512 bytes by the disk's geometry: the volume's handle on the NT family, vwin32 (the
// handle given, else the run's) on Windows 9x.
std::optional<win::DWORD> FloppyGeometrySectors(win::HANDLE handle, char letter) {
  if (!OsKindIsNt()) return DiskSectors9x(handle != win::INVALID_HANDLE_VALUE ? handle : Vwin32Handle, letter);
  const auto disk = DiskGeometryOf(handle);
  return disk && disk->blockLength == kSectorSize ? std::optional(disk->sectors) : std::nullopt;
}

// The whole disk by its geometry where the drive tells it: the file system's total counts only
// its data clusters (the last 33 sectors of a 1.44 MB disk would be left out of a whole backup)
// and is not answered while the run holds the volume locked.
int FloppyCapacity(win::HANDLE handle, DeviceEntry& entry, const Outputs& out) {
  *out.sizeOrCode = 0;
  const auto sectors = FloppyGeometrySectors(handle, entry.driveLetter);
  const auto total = sectors ? win::ULONGLONG{*sectors} * kSectorSize : TotalBytesOf(entry.driveLetter);
  if (!total) return 0;
  *out.sizeOrCode = static_cast<win::DWORD>(*total >> 20);
  *out.sectorsPerBlock = 1;
  *out.sectorsOrBlocks = static_cast<win::DWORD>(*total >> 9);
  out.SetBytesPerSector(kSectorSize);
  entry.deviceKind = kDeviceUnknown;
  return 1;
}

std::optional<PlainCapacity> ReadPlainCapacity(win::HANDLE handle, const DeviceEntry& entry) {
  constexpr std::array<win::BYTE, 6> kReadCapacity{win::kScsiReadCapacity, 0, 0, 0, 0, 0};
  std::array<win::BYTE, win::read_capacity::kSize> answer{};
  if (OsKindIsNt()) {
    if (!ExecScsiCommand(handle, entry.hostAdapter, entry.target, entry.lun, kReadCapacity.data(), kReadCapacity.size(),
                         answer.data(), answer.size(), kScsiDataIn)) {
      return CapacityFromGeometry(handle);
    }
  } else if (entry.noCommandFlag != 0) {
    if (entry.volumeSectorCount == 0) return std::nullopt;
    UsePlainSectorIo = 1;
    return PlainCapacity{entry.volumeSectorCount, kSectorSize};
  } else if (!ExecAspiCommand(entry.hostAdapter, entry.target, entry.lun, kReadCapacity.data(), kReadCapacity.size(),
                              answer.data(), answer.size(), win::aspi::kDataIn)) {
    return std::nullopt;
  }
  const win::DWORD lastBlock = win::ReadBe32(answer, win::read_capacity::kLastBlock);
  // READ CAPACITY names the last block; the card holds one more sector than that.
  if (lastBlock == std::numeric_limits<win::DWORD>::max()) return std::nullopt;
  return PlainCapacity{lastBlock + 1, win::ReadBe32(answer, win::read_capacity::kBlockLength)};
}

int PlainCardCapacity(win::HANDLE handle, DeviceEntry& entry, const Outputs& out) {
  const auto capacity = ReadPlainCapacity(handle, entry);
  // A block longer than the size unit would leave nothing to divide by.
  if (!capacity || capacity->sectors == 0 || capacity->blockLength == 0 || capacity->blockLength > kSizeUnit) return 0;
  *out.sectorsPerBlock = kPlainSectorsPerBlock;
  *out.sectorsOrBlocks = capacity->sectors;
  out.SetBytesPerSector(capacity->blockLength);
  *out.sizeOrCode = capacity->sectors / (kSizeUnit / capacity->blockLength);
  if (entry.otherMakerFlag != 0) {
    *out.sizeOrCode = 0;
    if (const auto total = TotalBytesOf(entry.driveLetter)) {
      *out.sizeOrCode = static_cast<win::DWORD>(*total >> 20);
      entry.deviceKind = kMmcSd;
    }
    if (ModeSenseWriteProtected(handle, entry)) out.SetWriteProtected();
  }
  return 1;
}

}  // namespace

int GetMediaCapacity(win::HANDLE handle, DeviceEntry* entry, win::DWORD* sizeOrCode, win::DWORD* sectorsOrBlocks,
                     win::DWORD* sectorsPerBlock, win::BYTE* writeProtected, win::DWORD* bytesPerSector) {
  if (entry == nullptr || sizeOrCode == nullptr || sectorsOrBlocks == nullptr || sectorsPerBlock == nullptr) return 0;
  const Outputs out{sizeOrCode, sectorsOrBlocks, sectorsPerBlock, writeProtected, bytesPerSector};
  if (entry->busKind == kBusFloppy) return FloppyCapacity(handle, *entry, out);

  SendTestUnitReady(handle, *entry);
  std::array<win::BYTE, 4> reply{};
  if (IsRawFlashKind(entry->deviceKind)) SendVendorCommand(handle, AddressOf(entry), kVendorStatus, reply);
  const win::DWORD status = win::ReadLe32(reply, 0);
  if (IsNoMediaStatus(status)) return 0;

  if ((status & kStatusWriteProtected) != 0) out.SetWriteProtected();
  const win::BYTE kind = entry->deviceKind;
  if (!out.IsWriteProtected() && kind != kMemoryStick && kind != kSmartMedia && kind != kMemoryStickPro &&
      ModeSenseWriteProtected(handle, *entry)) {
    out.SetWriteProtected();
  }
  entry->deviceKind = KindFromStatus(status);
  if (entry->deviceKind == kSmartMedia || entry->deviceKind == kMemoryStick) {
    if (RawFlashCapacity(handle, *entry, out) == 1) return 1;
    // A Memory Stick Pro need not tell a raw geometry; it is then measured as a disk of its
    // sectors rather than reported missing.
    if ((status & kStatusMemoryStickPro) == 0) return 0;
    entry->deviceKind = kMemoryStickPro;
  }
  return PlainCardCapacity(handle, *entry, out);
}

}  // namespace tarnlok
