#include "device/vwin32.h"

#include "platform/win/byte_order.h"
#include "platform/win/device_io.h"

#include <array>

namespace tarnlok {

win::BOOL SendVwin32Request(win::HANDLE vwin32, win::DWORD code, Vwin32Registers& registers) {
  win::DWORD* const fields[] = {&registers.ebx, &registers.edx, &registers.ecx, &registers.eax,
                                &registers.edi, &registers.esi, &registers.flags};
  std::array<win::BYTE, 28> block{};
  for (std::size_t i = 0; i < std::size(fields); ++i) win::WriteLe32(block, 4 * i, *fields[i]);
  win::DWORD returned = 0;
  const auto size = static_cast<win::DWORD>(block.size());
  const win::BOOL result = win::DeviceIoControl(vwin32, code, block.data(), size, block.data(), size, &returned, nullptr);
  if (result) {
    for (std::size_t i = 0; i < std::size(fields); ++i) *fields[i] = win::ReadLe32(block, 4 * i);
  }
  return result;
}

}  // namespace tarnlok
