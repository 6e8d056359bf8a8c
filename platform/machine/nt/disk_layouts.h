// The answers of the storage and disk queries, laid out as the system returns them:
// STORAGE_DEVICE_DESCRIPTOR (with the raw INQUIRY data and the identification texts after it),
// STORAGE_DEVICE_NUMBER, DISK_GEOMETRY and PARTITION_INFORMATION.
#pragma once

#include "platform/machine/description/machine_description.h"
#include "platform/win/layouts/volume_window.h"

#include "platform/win/system/types.h"

#include <cstdint>
#include <span>
#include <vector>

namespace machine {

constexpr std::size_t kDeviceNumberSize = 12;
constexpr std::size_t kDiskGeometrySize = 24;
constexpr std::size_t kPartitionInformationSize = 32;
constexpr std::size_t kDescriptorHeaderSize = 8;  // Version and Size

// The device descriptor of a reader; inquiry is the reader's standard INQUIRY data (36 bytes).
std::vector<win::BYTE> StorageDeviceDescriptor(const ReaderDescription& reader, std::span<const win::BYTE> inquiry);

void WriteDeviceNumber(std::span<win::BYTE> out, std::uint32_t deviceNumber, std::uint32_t partitionNumber);

// The geometry the disk driver reports for a medium of this many sectors.
void WriteDiskGeometry(std::span<win::BYTE> out, std::uint64_t sectors, Bus bus);

// The same geometry as the Windows 9x Get Device Parameters block (vwin32_registers.h).
void WriteDeviceParameters(std::span<win::BYTE> out, std::uint64_t sectors, Bus bus);

void WritePartitionInformation(std::span<win::BYTE> out, const win::VolumeWindow& window,
                               std::uint32_t partitionNumber);

}  // namespace machine
