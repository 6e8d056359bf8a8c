#include "shell/refresh_info_page.h"

#include "device/card_query.h"
#include "device/card_type.h"
#include "device/device_state.h"
#include "device/drive_handle.h"
#include "device/media_capacity.h"
#include "device/string_ids.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/win_app.h"
#include "platform/ui/windows/window_api.h"
#include "platform/win/files/files.h"
#include "platform/win/files/volumes.h"
#include "controls/control_ids.h"
#include "controls/shell_state.h"
#include "device/device_messages.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace tarnlok {
namespace {

using namespace info_page;

// Length of a text in a fixed field that may lack its terminator.
std::size_t FixedLength(const char* text, std::size_t size) {
  return static_cast<std::size_t>(std::find(text, text + size, '\0') - text);
}

void SetText(int control, const std::string& text) { ui::SetDlgItemTextA(ActivePageHwnd, control, text.c_str()); }

void ShowVolume(char letter) {
  const std::string root = std::string(1, letter) + ":\\";
  char label[12] = {};
  char fileSystem[10] = {};
  win::DWORD serial = 0;
  win::DWORD longest = 0;
  win::DWORD flags = 0;
  win::GetVolumeInformationA(root.c_str(), label, sizeof(label), &serial, &longest, &flags, fileSystem,
                             sizeof(fileSystem));
  const std::string labelText(label, FixedLength(label, 10));
  SetText(kVolumeLabel, labelText.empty() ? LoadProgramString(kStringUntitled) : " " + labelText);
  SetText(kFileSystem, " " + std::string(fileSystem, FixedLength(fileSystem, sizeof(fileSystem))));

  win::DWORD sectorsPerCluster = 0;
  win::DWORD bytesPerSector = 0;
  win::DWORD freeClusters = 0;
  win::DWORD totalClusters = 0;
  if (win::GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) {
    const double cluster = static_cast<double>(sectorsPerCluster) * bytesPerSector;
    MessageText = FreeSpaceText(cluster * freeClusters);
    PromptText = UsedSpaceText(cluster * (static_cast<double>(totalClusters) - freeClusters));
  }
}

}  // namespace

std::string FreeSpaceText(double freeBytes) {
  char text[64];
  std::snprintf(text, sizeof(text), "Free: %6.1f MB", freeBytes / 1048576.0);
  return text;
}

std::string UsedSpaceText(double usedBytes) {
  char text[64];
  std::snprintf(text, sizeof(text), "Used: %6.1f MB", usedBytes / 1048576.0);
  return text;
}

void RefreshInfoPage() {
  if (CurrentDevice == nullptr || ActivePageHwnd == nullptr) return;
  DeviceEntry& entry = *CurrentDevice;
  SetText(kDrive, std::string(" ") + entry.driveLetter + ":\\");
  DriveHandle handle = OpenForQuery(entry, true);
  const bool cardTypeRoad = CardTypeRoad(entry);
  if (handle.IsOpen()) SetText(kCapacity, " " + QueryCapacity(handle, entry));
  SetText(kFirmware, cardTypeRoad ? std::string() : " " + std::string(entry.revision, FixedLength(entry.revision, 4)));
  SetText(kDeviceName, " " + std::string(entry.product, FixedLength(entry.product, 16)));
  bool supported = false;
  if (RawFlash(entry.deviceKind)) {
    CheckMediaPresent(ReaderQueryHandle(handle), &entry);
    supported = MediaPresent != 0;
  }
  SetText(kLowLevelSupport, LoadProgramString(supported ? kStringSupportYes : kStringSupportNo));
  MediaPresent = 0;
  handle.Close();
  ShowVolume(entry.driveLetter);
  MessageText.clear();
  PromptText.clear();
}

}  // namespace tarnlok
