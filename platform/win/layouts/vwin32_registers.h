// The DOS-call register block of the Windows 9x "\\.\vwin32" device (DIOC_REGISTERS): seven u32
// in the order EBX, EDX, ECX, EAX, EDI, ESI, Flags, sent in and read back out.
#pragma once

#include "platform/win/layouts/byte_order.h"
#include "platform/win/system/types.h"

#include <cstddef>
#include <span>

namespace win {

struct DiocRegisters {
  DWORD ebx = 0;
  DWORD edx = 0;
  DWORD ecx = 0;
  DWORD eax = 0;
  DWORD edi = 0;
  DWORD esi = 0;
  DWORD flags = 0;
};

constexpr std::size_t kDiocRegistersSize = 28;

constexpr DWORD kDiocCarryFlag = 0x0001;  // in flags: the DOS call failed

// The DOS generic IOCTL for block devices (AX) and its lock and unlock minor codes (CX), the
// FAT32-aware form and the older one.
constexpr DWORD kDosIoctl = 0x440D;
constexpr DWORD kDosLockVolume = 0x484A;
constexpr DWORD kDosLockVolumeOlder = 0x084A;
constexpr DWORD kDosUnlockVolume = 0x486A;
constexpr DWORD kDosUnlockVolumeOlder = 0x086A;
// Get Device Parameters: EDX the address of the parameter block below.
constexpr DWORD kDosGetDeviceParameters = 0x0860;

// The parameter block of Get Device Parameters (DEVICEPARAMS): the drive's cylinders, then its
// BIOS parameter block from byte 7, of which the geometry fields are read here.
namespace device_parameters {
constexpr std::size_t kSize = 38;
constexpr std::size_t kDeviceType = 1;
constexpr std::size_t kCylinders = 4;  // u16
constexpr std::size_t kBytesPerSector = 7;  // u16
constexpr std::size_t kTotalSectors = 15;  // u16, 0 when the count needs kBigTotalSectors
constexpr std::size_t kSectorsPerTrack = 20;  // u16
constexpr std::size_t kHeads = 22;  // u16
constexpr std::size_t kBigTotalSectors = 28;  // u32
}  // namespace device_parameters

// block holds at least kDiocRegistersSize bytes.
inline DiocRegisters ReadDiocRegisters(std::span<const BYTE> block) {
  return {ReadLe32(block, 0),  ReadLe32(block, 4),  ReadLe32(block, 8), ReadLe32(block, 12),
          ReadLe32(block, 16), ReadLe32(block, 20), ReadLe32(block, 24)};
}

inline void WriteDiocRegisters(std::span<BYTE> block, const DiocRegisters& registers) {
  const DWORD fields[] = {registers.ebx, registers.edx, registers.ecx,  registers.eax,
                          registers.edi, registers.esi, registers.flags};
  for (std::size_t i = 0; i < std::size(fields); ++i) WriteLe32(block, 4 * i, fields[i]);
}

}  // namespace win
