#include "device/vwin32.h"

#include "platform/win/devices/device_io.h"

#include <array>

namespace tarnlok {

win::BOOL SendVwin32Request(win::HANDLE vwin32, win::DWORD code, Vwin32Registers& registers) {
  std::array<win::BYTE, win::kDiocRegistersSize> block{};
  win::WriteDiocRegisters(block, registers);
  win::DWORD returned = 0;
  const auto size = static_cast<win::DWORD>(block.size());
  const win::BOOL result =
      win::DeviceIoControl(vwin32, code, block.data(), size, block.data(), size, &returned, nullptr);
  if (result) registers = win::ReadDiocRegisters(block);
  return result;
}

bool SendDosIoctl(win::HANDLE vwin32, win::DWORD ebx, win::DWORD edx, win::DWORD ecx) {
  Vwin32Registers registers;
  registers.eax = win::kDosIoctl;
  registers.ebx = ebx;
  registers.edx = edx;
  registers.ecx = ecx;
  return SendVwin32Request(vwin32, win::VWIN32_DIOC_DOS_IOCTL, registers) &&
         (registers.flags & win::kDiocCarryFlag) == 0;
}

}  // namespace tarnlok
