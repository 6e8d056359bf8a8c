// Reading a 1 GiB CompactFlash card through the simulated reader (READ(10) of 64 sectors by
// IOCTL_SCSI_PASS_THROUGH on the volume handle, as backups read it) against reading the same
// sparse image with pread of 32 KiB. The machine should cost no more than 1.5 times the pread.
#include "platform/machine/machine.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/devices/device_io.h"
#include "platform/win/files/files.h"
#include "platform/win/layouts/pass_through_layout.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

namespace {

constexpr std::uint64_t kCardBytes = 1ULL << 30;
constexpr std::uint32_t kChunk = 32768;
constexpr std::uint32_t kChunkSectors = kChunk / 512;
constexpr std::uint64_t kChunks = kCardBytes / kChunk;
constexpr std::size_t kDataOffset = 62;

// One sparse card image and the machine around it, for the whole run.
struct Bench {
  Bench() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnlok-bench-XXXXXX").string();
    folder = ::mkdtemp(pattern.data());
    image = folder / "cf.img";
    std::ofstream(image, std::ios::binary).close();
    std::filesystem::resize_file(image, kCardBytes);
    const std::string description = R"({"version":1,"windows":"xp","readers":[{"maker":true,"letter":"E",
        "card":{"kind":"cf","image":")" +
                                    image.string() + R"(","sectors":)" + std::to_string(kCardBytes / 512) + "}}]}";
    machine = std::make_unique<machine::Machine>(machine::ParseMachineDescription(description, folder));
    machine->Install();
  }
  ~Bench() {
    machine.reset();
    std::filesystem::remove_all(folder);
  }
  std::filesystem::path folder;
  std::filesystem::path image;
  std::unique_ptr<machine::Machine> machine;
};

Bench& Shared() {
  static Bench bench;
  return bench;
}

void MachineRead10(benchmark::State& state) {
  Shared();
  const win::HANDLE volume =
      win::CreateFileA("\\\\.\\E:", win::GENERIC_READ | win::GENERIC_WRITE,
                       win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, nullptr, win::OPEN_EXISTING, 0, nullptr);
  namespace spt = win::scsi_pass_through;
  std::vector<std::uint8_t> block(kDataOffset + kChunk, 0);
  win::WriteLe16(block, spt::kLength, spt::kHeaderSize);
  win::WriteU8(block, spt::kCdbLength, 10);
  win::WriteU8(block, spt::kSenseInfoLength, 18);
  win::WriteU8(block, spt::kDataIn, win::SCSI_IOCTL_DATA_IN);
  win::WriteLe32(block, spt::kTimeOutValue, 20);
  win::WriteLe32(block, spt::kDataBufferOffset, kDataOffset);
  win::WriteLe32(block, spt::kSenseInfoOffset, 44);
  block[spt::kCdb] = 0x28;
  block[spt::kCdb + 8] = kChunkSectors;
  std::uint64_t chunk = 0;
  for (auto _ : state) {
    win::WriteLe32(block, spt::kDataTransferLength, kChunk);
    win::WriteBe32(block, spt::kCdb + 2, static_cast<win::DWORD>(chunk * kChunkSectors));
    win::DWORD returned = 0;
    const auto size = static_cast<win::DWORD>(block.size());
    if (!win::DeviceIoControl(volume, win::IOCTL_SCSI_PASS_THROUGH, block.data(), size, block.data(), size, &returned,
                              nullptr) ||
        block[spt::kScsiStatus] != 0) {
      state.SkipWithError("READ(10) failed");
      break;
    }
    benchmark::DoNotOptimize(block.data());
    chunk = (chunk + 1) % kChunks;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kChunk);
  win::CloseHandle(volume);
}
BENCHMARK(MachineRead10);

void HostPread(benchmark::State& state) {
  const int fd = ::open(Shared().image.c_str(), O_RDONLY | O_CLOEXEC);
  std::vector<std::uint8_t> buffer(kChunk);
  std::uint64_t chunk = 0;
  for (auto _ : state) {
    if (::pread(fd, buffer.data(), kChunk, static_cast<off_t>(chunk * kChunk)) != kChunk) {
      state.SkipWithError("pread failed");
      break;
    }
    benchmark::DoNotOptimize(buffer.data());
    chunk = (chunk + 1) % kChunks;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kChunk);
  ::close(fd);
}
BENCHMARK(HostPread);

}  // namespace

BENCHMARK_MAIN();
