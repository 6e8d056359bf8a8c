// The raw flash commands of the readers, each in the form its reader family takes: the older
// readers' eight-byte blocks with the command last, the newer readers' blocks with 0x20 and the
// command first (or their twelve-byte form), or on the newer readers' ATA road the command in
// the task file, writes followed by a SCSI WRITE(10) carrying the data. The caller prepares (or
// clears) the error text first; a failing command may then prompt.
#pragma once

#include "platform/win/system/types.h"

#include <cstdint>
#include <span>

namespace pradvik {

struct FlashRoad {
  win::HANDLE handle = nullptr;
  std::uint8_t deviceKind = 0;  // 2, 8 older; 18, 24 newer
  std::uint8_t transportKind = 3;
  std::uint8_t ataDriveSelect = 0;
  int wideStatus = 0;

  bool Newer() const;
  bool MemoryStick() const;
  bool Ata() const;  // the newer readers' ATA road
  // Length of the small replies (erase, status): 6 bytes from a wide reader's twelve-byte road.
  std::uint32_t ShortReply() const;
};

// Results are the command layer's: 1 success, 0 failure, 3 and 4 ignored by the user.
using CommandResult = std::uint8_t;

// SmartMedia: the block's redundant areas from its first page (on the ATA road one sector).
CommandResult ReadRedundantArea(const FlashRoad& road, std::uint32_t page, std::span<std::uint8_t> reply);
CommandResult ReadSmartMediaPages(const FlashRoad& road, std::uint32_t page, std::span<std::uint8_t> data);
CommandResult EraseSmartMediaBlock(const FlashRoad& road, std::uint32_t page, std::span<std::uint8_t, 6> reply);
// countByte: 0x40 + sectors, or 0xC1 for the card information structure's page; logical: the
// block's logical number, with 0x4000 for the bad-block mark.
CommandResult WriteSmartMediaPages(const FlashRoad& road, std::uint32_t page, std::uint8_t countByte,
                                   std::uint16_t logical, std::span<const std::uint8_t> data);

// Memory Stick.
CommandResult ReadExtraData(const FlashRoad& road, std::uint32_t block, std::span<std::uint8_t> reply);
CommandResult ReadStickPages(const FlashRoad& road, std::uint32_t block, std::uint8_t pageInBlock,
                             std::span<std::uint8_t> data);
CommandResult EraseStickBlock(const FlashRoad& road, std::uint32_t block, std::uint16_t logical, std::uint8_t eraseFlag,
                              std::span<std::uint8_t, 6> reply);
// countByte: 0x40 + sectors, or 0xC0 + pages for a boot block.
CommandResult WriteStickPages(const FlashRoad& road, std::uint32_t block, std::uint8_t pageInBlock,
                              std::uint8_t countByte, std::uint16_t logical, std::span<const std::uint8_t> data);
// Writes a whole boot block from its first page, with a boot block's extra data (on the ATA
// road the block command, then the data).
CommandResult WriteStickBootBlock(const FlashRoad& road, std::uint32_t block, std::span<const std::uint8_t> data);
// Programs a block's extra data (the bad-block mark).
CommandResult WriteExtraData(const FlashRoad& road, std::uint32_t block, std::span<const std::uint8_t, 4> extra);

// True when a reply begins with the no-card word (win::kVendorNoCardReply).
bool IsNoCardReply(std::span<const std::uint8_t> reply);

}  // namespace pradvik
