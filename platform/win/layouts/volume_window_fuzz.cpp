// Fuzzes the reading of a card's first sector: the input's first four bytes are the card's size
// in sectors (little-endian), the rest its sector 0. Whatever the sector holds, the window found
// lies wholly on the card, and a partition's window starts after the master boot record.
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/volume_window.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  const auto cardSectors = win::TryRead32(input, 0, win::Endian::Little);
  if (!cardSectors) return 0;
  const win::VolumeWindow window = win::FindVolumeWindow(input.subspan(4), *cardSectors);
  if (window.firstSector > *cardSectors || window.sectors > *cardSectors - window.firstSector) std::abort();
  if (window.partitioned && (window.firstSector == 0 || window.sectors == 0 || window.partitionType == 0)) std::abort();
  if (!window.partitioned && (window.firstSector != 0 || window.sectors != *cardSectors)) std::abort();
  return 0;
}
