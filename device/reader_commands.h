// The card readers' vendor command set (operation win::kScsiVendorCommand): sub-commands, the
// command forms they travel in, the no-card reply, the media status word and the media size codes.
#pragma once

#include "platform/win/layouts/reader_vendor_commands.h"
#include "platform/win/layouts/scsi_commands.h"
#include "platform/win/system/types.h"

#include <array>
#include <cstddef>
#include <optional>
#include <span>

namespace tarnlok {

// The vendor sub-commands (also the ATA command on IDE and PCMCIA readers), by their names in
// the layout every side shares.
using win::kVendorEraseBlock;
using win::kVendorGeometry;
using win::kVendorIdentifyReader;
using win::kVendorLock;
using win::kVendorReadExtra;
using win::kVendorReadPages;
using win::kVendorReadRedundant;
using win::kVendorStatus;
using win::kVendorUnlock;
using win::kVendorWritePages;
using win::kVendorWriteStickPages;

// Bits of the media status word and of the IDENTIFY card flags.
using win::kIdentifyMmcSd;
using win::kIdentifyPcmcia;
using win::kStatusCompactFlash;
using win::kStatusMemoryStick;
using win::kStatusMemoryStickPro;
using win::kStatusMmcSd;
using win::kStatusSmartMedia;
using win::kStatusWriteProtected;

// True when the status word's low 16 bits say that no card is present.
constexpr bool IsNoMediaStatus(win::DWORD status) { return (status & 0xFFFF) == win::kVendorNoCardReply; }

// True when a reply begins with the no-card word (a reply shorter than a word never does).
bool StartsWithNoMediaReply(std::span<const win::BYTE> reply);

using VendorCdb = std::array<win::BYTE, 8>;

// The command-first form with the address field (bytes 2-5) zero.
VendorCdb CommandFirstCdb(win::BYTE subCommand, win::WORD transferLength = 0);
// Command-first form addressing a SmartMedia page (24-bit page number).
VendorCdb CommandFirstPageCdb(win::BYTE subCommand, win::DWORD page, win::WORD transferLength);
// Command-first form addressing a Memory Stick page by block and page within the block.
VendorCdb CommandFirstBlockCdb(win::BYTE subCommand, win::WORD block, win::BYTE page, win::WORD transferLength);
// The command-last form of the older readers, address zero.
VendorCdb CommandLastCdb(win::BYTE subCommand, win::WORD transferLength = 0);
// Command-last form addressing a SmartMedia page (24-bit page number in bytes 1-3).
VendorCdb CommandLastPageCdb(win::BYTE subCommand, win::DWORD page, win::WORD transferLength);
// Command-last form addressing a Memory Stick page by block (bytes 3-4) and page within it (byte 2).
VendorCdb CommandLastBlockCdb(win::BYTE subCommand, win::WORD block, win::BYTE page, win::WORD transferLength);

using WideVendorCdb = std::array<win::BYTE, 12>;
// The 12-byte form of a command-first block: byte 1 zero, the sub-command in byte 9.
WideVendorCdb WideCdb(const VendorCdb& commandFirst);

// Bytes of redundant data the backup and duplicate read per SmartMedia block: 128 for media
// size codes 1 and 2, 256 for 3 and 4, 512 for the others.
win::DWORD RedundantAreaSize(win::DWORD mediaSizeCode);
// Data bytes of one SmartMedia page: 256 on the 1 and 2 MB cards (media size codes 1 and 2),
// 512 on the others.
win::DWORD SmartMediaPageBytes(win::DWORD mediaSizeCode);

// Raw flash geometry of a media size code.
struct FlashGeometry {
  win::DWORD code = 0;
  win::DWORD pagesPerBlock = 0;
  win::DWORD blocks = 0;
};

// SmartMedia by the card's ID byte: codes 1 to 12.
std::optional<FlashGeometry> SmartMediaGeometry(win::BYTE idByte);
// Memory Stick code (32 to 37) by its page count; nullopt beyond 262144 pages.
std::optional<win::DWORD> MemoryStickSizeCode(win::DWORD pages);
// Memory Stick size in megabytes (4 to 128) by its page count; nullopt beyond 262144 pages.
std::optional<win::DWORD> MemoryStickMegabytes(win::DWORD pages);
// Megabytes of a media size code (SmartMedia 1 to 8, Memory Stick 32 to 37); nullopt for others.
std::optional<win::DWORD> MediaSizeCodeMegabytes(win::DWORD code);

}  // namespace tarnlok

namespace tarnlok {

// The card kind a media status word names, first of Memory Stick (Memory Stick Pro with
// withPro), SmartMedia, CompactFlash and MMC/SD; 0 for none.
win::BYTE KindFromMediaStatus(win::DWORD status, bool withPro);
// The maker's newer readers: 18 for SmartMedia, else 24 for Memory Stick, else 0.
win::BYTE ReaderKindFromMediaStatus(win::DWORD status);

}  // namespace tarnlok
