// The reads an operation makes of the card it runs on, each by the road the card's bus and the
// system take: whole sectors (READ(10), ATA READ SECTORS, or plain sector input), and the raw
// flash reads of SmartMedia and Memory Stick cards (vendor commands through SCSI or in the ATA
// command register). Each answers whether the read succeeded.
#pragma once

#include "device/device_entry.h"
#include "platform/win/system/types.h"

#include <span>

namespace tarnlok {

// count sectors at lba into buffer (count x bytesPerSector bytes), by the road of the running
// operation (CardOnIdeBus, CardOnPcmciaBus, UseDriveLetterIo, UsePlainSectorIo, OsKind).
bool ReadCardSectors(win::HANDLE card, const DeviceEntry& entry, win::DWORD lba, win::DWORD count,
                     win::DWORD bytesPerSector, win::BYTE* buffer);

// The smallest buffer the raw flash reads take: the ATA road moves whole 512-byte sectors.
constexpr std::size_t kFlashReadBuffer = 512;

// Memory Stick: the block's 4 bytes of extra data into the start of buffer (at least 512 bytes).
bool ReadExtraData(win::HANDLE card, const DeviceEntry& entry, win::WORD block, std::span<win::BYTE> buffer);
// Memory Stick: the whole block (buffer.size() bytes, every page of it).
bool ReadMemoryStickBlock(win::HANDLE card, const DeviceEntry& entry, win::WORD block, std::span<win::BYTE> buffer);
// Memory Stick: buffer.size() bytes of the block's pages from page (within the block) on.
bool ReadMemoryStickPages(win::HANDLE card, const DeviceEntry& entry, win::WORD block, win::BYTE page,
                          std::span<win::BYTE> buffer);
// SmartMedia: length bytes of redundant data from page on into the start of buffer (at least 512 bytes).
bool ReadRedundantData(win::HANDLE card, const DeviceEntry& entry, win::DWORD page, win::WORD length,
                       std::span<win::BYTE> buffer);
// SmartMedia: one page of buffer.size() bytes.
bool ReadSmartMediaPage(win::HANDLE card, const DeviceEntry& entry, win::DWORD page, std::span<win::BYTE> buffer);

}  // namespace tarnlok
