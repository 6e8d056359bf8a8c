// Fuzzes volume recognition, the directory walk, file reads and a few writes. An input is the
// head of a small card; the rest of the card reads as zeros, so seeds stay a few KB.
#include "platform/machine/fat_partition.h"
#include "platform/machine/fat_tree_walk.h"
#include "platform/machine/fat_volume.h"
#include "platform/machine/memory_sector_device.h"

#include <array>
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
  auto extent = machine::FindFatVolume(card);
  if (!extent) return 0;
  machine::SectorWindow window(card, extent->firstSector, extent->sectorCount);
  machine::FatVolume volume(window, [] { return machine::FatDateTime{}; });
  (void)volume.Info();
  (void)machine::WalkFatTree(window, [&](const std::string&, const machine::FatFileInfo& info) {
    std::array<std::uint8_t, 4096> buffer{};
    if (!info.IsDirectory()) (void)volume.Read(info.place, 0, buffer);
  });
  (void)volume.MakeDirectory("Fuzzed directory");
  if (auto file = volume.CreateFile("Fuzzed directory\\a fuzzed file.txt")) {
    const std::array<std::uint8_t, 1500> text{};
    (void)volume.Write(file->place, 0, text);
  }
  (void)volume.Rename("Fuzzed directory", "renamed");
  return 0;
}
