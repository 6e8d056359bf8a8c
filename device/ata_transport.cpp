#include "device/ata_transport.h"

#include "device/card_driver.h"
#include "device/device_state.h"
#include "device/reader_commands.h"
#include "platform/win/layouts/ata_registers.h"

#include <algorithm>
#include <array>

namespace tarnlok {
namespace {

enum class Layout { Lba28, Status, FlashWriteSetup, MemoryStickErase, MemoryStickTransfer, MemoryStickWriteSetup };

// Which layout a command takes, by road and device kind: columns are READ SECTORS, the status
// commands, IDENTIFY, erase, write set-up and every other command.
struct LayoutRow {
  Layout readSectors, status, identify, erase, writeSetup, other;
};

constexpr LayoutRow kNtMemoryStick{Layout::Lba28,
                                   Layout::Status,
                                   Layout::MemoryStickTransfer,
                                   Layout::MemoryStickErase,
                                   Layout::MemoryStickWriteSetup,
                                   Layout::MemoryStickTransfer};
constexpr LayoutRow kNtOther{Layout::Lba28, Layout::Status,          Layout::Lba28,
                             Layout::Lba28, Layout::FlashWriteSetup, Layout::Lba28};
constexpr LayoutRow k9xMemoryStick{Layout::Lba28,
                                   Layout::Status,
                                   Layout::Status,
                                   Layout::MemoryStickErase,
                                   Layout::MemoryStickWriteSetup,
                                   Layout::MemoryStickTransfer};
constexpr LayoutRow k9xSmartMedia{Layout::Lba28, Layout::Status,          Layout::Status,
                                  Layout::Lba28, Layout::FlashWriteSetup, Layout::Lba28};
constexpr LayoutRow k9xPlain{Layout::Lba28, Layout::Status, Layout::Status,
                             Layout::Lba28, Layout::Lba28,  Layout::Lba28};

const LayoutRow& RowFor(bool ntRoad, win::BYTE deviceKind) {
  if (ntRoad) return deviceKind == kMemoryStick ? kNtMemoryStick : kNtOther;
  if (deviceKind == kMemoryStick) return k9xMemoryStick;
  return deviceKind == kSmartMedia ? k9xSmartMedia : k9xPlain;
}

bool IsStatusCommand(win::BYTE command) { return command == kVendorStatus || command == kVendorGeometry; }

Layout LayoutFor(bool ntRoad, win::BYTE deviceKind, win::BYTE command) {
  const LayoutRow& row = RowFor(ntRoad, deviceKind);
  if (command == kAtaReadSectors) return row.readSectors;
  if (IsStatusCommand(command)) return row.status;
  if (command == kAtaIdentify) return row.identify;
  if (command == kVendorEraseBlock) return row.erase;
  if (command == kVendorWritePages) return row.writeSetup;
  return row.other;
}

win::BYTE Byte(win::DWORD value, unsigned shift) { return static_cast<win::BYTE>((value >> shift) & 0xFF); }

// Bytes of the caller's buffer a command gives back: the status replies are 4 bytes long.
win::DWORD ReplyBytes(win::BYTE command, win::DWORD byteCount) { return IsStatusCommand(command) ? 4 : byteCount; }

bool ExecAtaCommandNt(win::HANDLE handle, const TaskFile& taskFile, win::BYTE* buffer, win::DWORD byteCount,
                      win::DWORD transfer) {
  if (byteCount > kIdeDataCapacity) return false;  // would overrun the request's data area
  std::span<const win::BYTE> dataOut;
  if (transfer == kAtaDataOut && buffer != nullptr) dataOut = std::span(buffer, byteCount);
  const IdeAnswer answer = SendIdePassThrough(handle, taskFile, byteCount, dataOut);
  // A refused command moves no data: the status tells it for every card, Memory Stick too.
  if (!answer.delivered || (answer.status & kAtaStatusError) != 0) return false;
  if (answer.bytesReturned != byteCount + kIdeHeaderSize) return false;
  if (transfer == kAtaDataIn && buffer != nullptr) {
    std::copy_n(answer.data.begin(), ReplyBytes(taskFile.command, byteCount), buffer);
  }
  return true;
}

bool ExecAtaCommand9x(win::HANDLE handle, const DeviceEntry& entry, Layout layout, const TaskFile& taskFile,
                      win::BYTE* buffer, win::DWORD byteCount, win::DWORD transfer) {
  constexpr win::BYTE kDriverKinds[] = {kCompactFlash, kSmartMedia, kMmcSd, kMemoryStick};
  // The driver knows no other card; claiming success would hand the caller an untouched buffer.
  if (std::find(std::begin(kDriverKinds), std::end(kDriverKinds), entry.deviceKind) == std::end(kDriverKinds)) {
    return false;
  }
  if (layout == Layout::Status) {
    // The driver moves a whole sector for these, into a sector of our own rather than the
    // caller's smaller reply buffer.
    std::array<win::BYTE, win::kAtaSectorSize> sector{};
    const DriverAnswer answer =
        SendDriverAtaRequest(handle, entry.deviceReference, taskFile, sector.data(), sector.size(), kAtaDataIn);
    if ((answer.status & kAtaStatusError) != 0 || !answer.delivered) return false;
    const win::DWORD reply = std::min<win::DWORD>(ReplyBytes(taskFile.command, byteCount), sector.size());
    if (buffer != nullptr) std::copy_n(sector.begin(), reply, buffer);
    return true;
  }
  if (layout == Layout::MemoryStickErase) transfer = kAtaNoData;
  const DriverAnswer answer =
      SendDriverAtaRequest(handle, entry.deviceReference, taskFile, buffer, byteCount, transfer);
  return (answer.status & kAtaStatusError) == 0 && answer.delivered;
}

}  // namespace

TaskFile BuildAtaTaskFile(bool ntRoad, win::BYTE deviceKind, win::BYTE driveSelect, win::BYTE command,
                          win::DWORD address, win::DWORD byteCount, win::WORD extra16, win::BYTE extra8) {
  const auto lo = static_cast<win::BYTE>(extra16 & 0xFF);
  const auto hi = static_cast<win::BYTE>(extra16 >> 8);
  const auto sectors = static_cast<win::BYTE>(byteCount / win::kAtaSectorSize);
  const auto lbaHead =
      static_cast<win::BYTE>(win::kAtaLbaMode | driveSelect | ((address >> 24) & win::kAtaLbaHighMask));
  TaskFile file;
  switch (LayoutFor(ntRoad, deviceKind, command)) {
    case Layout::Lba28:
      file = {0, sectors, Byte(address, 0), Byte(address, 8), Byte(address, 16), lbaHead, command};
      break;
    case Layout::Status: file = {0, 1, 0, 0, 0, driveSelect, command}; break;
    case Layout::FlashWriteSetup:
      // The sector count carries the logical block's high byte: features alone would lose bits
      // 8-9 of every logical block from 256 up, and make logical block 64 a bad-block mark.
      file = {static_cast<win::BYTE>((hi & 0xC0) | lo),
              hi,
              Byte(address, 0),
              Byte(address, 8),
              Byte(address, 16),
              lbaHead,
              command};
      break;
    case Layout::MemoryStickErase: file = {lo, extra8, hi, Byte(address, 0), Byte(address, 8), lbaHead, command}; break;
    case Layout::MemoryStickTransfer: file = {lo, sectors, hi, extra8, 0, lbaHead, command}; break;
    case Layout::MemoryStickWriteSetup:
      file = {Byte(address, 0),
              0,
              lo,
              static_cast<win::BYTE>((((address >> 8) & 0x18) << 3) | hi),
              static_cast<win::BYTE>((((address >> 8) & 0x07) << 5) | extra8),
              lbaHead,
              command};
      break;
  }
  return file;
}

bool ExecAtaCommand(win::HANDLE handle, const DeviceEntry* entry, win::BYTE command, win::DWORD address,
                    win::BYTE* buffer, win::DWORD byteCount, win::DWORD transfer, win::WORD extra16, win::BYTE extra8) {
  if (entry == nullptr) return false;
  const bool ntRoad = !OsKindIs9x();
  const TaskFile taskFile =
      BuildAtaTaskFile(ntRoad, entry->deviceKind, entry->ataDriveSelect, command, address, byteCount, extra16, extra8);
  if (ntRoad) return ExecAtaCommandNt(handle, taskFile, buffer, byteCount, transfer);
  return ExecAtaCommand9x(handle, *entry, LayoutFor(false, entry->deviceKind, command), taskFile, buffer, byteCount,
                          transfer);
}

}  // namespace tarnlok
