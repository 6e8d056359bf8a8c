// Fuzzes the FAT driver on a plain card. An input is the head of a small card; the rest of the
// card reads as zeros, so seeds stay a few KB.
#include "platform/machine/memory_sector_device.h"
#include "platform/machine/testing/fuzz_fat_volume.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kCardBytes = 64 * 1024;
  constexpr std::size_t kMaxInput = 1024 * 1024;
  if (size > kMaxInput) return 0;
  std::vector<std::uint8_t> bytes(data, data + size);
  if (bytes.size() < kCardBytes) bytes.resize(kCardBytes);
  machine::MemorySectorDevice card(std::move(bytes));
  machine::testing::ExerciseFatVolume(card);
  return 0;
}
