// The control codes a card handle answers, one handler each, chosen from a table.
#include "platform/machine/ata/ata_pass_through.h"
#include "platform/machine/nt/card_handle.h"
#include "platform/machine/nt/disk_layouts.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/devices/device_io.h"
#include "platform/win/system/last_error.h"

#include <algorithm>
#include <array>

namespace machine {
namespace {

constexpr win::DWORD kStorageDeviceProperty = 0;
constexpr win::DWORD kPropertyStandardQuery = 0;
constexpr win::DWORD kPropertyExistsQuery = 1;
constexpr std::size_t kPropertyQueryHead = 8;  // PropertyId and QueryType

// The access a control code demands, from its RequiredAccess bits.
constexpr win::DWORD kFileReadAccess = 1;
constexpr win::DWORD kFileWriteAccess = 2;
constexpr win::DWORD RequiredAccess(win::DWORD code) { return (code >> 14) & 3; }

using Handler = win::DWORD (*)(CardHandle&, std::span<const win::BYTE>, std::span<win::BYTE>, win::DWORD&);

win::DWORD PassThrough(CardHandle& handle, std::span<const win::BYTE> input, std::span<win::BYTE> output,
                       win::DWORD& returned) {
  if (!handle.Device().AnswersScsi()) return win::ERROR_INVALID_FUNCTION;
  return handle.Device().PassThrough(input, output, returned);
}

win::DWORD IdePassThrough(CardHandle& handle, std::span<const win::BYTE> input, std::span<win::BYTE> output,
                          win::DWORD& returned) {
  return RunIdePassThrough(handle.Device(), input, output, returned);
}

win::DWORD SmartReceive(CardHandle& handle, std::span<const win::BYTE> input, std::span<win::BYTE> output,
                        win::DWORD& returned) {
  return RunSmartReceive(handle.Device(), input, output, returned);
}

win::DWORD QueryProperty(CardHandle& handle, std::span<const win::BYTE> input, std::span<win::BYTE> output,
                         win::DWORD& returned) {
  if (!handle.Device().Description().storageBusType) return win::ERROR_INVALID_FUNCTION;
  if (input.size() < kPropertyQueryHead) return win::ERROR_INVALID_PARAMETER;
  if (win::ReadLe32(input, 0) != kStorageDeviceProperty) return win::ERROR_NOT_SUPPORTED;
  const win::DWORD queryType = win::ReadLe32(input, 4);
  if (queryType == kPropertyExistsQuery) return win::ERROR_SUCCESS;
  if (queryType != kPropertyStandardQuery) return win::ERROR_INVALID_PARAMETER;
  if (output.size() < kDescriptorHeaderSize) return win::ERROR_BAD_LENGTH;
  // As much of the descriptor as fits; its Size field tells the caller the whole length.
  const auto descriptor = handle.Device().DeviceDescriptor();
  const std::size_t moved = std::min(descriptor.size(), output.size());
  std::copy_n(descriptor.begin(), moved, output.begin());
  returned = static_cast<win::DWORD>(moved);
  return win::ERROR_SUCCESS;
}

win::DWORD DeviceNumber(CardHandle& handle, std::span<const win::BYTE>, std::span<win::BYTE> output,
                        win::DWORD& returned) {
  const auto number = handle.Device().DeviceNumber();
  if (!number) return win::ERROR_INVALID_FUNCTION;
  if (output.size() < kDeviceNumberSize) return win::ERROR_INSUFFICIENT_BUFFER;
  const auto medium = handle.Device().Medium();
  const bool partition = handle.Role() == DeviceRole::Volume && medium && medium->window.partitioned;
  WriteDeviceNumber(output, *number, partition ? 1 : 0);
  returned = kDeviceNumberSize;
  return win::ERROR_SUCCESS;
}

win::DWORD Geometry(CardHandle& handle, std::span<const win::BYTE>, std::span<win::BYTE> output, win::DWORD& returned) {
  if (output.size() < kDiskGeometrySize) return win::ERROR_INSUFFICIENT_BUFFER;
  const auto medium = handle.Device().Medium();
  if (!medium) return win::ERROR_NOT_READY;
  WriteDiskGeometry(output, medium->cardSectors, handle.Device().Description().bus);
  returned = kDiskGeometrySize;
  return win::ERROR_SUCCESS;
}

// The volume answers its partition; the physical drive answers the whole disk as partition 0.
win::DWORD PartitionInfo(CardHandle& handle, std::span<const win::BYTE>, std::span<win::BYTE> output,
                         win::DWORD& returned) {
  if (output.size() < kPartitionInformationSize) return win::ERROR_INSUFFICIENT_BUFFER;
  const auto medium = handle.Device().Medium();
  if (!medium) return win::ERROR_NOT_READY;
  const bool volume = handle.Role() == DeviceRole::Volume;
  const win::VolumeWindow window = volume ? medium->window : win::VolumeWindow{0, medium->cardSectors, 0, false};
  WritePartitionInformation(output, window, volume && window.partitioned ? 1 : 0);
  returned = kPartitionInformationSize;
  return win::ERROR_SUCCESS;
}

win::DWORD LockVolume(CardHandle& handle, std::span<const win::BYTE>, std::span<win::BYTE>, win::DWORD&) {
  return handle.Device().Lock(handle.Role(), handle.Id());
}

win::DWORD UnlockVolume(CardHandle& handle, std::span<const win::BYTE>, std::span<win::BYTE>, win::DWORD&) {
  return handle.Device().Unlock(handle.Role(), handle.Id());
}

win::DWORD DismountVolume(CardHandle& handle, std::span<const win::BYTE>, std::span<win::BYTE>, win::DWORD&) {
  return handle.Device().Dismount(handle.Role(), handle.Id());
}

struct Control {
  win::DWORD code;
  Handler handler;
};

constexpr std::array kControls{
    Control{win::IOCTL_SCSI_PASS_THROUGH, PassThrough},
    Control{win::IOCTL_IDE_PASS_THROUGH, IdePassThrough},
    Control{win::SMART_RCV_DRIVE_DATA, SmartReceive},
    Control{win::IOCTL_STORAGE_QUERY_PROPERTY, QueryProperty},
    Control{win::IOCTL_STORAGE_GET_DEVICE_NUMBER, DeviceNumber},
    Control{win::IOCTL_DISK_GET_DRIVE_GEOMETRY, Geometry},
    Control{win::IOCTL_DISK_GET_PARTITION_INFO, PartitionInfo},
    Control{win::FSCTL_LOCK_VOLUME, LockVolume},
    Control{win::FSCTL_UNLOCK_VOLUME, UnlockVolume},
    Control{win::FSCTL_DISMOUNT_VOLUME, DismountVolume},
};

}  // namespace

win::BOOL CardHandle::IoControl(win::DWORD code, std::span<const win::BYTE> input, std::span<win::BYTE> output,
                                win::DWORD& bytesReturned) {
  bytesReturned = 0;
  const auto* control =
      std::find_if(kControls.begin(), kControls.end(), [code](const Control& entry) { return entry.code == code; });
  if (control == kControls.end()) return win::Fail(win::ERROR_INVALID_FUNCTION);
  const win::DWORD required = RequiredAccess(code);
  if (((required & kFileReadAccess) != 0 && !CanRead()) || ((required & kFileWriteAccess) != 0 && !CanWrite())) {
    return win::Fail(win::ERROR_ACCESS_DENIED);
  }
  const win::DWORD error = control->handler(*this, input, output, bytesReturned);
  return error == win::ERROR_SUCCESS ? win::TRUE : win::Fail(error);
}

}  // namespace machine
