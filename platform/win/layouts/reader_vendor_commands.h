// The maker's readers' vendor command set (docs/reader-protocol.md): the sub-commands that
// travel in a block of operation kScsiVendorCommand (scsi_commands.h) and, on IDE and PCMCIA
// readers, as the ATA command itself; the bytes of their fields that carry meaning; the
// no-card reply. The device code and the format library send them; the simulated readers
// answer them.
#pragma once

#include "platform/win/system/types.h"

namespace win {

// Sub-commands. A byte below kVendorFirstSubCommand is no vendor sub-command.
constexpr BYTE kVendorFirstSubCommand = 0x80;
constexpr BYTE kVendorStatus = 0x80;  // the media status word
constexpr BYTE kVendorEraseBlock = 0x83;  // erase one raw flash block
constexpr BYTE kVendorGeometry = 0x84;  // SmartMedia maker and device code; Memory Stick blocks, pages per block
constexpr BYTE kVendorReadPages = 0x85;  // read raw flash pages
constexpr BYTE kVendorWritePages = 0x86;  // write SmartMedia pages; the write set-up of every card on the ATA road
constexpr BYTE kVendorLock = 0x88;  // lock the card in the reader
constexpr BYTE kVendorUnlock = 0x89;  // release that lock
constexpr BYTE kVendorReadRedundant = 0x8B;  // read SmartMedia redundant (spare) areas
constexpr BYTE kVendorReadExtra = 0x8F;  // read Memory Stick blocks' extra data
constexpr BYTE kVendorWriteRedundant = 0x90;  // program over redundant areas or extra data (bad-block marks)
constexpr BYTE kVendorWriteStickPages = 0x93;  // write Memory Stick pages named by block and page
constexpr BYTE kVendorEndRawAccess = 0x95;  // end raw access: the reader reads its block map again
constexpr BYTE kVendorIdentifyReader = 0x99;  // the reader's 512-byte IDENTIFY block (identify_layout.h)
constexpr BYTE kVendorStartProFormat = 0x9B;  // lay a Memory Stick Pro's factory volume down again
constexpr BYTE kVendorProFormatProgress = 0x9C;  // how far that format has come
// The first reply byte of kVendorProFormatProgress, the rest zero, once the format is done.
constexpr BYTE kVendorProFormatDone = 'P';
// As ATA commands the sub-commands run from kVendorFirstSubCommand to this one.
constexpr BYTE kVendorLastAtaCommand = 0x9F;

// A reply whose first little-endian word is this found no card.
constexpr WORD kVendorNoCardReply = 0x04FF;

// Bits of the media status word: the kVendorStatus reply, and INQUIRY bytes 36-39 of the USB
// readers. The low word of the IDENTIFY card flags (identify_layout.h) holds the same bits but
// for MMC/SD.
constexpr DWORD kStatusWriteProtected = 0x00000020;
constexpr DWORD kStatusCompactFlash = 0x00000100;
constexpr DWORD kStatusSmartMedia = 0x00000200;
constexpr DWORD kStatusMemoryStick = 0x00000400;
constexpr DWORD kStatusMemoryStickPro = 0x20000000;  // beside kStatusMemoryStick
constexpr DWORD kStatusMmcSd = 0x00080000;
// The IDENTIFY card flags that differ from the status word.
constexpr DWORD kIdentifyMmcSd = 0x00040000;
constexpr DWORD kIdentifyPcmcia = 0x00600000;  // the reader is a PCMCIA card

// The count byte of a raw write (the low address byte; the sector count on the ATA road).
constexpr BYTE kVendorCountFlag = 0x40;  // set in every write's count byte: 0x40 + sectors
constexpr BYTE kVendorCountSectors = 0x3F;  // the sectors the write carries
constexpr BYTE kVendorSystemBlock = 0x80;  // SmartMedia: the card information block; Memory Stick: a boot block

// In a SmartMedia write's length field, where the logical block stands otherwise: mark the block
// bad instead of programming data.
constexpr WORD kVendorBadBlockMark = 0x4000;

// The logical block that makes a Memory Stick write set-up in ATA register form program the
// named block's extra data rather than its pages.
constexpr WORD kVendorStickExtraWrite = 0x1FFF;

}  // namespace win
