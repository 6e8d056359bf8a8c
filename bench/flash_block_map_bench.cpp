// The analysis of a 128 MB SmartMedia card (8192 blocks) and a 128 MB Memory Stick (8192 blocks
// of 32 pages) through the simulated maker's USB readers on XP, one management read a block, and
// the logical volume read through the map against the reader's own READ(10) of the same sectors.
#include "device/device_list.h"
#include "device/device_state.h"
#include "device/drive_handle.h"
#include "device/enum_devices_nt.h"
#include "device/card_reads.h"
#include "platform/machine/machine.h"
#include "platform/ui/dialogs/prompter.h"
#include "platform/win/files/files.h"
#include "recovery/flash_block_map.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

constexpr std::uint32_t kRunSectors = 32;
// A fresh card's volume structures fill its first four logical blocks (128 sectors); the reads
// stay inside them, so every read moves pages.
constexpr std::uint32_t kMappedSectors = 128;

struct Bench {
  Bench() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnlok-bench-XXXXXX").string();
    folder = ::mkdtemp(pattern.data());
    const std::string description = R"({"version":1,"windows":"xp","readers":[
      {"maker":true,"letter":"F","card":{"kind":"sm","image":"sm.img","deviceCode":121}},
      {"maker":true,"letter":"H","card":{"kind":"ms","image":"ms.img","blocks":8192,"pagesPerBlock":32}}]})";
    machine = std::make_unique<machine::Machine>(machine::ParseMachineDescription(description, folder));
    machine->Install();
    tarnlok::OsKind = 7;
    tarnlok::OperationBusy = 1;
    // The device log goes into the current folder; a message box would wait for a person.
    win::SetCurrentDirectoryA(folder.c_str());
    tarnlok::EnumDevicesNt();
  }
  ~Bench() {
    tarnlok::FreeDeviceList();
    machine.reset();
    std::filesystem::remove_all(folder);
  }
  ui::ScriptedPrompter prompter{
      [](const std::string& question) { std::fprintf(stderr, "asked: %s\n", question.c_str()); }};
  std::filesystem::path folder;
  std::unique_ptr<machine::Machine> machine;
};

Bench& Shared() {
  static Bench bench;
  return bench;
}

const tarnlok::DeviceEntry& EntryAt(char letter) {
  for (const tarnlok::DeviceEntry* entry = tarnlok::DeviceListHead; entry != nullptr; entry = entry->next) {
    if (entry->driveLetter == letter) return *entry;
  }
  std::abort();
}

recovery::FlashLayout LayoutOf(char letter) {
  return letter == 'F' ? recovery::SmartMediaLayout({8, 32, 8192}) : recovery::MemoryStickLayout(8192, 32);
}

// The management reads of the card on `letter`, through its volume handle.
struct CardMapReads {
  explicit CardMapReads(char letter)
      : volume(tarnlok::OpenCardVolume(letter)),
        layout(LayoutOf(letter)),
        reads(volume.get(), EntryAt(letter), layout) {}
  const tarnlok::DriveHandle volume;
  const recovery::FlashLayout layout;
  recovery::CardFlashReads reads;
  recovery::BlockMapObserver quiet;
};

void BuildMap(benchmark::State& state, char letter) {
  Shared();
  CardMapReads card(letter);
  for (auto _ : state) {
    recovery::FlashBlockMap map(card.layout);
    if (map.Build(card.reads, card.quiet) != recovery::BlockMapEnd::Completed) state.SkipWithError("build failed");
    benchmark::DoNotOptimize(map.MappedBlocks());
  }
  state.counters["blocks/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * card.layout.blocks, benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(BuildMap, SmartMedia128M, 'F')->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BuildMap, MemoryStick128M, 'H')->Unit(benchmark::kMillisecond);

void ReadThroughMap(benchmark::State& state, char letter) {
  Shared();
  CardMapReads card(letter);
  recovery::FlashBlockMap map(card.layout);
  map.Build(card.reads, card.quiet);
  recovery::FlashSectorSource source(map, card.reads);
  std::vector<std::uint8_t> buffer(kRunSectors * 512);
  std::uint64_t first = 0;
  for (auto _ : state) {
    if (!source.Read(first, buffer)) state.SkipWithError("read failed");
    first = (first + kRunSectors) % kMappedSectors;
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kRunSectors * 512);
}
BENCHMARK_CAPTURE(ReadThroughMap, SmartMedia128M, 'F');
BENCHMARK_CAPTURE(ReadThroughMap, MemoryStick128M, 'H');

void ReaderRead10(benchmark::State& state, char letter) {
  Shared();
  const tarnlok::DriveHandle volume = tarnlok::OpenCardVolume(letter);
  std::vector<std::uint8_t> buffer(kRunSectors * 512);
  std::uint32_t first = 0;
  for (auto _ : state) {
    if (!tarnlok::ReadCardSectors(volume.get(), EntryAt(letter), first, kRunSectors, 512, buffer.data())) {
      state.SkipWithError("READ(10) failed");
    }
    first = (first + kRunSectors) % kMappedSectors;
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kRunSectors * 512);
}
BENCHMARK_CAPTURE(ReaderRead10, SmartMedia128M, 'F');
BENCHMARK_CAPTURE(ReaderRead10, MemoryStick128M, 'H');

}  // namespace

BENCHMARK_MAIN();
