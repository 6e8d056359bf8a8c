// The Windows 9x "\\.\vwin32" device of the machine, over the DOS-call register block
// (DIOC_REGISTERS: EBX, EDX, ECX, EAX, EDI, ESI, Flags; 28 bytes in and out, carry = bit 0):
//   code 1  DOS IOCTL 440Dh, lock (minor 4Ah) and unlock (6Ah) of a logical volume: BL the
//           drive (1 = A:), BH the lock level (0 to 3), EDX the permissions (bits 0-2); the
//           FAT32-era category 48h besides the older 08h, except on Windows 95 before OSR2
//   code 2  absolute read (INT 25h), code 3 absolute write (INT 26h): EAX the drive (0 = A:),
//           ECX 0FFFFFFFFh, EBX the address of the DISKIO record (u32 first sector, u16 count,
//           u32 buffer address); sectors count from the volume's start
//   code 1  DOS IOCTL 440Dh minor 60h, Get Device Parameters: BL the drive (1 = A:), EDX the
//           address of the parameter block, filled with the medium's geometry (the drive's
//           cylinders, heads, sectors per track and sector counts; the rest left as it was)
// A failure sets carry and puts the DOS error in EAX (INT 25h/26h: BIOS status in AH, DOS error
// in AL; success leaves EAX 0). Locks nest: each lock call takes one level, each unlock gives
// the highest back; the first lock takes the reader's volume lock (refused while files are
// open), the last unlock gives it back and the partition table is read again. An address that
// names no registered memory fails the call with ERROR_NOACCESS.
// Not provided: INT 13h (code 4), the other DOS IOCTL minor codes.
#pragma once

#include "platform/machine/win9x/control_device.h"
#include "platform/machine/reader/reader.h"

#include "platform/win/layouts/vwin32_registers.h"
#include "platform/win/system/windows_version.h"

#include <map>
#include <memory>
#include <vector>

namespace machine {

class Vwin32Device final : public ControlDevice {
 public:
  Vwin32Device(std::vector<std::shared_ptr<Reader>> readers, win::WindowsVersion windows);
  ~Vwin32Device() override;

  win::BOOL IoControl(win::DWORD code, std::span<const win::BYTE> input, std::span<win::BYTE> output,
                      win::DWORD& bytesReturned) override;

  using Registers = win::DiocRegisters;

 private:
  struct DriveLock {
    HandleId handle = 0;
    std::vector<win::BYTE> levels;
  };

  std::shared_ptr<Reader> ReaderOfDrive(win::DWORD zeroBasedDrive) const;
  // Each sets the carry flag and EAX of registers; false: the call itself fails with error.
  bool DosIoctl(Registers& registers);
  bool Lock(Registers& registers);
  bool Unlock(Registers& registers);
  bool DeviceParameters(Registers& registers);
  bool AbsoluteSectors(Registers& registers, bool write, win::DWORD& error);

  std::vector<std::shared_ptr<Reader>> readers_;
  win::WindowsVersion windows_;
  std::map<win::BYTE, DriveLock> locks_;
};

}  // namespace machine
