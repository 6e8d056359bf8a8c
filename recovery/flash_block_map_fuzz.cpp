// Fuzz harness: the raw flash block map over a card whose shape and every block's spare or extra
// data come from the input, then the whole logical volume read through it in runs that cross
// blocks. Whatever the bytes, nothing may crash or read a page outside the card.
#include "recovery/testing/memory_flash_reads.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  recovery::test_support::MemoryFlashReads reads(data[0], data[1], {data + 2, size - 2});
  recovery::FlashBlockMap map(reads.Layout());
  recovery::BlockMapObserver quiet;
  map.Build(reads, quiet);
  recovery::FlashSectorSource source(map, reads);
  std::vector<std::uint8_t> run(3 * 512);
  for (std::uint64_t sector = 0; sector < source.SectorCount(); sector += 3) source.Read(sector, run);
  return 0;
}
