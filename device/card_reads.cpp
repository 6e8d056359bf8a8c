#include "device/card_reads.h"

#include "device/ata_transport.h"
#include "device/device_state.h"
#include "device/reader_commands.h"
#include "device/scsi_transport.h"
#include "device/sector_io.h"
#include "platform/win/layouts/ata_registers.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/scsi_commands.h"

#include <algorithm>
#include <array>

namespace tarnlok {
namespace {

// The ATA roads carry at most 16384 bytes a command: 32 sectors of 512 bytes.
constexpr win::DWORD kAtaSectorsPerCommand = 32;

bool OnAtaBus() { return CardOnIdeBus != 0 || CardOnPcmciaBus != 0; }

bool PlainSectorRead(win::HANDLE handle, win::DWORD lba, win::DWORD count, win::BYTE* buffer) {
  return AbsoluteSectorIo({handle, lba, count, buffer, kSectorRead}) == 0;
}

bool AtaSectorRead(win::HANDLE card, const DeviceEntry& entry, win::DWORD lba, win::DWORD count,
                   win::DWORD bytesPerSector, win::BYTE* buffer) {
  for (win::DWORD done = 0; done < count;) {
    const win::DWORD part = std::min(kAtaSectorsPerCommand, count - done);
    if (!ExecAtaCommand(card, &entry, win::kAtaReadSectors, lba + done, buffer + std::size_t{done} * bytesPerSector,
                        part * bytesPerSector, kAtaDataIn, 0, 0)) {
      return false;
    }
    done += part;
  }
  return true;
}

bool Read10(win::HANDLE card, const DeviceEntry& entry, win::DWORD lba, win::DWORD count, win::DWORD bytesPerSector,
            win::BYTE* buffer) {
  std::array<win::BYTE, 10> cdb{win::kScsiRead10};
  win::WriteBe32(cdb, 2, lba);
  cdb[8] = static_cast<win::BYTE>(count);
  return ExecScsiCommand(card, entry.hostAdapter, entry.target, entry.lun, cdb.data(), cdb.size(), buffer,
                         count * bytesPerSector, kScsiDataIn);
}

// The older readers take their vendor commands turned round on the NT road; their entries carry
// the card's kind but no reader kind.
bool CommandLastReader(const DeviceEntry& entry) { return OsKindIsNt() && entry.readerKind == 0; }

bool SendVendorRead(win::HANDLE card, const DeviceEntry& entry, const VendorCdb& cdb, std::span<win::BYTE> data) {
  return ExecScsiCommand(card, entry.hostAdapter, entry.target, entry.lun, cdb.data(), cdb.size(), data.data(),
                         static_cast<win::DWORD>(data.size()), kScsiDataIn);
}

// Memory Stick commands name the page within the block in extra8.
bool AtaFlashRead(win::HANDLE card, const DeviceEntry& entry, win::BYTE command, win::DWORD page, win::WORD block,
                  std::span<win::BYTE> data, win::BYTE pageInBlock = 0) {
  return ExecAtaCommand(card, &entry, command, page, data.data(), static_cast<win::DWORD>(data.size()), kAtaDataIn,
                        block, pageInBlock);
}

}  // namespace

bool ReadCardSectors(win::HANDLE card, const DeviceEntry& entry, win::DWORD lba, win::DWORD count,
                     win::DWORD bytesPerSector, win::BYTE* buffer) {
  if (OnAtaBus() && UseDriveLetterIo != 0) return PlainSectorRead(card, lba, count, buffer);
  if (OnAtaBus() && !OsKindHasVendorPassThrough()) {
    return AtaSectorRead(card, entry, lba, count, bytesPerSector, buffer);
  }
  const win::HANDLE plainHandle = OsKindIsNt() ? card : Vwin32Handle;
  if (entry.busKind == kBusFloppy) return PlainSectorRead(plainHandle, lba, count, buffer);
  if (UsePlainSectorIo == 0) return Read10(card, entry, lba, count, bytesPerSector, buffer);
  return PlainSectorRead(plainHandle, lba, count, buffer);
}

bool ReadExtraData(win::HANDLE card, const DeviceEntry& entry, win::WORD block, std::span<win::BYTE> buffer) {
  if (OnAtaBus()) return AtaFlashRead(card, entry, kVendorReadExtra, 0, block, buffer.first(kFlashReadBuffer));
  const VendorCdb cdb = CommandLastReader(entry) ? CommandLastBlockCdb(kVendorReadExtra, block, 0, 4)
                                                 : CommandFirstBlockCdb(kVendorReadExtra, block, 0, 4);
  return SendVendorRead(card, entry, cdb, buffer.first(4));
}

bool ReadMemoryStickBlock(win::HANDLE card, const DeviceEntry& entry, win::WORD block, std::span<win::BYTE> buffer) {
  return ReadMemoryStickPages(card, entry, block, 0, buffer);
}

bool ReadMemoryStickPages(win::HANDLE card, const DeviceEntry& entry, win::WORD block, win::BYTE page,
                          std::span<win::BYTE> buffer) {
  if (OnAtaBus()) return AtaFlashRead(card, entry, kVendorReadPages, 0, block, buffer, page);
  const auto length = static_cast<win::WORD>(buffer.size());
  const VendorCdb cdb = CommandLastReader(entry) ? CommandLastBlockCdb(kVendorReadPages, block, page, length)
                                                 : CommandFirstBlockCdb(kVendorReadPages, block, page, length);
  return SendVendorRead(card, entry, cdb, buffer);
}

bool ReadRedundantData(win::HANDLE card, const DeviceEntry& entry, win::DWORD page, win::WORD length,
                       std::span<win::BYTE> buffer) {
  if (OnAtaBus()) return AtaFlashRead(card, entry, kVendorReadRedundant, page, 0, buffer.first(kFlashReadBuffer));
  const VendorCdb cdb = CommandLastReader(entry) ? CommandLastPageCdb(kVendorReadRedundant, page, length)
                                                 : CommandFirstPageCdb(kVendorReadRedundant, page, length);
  return SendVendorRead(card, entry, cdb, buffer.first(length));
}

bool ReadSmartMediaPage(win::HANDLE card, const DeviceEntry& entry, win::DWORD page, std::span<win::BYTE> buffer) {
  if (OnAtaBus()) return AtaFlashRead(card, entry, kVendorReadPages, page, 0, buffer);
  const auto length = static_cast<win::WORD>(buffer.size());
  const VendorCdb cdb = CommandLastReader(entry) ? CommandLastPageCdb(kVendorReadPages, page, length)
                                                 : CommandFirstPageCdb(kVendorReadPages, page, length);
  return SendVendorRead(card, entry, cdb, buffer);
}

}  // namespace tarnlok
