// Restoring and duplicating a 1 GiB CompactFlash card on the simulated machine against dd.
// Restore: a whole-media image written onto the card by the restore's sector loop (WRITE(10) of
// the card's 63-sector chunks through pass-through, the card identified again before every
// chunk, as the run does) against `dd bs=1M conv=notrunc` of the same bytes onto the card's
// image file: at most 2 times dd's time. Duplicate: the source card read into its image (a
// temporary file, and one memory block) and written onto a second card, against one dd copy:
// at most 2.5 times.
#include "device/device_list.h"
#include "device/device_state.h"
#include "device/drive_handle.h"
#include "device/enum_devices_nt.h"
#include "device/media_capacity.h"
#include "operations/card_read_run.h"
#include "operations/card_write_run.h"
#include "platform/machine/machine.h"
#include "platform/ui/dialogs/prompter.h"
#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"

#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::uint64_t kCardBytes = 1ULL << 30;
constexpr win::DWORD kCardSectors = kCardBytes / 512;

// The hooks a run gives the loops: the card identified again before each block, commands sent
// once (they never fail here).
class RunLikeHooks : public tarnlok::RunHooks {
 public:
  RunLikeHooks(win::HANDLE handle, tarnlok::DeviceEntry& entry) : handle_(handle), entry_(entry) {}
  bool BeforeBlock(win::DWORD, win::ULONGLONG) override {
    win::DWORD size = 0, sectors = 0, perBlock = 0, bytes = 0;
    win::BYTE writeProtected = 0;
    return tarnlok::GetMediaCapacity(handle_, &entry_, &size, &sectors, &perBlock, &writeProtected, &bytes) == 1;
  }
  bool BeforeWrite() override { return true; }
  bool Step(win::UINT, const std::function<bool()>& command) override { return command(); }

 private:
  win::HANDLE handle_;
  tarnlok::DeviceEntry& entry_;
};

struct Bench {
  Bench() {
    std::string pattern = (fs::temp_directory_path() / "tarnlok-restore-bench-XXXXXX").string();
    folder = ::mkdtemp(pattern.data());
    image = folder / "image.bin";
    {
      std::ofstream out(image, std::ios::binary);
      std::vector<char> chunk(1 << 20);
      for (std::uint64_t n = 0; n < kCardBytes / chunk.size(); ++n) {
        for (std::size_t i = 0; i < chunk.size(); i += 512) chunk[i] = static_cast<char>(n + i / 512);
        out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
      }
    }
    for (const char* name : {"e.img", "k.img"}) {
      std::ofstream(folder / name, std::ios::binary).close();
      fs::resize_file(folder / name, kCardBytes);
    }
    const std::string card = R"(","sectors":)" + std::to_string(kCardSectors) + "}}";
    const std::string description = R"({"version":1,"windows":"xp","readers":[)"
                                    R"({"maker":true,"letter":"E","card":{"kind":"cf","image":")" +
                                    (folder / "e.img").string() + card +
                                    R"(,{"maker":true,"letter":"K","card":{"kind":"cf","image":")" +
                                    (folder / "k.img").string() + card + "]}";
    machine = std::make_unique<machine::Machine>(machine::ParseMachineDescription(description, folder));
    machine->Install();
    tarnlok::OsKind = tarnlok::kOsWindowsXp;
    // The device log goes into the current folder; a message box would wait for a person.
    win::SetCurrentDirectoryA(folder.c_str());
    tarnlok::EnumDevicesNt();
    tarnlok::OperationBusy = 1;
  }
  ~Bench() {
    tarnlok::FreeDeviceList();
    machine.reset();
    fs::remove_all(folder);
  }
  tarnlok::DeviceEntry* Entry(char letter) const {
    for (tarnlok::DeviceEntry* entry = tarnlok::DeviceListHead; entry != nullptr; entry = entry->next) {
      if (entry->driveLetter == letter) return entry;
    }
    return nullptr;
  }
  double Dd(const fs::path& from, const fs::path& to) const {
    const std::string command = "dd if='" + from.string() + "' of='" + to.string() + "' bs=1M conv=notrunc status=none";
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0) return 0;
    return std::chrono::duration<double>(Clock::now() - start).count();
  }

  ui::ScriptedPrompter prompter{
      [](const std::string& question) { std::fprintf(stderr, "asked: %s\n", question.c_str()); }};
  fs::path folder;
  fs::path image;
  std::unique_ptr<machine::Machine> machine;
};

