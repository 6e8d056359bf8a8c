// The device log QWITLK.LOG in the current folder, written anew while the NT device list is
// built: one line per finding, nothing else.
#pragma once

#include "platform/win/system/types.h"

#include <string_view>

namespace tarnlok {

class DeviceLog {
 public:
  DeviceLog() = default;
  ~DeviceLog();
  DeviceLog(const DeviceLog&) = delete;
  DeviceLog& operator=(const DeviceLog&) = delete;

  // Removes an older log of either spelling and creates the file; false when it cannot be made.
  bool Create();
  void Write(std::string_view line);
  // Flushes and closes the file (again: nothing).
  void Close();

 private:
  win::HANDLE file_ = win::INVALID_HANDLE_VALUE;
};

}  // namespace tarnlok
