#include "device/drive_handle.h"

#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"

#include <string>

namespace tarnlok {

DriveHandle& DriveHandle::operator=(DriveHandle&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = win::INVALID_HANDLE_VALUE;
  }
  return *this;
}

void DriveHandle::Close() {
  if (handle_ == win::INVALID_HANDLE_VALUE) return;
  win::CloseHandle(handle_);
  handle_ = win::INVALID_HANDLE_VALUE;
}

DriveHandle OpenCardVolume(char letter) {
  const std::string name = std::string("\\\\.\\") + letter + ":";
  constexpr win::DWORD kReadWrite = win::FILE_SHARE_READ | win::FILE_SHARE_WRITE;
  for (const win::DWORD share : {kReadWrite, win::FILE_SHARE_READ, kReadWrite, win::FILE_SHARE_READ}) {
    const win::HANDLE handle = win::CreateFileA(name.c_str(), win::GENERIC_READ | win::GENERIC_WRITE, share, nullptr,
                                                win::OPEN_EXISTING, 0, nullptr);
    if (handle != win::INVALID_HANDLE_VALUE) return DriveHandle(handle);
  }
  return DriveHandle();
}

}  // namespace tarnlok