Bench& Shared() {
  static Bench bench;
  return bench;
}

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void WholeMediaRestoreAgainstDd(benchmark::State& state) {
  Bench& bench = Shared();
  for (auto _ : state) {
    const double dd = bench.Dd(bench.image, bench.folder / "k.img");
    tarnlok::DriveHandle card = tarnlok::OpenCardVolume('E');
    tarnlok::DeviceEntry& entry = *bench.Entry('E');
    const win::HANDLE file =
        win::CreateFileA(bench.image.c_str(), win::GENERIC_READ, 0, nullptr, win::OPEN_EXISTING, 0, nullptr);
    tarnlok::FileImageSource source(file);
    RunLikeHooks hooks(card.get(), entry);
    const auto start = Clock::now();
    const auto end = tarnlok::WritePlainImage(source, card.get(), entry, kCardSectors, 63, 512, hooks);
    const double restore = Seconds(start);
    win::CloseHandle(file);
    if (end != tarnlok::RunEnd::kCompleted) state.SkipWithError("the restore did not complete");
    state.counters["dd_s"] = dd;
    state.counters["restore_s"] = restore;
    state.counters["ratio"] = restore / dd;
  }
}

// inMemory: the image in one memory block, else in a temporary file beside the cards.
void DuplicateAgainstDd(benchmark::State& state, bool inMemory) {
  Bench& bench = Shared();
  for (auto _ : state) {
    const double dd = bench.Dd(bench.folder / "e.img", bench.folder / "k.img");
    tarnlok::DriveHandle source = tarnlok::OpenCardVolume('E');
    tarnlok::DriveHandle target = tarnlok::OpenCardVolume('K');
    RunLikeHooks readHooks(source.get(), *bench.Entry('E'));
    RunLikeHooks writeHooks(target.get(), *bench.Entry('K'));
    const auto start = Clock::now();
    tarnlok::DuplicateImage image;
    const bool made =
        inMemory ? image.AllocateMemory(kCardBytes) : image.CreateTemporaryFile(bench.folder.string() + "/");
    if (!made) state.SkipWithError("no image");
    const auto read = tarnlok::ReadPlainCard(source.get(), *bench.Entry('E'), kCardSectors, 63, 512, image, readHooks);
    const double readPhase = Seconds(start);
    image.Rewind();
    const auto written =
        tarnlok::WritePlainImage(image.Source(), target.get(), *bench.Entry('K'), kCardSectors, 63, 512, writeHooks);
    const double duplicate = Seconds(start);
    if (read != tarnlok::RunEnd::kCompleted || written != tarnlok::RunEnd::kCompleted) {
      state.SkipWithError("the duplicate did not complete");
    }
    state.counters["dd_s"] = dd;
    state.counters["duplicate_s"] = duplicate;
    state.counters["read_phase_s"] = readPhase;
    state.counters["ratio"] = duplicate / dd;
  }
}

void DuplicateThroughTemporaryFileAgainstDd(benchmark::State& state) { DuplicateAgainstDd(state, false); }
void DuplicateThroughMemoryAgainstDd(benchmark::State& state) { DuplicateAgainstDd(state, true); }

BENCHMARK(WholeMediaRestoreAgainstDd)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(DuplicateThroughTemporaryFileAgainstDd)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(DuplicateThroughMemoryAgainstDd)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
