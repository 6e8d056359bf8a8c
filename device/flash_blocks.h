// What the extra data of a Memory Stick block and the redundant data of a SmartMedia block say
// about the block when it is written back: bad, a system or card-information block, unused, or
// a used block of some logical address.
#pragma once

#include "platform/win/system/types.h"

#include <span>

namespace tarnlok {

constexpr win::DWORD kMemoryStickExtraBytes = 4;
constexpr win::WORD kUnusedLogicalBlock = 0xFFFF;

enum class FlashBlockRole { kBad, kSystem, kUnused, kUsed };

struct FlashBlock {
  FlashBlockRole role = FlashBlockRole::kUnused;
  win::WORD logical = kUnusedLogicalBlock;
};

// Memory Stick: overwrite flag bit 7 clear is bad; management flag bit 2 clear a system (boot)
// block; otherwise the big-endian logical address of bytes 2-3, 0xFFFF unused.
FlashBlock ClassifyMemoryStickBlock(std::span<const win::BYTE, kMemoryStickExtraBytes> extra);

// SmartMedia: block status other than 0xFF is bad; block address word 0 the card-information
// block (kSystem, logical 0); a word whose two copies agree and that carries the 0x1000 mark
// gives the logical address (bits 1-10); anything else is unused.
FlashBlock ClassifySmartMediaBlock(std::span<const win::BYTE> redundant);

}  // namespace tarnlok
