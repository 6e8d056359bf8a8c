#include "device/device_parameters_9x.h"

#include "device/vwin32.h"
#include "platform/win/layouts/address_tokens.h"

#include <array>

namespace tarnlok {
namespace {

namespace params = win::device_parameters;

constexpr win::WORD kSectorBytes = 512;
// Special functions bit 0: the parameters of the medium in the drive, not the drive's default.
constexpr win::BYTE kCurrentMedium = 0x01;

}  // namespace

std::optional<win::DWORD> DiskSectors9x(win::HANDLE vwin32, char driveLetter) {
  if (driveLetter < 'A' || driveLetter > 'Z') return std::nullopt;
  std::array<win::BYTE, params::kSize> block{};
  block[0] = kCurrentMedium;
  const win::AddressRegistration address(block.data(), block.size());
  if (address.token() == 0) return std::nullopt;
  const auto drive = static_cast<win::DWORD>(driveLetter - 'A' + 1);
  if (!SendDosIoctl(vwin32, drive, address.token(), win::kDosGetDeviceParameters)) return std::nullopt;
  if (win::ReadLe16(block, params::kBytesPerSector) != kSectorBytes) return std::nullopt;
  const win::ULONGLONG sectors = win::ULONGLONG{win::ReadLe16(block, params::kCylinders)} *
                                 win::ReadLe16(block, params::kHeads) * win::ReadLe16(block, params::kSectorsPerTrack);
  if (sectors == 0) return std::nullopt;
  return static_cast<win::DWORD>(sectors);
}

}  // namespace tarnlok
