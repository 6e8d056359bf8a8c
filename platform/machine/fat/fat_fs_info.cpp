#include "platform/machine/fat/fat_fs_info.h"

#include "platform/win/layouts/byte_order.h"

#include <array>

namespace machine {
namespace {

// The three signatures that make a sector an FSInfo sector ("RRaA", "rrAa", and 0xAA55).
constexpr std::size_t kLeadSignatureAt = 0;
constexpr std::uint32_t kLeadSignature = 0x41615252;
constexpr std::size_t kStructSignatureAt = 484;
constexpr std::uint32_t kStructSignature = 0x61417272;
constexpr std::size_t kTrailSignatureAt = 508;
constexpr std::uint32_t kTrailSignature = 0xAA550000;
constexpr std::size_t kFreeCountAt = 488;
constexpr std::size_t kNextFreeAt = 492;
// Either field holds 0xFFFFFFFF when its value is not known.
constexpr std::uint32_t kUnknown = 0xFFFFFFFF;

using SectorBuffer = std::array<std::uint8_t, SectorDevice::kSectorSize>;

bool HasSignatures(const SectorBuffer& s) {
  return win::ReadLe32(s, kLeadSignatureAt) == kLeadSignature &&
         win::ReadLe32(s, kStructSignatureAt) == kStructSignature &&
         win::ReadLe32(s, kTrailSignatureAt) == kTrailSignature;
}

// Reads the sector when the volume has a sound one.
IoResult<std::optional<SectorBuffer>> ReadSector(SectorDevice& device, const FatGeometry& geometry) {
  if (geometry.type != FatType::Fat32 || geometry.fsInfoSector == 0) return std::optional<SectorBuffer>{};
  SectorBuffer sector{};
  if (auto read = device.ReadSectors(geometry.fsInfoSector, sector); !read) return read.failure();
  if (!HasSignatures(sector)) return std::optional<SectorBuffer>{};
  return std::optional<SectorBuffer>{sector};
}

}  // namespace

IoResult<std::optional<FsInfo>> ReadFsInfo(SectorDevice& device, const FatGeometry& geometry) {
  auto sector = ReadSector(device, geometry);
  if (!sector) return sector.failure();
  if (!*sector) return std::optional<FsInfo>{};
  FsInfo info;
  const std::uint32_t freeCount = win::ReadLe32(**sector, kFreeCountAt);
  if (freeCount != kUnknown && freeCount <= geometry.clusterCount) info.freeCount = freeCount;
  const std::uint32_t nextFree = win::ReadLe32(**sector, kNextFreeAt);
  if (geometry.IsDataCluster(nextFree)) info.nextFree = nextFree;
  return std::optional<FsInfo>{info};
}

IoStatus UpdateFsInfo(SectorDevice& device, const FatGeometry& geometry, std::int64_t freeDelta,
                      std::optional<std::uint32_t> nextFree) {
  auto sector = ReadSector(device, geometry);
  if (!sector) return sector.failure();
  if (!*sector) return IoOk();
  SectorBuffer& s = **sector;
  const std::uint32_t freeCount = win::ReadLe32(s, kFreeCountAt);
  if (freeCount != kUnknown) {
    const std::int64_t updated = std::int64_t{freeCount} + freeDelta;
    const bool plausible = updated >= 0 && updated <= std::int64_t{geometry.clusterCount};
    win::WriteLe32(s, kFreeCountAt, plausible ? static_cast<std::uint32_t>(updated) : kUnknown);
  }
  if (nextFree) win::WriteLe32(s, kNextFreeAt, *nextFree);
  return device.WriteSectors(geometry.fsInfoSector, s);
}

}  // namespace machine
