// The cluster walk of a FAT volume: each data cluster is read and shown to the deleted-entry
// pass, and the free-run tracking decides where the raw scan begins.
#include "recovery/free_run.h"
#include "recovery/recovery_engine.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace recovery {

namespace {

constexpr std::uint32_t kSectorsPerFatRead = 64;

}  // namespace

FatTable RecoveryEngine::ReadFat(const BootFacts& boot, std::uint64_t volumeStart) {
  // A FAT12/16 volume without its boot signature has no FAT worth trusting: every cluster counts
  // as free, so the whole data area can be scanned.
  if (boot.fileSystem != FileSystem::Fat32 && !boot.bootSignature) return {};
  const std::uint32_t bytesPerSector = source_.BytesPerSector();
  const std::uint64_t needed = boot.fileSystem == FileSystem::Fat12 ? (std::uint64_t{boot.clusterCount} + 2) * 3 / 2 + 1
                               : boot.fileSystem == FileSystem::Fat16 ? (std::uint64_t{boot.clusterCount} + 2) * 2
                                                                      : (std::uint64_t{boot.clusterCount} + 2) * 4;
  const std::uint64_t sectors =
      std::min<std::uint64_t>(boot.sectorsPerFat, (needed + bytesPerSector - 1) / bytesPerSector);
  std::vector<std::uint8_t> fat(static_cast<std::size_t>(sectors * bytesPerSector), 0);
  for (std::uint64_t done = 0; done < sectors; done += kSectorsPerFatRead) {
    const std::uint64_t count = std::min<std::uint64_t>(kSectorsPerFatRead, sectors - done);
    const std::span<std::uint8_t> part(fat.data() + done * bytesPerSector,
                                       static_cast<std::size_t>(count * bytesPerSector));
    ReadKeepingGoodSectors(volumeStart + boot.reservedSectors + done, part);
  }
  return FatTable(boot.fileSystem, fat, boot.clusterCount);
}

void RecoveryEngine::ScanRootDirectory(const BootFacts& boot, std::uint64_t volumeStart) {
  const std::uint32_t bytesPerSector = source_.BytesPerSector();
  std::uint64_t first = volumeStart + boot.reservedSectors + std::uint64_t{boot.numberOfFats} * boot.sectorsPerFat;
  std::uint64_t sectors = boot.RootDirectorySectors();
  if (boot.fileSystem == FileSystem::Fat32) {
    if (boot.rootCluster < 2 || boot.rootCluster >= boot.clusterCount + 2) return;
    first = volumeStart + boot.ClusterSector(boot.rootCluster);
    sectors = boot.sectorsPerCluster;
  }
  if (sectors == 0) return;
  std::vector<std::uint8_t> root(static_cast<std::size_t>(sectors * bytesPerSector), 0);
  if (!source_.Read(first, root)) return;
  if (HasDirectoryEntries(root) == 1) deleted_.ScanRootForDeletedEntries(root);
}

std::optional<ScanRange> RecoveryEngine::WalkClusters(const BootFacts& boot, std::uint64_t volumeStart) {
  lastEnd_ = RunEnd::Completed;
  ScanRootDirectory(boot, volumeStart);
  const FatTable fat = ReadFat(boot, volumeStart);
  observer_.Log(" Clusters \r\n--------- \r\n");
  std::vector<std::uint8_t> cluster(boot.ClusterBytes(), 0);
  FreeRunTracker tracker;
  std::uint64_t bytesSinceDisplay = 0;
  int lastPercent = -1;
  const std::uint32_t lastCluster = boot.clusterCount + 1;
  for (std::uint32_t c = 2; c <= lastCluster; ++c) {
    char line[32];
    std::snprintf(line, sizeof line, "%u \r\n", c);
    observer_.Log(line);
    const bool inUse = fat.InUse(c);
    const int percent = static_cast<int>(std::uint64_t{c - 2} * 100 / boot.clusterCount);
    if (percent != lastPercent) observer_.OnProgress(lastPercent = percent);
    const std::uint64_t sector = volumeStart + boot.ClusterSector(c);
    observer_.OnSector(static_cast<std::uint32_t>(sector));
    if (Cancelled()) return std::nullopt;
    ReadKeepingGoodSectors(sector, cluster);
    const bool rootCluster = boot.fileSystem == FileSystem::Fat32 && c == boot.rootCluster;
    if (!rootCluster && deleted_.ScanDirectoryCluster(cluster, inUse) == 5) tracker.Reset();
    std::optional<std::uint32_t> limit;
    if (!deleted_.Empty()) {
      const DeletedEntry& newest = deleted_.Newest();
      limit = newest.clusterLow + newest.size / boot.ClusterBytes();
    }
    bytesSinceDisplay += boot.ClusterBytes();
    if (observer_.TimerSeconds() >= 5) {
      observer_.ShowThroughput(observer_.TimerSeconds(), bytesSinceDisplay);
      bytesSinceDisplay = 0;
    }
    if (tracker.Step(c, inUse, limit)) {
      const std::uint32_t start = tracker.RunStartCluster();
      // The scan runs from the run's first cluster to the end of the data area.
      return ScanRange{volumeStart + boot.ClusterSector(start),
                       std::uint64_t{lastCluster + 1 - start} * boot.sectorsPerCluster};
    }
  }
  return std::nullopt;
}

}  // namespace recovery
