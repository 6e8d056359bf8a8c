// The reads an operation makes of the card it runs on: whole sectors by the card's sector road
// (card_sector_road.h), and the raw flash reads of SmartMedia and Memory Stick cards (vendor
// commands through SCSI or in the ATA command register). Each answers whether the read
// succeeded; a buffer too small for what the read brings is refused before anything is sent.
#pragma once

#include "device/card_sector_road.h"
#include "device/device_entry.h"
#include "device/sector_io.h"
#include "platform/win/system/types.h"

#include <span>

namespace tarnlok {

// The smallest buffer the raw flash reads take on IDE and PCMCIA readers: the ATA road moves
// whole sectors.
constexpr std::size_t kFlashReadBuffer = kCardSectorBytes;

// Memory Stick: the block's 4 bytes of extra data into the start of buffer (at least 512 bytes
// on the ATA road, 4 elsewhere).
bool ReadExtraData(win::HANDLE card, const DeviceEntry& entry, win::WORD block, std::span<win::BYTE> buffer);
// Memory Stick: the whole block (buffer.size() bytes, every page of it).
bool ReadMemoryStickBlock(win::HANDLE card, const DeviceEntry& entry, win::WORD block, std::span<win::BYTE> buffer);
// Memory Stick: buffer.size() bytes of the block's pages from page (within the block) on.
bool ReadMemoryStickPages(win::HANDLE card, const DeviceEntry& entry, win::WORD block, win::BYTE page,
                          std::span<win::BYTE> buffer);
// SmartMedia: length bytes of redundant data from page on into the start of buffer (at least
// 512 bytes on the ATA road, length elsewhere).
bool ReadRedundantData(win::HANDLE card, const DeviceEntry& entry, win::DWORD page, win::WORD length,
                       std::span<win::BYTE> buffer);
// SmartMedia: one page of buffer.size() bytes.
bool ReadSmartMediaPage(win::HANDLE card, const DeviceEntry& entry, win::DWORD page, std::span<win::BYTE> buffer);

}  // namespace tarnlok
