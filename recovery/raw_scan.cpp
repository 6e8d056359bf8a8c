// The raw scan: the unused part of the card read in large runs of sectors, every sector handed
// to the header tests and the open file's writer.
#include "recovery/carve_dispatch.h"
#include "recovery/carve_files.h"
#include "recovery/recovery_engine.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace recovery {

bool RecoveryEngine::ReadKeepingGoodSectors(std::uint64_t first, std::span<std::uint8_t> buffer) {
  if (source_.Read(first, buffer)) return true;
  // The source does not say which sectors failed: each is read alone, and only those that
  // still fail count as empty, never as what the buffer held before.
  const std::uint32_t bytesPerSector = source_.BytesPerSector();
  bool all = true;
  for (std::size_t at = 0; at < buffer.size(); at += bytesPerSector, ++first) {
    const auto sector = buffer.subspan(at, bytesPerSector);
    if (buffer.size() == bytesPerSector || !source_.Read(first, sector)) {
      std::fill(sector.begin(), sector.end(), 0);
      all = false;
    }
  }
  return all;
}

bool RecoveryEngine::ReadSectors(std::uint64_t first, std::span<std::uint8_t> buffer) {
  for (;;) {
    if (ReadKeepingGoodSectors(first, buffer) || ignoreAllReadFailures_) return true;
    switch (observer_.OnReadFailure(static_cast<std::uint32_t>(first))) {
      case ReadFailureAnswer::Abort: return false;
      case ReadFailureAnswer::Retry: continue;
      case ReadFailureAnswer::IgnoreAll: ignoreAllReadFailures_ = true; return true;
      case ReadFailureAnswer::Ignore: return true;
    }
  }
}

RunEnd RecoveryEngine::RawScan(ScanRange range, std::uint32_t sectorsPerRead, const BootFacts* boot,
                               std::uint64_t volumeStart) {
  lastEnd_ = RunEnd::Completed;
  const std::uint32_t bytesPerSector = source_.BytesPerSector();
  sectorsPerRead = std::max<std::uint32_t>(sectorsPerRead, 1);
  std::vector<std::uint8_t> buffer(std::size_t{sectorsPerRead} * bytesPerSector, 0);
  state_.openTypeMask = 0;
  const std::uint64_t end = range.first + range.count;
  std::uint64_t bytesSinceDisplay = 0;
  int lastPercent = -1;
  for (std::uint64_t read = range.first; read < end; read += sectorsPerRead) {
    // Progress by the cluster the read begins in (by sectors off a FAT volume).
    const std::uint64_t done = read - range.first;
    int percent = static_cast<int>(range.count == 0 ? 100 : done * 100 / range.count);
    if (boot && boot->clusterCount != 0 && read >= volumeStart + boot->firstDataSector) {
      const std::uint64_t cluster = (read - volumeStart - boot->firstDataSector) / boot->sectorsPerCluster;
      percent = static_cast<int>(std::min<std::uint64_t>(100, cluster * 100 / boot->clusterCount));
    }
    if (percent != lastPercent) observer_.OnProgress(lastPercent = percent);
    observer_.OnSector(static_cast<std::uint32_t>(read));
    char line[32];
    std::snprintf(line, sizeof line, "%llu \r\n", static_cast<unsigned long long>(read));
    observer_.Log(line);
    const std::uint64_t count = std::min<std::uint64_t>(sectorsPerRead, end - read);
    const std::span<std::uint8_t> data(buffer.data(), static_cast<std::size_t>(count * bytesPerSector));
    if (Cancelled()) break;
    if (!ReadSectors(read, data)) {
      lastEnd_ = RunEnd::Aborted;
      break;
    }
    bytesScanned_ += data.size();
    bytesSinceDisplay += data.size();
    const bool allZero = data[0] == 0 && std::memcmp(data.data(), data.data() + 1, data.size() - 1) == 0;
    if (!(allZero && !state_.carveFileOpen)) {
      for (std::uint64_t k = 0; k < count; ++k) {
        state_.currentSector = read + k;
        SectorStep(state_, Unit(data.data() + k * bytesPerSector, bytesPerSector));
        if (state_.recoveryStop) break;
      }
    }
    if (state_.recoveryStop) {
      lastEnd_ = RunEnd::DiskFull;
      break;
    }
    if (observer_.TimerSeconds() > 5) {
      observer_.ShowThroughput(observer_.TimerSeconds(), bytesSinceDisplay);
      bytesSinceDisplay = 0;
    }
  }
  CloseCarvedFile(state_);
  return lastEnd_;
}

}  // namespace recovery
