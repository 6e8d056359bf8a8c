// A raw flash card held in memory for the block map's fuzz target: the card's shape and every
// block's management data come from the input; pages read as a byte of their address. A page
// read outside the card ends the process, so that the fuzzer reports it.
#pragma once

#include "recovery/flash_block_map.h"

#include <algorithm>
#include <cstdlib>
#include <span>

namespace recovery::test_support {

class MemoryFlashReads : public FlashReads {
 public:
  // shape: bit 0 Memory Stick, else SmartMedia; bits 1-3 the SmartMedia size code less one, bit 4
  // 32 pages a block. blocks: the card's blocks less one, in nines (up to three SmartMedia zones).
  // management: each block's bytes in turn
  // (16 for SmartMedia, 4 for Memory Stick); a block past its end cannot be read.
  MemoryFlashReads(std::uint8_t shape, std::uint8_t blocks, std::span<const std::uint8_t> management)
      : management_(management) {
    layout_.medium = (shape & 1) != 0 ? FlashMedium::MemoryStick : FlashMedium::SmartMedia;
    layout_.mediaSizeCode = 1u + ((shape >> 1) & 7u);
    layout_.pagesPerBlock = (shape & 0x10) != 0 ? 32 : 16;
    layout_.pageSize = layout_.medium == FlashMedium::SmartMedia && layout_.mediaSizeCode <= 2 ? 256 : 512;
    layout_.blocks = 1u + 9u * blocks;
    unit_ = layout_.medium == FlashMedium::MemoryStick ? 4 : 16;
  }
  const FlashLayout& Layout() const override { return layout_; }
  bool ReadManagement(std::uint32_t block, std::span<std::uint8_t> out) override {
    std::fill(out.begin(), out.end(), 0);
    if (block >= layout_.blocks) std::abort();
    const std::size_t at = std::size_t{block} * unit_;
    if (at + unit_ > management_.size() || out.size() < unit_) return false;
    std::copy_n(management_.begin() + static_cast<std::ptrdiff_t>(at), unit_, out.begin());
    return true;
  }
  bool ReadPages(std::uint32_t block, std::uint32_t page, std::span<std::uint8_t> out) override {
    if (block >= layout_.blocks || out.size() % layout_.pageSize != 0 ||
        page + out.size() / layout_.pageSize > layout_.pagesPerBlock)
      std::abort();
    std::fill(out.begin(), out.end(), static_cast<std::uint8_t>(block + page));
    return true;
  }

 private:
  FlashLayout layout_;
  std::span<const std::uint8_t> management_;
  std::size_t unit_ = 16;
};

}  // namespace recovery::test_support
