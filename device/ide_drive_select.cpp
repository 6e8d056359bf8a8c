#include "device/ide_drive_select.h"

#include "device/device_entry.h"
#include "device/device_log.h"
#include "device/ide_pass_through.h"
#include "device/identify_fields.h"

namespace tarnlok {
namespace {

constexpr int kAttempts = 10;

std::optional<std::vector<win::BYTE>> Identify(win::HANDLE handle, win::BYTE deviceHead) {
  std::vector<win::BYTE> data;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (IdentifyThroughPassThrough(handle, deviceHead, data)) return data;
  }
  return std::nullopt;
}

void Log(DeviceLog* log, const char* line) {
  if (log != nullptr) log->Write(line);
}

}  // namespace

IdeSelection SelectIdeDrive(win::HANDLE handle, std::optional<std::vector<win::BYTE>> earlier, DeviceLog* log) {
  IdeSelection selection;
  selection.identify = std::move(earlier);
  auto master = Identify(handle, kAtaMaster);
  if (master && IdentifyNamesMaster(*master)) {
    selection.identify = std::move(master);
    selection.attemptAnswered = true;
    Log(log, "DriveSelect-> IDE_MASTER\n");
    return selection;
  }
  selection.driveSelect = kAtaSlave;
  auto slave = Identify(handle, kAtaSlave);
  if (slave) {
    selection.attemptAnswered = true;
    if (master && IdentifyNamesMaster(*slave)) Log(log, "DriveSelect-> IDE_SLAVE\n");
    selection.identify = std::move(slave);
  } else if (master) {
    selection.identify.reset();
  }
  return selection;
}

}  // namespace tarnlok
