#include "platform/machine/fat/fat_file.h"

#include <algorithm>
#include <vector>

namespace machine {
namespace {

IoError Corrupt() { return IoError{win::ERROR_DISK_CORRUPT}; }

std::uint64_t ClustersFor(std::uint64_t bytes, std::uint32_t clusterBytes) {
  return (bytes + clusterBytes - 1) / clusterBytes;
}

// The file's first `count` clusters; ERROR_DISK_CORRUPT when its chain is shorter.
IoResult<std::vector<std::uint32_t>> ClustersOf(FatTable& table, const ShortEntry& file, std::uint64_t count) {
  if (count == 0) return std::vector<std::uint32_t>{};
  if (file.firstCluster == 0) return Corrupt();
  auto chain = table.Chain(file.firstCluster, static_cast<std::size_t>(count));
  if (chain && chain->size() < count) return Corrupt();
  return chain;
}

// Makes the file's chain `count` clusters long (never shorter than it is) and answers it.
IoResult<std::vector<std::uint32_t>> EnsureClusters(FatTable& table, ShortEntry& file, std::uint64_t count) {
  std::vector<std::uint32_t> chain;
  if (file.firstCluster != 0) {
    auto whole = table.Chain(file.firstCluster);
    if (!whole) return whole.failure();
    chain = std::move(*whole);
  }
  if (chain.size() >= count) return chain;
  auto fresh = table.Extend(chain.empty() ? 0 : chain.back(), static_cast<std::size_t>(count - chain.size()));
  if (!fresh) return fresh.failure();
  if (chain.empty()) file.firstCluster = fresh->front();
  chain.insert(chain.end(), fresh->begin(), fresh->end());
  return chain;
}

// Writes `length` bytes at `offset` of the chain's data: from `data`, or zeros when it is null.
// Whole sectors go straight to the device; partial ones are read, patched and written back.
IoStatus WriteRange(FatContext& context, const std::vector<std::uint32_t>& chain, std::uint64_t offset,
                    std::uint64_t length, const std::uint8_t* data) {
  const FatGeometry& g = context.geometry;
  constexpr std::size_t kSector = SectorDevice::kSectorSize;
  const std::vector<std::uint8_t> zeros(g.BytesPerCluster(), 0);
  std::vector<std::uint8_t> sector(kSector);
  std::uint64_t done = 0;
  while (done < length) {
    const std::uint64_t position = offset + done;
    const std::uint64_t inCluster = position % g.BytesPerCluster();
    const std::uint64_t sectorNumber = g.ClusterSector(chain[position / g.BytesPerCluster()]) + inCluster / kSector;
    const std::size_t inSector = inCluster % kSector;
    const std::uint64_t remaining = length - done;
    if (inSector == 0 && remaining >= kSector) {
      const std::uint64_t whole =
          std::min<std::uint64_t>(g.BytesPerCluster() - inCluster, remaining / kSector * kSector);
      const std::uint8_t* source = data != nullptr ? data + done : zeros.data();
      if (auto written = context.device.WriteSectors(sectorNumber, std::span(source, whole)); !written) return written;
      done += whole;
      continue;
    }
    const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(kSector - inSector, remaining));
    if (auto read = context.device.ReadSectors(sectorNumber, sector); !read) return read;
    const auto at = sector.begin() + static_cast<std::ptrdiff_t>(inSector);
    if (data != nullptr) {
      std::copy_n(data + done, take, at);
    } else {
      std::fill_n(at, take, std::uint8_t{0});
    }
    if (auto written = context.device.WriteSectors(sectorNumber, sector); !written) return written;
    done += take;
  }
  return IoOk();
}

// Grows the file's chain to cover `end` bytes and zeroes its bytes from the old size up to `zeroUpTo`.
IoResult<std::vector<std::uint32_t>> GrowTo(FatContext& context, FatTable& table, ShortEntry& file, std::uint64_t end,
                                            std::uint64_t zeroUpTo) {
  if (end > kMaxFatFileSize) return IoError{win::ERROR_DISK_FULL};
  auto chain = EnsureClusters(table, file,
                              ClustersFor(std::max<std::uint64_t>(end, file.size), context.geometry.BytesPerCluster()));
  if (!chain) return chain;
  if (zeroUpTo > file.size) {
    if (auto zeroed = WriteRange(context, *chain, file.size, zeroUpTo - file.size, nullptr); !zeroed)
      return zeroed.failure();
  }
  return chain;
}

}  // namespace

IoResult<std::size_t> ReadFileData(FatContext& context, FatTable& table, const ShortEntry& file, std::uint64_t offset,
                                   std::span<std::uint8_t> buffer) {
  if (offset >= file.size || buffer.empty()) return std::size_t{0};
  const FatGeometry& g = context.geometry;
  const std::uint64_t end = std::min<std::uint64_t>(file.size, offset + buffer.size());
  auto chain = ClustersOf(table, file, ClustersFor(end, g.BytesPerCluster()));
  if (!chain) return chain.failure();
  std::vector<std::uint8_t> cluster(g.BytesPerCluster());
  std::uint64_t position = offset;
  while (position < end) {
    const std::uint64_t index = position / g.BytesPerCluster();
    const std::uint64_t inCluster = position % g.BytesPerCluster();
    if (auto read = context.device.ReadSectors(g.ClusterSector((*chain)[index]), cluster); !read) return read.failure();
    const std::uint64_t take = std::min<std::uint64_t>(g.BytesPerCluster() - inCluster, end - position);
    std::copy_n(cluster.begin() + static_cast<std::ptrdiff_t>(inCluster), take,
                buffer.begin() + static_cast<std::ptrdiff_t>(position - offset));
    position += take;
  }
  return static_cast<std::size_t>(end - offset);
}

IoStatus WriteFileData(FatContext& context, FatTable& table, ShortEntry& file, std::uint64_t offset,
                       std::span<const std::uint8_t> data) {
  if (data.empty()) return IoOk();
  const std::uint64_t end = offset + data.size();
  auto chain = GrowTo(context, table, file, end, offset);
  if (!chain) return chain.failure();
  if (auto written = WriteRange(context, *chain, offset, data.size(), data.data()); !written) return written;
  file.size = static_cast<std::uint32_t>(std::max<std::uint64_t>(file.size, end));
  return IoOk();
}

IoStatus ResizeFileData(FatContext& context, FatTable& table, ShortEntry& file, std::uint64_t size) {
  if (size >= file.size) {
    auto chain = GrowTo(context, table, file, size, size);
    if (!chain) return chain.failure();
    file.size = static_cast<std::uint32_t>(size);
    return IoOk();
  }
  const std::uint64_t keep = ClustersFor(size, context.geometry.BytesPerCluster());
  if (keep == 0) {
    if (auto freed = FreeFileData(table, file); !freed) return freed;
  } else {
    auto chain = ClustersOf(table, file, keep);
    if (!chain) return chain.failure();
    auto next = table.Get(chain->back());
    if (!next) return next.failure();
    if (!table.IsEndOfChain(*next)) {
      if (auto ended = table.Set(chain->back(), table.EndOfChain()); !ended) return ended;
      if (auto freed = table.FreeChain(*next); !freed) return freed;
    }
  }
  file.size = static_cast<std::uint32_t>(size);
  return IoOk();
}

IoStatus FreeFileData(FatTable& table, ShortEntry& file) {
  if (file.firstCluster != 0) {
    if (auto freed = table.FreeChain(file.firstCluster); !freed) return freed;
  }
  file.firstCluster = 0;
  return IoOk();
}

}  // namespace machine
