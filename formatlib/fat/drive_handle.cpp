#include "formatlib/fat/drive_handle.h"

#include "formatlib/command/format_library_state.h"
#include "formatlib/command/volume_handle.h"

#include "platform/win/devices/device_io.h"
#include "platform/win/files/files.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/system/handle_table.h"

#include <algorithm>
#include <array>
#include <string>

namespace pradvik {
namespace {

constexpr win::DWORD kShareBoth = win::FILE_SHARE_READ | win::FILE_SHARE_WRITE;

win::HANDLE OpenDevice(const std::string& path, win::DWORD share) {
  return win::CreateFileA(path.c_str(), win::GENERIC_READ | win::GENERIC_WRITE, share, nullptr, win::OPEN_EXISTING,
                          win::FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

win::HANDLE OpenWholeDrive(std::uint8_t driveIndex) {
  if (IsWindows9xClass(LibraryState().osKind)) return OpenVolume(driveIndex);
  std::string path = std::string("\\\\.\\") + static_cast<char>('A' + driveIndex) + ":";
  win::HANDLE handle = OpenDevice(path, kShareBoth);
  std::array<win::BYTE, 12> number{};
  win::DWORD returned = 0;
  if (handle != win::INVALID_HANDLE_VALUE &&
      win::DeviceIoControl(handle, win::IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, number.data(),
                           static_cast<win::DWORD>(number.size()), &returned, nullptr) != win::FALSE) {
    win::CloseHandle(handle);
    path = "\\\\.\\PhysicalDrive" + std::to_string(win::ReadLe32(number, 4));
    handle = OpenDevice(path, kShareBoth);
  }
  for (const win::DWORD share : {win::DWORD{win::FILE_SHARE_READ}, kShareBoth, win::DWORD{win::FILE_SHARE_READ}}) {
    if (handle != win::INVALID_HANDLE_VALUE) break;
    handle = OpenDevice(path, share);
  }
  return handle;
}

SectorRoad WholeDriveRoad(win::HANDLE drive) {
  return {drive, IsWindows9xClass(LibraryState().osKind) ? SectorRoad::Kind::Scsi : SectorRoad::Kind::Transfer};
}

std::optional<DriveShape> QueryDriveGeometry(win::HANDLE drive) {
  std::array<win::BYTE, 24> geometry{};
  win::DWORD returned = 0;
  if (win::DeviceIoControl(drive, win::IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, geometry.data(),
                           static_cast<win::DWORD>(geometry.size()), &returned, nullptr) == win::FALSE) {
    return std::nullopt;
  }
  return DriveShape{win::ReadLe32(geometry, 0), win::ReadLe32(geometry, 12), win::ReadLe32(geometry, 16),
                    win::ReadLe32(geometry, 20) & 0xFFFF};
}

CardCapacity DriveCapacity(win::HANDLE drive) {
  const CardCapacity asked = ReadCardCapacity(drive);
  if (asked.lastLba != 0 && asked.blockLength != 0) return asked;
  const auto geometry = QueryDriveGeometry(drive);
  if (!geometry) return {};
  const std::uint64_t tracks = std::uint64_t{geometry->cylinders} * geometry->heads;
  const std::uint64_t lastLba = tracks == 0 ? 0 : (tracks - 1) * geometry->sectorsPerTrack;
  return {static_cast<std::uint32_t>(std::min<std::uint64_t>(lastLba, 0xFFFFFFFF)), geometry->bytesPerSector};
}

}  // namespace pradvik
