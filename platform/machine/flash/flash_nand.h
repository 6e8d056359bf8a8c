// The NAND array of a raw flash card over its image file: pages with their spare areas (and on
// Memory Stick the extra data of each block), read, programmed and erased as the chip allows.
// Erasing sets a whole block, spare and extra data included, to 0xFF; programming only clears
// bits, as the chip's cells do: a page programmed again without an erase keeps the AND of what
// it held and what came (the same bytes again change nothing). Spare and extra data can also be
// programmed on their own, as the chip does for a bad-block mark. Defective blocks
// (those bad from the factory and those that fail later) fail every erase and program; injected
// faults fail one operation at a block.
#pragma once

#include "platform/machine/flash/flash_geometry.h"
#include "platform/machine/description/machine_description.h"

#include <cstdint>
#include <span>
#include <vector>

namespace machine {

enum class FlashResult { Ok, OutOfRange, Failed };

class NandArray {
 public:
  // Opens the image, which must hold exactly the geometry's bytes; throws
  // MachineDescriptionError naming the image when it does not.
  NandArray(const CardDescription& card, const FlashGeometry& geometry);
  ~NandArray();
  NandArray(const NandArray&) = delete;
  NandArray& operator=(const NandArray&) = delete;

  const FlashGeometry& Geometry() const { return geometry_; }
  // The image file refuses writing: the card can only be write-protected.
  bool ReadOnly() const { return readOnly_; }

  // The data of consecutive pages from `page`, page after page without their spare areas.
  FlashResult ReadData(std::uint64_t page, std::span<std::uint8_t> out);
  // The spare areas of consecutive pages from `page`, one after the other.
  FlashResult ReadSpare(std::uint64_t page, std::span<std::uint8_t> out);
  // The extra data of consecutive blocks from `block`.
  FlashResult ReadExtra(std::uint32_t block, std::span<std::uint8_t> out);

  // Programs one page's data and spare.
  FlashResult ProgramPage(std::uint64_t page, std::span<const std::uint8_t> data, std::span<const std::uint8_t> spare);
  // Programs bytes of a page's spare area, or of a block's extra data, on their own.
  FlashResult ProgramSpare(std::uint64_t page, std::size_t offset, std::span<const std::uint8_t> bytes);
  FlashResult ProgramExtra(std::uint32_t block, std::span<const std::uint8_t> bytes);
  FlashResult Erase(std::uint32_t block);

  // Uses up an injected fault of the reader's spare-data read at the block; true when it fires.
  bool SpareReadFails(std::uint32_t block) { return TakeFault(FaultOperation::ReadSpare, block); }

  bool PageErased(std::uint64_t page);
  bool Defective(std::uint32_t block) const;

 private:
  bool TakeFault(FaultOperation operation, std::uint32_t block);
  static bool InRange(std::uint64_t first, std::uint64_t count, std::uint64_t limit) {
    return first <= limit && count <= limit - first;
  }
  FlashResult ClearBits(std::uint64_t offset, std::span<const std::uint8_t> bytes);
  template <class OffsetOf, class Fails>
  FlashResult ReadRecords(std::span<std::uint8_t> out, std::size_t size, std::uint64_t first, std::uint64_t limit,
                          OffsetOf offsetOf, Fails fails);

  FlashGeometry geometry_;
  bool readOnly_ = false;
  std::vector<std::uint32_t> defective_;
  std::vector<Fault> faults_;
  std::vector<std::uint32_t> faultsLeft_;
  int fd_ = -1;
};

}  // namespace machine
