// A Memory Stick: blocks of 512-byte pages, each block with 4 bytes of extra data (overwrite
// flag, management flag, logical block number high byte first). Blocks 0 and 1 are the boot
// blocks; page 1 of a boot block lists the disabled blocks, which are never used. Logical
// block numbers count over the whole card.
#pragma once

#include "platform/machine/flash/flash_card.h"

#include <array>

namespace machine {

constexpr std::size_t kExtraSize = 4;
using ExtraData = std::array<std::uint8_t, kExtraSize>;

constexpr std::uint8_t kExtraGoodBit = 0x80;  // overwrite flag: the block is good
constexpr std::uint8_t kExtraOrdinaryBit = 0x04;  // management flag: clear on a boot block
constexpr std::uint16_t kNoLogicalBlock = 0xFFFF;
constexpr std::uint32_t kBootBlocks = 2;
constexpr std::uint32_t kDisabledListPage = 1;

// The extra data of a block in each use.
ExtraData LogicalExtra(std::uint16_t logicalBlock);
ExtraData BootExtra();
ExtraData BadExtra();

class MemoryStickCard final : public FlashCard {
 public:
  MemoryStickCard(const CardDescription& card, const FlashGeometry& geometry, const StandardVolume& volume);

  // Programs whole pages of a block from `pageInBlock`; the extra data takes the logical block.
  FlashResult ProgramPages(std::uint32_t block, std::uint32_t pageInBlock, std::span<const std::uint8_t> data,
                           const ExtraData& extra);
  void MarkBad(std::uint32_t block) override;

 protected:
  BlockState ReadBlockState(std::uint32_t block) override;
  std::pair<std::uint32_t, std::uint32_t> BlocksFor(std::uint32_t logicalBlock) const override;
  FlashResult ProgramSector(std::uint32_t block, std::uint32_t sector, std::span<const std::uint8_t> data,
                            std::uint32_t logicalBlock) override;
  void PrepareMap() override;

 private:
  std::vector<std::uint32_t> disabled_;
};

}  // namespace machine
