#include "device/volume_lock.h"

#include "device/command_roads.h"
#include "device/device_messages.h"
#include "device/device_state.h"
#include "device/reader_commands.h"
#include "device/scsi_transport.h"
#include "device/vwin32.h"
#include "platform/win/devices/device_io.h"
#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"
#include "platform/win/system/last_error.h"
#include "platform/win/files/volumes.h"
#include "platform/win/layouts/scsi_commands.h"

#include <algorithm>
#include <array>

namespace tarnlok {
namespace {

bool SendControl(win::HANDLE handle, win::DWORD code) {
  win::DWORD returned = 0;
  return win::DeviceIoControl(handle, code, nullptr, 0, nullptr, 0, &returned, nullptr) != 0;
}

void Set(win::BYTE* flag, win::BYTE value) {
  if (flag != nullptr) *flag = value;
}

bool IsSet(const win::BYTE* flag) { return flag != nullptr && *flag != 0; }

struct WriteTestMessage {
  win::DWORD error;
  win::UINT string;
  win::BYTE stop;
};

constexpr WriteTestMessage kWriteTestMessages[] = {
    {win::ERROR_WRITE_PROTECT, 57443, 1},       {win::ERROR_DISK_FULL, 57444, 0},
    {win::ERROR_UNRECOGNIZED_VOLUME, 57445, 0}, {win::ERROR_NOT_DOS_DISK, 57446, 1},
    {win::ERROR_DEV_NOT_EXIST, 57447, 1},       {win::ERROR_SHARING_VIOLATION, 57448, 1},
};

}  // namespace

bool LockVolume9x(win::HANDLE vwin32Handle, win::BYTE drive, win::BYTE lockLevel, win::DWORD permissions) {
  const win::DWORD ebx = (win::DWORD{lockLevel} << 8) | drive;
  return SendDosIoctl(vwin32Handle, ebx, permissions, win::kDosLockVolume) ||
         SendDosIoctl(vwin32Handle, ebx, permissions, win::kDosLockVolumeOlder);
}

bool UnlockVolume9x(win::HANDLE vwin32Handle, win::BYTE drive) {
  return SendDosIoctl(vwin32Handle, drive, 0, win::kDosUnlockVolume) ||
         SendDosIoctl(vwin32Handle, drive, 0, win::kDosUnlockVolumeOlder);
}

bool LockVolumeNt(win::HANDLE handle, int mode) {
  if (mode == kLockVolume) return SendControl(handle, win::FSCTL_LOCK_VOLUME);
  if (mode != kDismountAndUnlock) return false;
  SendControl(handle, win::FSCTL_DISMOUNT_VOLUME);
  return SendControl(handle, win::FSCTL_UNLOCK_VOLUME);
}

int LockMediaVolume(win::HANDLE handle, win::HANDLE vwin32Handle, const DeviceEntry* entry, int lock,
                    win::BYTE* volumeLocked, win::BYTE* secondLock, win::BYTE* readerLocked) {
  const bool rawFlash = entry != nullptr && (entry->deviceKind == kMemoryStick || entry->deviceKind == kSmartMedia);
  if (!rawFlash) readerLocked = nullptr;
  const ReaderAddress address = AddressOf(entry);
  constexpr std::array<win::BYTE, 6> kTestUnitReady{win::kScsiTestUnitReady};
  ExecScsiCommand(handle, address.host, address.target, address.lun, kTestUnitReady.data(), kTestUnitReady.size(),
                  nullptr, 0, 0);
  const auto drive = static_cast<win::BYTE>(entry != nullptr ? entry->driveLetter - 64 : 0);
  std::array<win::BYTE, 2> reply{};
  if (lock == 1) {
    if (OsKindIsNt()) {
      Set(volumeLocked, LockVolumeNt(handle, kLockVolume) ? 1 : 0);
    } else if (entry != nullptr) {
      Set(volumeLocked, LockVolume9x(vwin32Handle, drive, 0, 2) ? 1 : 0);
      Set(secondLock, LockVolume9x(vwin32Handle, drive, 0, 4) ? 1 : 0);
    }
    if (readerLocked != nullptr) *readerLocked = SendVendorCommand(handle, address, kVendorLock, reply) ? 1 : 0;
    return 1;
  }
  if (lock == 0) {
    if (IsSet(readerLocked) && SendVendorCommand(handle, address, kVendorUnlock, reply)) *readerLocked = 0;
    if (OsKindIsNt()) {
      if (IsSet(volumeLocked) && LockVolumeNt(handle, kDismountAndUnlock)) *volumeLocked = 0;
    } else if (entry != nullptr) {
      if (IsSet(volumeLocked) && UnlockVolume9x(vwin32Handle, drive)) *volumeLocked = 0;
      if (IsSet(secondLock) && UnlockVolume9x(vwin32Handle, drive)) *secondLock = 0;
    }
  }
  return 1;
}

void TestMediaWritable(const DeviceEntry* entry, win::BYTE* stop, std::string* message) {
  if (entry == nullptr) return;
  const std::string path = std::string(1, entry->driveLetter) + ":\\Temp.txt";
  win::SetLastError(0);
  const win::HANDLE file = win::CreateFileA(path.c_str(), win::GENERIC_READ | win::GENERIC_WRITE,
                                            win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, nullptr, win::CREATE_NEW,
                                            win::FILE_ATTRIBUTE_ARCHIVE, nullptr);
  const win::DWORD error = file == win::INVALID_HANDLE_VALUE ? win::GetLastError() : 0;
  if (error == 0) {
    if (stop != nullptr) *stop = 0;
    win::CloseHandle(file);
    win::DeleteFileA(path.c_str());
    return;
  }
  const auto* found =
      std::find_if(std::begin(kWriteTestMessages), std::end(kWriteTestMessages),
                   [error](const WriteTestMessage& entryMessage) { return entryMessage.error == error; });
  if (found == std::end(kWriteTestMessages)) return;
  if (message != nullptr) *message = LoadProgramString(found->string);
  if (stop != nullptr) *stop = found->stop;
}

bool IsDriveLetterPresent(char letter) {
  const unsigned bit = static_cast<unsigned>(static_cast<unsigned char>(letter) - 'A') % 32;
  return (win::GetLogicalDrives() >> bit & 1U) != 0;
}

}  // namespace tarnlok
