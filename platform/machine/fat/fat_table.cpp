#include "platform/machine/fat/fat_table.h"

#include "platform/machine/fat/fat_fs_info.h"

namespace machine {
namespace {

constexpr std::uint32_t kFree = 0;
// FAT32 entries are 28 bits; the top 4 bits are reserved and must be kept as found.
constexpr std::uint32_t kFat32Mask = 0x0FFFFFFF;

struct TypeValues {
  std::uint32_t bad;  // the marker of a bad cluster
  std::uint32_t endOfChain;  // the lowest end-of-chain marker
  std::uint32_t bytesWidth;  // bytes read per entry (FAT12 reads 2 and keeps 12 bits)
};

// The standard's markers per type: bad is EOC - 1; any value from EOC up ends a chain.
constexpr TypeValues ValuesOf(FatType type) {
  switch (type) {
    case FatType::Fat12: return {0xFF7, 0xFF8, 2};
    case FatType::Fat16: return {0xFFF7, 0xFFF8, 2};
    case FatType::Fat32: return {0x0FFFFFF7, 0x0FFFFFF8, 4};
  }
  return {0, 0, 0};
}

IoError Corrupt() { return IoError{win::ERROR_DISK_CORRUPT}; }

}  // namespace

FatTable::FatTable(SectorDevice& device, const FatGeometry& geometry) : device_(device), geometry_(geometry) {}

bool FatTable::IsEndOfChain(std::uint32_t value) const { return value >= ValuesOf(geometry_.type).endOfChain; }

// 0xFFF, 0xFFFF and 0x0FFFFFFF: the end-of-chain markers every system writes.
std::uint32_t FatTable::EndOfChain() const { return ValuesOf(geometry_.type).bad | 0xF; }

std::uint64_t FatTable::EntryOffset(std::uint32_t n) const {
  switch (geometry_.type) {
    case FatType::Fat12: return std::uint64_t{n} + n / 2;  // 12 bits: one and a half bytes each
    case FatType::Fat16: return std::uint64_t{n} * 2;
    case FatType::Fat32: return std::uint64_t{n} * 4;
  }
  return 0;
}

IoStatus FatTable::Load(std::uint64_t fatSector) {
  if (fatSector == windowSector_) return IoOk();
  if (auto stored = StoreWindow(); !stored) return stored;
  const std::uint64_t first = geometry_.reservedSectors + std::uint64_t{geometry_.activeFat} * geometry_.sectorsPerFat;
  if (auto read = device_.ReadSectors(first + fatSector, window_); !read) {
    windowSector_ = std::numeric_limits<std::uint64_t>::max();
    return read;
  }
  windowSector_ = fatSector;
  return IoOk();
}

IoStatus FatTable::StoreWindow() {
  if (!windowDirty_) return IoOk();
  windowDirty_ = false;
  for (std::uint32_t copy = 0; copy < geometry_.fatCount; ++copy) {
    if (!geometry_.mirrored && copy != geometry_.activeFat) continue;
    const std::uint64_t sector =
        geometry_.reservedSectors + std::uint64_t{copy} * geometry_.sectorsPerFat + windowSector_;
    if (auto written = device_.WriteSectors(sector, window_); !written) return written;
  }
  return IoOk();
}

IoResult<std::uint8_t> FatTable::ByteAt(std::uint64_t offset) {
  if (auto loaded = Load(offset / SectorDevice::kSectorSize); !loaded) return loaded.failure();
  return window_[offset % SectorDevice::kSectorSize];
}

IoStatus FatTable::PutByte(std::uint64_t offset, std::uint8_t value) {
  if (auto loaded = Load(offset / SectorDevice::kSectorSize); !loaded) return loaded;
  window_[offset % SectorDevice::kSectorSize] = value;
  windowDirty_ = true;
  return IoOk();
}

IoResult<std::uint32_t> FatTable::Get(std::uint32_t n) {
  if (n > geometry_.MaxCluster()) return Corrupt();
  const std::uint64_t offset = EntryOffset(n);
  std::uint32_t value = 0;
  for (std::uint32_t i = ValuesOf(geometry_.type).bytesWidth; i-- > 0;) {
    auto byte = ByteAt(offset + i);
    if (!byte) return byte.failure();
    value = (value << 8) | *byte;
  }
  switch (geometry_.type) {
    case FatType::Fat12: return (n % 2 != 0 ? value >> 4 : value) & 0xFFF;
    case FatType::Fat16: return value;
    case FatType::Fat32: return value & kFat32Mask;
  }
  return value;
}

IoStatus FatTable::Set(std::uint32_t n, std::uint32_t value) {
  if (n > geometry_.MaxCluster()) return Corrupt();
  const std::uint64_t offset = EntryOffset(n);
  const std::uint32_t width = ValuesOf(geometry_.type).bytesWidth;
  std::uint32_t old = 0;
  for (std::uint32_t i = width; i-- > 0;) {
    auto byte = ByteAt(offset + i);
    if (!byte) return byte.failure();
    old = (old << 8) | *byte;
  }
  std::uint32_t merged = value;
  switch (geometry_.type) {
    // An odd FAT12 entry owns the high 12 bits of its two bytes, an even one the low 12.
    case FatType::Fat12:
      merged = n % 2 != 0 ? (old & 0x000F) | ((value & 0xFFF) << 4) : (old & 0xF000) | (value & 0xFFF);
      break;
    case FatType::Fat16: merged = value & 0xFFFF; break;
    case FatType::Fat32: merged = (old & ~kFat32Mask) | (value & kFat32Mask); break;
  }
  for (std::uint32_t i = 0; i < width; ++i) {
    if (auto put = PutByte(offset + i, static_cast<std::uint8_t>(merged >> (8 * i))); !put) return put;
  }
  return StoreWindow();
}

IoResult<std::vector<std::uint32_t>> FatTable::Chain(std::uint32_t first, std::size_t limit) {
  std::vector<std::uint32_t> chain;
  if (limit == 0) return chain;
  if (!geometry_.IsDataCluster(first)) return Corrupt();
  std::vector<bool> seen(std::size_t{geometry_.MaxCluster()} + 1);
  std::uint32_t cluster = first;
  while (true) {
    if (seen[cluster]) return Corrupt();
    seen[cluster] = true;
    chain.push_back(cluster);
    if (chain.size() >= limit) return chain;
    auto next = Get(cluster);
    if (!next) return next.failure();
    if (IsEndOfChain(*next)) return chain;
    if (!geometry_.IsDataCluster(*next)) return Corrupt();
    cluster = *next;
  }
}

IoResult<std::vector<std::uint32_t>> FatTable::FindFree(std::size_t count) {
  std::vector<std::uint32_t> found;
  if (count == 0) return found;
  std::uint32_t start = 2;
  if (auto info = ReadFsInfo(device_, geometry_); info && *info && (*info)->nextFree) start = *(*info)->nextFree;
  for (std::uint64_t step = 0; step < geometry_.clusterCount; ++step) {
    const auto n = static_cast<std::uint32_t>(2 + (start - 2 + step) % geometry_.clusterCount);
    auto value = Get(n);
    if (!value) return value.failure();
    if (*value != kFree) continue;
    found.push_back(n);
    if (found.size() == count) return found;
  }
  return IoError{win::ERROR_DISK_FULL};
}

IoResult<std::vector<std::uint32_t>> FatTable::Extend(std::uint32_t tail, std::size_t count) {
  auto fresh = FindFree(count);
  if (!fresh || fresh->empty()) return fresh;
  // Each new cluster is terminated before anything points to it, so a failure part-way
  // leaves lost clusters at worst, never a chain into free space.
  for (std::size_t i = fresh->size(); i-- > 0;) {
    const std::uint32_t next = i + 1 < fresh->size() ? (*fresh)[i + 1] : EndOfChain();
    if (auto set = Set((*fresh)[i], next); !set) return set.failure();
  }
  if (tail != 0) {
    if (auto link = Set(tail, fresh->front()); !link) return link.failure();
  }
  const std::uint32_t last = fresh->back();
  const std::uint32_t hint = last < geometry_.MaxCluster() ? last + 1 : 2;
  if (auto info = UpdateFsInfo(device_, geometry_, -static_cast<std::int64_t>(fresh->size()), hint); !info) {
    return info.failure();
  }
  return fresh;
}

IoStatus FatTable::FreeChain(std::uint32_t first) {
  auto chain = Chain(first);
  if (!chain) return chain.failure();
  for (const std::uint32_t cluster : *chain) {
    if (auto set = Set(cluster, kFree); !set) return set;
  }
  return UpdateFsInfo(device_, geometry_, static_cast<std::int64_t>(chain->size()), std::nullopt);
}

IoResult<std::uint32_t> FatTable::CountFree() {
  std::uint32_t count = 0;
  for (std::uint32_t n = 2; n <= geometry_.MaxCluster(); ++n) {
    auto value = Get(n);
    if (!value) return value.failure();
    if (*value == kFree) ++count;
  }
  return count;
}

}  // namespace machine
