// Fuzz harness: the input is a whole card (after one byte that picks the selected types and
// whether the still-visible files are wanted) run through the recovery engine: boot sector,
// cluster walk, deleted entries and their copy, raw scan. Whatever the card holds, nothing may
// crash, read outside the card or be written outside the output folder.
#include "recovery/recovery_engine.h"
#include "recovery/testing/memory_source.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("tarnlok-engine-fuzz-" + std::to_string(std::random_device{}()));
  if (size < 1) return 0;
  std::filesystem::remove_all(folder);
  recovery::RecoverySettings settings;
  settings.outputFolder = (folder / "out").string() + "/";
  settings.showThumbnails = false;
  settings.typeSelection = (data[0] & 1) ? recovery::kAllTypes : recovery::kDefaultTypeSelection;
  settings.scanFile = (data[0] & 2) != 0;
  recovery::test_support::MemorySectorSource source(std::vector<std::uint8_t>(data + 1, data + size));
  recovery::CarveState state;
  recovery::RecoveryObserver observer;
  recovery::RecoveryEngine engine(state, source, observer);
  engine.Run(settings, recovery::CardFacts{});
  std::filesystem::remove_all(folder);
  return 0;
}
