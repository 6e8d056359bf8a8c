// Low-level format of a 128 MB SmartMedia card (newer reader) and a 128 MB Memory Stick on the
// simulated machine, quick and full: the time, and the device commands sent against their own
// minimum (one erase per block and one program per written page). Commands are counted by the
// library's message pump, which runs once after every command for the one owner window given.
#include "formatlib/flash/format_driver.h"

#include "platform/machine/machine.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/window_api.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

struct Card {
  const char* json;
  std::uint32_t blocks;
  std::uint32_t writtenPages;  // the volume's system area and the card information structure
};

// SmartMedia code 8: structure 1, master boot record 1, boot record 1, two FATs of 32, root 16.
constexpr Card kSmartMedia{R"({"kind":"sm","image":"sm.img","deviceCode":121})", 8192, 1 + 1 + 1 + 64 + 16};
// Memory Stick code 37: master boot record, boot record, two FATs of 31, root 32.
constexpr Card kStick{R"({"kind":"ms","image":"ms.img","blocks":8192,"pagesPerBlock":32})", 8192, 1 + 1 + 62 + 32};

void FormatCard(benchmark::State& state, const Card& card, pradvik::BYTE kind, pradvik::BYTE full) {
  std::string pattern = (std::filesystem::temp_directory_path() / "tarnlok-bench-XXXXXX").string();
  const std::filesystem::path folder = ::mkdtemp(pattern.data());
  const std::string description = R"({"version":1,"windows":"xp","readers":[{"maker":true,"firmware":"newer",
      "letter":"F","card":)" + std::string(card.json) +
                                  "}]}";
  auto machine = std::make_unique<machine::Machine>(machine::ParseMachineDescription(description, folder));
  machine->Install();
  const ui::HWND owner = ui::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  std::uint64_t commands = 0;
  ui::SetPumpObserver([&commands] { ++commands; });
  for (auto _ : state) {
    commands = 0;
    pradvik::DWORD mediaCode = 0;
    pradvik::BYTE busy = 0;
    const int result = pradvik::exports::DoFormat(owner, nullptr, nullptr, nullptr, 1, 'F' - 'A', full, nullptr,
                                                  &mediaCode, kind, "SmartMedia", 0, nullptr, nullptr, 3, 0, 0, &busy);
    if (result != 1) state.SkipWithError("the format failed");
  }
  ui::SetPumpObserver({});
  state.counters["commands"] = static_cast<double>(commands);
  state.counters["minimum"] = static_cast<double>(card.blocks + card.writtenPages);
  ui::DestroyWindow(owner);
  machine->Uninstall();
  machine.reset();
  std::filesystem::remove_all(folder);
}

void SmartMediaQuick(benchmark::State& state) { FormatCard(state, kSmartMedia, pradvik::kKindNewerSmartMedia, 0); }
void SmartMediaFull(benchmark::State& state) { FormatCard(state, kSmartMedia, pradvik::kKindNewerSmartMedia, 1); }
void StickQuick(benchmark::State& state) { FormatCard(state, kStick, pradvik::kKindNewerMemoryStick, 0); }
void StickFull(benchmark::State& state) { FormatCard(state, kStick, pradvik::kKindNewerMemoryStick, 1); }

BENCHMARK(SmartMediaQuick)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(SmartMediaFull)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(StickQuick)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(StickFull)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
