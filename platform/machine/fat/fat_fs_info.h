// The FAT32 FSInfo sector: a hint of the free cluster count and of where to look for a free
// cluster. The driver keeps both right as it allocates and frees, so that checkers and other
// systems trust them; it never relies on them for the truth.
#pragma once

#include "platform/machine/fat/fat_boot_sector.h"

#include <cstdint>
#include <optional>

namespace machine {

struct FsInfo {
  std::optional<std::uint32_t> freeCount;  // nullopt when unknown (0xFFFFFFFF) or impossible
  std::optional<std::uint32_t> nextFree;  // nullopt when unknown or not a data cluster
};

// Reads the FSInfo sector; nullopt when the volume has none or its signatures are wrong.
IoResult<std::optional<FsInfo>> ReadFsInfo(SectorDevice& device, const FatGeometry& geometry);

// Adds freeDelta to a known free count and records nextFree as the search hint; a volume
// without a sound FSInfo sector is left alone.
IoStatus UpdateFsInfo(SectorDevice& device, const FatGeometry& geometry, std::int64_t freeDelta,
                      std::optional<std::uint32_t> nextFree);

}  // namespace machine
