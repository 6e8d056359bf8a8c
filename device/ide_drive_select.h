// Which drive of an IDE reader answers: IDENTIFY DEVICE to the master, and to the slave where
// the master does not answer as the maker's readers do (both reader marks set), ten attempts
// each through IDE pass-through.
#pragma once

#include "platform/win/system/types.h"

#include <optional>
#include <vector>

namespace tarnlok {

class DeviceLog;

struct IdeSelection {
  win::BYTE driveSelect = 0xA0;
  // The identification data that hold after the attempts (earlier data where no attempt answered
  // and the master was silent).
  std::optional<std::vector<win::BYTE>> identify;
  bool attemptAnswered = false;
};

// Runs the attempts; earlier holds data a previous request gave. Log lines go to log when given.
IdeSelection SelectIdeDrive(win::HANDLE handle, std::optional<std::vector<win::BYTE>> earlier, DeviceLog* log);

}  // namespace tarnlok
