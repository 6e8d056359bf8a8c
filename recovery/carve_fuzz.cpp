// Fuzz harness: the input is a card of 512-byte units fed one by one through the header tests
// and the carve writers (with the card itself behind the look-ahead reads). The first byte picks
// the selected types. Whatever the bytes, nothing may crash or be written outside the folder.
#include "recovery/carve_dispatch.h"
#include "recovery/carve_files.h"
#include "recovery/testing/memory_source.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("tarnlok-carve-fuzz-" + std::to_string(std::random_device{}()));
  if (size < 1) return 0;
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  recovery::RecoverySettings settings;
  settings.outputFolder = folder.string() + "/";
  settings.showThumbnails = false;
  settings.typeSelection = (data[0] & 1) ? recovery::kAllTypes : recovery::kDefaultTypeSelection;
  recovery::test_support::MemorySectorSource source(std::vector<std::uint8_t>(data + 1, data + size));
  recovery::CarveState state;
  state.BeginRun(settings, nullptr, &source);
  std::vector<std::uint8_t> unit(512);
  for (std::uint64_t sector = 0; sector < source.SectorCount() && !state.recoveryStop; ++sector) {
    source.Read(sector, unit);
    state.currentSector = sector;
    recovery::SectorStep(state, unit);
  }
  recovery::CloseCarvedFile(state);
  std::filesystem::remove_all(folder);
  return 0;
}
