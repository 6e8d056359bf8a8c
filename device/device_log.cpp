#include "device/device_log.h"

#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"

namespace tarnlok {

DeviceLog::~DeviceLog() { Close(); }

bool DeviceLog::Create() {
  win::DeleteFileA("QWITLK.log");
  file_ = win::CreateFileA("QWITLK.LOG", win::GENERIC_WRITE, 0, nullptr, win::CREATE_ALWAYS, win::FILE_ATTRIBUTE_NORMAL,
                           nullptr);
  return file_ != win::INVALID_HANDLE_VALUE;
}

void DeviceLog::Write(std::string_view line) {
  if (file_ == win::INVALID_HANDLE_VALUE) return;
  win::DWORD written = 0;
  win::WriteFile(file_, line.data(), static_cast<win::DWORD>(line.size()), &written, nullptr);
}

void DeviceLog::Close() {
  if (file_ == win::INVALID_HANDLE_VALUE) return;
  win::FlushFileBuffers(file_);
  win::CloseHandle(file_);
  file_ = win::INVALID_HANDLE_VALUE;
}

}  // namespace tarnlok
