#include "device/flash_card_commands.h"

#include "device/ata_transport.h"
#include "device/device_state.h"
#include "device/reader_commands.h"
#include "device/scsi_transport.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/scsi_commands.h"

#include <array>

namespace tarnlok {
namespace {

constexpr win::DWORD kSectorBytes = 512;
constexpr win::BYTE kWriteCountFlag = 0x40;
constexpr win::BYTE kInfoBlockCountFlags = 0xC0;

bool SendVendor(const FlashCard& card, const VendorCdb& cdb, win::BYTE* data, win::DWORD length, win::BYTE direction) {
  return ExecScsiCommand(card.handle, card.entry->hostAdapter, card.entry->target, card.entry->lun, cdb.data(),
                         static_cast<win::BYTE>(cdb.size()), data, length, direction);
}

bool SendAta(const FlashCard& card, win::BYTE command, win::DWORD address, win::BYTE* data, win::DWORD length,
             win::DWORD transfer, win::WORD extra16, win::BYTE extra8) {
  return ExecAtaCommand(card.handle, card.entry, command, address, data, length, transfer, extra16, extra8);
}

// The data after an ATA write set-up: WRITE(10) at LBA 0 on Windows 2000 and XP, WRITE SECTORS
// at the block's first sector elsewhere.
bool SendAtaWriteData(const FlashCard& card, win::DWORD firstSector, std::span<const win::BYTE> data) {
  auto* bytes = const_cast<win::BYTE*>(data.data());
  const auto length = static_cast<win::DWORD>(data.size());
  if (OsKindHasVendorPassThrough()) {
    std::array<win::BYTE, 10> cdb{win::kScsiWrite10};
    win::WriteBe16(cdb, 7, static_cast<win::WORD>(length / kSectorBytes));
    return ExecScsiCommand(card.handle, card.entry->hostAdapter, card.entry->target, card.entry->lun, cdb.data(), 10,
                           bytes, length, kScsiDataOut);
  }
  return SendAta(card, kAtaWriteSectors, firstSector, bytes, length, kAtaDataOut, 0, 0);
}

win::BYTE CountByte(win::DWORD sectors, win::BYTE flags) { return static_cast<win::BYTE>((sectors & 0x3F) | flags); }

}  // namespace

bool EraseMemoryStickBlock(const FlashCard& card, win::DWORD block, win::WORD logical, win::BYTE flag) {
  if (card.ataRoad)
    return SendAta(card, kVendorEraseBlock, logical, nullptr, 0, kAtaNoData, static_cast<win::WORD>(block), flag);
  VendorCdb cdb = CommandFirstCdb(kVendorEraseBlock);
  win::WriteBe16(cdb, 2, logical);
  win::WriteBe16(cdb, 4, static_cast<win::WORD>(block));
  cdb[6] = flag;
  std::array<win::BYTE, 2> reply{};
  return SendVendor(card, cdb, reply.data(), reply.size(), kScsiDataIn);
}

bool WriteMemoryStickBlock(const FlashCard& card, win::DWORD block, win::WORD logical,
                           std::span<const win::BYTE> data) {
  const auto sectors = static_cast<win::DWORD>(data.size() / kSectorBytes);
  if (card.ataRoad) {
    return SendAta(card, kVendorWritePages, logical, nullptr, 0, kAtaNoData, static_cast<win::WORD>(block), 0) &&
           SendAtaWriteData(card, block * card.pagesPerBlock, data);
  }
  VendorCdb cdb = CommandFirstCdb(kVendorWriteStickPages);
  cdb[2] = 0;  // from the block's first page
  win::WriteBe16(cdb, 3, static_cast<win::WORD>(block));
  cdb[5] = CountByte(sectors, kWriteCountFlag);
  win::WriteBe16(cdb, 6, logical);
  return SendVendor(card, cdb, const_cast<win::BYTE*>(data.data()), static_cast<win::DWORD>(data.size()), kScsiDataOut);
}

bool EraseSmartMediaBlock(const FlashCard& card, win::DWORD firstPage) {
  if (card.ataRoad) return SendAta(card, kVendorEraseBlock, firstPage, nullptr, 0, kAtaNoData, 0, 0);
  std::array<win::BYTE, 2> reply{};
  return SendVendor(card, CommandFirstPageCdb(kVendorEraseBlock, firstPage, 0), reply.data(), reply.size(),
                    kScsiDataIn);
}

bool WriteSmartMediaBlock(const FlashCard& card, win::DWORD firstPage, win::WORD logical, bool infoBlock,
                          std::span<const win::BYTE> data) {
  const auto sectors = static_cast<win::DWORD>(data.size() / kSectorBytes);
  if (card.ataRoad) {
    return SendAta(card, kVendorWritePages, firstPage, nullptr, 0, kAtaNoData, logical, 0) &&
           SendAtaWriteData(card, firstPage, data);
  }
  VendorCdb cdb = CommandFirstPageCdb(kVendorWritePages, firstPage, logical);
  cdb[5] = CountByte(sectors, infoBlock ? kInfoBlockCountFlags : kWriteCountFlag);
  return SendVendor(card, cdb, const_cast<win::BYTE*>(data.data()), static_cast<win::DWORD>(data.size()), kScsiDataOut);
}

bool MarkSmartMediaBlockBad(const FlashCard& card, win::DWORD firstPage) {
  std::array<win::BYTE, kSectorBytes> zeros{};
  if (card.ataRoad) {
    return SendAta(card, kVendorWritePages, firstPage, nullptr, 0, kAtaNoData, win::kVendorBadBlockMark, 0) &&
           SendAtaWriteData(card, firstPage, zeros);
  }
  VendorCdb cdb = CommandFirstPageCdb(kVendorWritePages, firstPage, win::kVendorBadBlockMark);
  cdb[5] = 0x41;
  return SendVendor(card, cdb, zeros.data(), zeros.size(), kScsiDataOut);
}

}  // namespace tarnlok
