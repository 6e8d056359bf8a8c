// A raw flash card as its reader's firmware keeps it: the NAND array, and the logical sectors
// of the card's FAT volume found through the logical block numbers that each block carries
// (SmartMedia in its redundant areas, Memory Stick in its extra data). The map of logical to
// physical blocks is read from the card when first needed and again after raw page commands
// changed the card. A logical write programs the block in place while its pages are still
// erased, else copies the block into an erased free block and erases the old one, as the
// readers do; a block that fails to erase or program is marked bad and another one is taken.
// Logical sectors that no block holds read as 0xFF.
#pragma once

#include "platform/machine/cards/card_media.h"
#include "platform/machine/flash/flash_nand.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace machine {

class FlashCard {
 public:
  FlashCard(const CardDescription& card, const FlashGeometry& geometry, const StandardVolume& volume);
  virtual ~FlashCard() = default;
  FlashCard(const FlashCard&) = delete;
  FlashCard& operator=(const FlashCard&) = delete;

  NandArray& Nand() { return nand_; }
  const FlashGeometry& Geometry() const { return nand_.Geometry(); }
  const StandardVolume& Volume() const { return volume_; }
  std::uint64_t LogicalSectors() const { return volume_.LogicalSectors(); }

  MediaResult ReadLogical(std::uint64_t firstSector, std::span<std::uint8_t> data);
  MediaResult WriteLogical(std::uint64_t firstSector, std::span<const std::uint8_t> data);
  // The card was changed underneath the map: it is read again before the next logical transfer.
  void ForgetMap() { mapped_ = false; }
  // The physical block that holds a logical block; none when no block does.
  std::optional<std::uint32_t> PhysicalOf(std::uint32_t logicalBlock);

  // Writes the card's bad-block mark into a block.
  virtual void MarkBad(std::uint32_t block) = 0;

 protected:
  enum class BlockUse { Free, Logical, Reserved };
  struct BlockState {
    BlockUse use = BlockUse::Free;
    std::uint32_t logical = 0;
  };

  // What a block holds, from its redundant area or extra data.
  virtual BlockState ReadBlockState(std::uint32_t block) = 0;
  // The physical blocks [first, end) in which a logical block may lie.
  virtual std::pair<std::uint32_t, std::uint32_t> BlocksFor(std::uint32_t logicalBlock) const = 0;
  // Programs one 512-byte sector of a block, labelled with its logical block.
  virtual FlashResult ProgramSector(std::uint32_t block, std::uint32_t sector, std::span<const std::uint8_t> data,
                                    std::uint32_t logicalBlock) = 0;
  // Called before the map is read: the card's own tables (the disabled-block list) are loaded.
  virtual void PrepareMap() {}

  std::uint64_t FirstPageOf(std::uint32_t block, std::uint32_t sector) const;

 private:
  void EnsureMap();
  MediaResult WriteBlock(std::uint32_t logicalBlock, std::uint32_t firstSector, std::span<const std::uint8_t> data);
  bool SectorsErased(std::uint32_t block, std::uint32_t firstSector, std::uint32_t count);
  // The block's whole content with the new sectors laid in, and which sectors hold data.
  void Merge(std::optional<std::uint32_t> old, std::uint32_t firstSector, std::span<const std::uint8_t> data,
             std::vector<std::uint8_t>& content, std::vector<bool>& used);
  bool ProgramCopy(std::uint32_t block, std::uint32_t logicalBlock, std::span<const std::uint8_t> content,
                   const std::vector<bool>& used);
  void Retire(std::uint32_t block);

  NandArray nand_;
  StandardVolume volume_;
  bool mapped_ = false;
  std::vector<std::optional<std::uint32_t>> physicalOf_;  // by logical block
  std::vector<BlockUse> uses_;  // by physical block
};

// The flash of a raw flash card described by the machine; throws MachineDescriptionError for
// a geometry without a standard layout or an image of the wrong size.
std::unique_ptr<FlashCard> OpenFlashCard(const CardDescription& card);

// The geometry and standard volume of a described raw flash card; throws
// MachineDescriptionError when the card has no standard layout.
FlashGeometry FlashGeometryOf(const CardDescription& card);
StandardVolume StandardVolumeOf(const CardDescription& card);

bool IsRawFlash(CardKind kind);

}  // namespace machine
