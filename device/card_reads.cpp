#include "device/card_reads.h"

#include "device/ata_transport.h"
#include "device/device_state.h"
#include "device/reader_commands.h"
#include "device/scsi_transport.h"

namespace tarnlok {
namespace {

constexpr win::WORD kExtraDataBytes = 4;

bool OnAtaBus() { return CardOnIdeBus != 0 || CardOnPcmciaBus != 0; }

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

bool ReadExtraData(win::HANDLE card, const DeviceEntry& entry, win::WORD block, std::span<win::BYTE> buffer) {
  if (buffer.size() < (OnAtaBus() ? kFlashReadBuffer : kExtraDataBytes)) return false;
  if (OnAtaBus()) return AtaFlashRead(card, entry, kVendorReadExtra, 0, block, buffer.first(kFlashReadBuffer));
  const VendorCdb cdb = CommandLastReader(entry) ? CommandLastBlockCdb(kVendorReadExtra, block, 0, kExtraDataBytes)
                                                 : CommandFirstBlockCdb(kVendorReadExtra, block, 0, kExtraDataBytes);
  return SendVendorRead(card, entry, cdb, buffer.first(kExtraDataBytes));
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
  if (buffer.size() < (OnAtaBus() ? kFlashReadBuffer : length)) return false;
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
