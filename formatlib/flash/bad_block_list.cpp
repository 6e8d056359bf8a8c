#include "formatlib/flash/bad_block_list.h"

#include "formatlib/command/format_library_state.h"

#include <algorithm>
#include <span>

namespace pradvik {
namespace {

constexpr std::uint32_t kZoneBlocks = 1024;
constexpr std::uint32_t kZoneLogicalBlocks = 1000;

std::span<const std::uint32_t> Entries() {
  const FormatLibraryState& state = LibraryState();
  return std::span(state.badBlocks).first(std::min<std::size_t>(state.badBlockCount, state.badBlocks.size()));
}

}  // namespace

bool IsListedBadBlock(std::uint32_t block) {
  const auto entries = Entries();
  return std::find(entries.begin(), entries.end(), block) != entries.end();
}

std::uint32_t SkipBadBlocks(std::uint32_t page, std::uint32_t pagesPerBlock) {
  if (pagesPerBlock == 0) return page;
  // Each pass moves at least one block on, and the list is finite.
  while (IsListedBadBlock(page / pagesPerBlock)) page += pagesPerBlock;
  return page;
}

std::uint32_t AdvancePages(std::uint32_t page, std::uint32_t pages, std::uint32_t pagesPerBlock) {
  if (pagesPerBlock == 0) return page + pages;
  while (pages > 0) {
    const std::uint32_t step = std::min(pages, pagesPerBlock - page % pagesPerBlock);
    page += step;
    pages -= step;
    if (page % pagesPerBlock == 0) page = SkipBadBlocks(page, pagesPerBlock);
  }
  return page;
}

std::uint32_t CountListedBlocks(std::uint32_t first, std::uint32_t end) {
  const auto entries = Entries();
  // A block listed twice is still one block.
  std::uint32_t count = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::uint32_t e = entries[i];
    if (e < first || e >= end) continue;
    if (std::find(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(i), e) ==
        entries.begin() + static_cast<std::ptrdiff_t>(i))
      ++count;
  }
  return count;
}

std::uint16_t LogicalBlockOf(const MediaGeometry& geometry, std::uint32_t block) {
  const std::uint32_t volumeBlock = LibraryState().volumeStartPage / geometry.pagesPerBlock;
  if (geometry.IsMemoryStick() || block < kZoneBlocks) {
    if (block <= volumeBlock) return 0;
    return static_cast<std::uint16_t>(block - volumeBlock - CountListedBlocks(volumeBlock + 1, block));
  }
  const std::uint32_t blocks = geometry.pages / geometry.pagesPerBlock;
  const std::uint32_t perZone = std::min(blocks, kZoneBlocks) * kZoneLogicalBlocks / kZoneBlocks;
  const std::uint32_t zone = block / kZoneBlocks;
  const std::uint32_t zoneStart = zone * kZoneBlocks;
  return static_cast<std::uint16_t>(zone * perZone + (block - zoneStart) - CountListedBlocks(zoneStart, block));
}

}  // namespace pradvik
