#include "platform/machine/testing/fuzz_fat_volume.h"

#include "platform/machine/fat/fat_partition.h"
#include "platform/machine/fat/fat_tree_walk.h"
#include "platform/machine/fat/fat_volume.h"

#include <array>
#include <cstdint>

namespace machine::testing {

void ExerciseFatVolume(SectorDevice& card) {
  auto extent = FindFatVolume(card);
  if (!extent) return;
  SectorWindow window(card, extent->firstSector, extent->sectorCount);
  FatVolume volume(window, [] { return FatDateTime{}; });
  (void)volume.Info();
  (void)WalkFatTree(window, [&](const std::string&, const FatFileInfo& info) {
    std::array<std::uint8_t, 4096> buffer{};
    if (!info.IsDirectory()) (void)volume.Read(info.place, 0, buffer);
  });
  (void)volume.MakeDirectory("Fuzzed directory");
  if (auto file = volume.CreateFile("Fuzzed directory\\a fuzzed file.txt")) {
    const std::array<std::uint8_t, 1500> text{};
    (void)volume.Write(file->place, 0, text);
  }
  (void)volume.Rename("Fuzzed directory", "renamed");
}

}  // namespace machine::testing
