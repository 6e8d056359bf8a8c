#include "formatlib/fat/sector_transfer.h"

#include "formatlib/command/format_library_state.h"

#include "platform/win/devices/device_io.h"
#include "platform/win/files/files.h"
#include "platform/win/layouts/address_tokens.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/vwin32_registers.h"
#include "platform/win/system/handle_table.h"

#include <array>

namespace pradvik {
namespace {

bool UsableHandle(win::HANDLE handle) { return handle != nullptr && handle != win::INVALID_HANDLE_VALUE; }

std::uint32_t TransferThroughHandle(const SectorIoRequest& request) {
  win::LARGE_INTEGER offset{};
  offset.QuadPart = static_cast<win::LONGLONG>(std::uint64_t{request.firstSector} * kSectorBytes);
  if (win::SetFilePointerEx(request.handle, offset, nullptr, win::FILE_BEGIN) == win::FALSE) return 1;
  const auto bytes = static_cast<win::DWORD>(std::uint64_t{request.sectorCount} * kSectorBytes);
  win::DWORD moved = 0;
  const win::BOOL done = request.operation == kTransferWrite
                             ? win::WriteFile(request.handle, request.buffer, bytes, &moved, nullptr)
                             : win::ReadFile(request.handle, request.buffer, bytes, &moved, nullptr);
  return done != win::FALSE && moved > 0 ? 0 : 1;
}

// The DOS absolute disk read and write (INT 25h and 26h) as vwin32 carries them: the registers
// name a packed disk-I/O block of first sector, count and buffer address.
std::uint32_t TransferThroughVwin32(const SectorIoRequest& request) {
  const std::size_t bytes = std::size_t{static_cast<win::WORD>(request.sectorCount)} * kSectorBytes;
  const win::AddressRegistration data(request.buffer, bytes);
  std::array<win::BYTE, 10> diskIo{};
  const win::AddressRegistration diskIoAddress(diskIo.data(), diskIo.size());
  if (data.token() == 0 || diskIoAddress.token() == 0) return 1;
  win::WriteLe32(diskIo, 0, request.firstSector);
  win::WriteLe16(diskIo, 4, static_cast<win::WORD>(request.sectorCount));
  win::WriteLe32(diskIo, 6, data.token());
  const bool write = request.operation == kTransferWrite;
  win::DiocRegisters registers;
  registers.ebx = diskIoAddress.token();
  registers.ecx = 0xFFFFFFFF;
  registers.eax = LibraryState().driveIndex;
  registers.flags = write ? 0 : 1;
  std::array<win::BYTE, win::kDiocRegistersSize> block{};
  win::WriteDiocRegisters(block, registers);
  win::DWORD returned = 0;
  const win::DWORD code = write ? win::VWIN32_DIOC_DOS_INT26 : win::VWIN32_DIOC_DOS_INT25;
  if (win::DeviceIoControl(request.handle, code, block.data(), static_cast<win::DWORD>(block.size()), block.data(),
                           static_cast<win::DWORD>(block.size()), &returned, nullptr) == win::FALSE) {
    return 1;
  }
  return win::ReadDiocRegisters(block).eax == 0 ? 0 : 1;
}

}  // namespace

std::uint32_t TransferSectors(SectorIoRequest request) {
  if (!UsableHandle(request.handle)) return 1;
  return IsNtClass(LibraryState().osKind) ? TransferThroughHandle(request) : TransferThroughVwin32(request);
}

}  // namespace pradvik
