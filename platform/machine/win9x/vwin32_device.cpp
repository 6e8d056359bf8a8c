#include "platform/machine/win9x/vwin32_device.h"

#include "platform/machine/cards/card_media.h"
#include "platform/machine/nt/disk_layouts.h"

#include "platform/win/layouts/address_tokens.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/devices/device_io.h"
#include "platform/win/files/files.h"

#include <algorithm>
#include <array>

namespace machine {
namespace {

constexpr win::DWORD kCarry = 0x0001;

constexpr win::WORD kGenericIoctl = 0x440D;
constexpr win::BYTE kMinorLock = 0x4A;
constexpr win::BYTE kMinorUnlock = 0x6A;
constexpr win::BYTE kMinorDeviceParameters = 0x60;
constexpr win::BYTE kCategoryOlder = 0x08;
constexpr win::BYTE kCategoryExtended = 0x48;
constexpr win::BYTE kHighestLockLevel = 3;
constexpr win::DWORD kPermissionBits = 0x07;

// DOS errors of the IOCTL calls.
constexpr win::DWORD kDosInvalidFunction = 0x01;
constexpr win::DWORD kDosAccessDenied = 0x05;
constexpr win::DWORD kDosInvalidDrive = 0x0F;
constexpr win::DWORD kDosNotReady = 0x15;
constexpr win::DWORD kDosInvalidParameter = 0x57;
constexpr win::DWORD kDosVolumeNotLocked = 0xB0;

// DISKIO, the record of the absolute sector calls.
constexpr std::size_t kDiskIoSize = 10;
constexpr std::size_t kDiskIoStart = 0;
constexpr std::size_t kDiskIoCount = 4;
constexpr std::size_t kDiskIoBuffer = 6;
constexpr win::DWORD kDiskIoForm = 0xFFFFFFFF;

// INT 25h/26h errors: BIOS status in AH, DOS error in AL.
constexpr win::DWORD kSectorUnknownUnit = 0x0101;
constexpr win::DWORD kSectorBadRequest = 0x0105;
constexpr win::DWORD kSectorGeneralFailure = 0x200C;

struct SectorError {
  win::DWORD error;
  win::DWORD eax;
};

constexpr std::array kSectorErrors{
    SectorError{win::ERROR_WRITE_PROTECT, 0x0300},    SectorError{win::ERROR_NOT_READY, 0x8002},
    SectorError{win::ERROR_SECTOR_NOT_FOUND, 0x0408}, SectorError{win::ERROR_CRC, 0x1004},
    SectorError{win::ERROR_WRITE_FAULT, 0x200A},
};

win::DWORD SectorErrorOf(win::DWORD error) {
  const auto* found = std::find_if(kSectorErrors.begin(), kSectorErrors.end(),
                                   [error](const SectorError& entry) { return entry.error == error; });
  return found == kSectorErrors.end() ? kSectorGeneralFailure : found->eax;
}

bool Finish(Vwin32Device::Registers& registers, win::DWORD dosError) {
  if (dosError == 0) {
    registers.flags &= ~kCarry;
  } else {
    registers.flags |= kCarry;
    registers.eax = dosError;
  }
  return true;
}

}  // namespace

Vwin32Device::Vwin32Device(std::vector<std::shared_ptr<Reader>> readers, win::WindowsVersion windows)
    : readers_(std::move(readers)), windows_(windows) {}

Vwin32Device::~Vwin32Device() {
  for (const auto& [drive, lock] : locks_) {
    if (const auto reader = ReaderOfDrive(drive - 1U)) {
      reader->Unlock(DeviceRole::Volume, lock.handle);
      reader->Close(DeviceRole::Volume, lock.handle);
    }
  }
}

std::shared_ptr<Reader> Vwin32Device::ReaderOfDrive(win::DWORD zeroBasedDrive) const {
  if (zeroBasedDrive >= 26) return nullptr;
  const char letter = static_cast<char>('A' + zeroBasedDrive);
  const auto found = std::find_if(readers_.begin(), readers_.end(),
                                  [letter](const auto& reader) { return reader->Description().letter == letter; });
  return found == readers_.end() ? nullptr : *found;
}

win::BOOL Vwin32Device::IoControl(win::DWORD code, std::span<const win::BYTE> input, std::span<win::BYTE> output,
                                  win::DWORD& bytesReturned) {
  bytesReturned = 0;
  if (code < win::VWIN32_DIOC_DOS_IOCTL || code > win::VWIN32_DIOC_DOS_INT26)
    return win::Fail(win::ERROR_NOT_SUPPORTED);
  if (input.size() < win::kDiocRegistersSize || output.size() < win::kDiocRegistersSize) {
    return win::Fail(win::ERROR_INVALID_PARAMETER);
  }
  Registers registers = win::ReadDiocRegisters(input);
  win::DWORD error = win::ERROR_SUCCESS;
  const bool answered = code == win::VWIN32_DIOC_DOS_IOCTL
                            ? DosIoctl(registers)
                            : AbsoluteSectors(registers, code == win::VWIN32_DIOC_DOS_INT26, error);
  if (!answered) return win::Fail(error);
  win::WriteDiocRegisters(output, registers);
  bytesReturned = win::kDiocRegistersSize;
  return win::TRUE;
}

bool Vwin32Device::DosIoctl(Registers& registers) {
  const auto category = static_cast<win::BYTE>(registers.ecx >> 8);
  const auto minor = static_cast<win::BYTE>(registers.ecx);
  const bool knownCategory =
      category == kCategoryOlder || (category == kCategoryExtended && windows_ != win::WindowsVersion::Win95);
  if ((registers.eax & 0xFFFF) != kGenericIoctl || !knownCategory) return Finish(registers, kDosInvalidFunction);
  if (minor == kMinorLock) return Lock(registers);
  if (minor == kMinorUnlock) return Unlock(registers);
  if (minor == kMinorDeviceParameters) return DeviceParameters(registers);
  return Finish(registers, kDosInvalidFunction);
}

bool Vwin32Device::DeviceParameters(Registers& registers) {
  const auto drive = static_cast<win::BYTE>(registers.ebx & 0xFF);
  const auto reader = drive == 0 ? nullptr : ReaderOfDrive(drive - 1U);
  if (!reader) return Finish(registers, kDosInvalidDrive);
  auto* block = static_cast<win::BYTE*>(win::ResolveAddressToken(registers.edx, win::device_parameters::kSize));
  if (block == nullptr) return Finish(registers, kDosInvalidParameter);
  const auto medium = reader->Medium();
  if (!medium) return Finish(registers, kDosNotReady);
  WriteDeviceParameters(std::span(block, win::device_parameters::kSize), medium->cardSectors,
                        reader->Description().bus);
  return Finish(registers, 0);
}

bool Vwin32Device::Lock(Registers& registers) {
  const auto drive = static_cast<win::BYTE>(registers.ebx & 0xFF);
  const auto level = static_cast<win::BYTE>((registers.ebx >> 8) & 0xFF);
  const auto reader = drive == 0 ? nullptr : ReaderOfDrive(drive - 1U);
  if (!reader) return Finish(registers, kDosInvalidDrive);
  if (level > kHighestLockLevel || (registers.edx & ~kPermissionBits) != 0) {
    return Finish(registers, kDosInvalidParameter);
  }
  // A level is taken again (nested) or one above the highest held; level 0 comes first. The
  // entry is made only once the order holds: an empty one would be unlocked below nothing.
  const auto held = locks_.find(drive);
  const bool inOrder = held == locks_.end()
                           ? level == 0
                           : level == held->second.levels.back() || level == held->second.levels.back() + 1;
  if (!inOrder) return Finish(registers, kDosAccessDenied);
  DriveLock& lock = locks_[drive];
  if (lock.levels.empty()) {
    const win::DWORD share = win::FILE_SHARE_READ | win::FILE_SHARE_WRITE;
    if (reader->Open(DeviceRole::Volume, 0, share, lock.handle) != win::ERROR_SUCCESS) {
      locks_.erase(drive);
      return Finish(registers, kDosAccessDenied);
    }
    if (reader->Lock(DeviceRole::Volume, lock.handle) != win::ERROR_SUCCESS) {
      reader->Close(DeviceRole::Volume, lock.handle);
      locks_.erase(drive);
      return Finish(registers, kDosAccessDenied);
    }
  }
  lock.levels.push_back(level);
  return Finish(registers, 0);
}

bool Vwin32Device::Unlock(Registers& registers) {
  const auto drive = static_cast<win::BYTE>(registers.ebx & 0xFF);
  const auto reader = drive == 0 ? nullptr : ReaderOfDrive(drive - 1U);
  if (!reader) return Finish(registers, kDosInvalidDrive);
  const auto found = locks_.find(drive);
  if (found == locks_.end()) return Finish(registers, kDosVolumeNotLocked);
  found->second.levels.pop_back();
  if (found->second.levels.empty()) {
    reader->Unlock(DeviceRole::Volume, found->second.handle);
    reader->Close(DeviceRole::Volume, found->second.handle);
    locks_.erase(found);
  }
  return Finish(registers, 0);
}

bool Vwin32Device::AbsoluteSectors(Registers& registers, bool write, win::DWORD& error) {
  const auto reader = ReaderOfDrive(registers.eax);
  if (!reader) return Finish(registers, kSectorUnknownUnit);
  if (registers.ecx != kDiskIoForm) return Finish(registers, kSectorBadRequest);
  const auto* record = static_cast<const win::BYTE*>(win::ResolveAddressToken(registers.ebx, kDiskIoSize));
  if (record == nullptr) {
    error = win::ERROR_NOACCESS;
    return false;
  }
  const std::span<const win::BYTE> diskIo(record, kDiskIoSize);
  const std::uint64_t first = win::ReadLe32(diskIo, kDiskIoStart);
  const std::size_t bytes = std::size_t{win::ReadLe16(diskIo, kDiskIoCount)} * kSectorSize;
  auto* buffer = static_cast<win::BYTE*>(win::ResolveAddressToken(win::ReadLe32(diskIo, kDiskIoBuffer), bytes));
  if (buffer == nullptr && bytes != 0) {
    error = win::ERROR_NOACCESS;
    return false;
  }
  const auto found = locks_.find(static_cast<win::BYTE>(registers.eax + 1));
  const HandleId handle = found == locks_.end() ? 0 : found->second.handle;
  const std::span<win::BYTE> data(buffer, bytes);
  const win::DWORD result = write ? reader->Write(DeviceRole::Volume, handle, first * kSectorSize, data)
                                  : reader->Read(DeviceRole::Volume, handle, first * kSectorSize, data);
  if (result != win::ERROR_SUCCESS) return Finish(registers, SectorErrorOf(result));
  registers.eax = 0;
  return Finish(registers, 0);
}

}  // namespace machine
