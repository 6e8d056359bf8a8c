#include "shell/refresh_info_page.h"

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
#include "shell/control_ids.h"
#include "shell/shell_state.h"
#include "device/device_messages.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace tarnlok {
namespace {

using namespace info_page;

// Megabytes of the media size codes: SmartMedia 1 to 12, Memory Stick 32 to 37.
constexpr std::array<int, 12> kSmartMediaMegabytes = {1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024, 2048};
constexpr std::array<int, 6> kMemoryStickMegabytes = {4, 8, 16, 32, 64, 128};

std::string Megabytes(long long value) { return std::to_string(value) + " " + LoadProgramString(kStringMegabytes); }

std::string SizeCodeText(win::DWORD code) {
  if (code >= 1 && code <= kSmartMediaMegabytes.size()) return Megabytes(kSmartMediaMegabytes[code - 1]);
  if (code >= 32 && code <= 37) return Megabytes(kMemoryStickMegabytes[code - 32]);
  return {};
}

// Length of a text in a fixed field that may lack its terminator.
std::size_t FixedLength(const char* text, std::size_t size) {
  return static_cast<std::size_t>(std::find(text, text + size, '\0') - text);
}

bool RawFlash(win::BYTE kind) { return kind == kSmartMedia || kind == kMemoryStick; }
bool CardTypeRoad(const DeviceEntry& entry) { return entry.busKind == kBusIde || entry.busKind == kBusPcmcia; }

}  // namespace

DriveHandle OpenForQuery(const DeviceEntry& entry, bool pcmciaMessage) {
  if (OsKindIsNt()) {
    DriveHandle volume = OpenCardVolume(entry.driveLetter);
    if (!volume.IsOpen()) {
      const bool pcmcia = pcmciaMessage && entry.busKind == kBusPcmcia;
      ui::AfxMessageBox(pcmcia ? kStringOpenFailedPcmcia : kStringOpenFailed, ui::MB_ICONERROR);
    }
    return volume;
  }
  constexpr win::DWORD access = win::GENERIC_READ | win::GENERIC_WRITE;
  constexpr win::DWORD share = win::FILE_SHARE_READ | win::FILE_SHARE_WRITE;
  if (CardTypeRoad(entry)) {
    return DriveHandle(win::CreateFileA("\\\\.\\Tarnlok.vxd", access, share, nullptr, win::OPEN_EXISTING,
                                        win::FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  }
  win::HANDLE vwin32 = win::CreateFileA("\\\\.\\vwin32", access, share, nullptr, win::OPEN_EXISTING, 0, nullptr);
  if (vwin32 == win::INVALID_HANDLE_VALUE) {
    vwin32 = win::CreateFileA("\\\\.\\vwin32", access, win::FILE_SHARE_READ, nullptr, win::OPEN_EXISTING, 0, nullptr);
  }
  return DriveHandle(vwin32);
}

namespace {

// The handle GetCardType and CheckMediaPresent take: the volume on 2000 and XP, none on NT4,
// else the Windows 9x handle.
win::HANDLE ReaderQueryHandle(const DriveHandle& handle) {
  return OsKind == kOsWindowsNt4 ? win::INVALID_HANDLE_VALUE : handle.get();
}

}  // namespace

CardQueryAnswer QueryCard(const DriveHandle& opened, DeviceEntry& entry) {
  const win::HANDLE handle = CardTypeRoad(entry) ? ReaderQueryHandle(opened) : opened.get();
  win::DWORD first = 0;
  win::DWORD second = 0;
  win::DWORD third = 0;
  win::BYTE writeProtected = 0;
  if (CardTypeRoad(entry)) {
    const win::DWORD value = GetCardType(handle, &entry, &first, &second, &writeProtected, &third);
    return {true, true, value};
  }
  win::DWORD sizeOrCode = 0;
  const int done = GetMediaCapacity(handle, &entry, &sizeOrCode, &first, &second, &writeProtected, &third);
  return {false, done == 1, sizeOrCode};
}

std::string QueryCapacity(const DriveHandle& opened, DeviceEntry& entry) {
  const CardQueryAnswer answer = QueryCard(opened, entry);
  return CapacityText(answer.cardTypeRoad, answer.succeeded, entry.deviceKind, answer.value);
}

namespace {

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

std::string CapacityText(bool cardTypeRoad, bool succeeded, win::BYTE deviceKind, win::DWORD value) {
  if (cardTypeRoad) {
    if (value == 0) return LoadProgramString(kStringNoMediaText);
    // GetCardType answers an unknown SmartMedia card with its capacity, which is no size code.
    if (deviceKind == kSmartMedia) return value <= kSmartMediaMegabytes.size() ? SizeCodeText(value) : std::string();
    return Megabytes(value);
  }
  if (!succeeded) return LoadProgramString(kStringNoMediaText);
  if (RawFlash(deviceKind)) return SizeCodeText(value);
  return value != 0 ? Megabytes(value) : LoadProgramString(kStringNoMediaText);
}

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
