// Where the unused part of a FAT volume begins: the cluster walk counts free clusters, and the
// raw scan starts once enough of them were met.
#pragma once

#include <cstdint>
#include <optional>

namespace recovery {

class FreeRunTracker {
 public:
  // limit: when deleted entries were listed, the cluster where the newest one's data would end
  // (its first cluster plus its size in clusters); nullopt when none was listed.
  // Answers true when this cluster starts the raw scan: with no deleted entries 50 consecutive
  // free clusters, else the 5th free cluster past the limit.
  bool Step(std::uint32_t cluster, bool inUse, std::optional<std::uint32_t> limit);
  void Reset() { counted_ = 0; }
  std::uint32_t RunStartCluster() const { return runStart_; }

 private:
  std::uint32_t counted_ = 0;
  std::uint32_t runStart_ = 0;
};

}  // namespace recovery
