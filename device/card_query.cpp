#include "device/card_query.h"

#include "device/card_type.h"
#include "device/device_messages.h"
#include "device/device_state.h"
#include "device/media_capacity.h"
#include "device/string_ids.h"
#include "platform/ui/windows/win_app.h"
#include "platform/win/files/files.h"

#include <array>

namespace tarnlok {
namespace {

// Megabytes of the media size codes: SmartMedia 1 to 12, Memory Stick 32 to 37.
constexpr std::array<int, 12> kSmartMediaMegabytes = {1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024, 2048};
constexpr std::array<int, 6> kMemoryStickMegabytes = {4, 8, 16, 32, 64, 128};

std::string Megabytes(long long value) { return std::to_string(value) + " " + LoadProgramString(kStringMegabytes); }

std::string SizeCodeText(win::DWORD code) {
  if (code >= 1 && code <= kSmartMediaMegabytes.size()) return Megabytes(kSmartMediaMegabytes[code - 1]);
  if (code >= 32 && code <= 37) return Megabytes(kMemoryStickMegabytes[code - 32]);
  return {};
}

}  // namespace

bool RawFlash(win::BYTE kind) { return kind == kSmartMedia || kind == kMemoryStick; }
bool CardTypeRoad(const DeviceEntry& entry) { return entry.busKind == kBusIde || entry.busKind == kBusPcmcia; }

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

win::HANDLE ReaderQueryHandle(const DriveHandle& handle) {
  return OsKind == kOsWindowsNt4 ? win::INVALID_HANDLE_VALUE : handle.get();
}

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

}  // namespace tarnlok
