#include "formatlib/command/volume_handle.h"

#include "formatlib/command/format_library_state.h"

#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"

#include <array>
#include <string>

namespace pradvik {

namespace {

win::HANDLE OpenVwin32() {
  for (const win::DWORD share :
       {win::DWORD{win::FILE_SHARE_READ | win::FILE_SHARE_WRITE}, win::DWORD{win::FILE_SHARE_READ}}) {
    const win::HANDLE handle = win::CreateFileA("\\\\.\\vwin32", 0, share, nullptr, win::OPEN_EXISTING,
                                                win::FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle != win::INVALID_HANDLE_VALUE) return handle;
  }
  return win::INVALID_HANDLE_VALUE;
}

}  // namespace

win::HANDLE OpenVolume(std::uint8_t driveIndex) {
  if (IsWindows9xClass(LibraryState().osKind)) return OpenVwin32();
  const std::string path = std::string("\\\\.\\") + static_cast<char>('A' + driveIndex) + ":";
  constexpr win::DWORD kReadWrite = win::FILE_SHARE_READ | win::FILE_SHARE_WRITE;
  for (const win::DWORD share : std::array{kReadWrite, win::FILE_SHARE_READ, kReadWrite, win::FILE_SHARE_READ}) {
    const win::HANDLE handle = win::CreateFileA(path.c_str(), win::GENERIC_READ | win::GENERIC_WRITE, share, nullptr,
                                                win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != win::INVALID_HANDLE_VALUE) return handle;
  }
  return win::INVALID_HANDLE_VALUE;
}

OwnedVolume::~OwnedVolume() {
  if (IsOpen()) win::CloseHandle(handle_);
}

bool OwnedVolume::IsOpen() const { return handle_ != nullptr && handle_ != win::INVALID_HANDLE_VALUE; }

}  // namespace pradvik
