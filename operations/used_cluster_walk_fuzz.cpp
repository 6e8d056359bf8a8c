// Fuzzes the used-space backup's FAT walk: the first byte picks the file system, the next 512
// bytes are the boot sector, the rest the FAT as the card holds it (reads past it fail). Every
// cluster the walk hands on must be one the restore takes: a cluster of the volume, its entry
// whole and after the one before.
#include "operations/fmb_image.h"
#include "operations/used_cluster_walk.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

constexpr std::size_t kSectorBytes = 512;
// A FAT12 FAT is read whole; larger ones only cost memory.
constexpr std::size_t kMostBufferBytes = 1u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 + kSectorBytes) return 0;
  const win::BYTE fileSystem = static_cast<win::BYTE>(data[0] % 3 + 1);
  const std::span<const win::BYTE, kSectorBytes> boot(data + 1, kSectorBytes);
  const std::span<const win::BYTE> fat(data + 1 + kSectorBytes, size - 1 - kSectorBytes);
  const tarnlok::UsedClusterVolume volume = tarnlok::UsedClusterVolumeOf(boot, fileSystem, kSectorBytes);
  if (tarnlok::UsedClusterBufferBytes(volume) > kMostBufferBytes) return 0;
  std::vector<win::BYTE> buffer(tarnlok::UsedClusterBufferBytes(volume));
  const auto read = [&](win::DWORD first, win::DWORD count, std::span<win::BYTE> into) {
    const std::uint64_t from = std::uint64_t{first} * kSectorBytes;
    const std::uint64_t bytes = std::uint64_t{count} * kSectorBytes;
    if (bytes > into.size() || from + bytes > fat.size()) return false;
    std::copy_n(fat.begin() + static_cast<std::ptrdiff_t>(from), bytes, into.begin());
    return true;
  };
  win::DWORD lastOffset = 0;
  const auto visit = [&](win::DWORD offset, win::DWORD value) {
    const win::DWORD cluster = tarnlok::ClusterOfFatOffset(fileSystem, offset);
    if (value == 0 || offset <= lastOffset || cluster < 2 || cluster > volume.lastCluster ||
        tarnlok::FatOffsetOfCluster(fileSystem, cluster) != offset)
      std::abort();
    lastOffset = offset;
    return true;
  };
  tarnlok::WalkUsedClusters(volume, buffer, read, visit);
  return 0;
}
