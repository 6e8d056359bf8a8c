// Byte layouts of the NT storage requests the device list and identification send, as offsets
// into the request and answer areas (read with byte_order.h).
#pragma once

#include "platform/win/layouts/pass_through_layout.h"

#include <cstddef>

namespace tarnlok {

// IOCTL_STORAGE_QUERY_PROPERTY: STORAGE_PROPERTY_QUERY in, STORAGE_DEVICE_DESCRIPTOR out.
namespace storage_query {
constexpr std::size_t kAreaSize = 76;
constexpr std::size_t kPropertyId = 0;  // u32, 0 StorageDeviceProperty
constexpr std::size_t kQueryType = 4;  // u32, 0 PropertyStandardQuery
constexpr std::size_t kVendorIdOffset = 12;  // u32
constexpr std::size_t kProductIdOffset = 16;  // u32
constexpr std::size_t kProductRevisionOffset = 20;  // u32
constexpr std::size_t kBusType = 28;  // u32
}  // namespace storage_query

// STORAGE_BUS_TYPE values the device list tells apart.
constexpr unsigned kBusTypeUnknown = 0;
constexpr unsigned kBusTypeAtapi = 2;
constexpr unsigned kBusTypeAta = 3;
constexpr unsigned kBusTypeUsb = 7;

// IOCTL_STORAGE_GET_DEVICE_NUMBER: STORAGE_DEVICE_NUMBER.
namespace device_number {
constexpr std::size_t kSize = 12;
constexpr std::size_t kDeviceNumber = 4;  // u32
}  // namespace device_number

// SMART_RCV_DRIVE_DATA: the platform's layout of SENDCMDINPARAMS and SENDCMDOUTPARAMS.
namespace smart_command = win::smart_command;

}  // namespace tarnlok
