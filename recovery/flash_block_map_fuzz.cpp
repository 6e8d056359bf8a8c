// Fuzz harness: the raw flash block map over a card whose shape and every block's spare or extra
// data come from the input, then every logical block read through it in runs that cross into
// the next. Whatever the bytes, nothing may crash or read a page outside the card.
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
  // Each logical block's last sector with the next one's first: a read that crosses blocks.
  std::vector<std::uint8_t> run(2 * 512);
  const std::uint64_t perBlock = reads.Layout().SectorsPerBlock();
  for (std::uint64_t end = perBlock; end <= source.SectorCount(); end += perBlock) source.Read(end - 1, run);
  return 0;
}
