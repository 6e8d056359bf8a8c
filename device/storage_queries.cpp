#include "device/storage_queries.h"

#include "device/device_entry.h"
#include "device/ide_pass_through.h"
#include "device/identify_fields.h"
#include "device/storage_layouts.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/identify_layout.h"
#include "platform/win/devices/device_io.h"

namespace tarnlok {

std::optional<StorageDescriptor> QueryStorageDescriptor(win::HANDLE handle) {
  std::array<win::BYTE, storage_query::kAreaSize> query{};
  StorageDescriptor descriptor{};
  win::DWORD returned = 0;
  if (!win::DeviceIoControl(handle, win::IOCTL_STORAGE_QUERY_PROPERTY, query.data(), query.size(), descriptor.data(),
                            descriptor.size(), &returned, nullptr)) {
    return std::nullopt;
  }
  return descriptor;
}

win::DWORD DescriptorBusType(const StorageDescriptor& descriptor) {
  return win::ReadLe32(descriptor, storage_query::kBusType);
}

std::optional<win::DWORD> QueryDeviceNumber(win::HANDLE handle) {
  std::array<win::BYTE, device_number::kSize> answer{};
  win::DWORD returned = 0;
  if (!win::DeviceIoControl(handle, win::IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, answer.data(), answer.size(),
                            &returned, nullptr)) {
    return std::nullopt;
  }
  return win::ReadLe32(answer, device_number::kDeviceNumber);
}

std::optional<std::vector<win::BYTE>> SmartIdentify(win::HANDLE handle, win::DWORD driveNumber) {
  namespace smart = smart_command;
  std::array<win::BYTE, smart::kInputSize> input{};
  win::WriteLe32(input, smart::kBufferSize, win::identify_layout::kSize);
  const win::BYTE registers[] = {0,           1, 1, 0, 0, static_cast<win::BYTE>(kAtaMaster | ((driveNumber & 1) << 4)),
                                 kAtaIdentify};
  std::copy(std::begin(registers), std::end(registers), input.begin() + smart::kDriveRegisters);
  input[smart::kDriveNumber] = static_cast<win::BYTE>(driveNumber);
  std::vector<win::BYTE> output(smart::kOutputData + win::identify_layout::kSize, 0);
  win::DWORD returned = 0;
  if (!win::DeviceIoControl(handle, win::SMART_RCV_DRIVE_DATA, input.data(), input.size(), output.data(),
                            static_cast<win::DWORD>(output.size()), &returned, nullptr)) {
    return std::nullopt;
  }
  return std::vector<win::BYTE>(output.begin() + smart::kOutputData, output.end());
}

std::optional<std::vector<win::BYTE>> IdentifyPacketDevice(win::HANDLE handle) {
  TaskFile taskFile;
  taskFile.deviceHead = kAtaMaster;
  taskFile.command = kAtaIdentifyPacket;
  const IdeAnswer answer = SendIdePassThrough(handle, taskFile, win::identify_layout::kSize);
  if (!answer.delivered) return std::nullopt;
  return std::vector<win::BYTE>(answer.data.begin(), answer.data.begin() + win::identify_layout::kSize);
}

}  // namespace tarnlok
