// A SmartMedia card: zones of 1024 physical blocks, each holding 1000 logical blocks (smaller
// cards: 250 or 500 in their one zone), every 512 bytes of data with its redundant area. The
// raw page writes of the reader's vendor commands label a block with a logical block, with the
// information structure's address or with the bad-block mark.
#pragma once

#include "platform/machine/flash_card.h"
#include "platform/machine/smartmedia_redundant.h"

namespace machine {

class SmartMediaCard final : public FlashCard {
 public:
  SmartMediaCard(const CardDescription& card, const FlashGeometry& geometry, const StandardVolume& volume);

  std::uint8_t DeviceCode() const { return deviceCode_; }
  // Logical blocks of one zone.
  std::uint32_t LogicalPerZone() const { return logicalPerZone_; }

  // Programs whole 512-byte sectors from `page` (an even page on cards of 256-byte pages) with
  // the given block address in their redundant areas.
  FlashResult ProgramSectors(std::uint64_t page, std::span<const std::uint8_t> data, std::uint16_t blockAddress);
  void MarkBad(std::uint32_t block) override;

 protected:
  BlockState ReadBlockState(std::uint32_t block) override;
  std::pair<std::uint32_t, std::uint32_t> BlocksFor(std::uint32_t logicalBlock) const override;
  FlashResult ProgramSector(std::uint32_t block, std::uint32_t sector, std::span<const std::uint8_t> data,
                            std::uint32_t logicalBlock) override;

 private:
  std::uint8_t deviceCode_;
  std::uint32_t logicalPerZone_;
};

}  // namespace machine
