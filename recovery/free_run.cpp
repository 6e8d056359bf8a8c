#include "recovery/free_run.h"

namespace recovery {

bool FreeRunTracker::Step(std::uint32_t cluster, bool inUse, std::optional<std::uint32_t> limit) {
  if (!limit) {
    if (inUse) {
      Reset();
      return false;
    }
  } else {
    if (inUse || cluster == *limit) return false;
    if (cluster < *limit) {
      Reset();
      return false;
    }
  }
  if (counted_++ == 0) runStart_ = cluster;
  return counted_ == (limit ? 5u : 50u);
}

}  // namespace recovery
