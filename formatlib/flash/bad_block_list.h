// Reading the state block's bad-block list: moving a structure's page past listed blocks, and
// the logical block number a raw write labels a physical block with, as the readers' firmware
// maps logical sectors.
#pragma once

#include "formatlib/flash/media_geometry.h"

#include <cstdint>

namespace pradvik {

bool IsListedBadBlock(std::uint32_t block);
// Moves the page on by whole blocks while its block is in the list (in any order).
std::uint32_t SkipBadBlocks(std::uint32_t page, std::uint32_t pagesPerBlock);
// The page `pages` usable pages after `page`: listed blocks on the way are passed over, so
// that structures keep their distance in the volume's logical sectors.
std::uint32_t AdvancePages(std::uint32_t page, std::uint32_t pages, std::uint32_t pagesPerBlock);
// Listed blocks e with first <= e < end.
std::uint32_t CountListedBlocks(std::uint32_t first, std::uint32_t end);

// The logical block of a physical block. The volume begins at the state block's volume start
// page, whose block is logical 0; usable blocks after it count on. SmartMedia counts in zones
// of 1024 physical blocks, each holding its share of logical blocks (1000, or 250 and 500 on
// one-zone cards), as the card's block addresses do. Blocks before the volume are logical 0.
std::uint16_t LogicalBlockOf(const MediaGeometry& geometry, std::uint32_t block);

}  // namespace pradvik
