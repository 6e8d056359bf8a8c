#include "formatlib/command/dos_volume_lock.h"

#include "platform/win/devices/device_io.h"
#include "platform/win/layouts/vwin32_registers.h"

#include <array>

namespace pradvik {

bool LockDosVolume(win::HANDLE vwin32, std::uint8_t driveIndex, bool lock) {
  win::DiocRegisters registers;
  registers.eax = win::kDosIoctl;
  registers.ecx = lock ? win::kDosLockVolumeOlder : win::kDosUnlockVolumeOlder;
  registers.ebx = win::DWORD{driveIndex} + 1u;  // BL drive (1 for A:), BH level 0
  registers.flags = win::kDiocCarryFlag;
  std::array<win::BYTE, win::kDiocRegistersSize> block{};
  win::WriteDiocRegisters(block, registers);
  win::DWORD returned = 0;
  if (win::DeviceIoControl(vwin32, win::VWIN32_DIOC_DOS_IOCTL, block.data(), static_cast<win::DWORD>(block.size()),
                           block.data(), static_cast<win::DWORD>(block.size()), &returned, nullptr) == win::FALSE) {
    return false;
  }
  return (win::ReadDiocRegisters(block).flags & win::kDiocCarryFlag) == 0;
}

}  // namespace pradvik
