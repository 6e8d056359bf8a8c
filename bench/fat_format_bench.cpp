// FAT format of a 2 GiB MMC/SD card on the simulated machine through the default format export,
// quick (FAT16 as the Format page asks by default, and FAT32) and full, against mkfs.fat laying
// the same volume onto a sparse image file of the same size in the same run: the ratio of the
// quick format's time to mkfs.fat's is the figure to watch (target: at most 2).
#include "formatlib/fat/fat_exports.h"

#include "platform/machine/machine.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

constexpr std::uint64_t kCardSectors = 4194304;  // 2 GiB
constexpr pradvik::BYTE kMmcSd = 4;

std::filesystem::path MakeFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tarnlok-bench-XXXXXX").string();
  return ::mkdtemp(pattern.data());
}

void FormatCard(benchmark::State& state, pradvik::BYTE full, int forceFat16) {
  const std::filesystem::path folder = MakeFolder();
  const std::string description =
      R"({"version":1,"windows":"xp","readers":[{"maker":true,"letter":"E","card":{"kind":"mmcsd","image":"sd.img","sectors":)" +
      std::to_string(kCardSectors) + "}}]}";
  auto machine = std::make_unique<machine::Machine>(machine::ParseMachineDescription(description, folder));
  machine->Install();
  for (auto _ : state) {
    pradvik::DWORD mediaCode = 0;
    pradvik::BYTE released = 0;
    pradvik::DWORD capacityMb = static_cast<pradvik::DWORD>(kCardSectors * 512 / 1000000);
    const int result =
        pradvik::exports::DoDefaultFormat(nullptr, nullptr, nullptr, nullptr, 1, 'E' - 'A', full, nullptr, &released,
                                          &mediaCode, kMmcSd, 0, 0, forceFat16, nullptr, 3, 0, 0, nullptr, &capacityMb);
    if (result != 1) state.SkipWithError("the format failed");
  }
  machine->Uninstall();
  machine.reset();
  std::filesystem::remove_all(folder);
}

void MkfsFat(benchmark::State& state, int fatBits) {
  const std::filesystem::path folder = MakeFolder();
  const std::filesystem::path image = folder / "mkfs.img";
  const std::string command = "mkfs.fat -F " + std::to_string(fatBits) + " -C '" + image.string() + "' " +
                              std::to_string(kCardSectors / 2) + " >/dev/null 2>&1";
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(image);
    state.ResumeTiming();
    if (std::system(command.c_str()) != 0) state.SkipWithError("mkfs.fat failed");
  }
  std::filesystem::remove_all(folder);
}

void QuickFat16(benchmark::State& state) { FormatCard(state, 0, 1); }
void QuickFat32(benchmark::State& state) { FormatCard(state, 0, 0); }
void FullFat16(benchmark::State& state) { FormatCard(state, 1, 1); }
void MkfsFat16(benchmark::State& state) { MkfsFat(state, 16); }
void MkfsFat32(benchmark::State& state) { MkfsFat(state, 32); }

BENCHMARK(QuickFat16)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(MkfsFat16)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(QuickFat32)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(MkfsFat32)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(FullFat16)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
