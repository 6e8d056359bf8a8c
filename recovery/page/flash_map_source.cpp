#include "recovery/page/flash_map_source.h"

#include "recovery/page/card_sector_source.h"

#include <array>

namespace tarnlok {
namespace {

// Logical sectors of the standard volume of a Memory Stick by media size code 32 to 37.
constexpr std::array<std::uint64_t, 6> kMemoryStickSectors = {7872, 15808, 31616, 63360, 126720, 253440};

std::uint64_t LogicalSectors(const FlashCardShape& shape) {
  if (shape.mediaSizeCode >= 32 && shape.mediaSizeCode < 32 + kMemoryStickSectors.size())
    return kMemoryStickSectors[shape.mediaSizeCode - 32];
  // SmartMedia keeps 1000 of every 1024 blocks for the logical volume.
  return std::uint64_t{shape.blockCount} * shape.pagesPerBlock * 1000 / 1024;
}

}  // namespace

std::unique_ptr<recovery::SectorSource> OpenFlashMapSource(win::HANDLE card, const DeviceEntry& entry,
                                                           const FlashCardShape& shape) {
  // The reader's own translation of logical sectors, until the card's blocks are mapped here.
  return std::make_unique<CardSectorSource>(card, entry, 512, LogicalSectors(shape));
}

}  // namespace tarnlok
