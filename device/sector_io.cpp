#include "device/sector_io.h"

#include "device/device_state.h"
#include "device/vwin32.h"
#include "platform/win/layouts/address_tokens.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/devices/device_io.h"
#include "platform/win/files/files.h"

#include <array>
#include <limits>

namespace tarnlok {
namespace {

int AbsoluteSectorIoNt(const SectorIoRequest& request) {
  const win::ULONGLONG bytes = win::ULONGLONG{request.sectorCount} * kCardSectorBytes;
  if (bytes == 0 || bytes > std::numeric_limits<win::DWORD>::max() || request.buffer == nullptr) return 1;
  win::LARGE_INTEGER position{};
  position.QuadPart = static_cast<win::LONGLONG>(request.firstSector * win::ULONGLONG{kCardSectorBytes});
  if (!win::SetFilePointerEx(request.handle, position, nullptr, win::FILE_BEGIN)) return 1;
  const auto size = static_cast<win::DWORD>(bytes);
  win::DWORD moved = 0;
  const win::BOOL result = request.operation == kSectorWrite
                               ? win::WriteFile(request.handle, request.buffer, size, &moved, nullptr)
                               : win::ReadFile(request.handle, request.buffer, size, &moved, nullptr);
  // A short transfer left sectors unread or unwritten: that is no success.
  return result && moved == size ? 0 : 1;
}

int AbsoluteSectorIo9x(const SectorIoRequest& request) {
  const auto count = static_cast<win::WORD>(request.sectorCount & 0xFFFF);
  const win::AddressRegistration buffer(request.buffer, count * kCardSectorBytes);
  std::array<win::BYTE, 10> diskIo{};
  win::WriteLe32(diskIo, 0, request.firstSector);
  win::WriteLe16(diskIo, 4, count);
  win::WriteLe32(diskIo, 6, buffer.token());
  const win::AddressRegistration diskIoAddress(diskIo.data(), diskIo.size());

  Vwin32Registers registers;
  registers.ebx = diskIoAddress.token();
  registers.ecx = 0xFFFFFFFF;
  registers.eax = static_cast<win::DWORD>(CardDriveLetter - 'A');
  registers.flags = request.operation == kSectorRead ? 1 : 0;
  const win::DWORD code = request.operation == kSectorRead ? win::VWIN32_DIOC_DOS_INT25 : win::VWIN32_DIOC_DOS_INT26;
  const win::BOOL result = SendVwin32Request(request.handle, code, registers);
  if (UseDriveLetterIo != 0) return result ? 0 : 1;
  return result && registers.eax == 0 ? 0 : 1;
}

}  // namespace

int AbsoluteSectorIo(SectorIoRequest request) {
  if (request.handle == nullptr || request.handle == win::INVALID_HANDLE_VALUE) return 1;
  return OsKindIsNt() ? AbsoluteSectorIoNt(request) : AbsoluteSectorIo9x(request);
}

}  // namespace tarnlok
