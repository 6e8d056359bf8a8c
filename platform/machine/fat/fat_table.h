// The file allocation table: cluster entries read from the active FAT and written to every
// copy, chains walked with a bound so that loops and wild entries become errors, clusters
// allocated and freed. An object lives for one operation; it remembers at most the one FAT
// sector it last read, so nothing outlives the call that a raw write could make stale.
#pragma once

#include "platform/machine/fat_boot_sector.h"

#include <array>
#include <cstdint>
#include <limits>
#include <vector>

namespace machine {

class FatTable {
 public:
  FatTable(SectorDevice& device, const FatGeometry& geometry);

  // The entry of cluster n (FAT32: its low 28 bits); ERROR_DISK_CORRUPT when n is no cluster.
  IoResult<std::uint32_t> Get(std::uint32_t n);
  // Writes the entry of cluster n in every FAT copy in use (FAT32 keeps the top 4 bits).
  IoStatus Set(std::uint32_t n, std::uint32_t value);

  // True when an entry value ends a chain.
  bool IsEndOfChain(std::uint32_t value) const;
  // The value this driver writes to end a chain.
  std::uint32_t EndOfChain() const;

  // The clusters of the chain from `first`, at most `limit` of them. ERROR_DISK_CORRUPT when
  // first is no data cluster, an entry is free, bad or out of range, or the chain meets itself.
  IoResult<std::vector<std::uint32_t>> Chain(std::uint32_t first,
                                             std::size_t limit = std::numeric_limits<std::size_t>::max());

  // Allocates `count` free clusters as a chain appended to `tail` (0 starts a new chain) and
  // answers them; ERROR_DISK_FULL, with nothing changed, when too few are free.
  IoResult<std::vector<std::uint32_t>> Extend(std::uint32_t tail, std::size_t count);
  // Frees the chain from `first` to its end; a loop or wild entry stops it with an error.
  IoStatus FreeChain(std::uint32_t first);
  // Counts the free clusters by reading the whole table.
  IoResult<std::uint32_t> CountFree();

 private:
  // The FAT's byte offset of cluster n's entry.
  std::uint64_t EntryOffset(std::uint32_t n) const;
  IoStatus Load(std::uint64_t fatSector);
  IoResult<std::uint8_t> ByteAt(std::uint64_t offset);
  IoStatus PutByte(std::uint64_t offset, std::uint8_t value);
  IoStatus StoreWindow();
  // Finds `count` free clusters from the search hint on, wrapping around once.
  IoResult<std::vector<std::uint32_t>> FindFree(std::size_t count);

  SectorDevice& device_;
  const FatGeometry& geometry_;
  std::array<std::uint8_t, SectorDevice::kSectorSize> window_{};
  std::uint64_t windowSector_ = std::numeric_limits<std::uint64_t>::max();
  bool windowDirty_ = false;
};

}  // namespace machine
