#include "platform/machine/nt/disk_layouts.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/vwin32_registers.h"

#include <algorithm>

namespace machine {
namespace {

// STORAGE_DEVICE_DESCRIPTOR
constexpr std::size_t kDescriptorVersion = 0;
constexpr std::size_t kDescriptorSize = 4;
constexpr std::size_t kDeviceType = 8;
constexpr std::size_t kRemovableMedia = 10;
constexpr std::size_t kVendorIdOffset = 12;
constexpr std::size_t kProductIdOffset = 16;
constexpr std::size_t kProductRevisionOffset = 20;
constexpr std::size_t kSerialNumberOffset = 24;
constexpr std::size_t kBusType = 28;
constexpr std::size_t kRawPropertiesLength = 32;
constexpr std::size_t kRawDeviceProperties = 36;
constexpr std::uint32_t kDescriptorStructSize = 40;

// STORAGE_DEVICE_NUMBER
constexpr std::uint32_t kFileDeviceDisk = 7;

// DISK_GEOMETRY
constexpr std::uint32_t kRemovableMediaType = 11;  // RemovableMedia
constexpr std::uint32_t kFloppy144MediaType = 2;  // F3_1Pt44_512
constexpr std::uint64_t kFloppy144Sectors = 2880;
constexpr std::uint32_t kDiskHeads = 255;
constexpr std::uint32_t kDiskSectorsPerTrack = 63;
constexpr std::uint32_t kFloppyHeads = 2;
constexpr std::uint32_t kFloppySectorsPerTrack = 18;
constexpr std::uint32_t kLs120Heads = 8;
constexpr std::uint32_t kLs120SectorsPerTrack = 32;
constexpr std::uint32_t kSectorBytes = 512;

// DOS device types of Get Device Parameters: a 1.44 MB drive, any other block device.
constexpr win::BYTE kDosFloppy144 = 7;
constexpr win::BYTE kDosOtherDevice = 8;

void AppendText(std::vector<win::BYTE>& out, std::size_t offsetField, const std::string& text) {
  win::WriteLe32(out, offsetField, static_cast<win::DWORD>(out.size()));
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
}

struct DiskGeometry {
  std::uint32_t mediaType;
  std::uint32_t heads;
  std::uint32_t sectorsPerTrack;
};

// Callers size a disk by its cylinders, so a drive's geometry must cover the whole medium: a
// 1.44 MB floppy in either drive is 80 x 2 x 18, and LS-120 media are laid out in tracks of 32
// sectors on 8 heads (a 120 MB disk is 960 cylinders of them), never the card readers' 255 x 63,
// which would leave the disk's last partial cylinder outside every backup.
DiskGeometry GeometryOf(std::uint64_t sectors, Bus bus) {
  const bool diskDrive = bus == Bus::Floppy || bus == Bus::Ls120;
  if (diskDrive && sectors == kFloppy144Sectors) return {kFloppy144MediaType, kFloppyHeads, kFloppySectorsPerTrack};
  if (bus == Bus::Ls120) return {kRemovableMediaType, kLs120Heads, kLs120SectorsPerTrack};
  return {kRemovableMediaType, kDiskHeads, kDiskSectorsPerTrack};
}

}  // namespace

std::vector<win::BYTE> StorageDeviceDescriptor(const ReaderDescription& reader, std::span<const win::BYTE> inquiry) {
  std::vector<win::BYTE> out(kRawDeviceProperties + inquiry.size(), 0);
  std::copy(inquiry.begin(), inquiry.end(), out.begin() + kRawDeviceProperties);
  win::WriteLe32(out, kDescriptorVersion, kDescriptorStructSize);
  win::WriteU8(out, kDeviceType, 0);  // direct access
  win::WriteU8(out, kRemovableMedia, 1);
  win::WriteLe32(out, kBusType, reader.storageBusType.value_or(0));
  win::WriteLe32(out, kRawPropertiesLength, static_cast<win::DWORD>(inquiry.size()));
  AppendText(out, kVendorIdOffset, reader.vendor);
  AppendText(out, kProductIdOffset, reader.product);
  AppendText(out, kProductRevisionOffset, reader.revision);
  if (reader.bus == Bus::Usb && !reader.usb.instance.empty()) AppendText(out, kSerialNumberOffset, reader.usb.instance);
  win::WriteLe32(out, kDescriptorSize, static_cast<win::DWORD>(out.size()));
  return out;
}

void WriteDeviceNumber(std::span<win::BYTE> out, std::uint32_t deviceNumber, std::uint32_t partitionNumber) {
  win::WriteLe32(out, 0, kFileDeviceDisk);
  win::WriteLe32(out, 4, deviceNumber);
  win::WriteLe32(out, 8, partitionNumber);
}

void WriteDiskGeometry(std::span<win::BYTE> out, std::uint64_t sectors, Bus bus) {
  const DiskGeometry geometry = GeometryOf(sectors, bus);
  const std::uint64_t cylinders = sectors / (std::uint64_t{geometry.heads} * geometry.sectorsPerTrack);
  win::WriteLe32(out, 0, static_cast<win::DWORD>(cylinders & 0xFFFFFFFF));
  win::WriteLe32(out, 4, static_cast<win::DWORD>(cylinders >> 32));
  win::WriteLe32(out, 8, geometry.mediaType);
  win::WriteLe32(out, 12, geometry.heads);
  win::WriteLe32(out, 16, geometry.sectorsPerTrack);
  win::WriteLe32(out, 20, kSectorBytes);
}

void WriteDeviceParameters(std::span<win::BYTE> out, std::uint64_t sectors, Bus bus) {
  namespace params = win::device_parameters;
  const DiskGeometry geometry = GeometryOf(sectors, bus);
  const std::uint64_t cylinders = sectors / (std::uint64_t{geometry.heads} * geometry.sectorsPerTrack);
  const bool floppy144 = geometry.mediaType == kFloppy144MediaType;
  win::WriteU8(out, params::kDeviceType, floppy144 ? kDosFloppy144 : kDosOtherDevice);
  win::WriteLe16(out, params::kCylinders, static_cast<win::WORD>(std::min<std::uint64_t>(cylinders, 0xFFFF)));
  win::WriteLe16(out, params::kBytesPerSector, kSectorBytes);
  const bool small = sectors <= 0xFFFF;
  win::WriteLe16(out, params::kTotalSectors, small ? static_cast<win::WORD>(sectors) : 0);
  win::WriteLe16(out, params::kSectorsPerTrack, static_cast<win::WORD>(geometry.sectorsPerTrack));
  win::WriteLe16(out, params::kHeads, static_cast<win::WORD>(geometry.heads));
  win::WriteLe32(out, params::kBigTotalSectors,
                 small ? 0 : static_cast<win::DWORD>(std::min<std::uint64_t>(sectors, 0xFFFFFFFF)));
}

void WritePartitionInformation(std::span<win::BYTE> out, const win::VolumeWindow& window,
                               std::uint32_t partitionNumber) {
  const std::uint64_t start = window.firstSector * kSectorBytes;
  const std::uint64_t length = window.sectors * kSectorBytes;
  win::WriteLe32(out, 0, static_cast<win::DWORD>(start & 0xFFFFFFFF));
  win::WriteLe32(out, 4, static_cast<win::DWORD>(start >> 32));
  win::WriteLe32(out, 8, static_cast<win::DWORD>(length & 0xFFFFFFFF));
  win::WriteLe32(out, 12, static_cast<win::DWORD>(length >> 32));
  win::WriteLe32(out, 16, static_cast<win::DWORD>(std::min<std::uint64_t>(window.firstSector, UINT32_MAX)));
  win::WriteLe32(out, 20, partitionNumber);
  win::WriteU8(out, 24, window.partitionType);
  win::WriteU8(out, 25, 0);  // BootIndicator
  win::WriteU8(out, 26, window.partitioned ? 1 : 0);  // RecognizedPartition
  win::WriteU8(out, 27, 0);  // RewritePartition
}

}  // namespace machine
