#include "platform/machine/fat/fat_fs_info.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/fat_boot_sector_layout.h"

#include <array>

namespace machine {
namespace {

namespace fs = win::fs_info;

using SectorBuffer = std::array<std::uint8_t, SectorDevice::kSectorSize>;

bool HasSignatures(const SectorBuffer& s) {
  return win::ReadLe32(s, fs::kLeadSignatureAt) == fs::kLeadSignature &&
         win::ReadLe32(s, fs::kStructSignatureAt) == fs::kStructSignature &&
         win::ReadLe32(s, fs::kTrailSignatureAt) == fs::kTrailSignature;
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
  const std::uint32_t freeCount = win::ReadLe32(**sector, fs::kFreeCount);
  if (freeCount != fs::kUnknown && freeCount <= geometry.clusterCount) info.freeCount = freeCount;
  const std::uint32_t nextFree = win::ReadLe32(**sector, fs::kNextFree);
  if (geometry.IsDataCluster(nextFree)) info.nextFree = nextFree;
  return std::optional<FsInfo>{info};
}

IoStatus UpdateFsInfo(SectorDevice& device, const FatGeometry& geometry, std::int64_t freeDelta,
                      std::optional<std::uint32_t> nextFree) {
  auto sector = ReadSector(device, geometry);
  if (!sector) return sector.failure();
  if (!*sector) return IoOk();
  SectorBuffer& s = **sector;
  const std::uint32_t freeCount = win::ReadLe32(s, fs::kFreeCount);
  if (freeCount != fs::kUnknown) {
    const std::int64_t updated = std::int64_t{freeCount} + freeDelta;
    const bool plausible = updated >= 0 && updated <= std::int64_t{geometry.clusterCount};
    win::WriteLe32(s, fs::kFreeCount, plausible ? static_cast<std::uint32_t>(updated) : fs::kUnknown);
  }
  if (nextFree) win::WriteLe32(s, fs::kNextFree, *nextFree);
  return device.WriteSectors(geometry.fsInfoSector, s);
}

}  // namespace machine
