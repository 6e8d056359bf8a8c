#include "operations/backup_names.h"

#include "device/device_entry.h"
#include "device/device_messages.h"
#include "device/device_state.h"
#include "device/string_ids.h"
#include "platform/win/system/system_clock.h"

#include <cstdio>

namespace tarnlok {
namespace {

constexpr char kImageExtension[] = ".FMB";

}  // namespace

bool IsRawFlashBackup(win::BYTE deviceKind) { return deviceKind == kSmartMedia || deviceKind == kMemoryStick; }

std::string DefaultImageName(const std::string& folder, win::BYTE deviceKind) {
  win::SYSTEMTIME now{};
  win::GetLocalTime(&now);
  char name[600];
  if (IsRawFlashBackup(deviceKind)) {
    PromptText = LoadProgramString(deviceKind == kMemoryStick ? kStringMemoryStick : kStringSmartMedia);
    std::snprintf(name, sizeof(name), "%s%s_%02d%02d%04d_%02d%02d%s", folder.c_str(), PromptText.c_str(), now.wMonth,
                  now.wDay, now.wYear, now.wHour, now.wMinute, kImageExtension);
  } else {
    std::snprintf(name, sizeof(name), "%s%02d%02d%04d_%02d%02d%s", folder.c_str(), now.wMonth, now.wDay, now.wYear,
                  now.wHour, now.wMinute, kImageExtension);
  }
  return name;
}

}  // namespace tarnlok
