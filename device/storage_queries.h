// The NT storage requests of identification: the storage device descriptor, the device number,
// and IDENTIFY data through SMART_RCV_DRIVE_DATA or IDE pass-through.
#pragma once

#include "platform/win/system/types.h"

#include <array>
#include <optional>
#include <vector>

namespace tarnlok {

using StorageDescriptor = std::array<win::BYTE, 76>;

std::optional<StorageDescriptor> QueryStorageDescriptor(win::HANDLE handle);
win::DWORD DescriptorBusType(const StorageDescriptor& descriptor);
std::optional<win::DWORD> QueryDeviceNumber(win::HANDLE handle);
// IDENTIFY DEVICE through SMART_RCV_DRIVE_DATA for the drive number; its 512 bytes.
std::optional<std::vector<win::BYTE>> SmartIdentify(win::HANDLE handle, win::DWORD driveNumber);
// IDENTIFY PACKET DEVICE to the master through IDE pass-through; its 512 bytes.
std::optional<std::vector<win::BYTE>> IdentifyPacketDevice(win::HANDLE handle);

}  // namespace tarnlok
