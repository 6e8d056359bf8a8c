#include "platform/machine/fat_tree_walk.h"

#include <set>
#include <utility>
#include <vector>

namespace machine {

IoStatus WalkFatTree(SectorDevice& device, const FatTreeVisitor& visit) {
  auto geometry = ReadGeometry(device);
  if (!geometry) return geometry.failure();
  FatContext context{device, *geometry, SystemFatTime};
  FatTable table(device, context.geometry);
  const auto key = [&](std::uint32_t cluster) {
    return geometry->type == FatType::Fat32 && cluster == geometry->rootCluster ? 0 : cluster;
  };
  std::set<std::uint32_t> seen{0};
  // Directories still to read, as (cluster key, path prefix); a stack keeps the walk depth first.
  std::vector<std::pair<std::uint32_t, std::string>> pending{{0, ""}};
  while (!pending.empty()) {
    const auto [cluster, prefix] = std::move(pending.back());
    pending.pop_back();
    auto directory = FatDirectory::Load(context, table, cluster);
    if (!directory) return directory.failure();
    std::vector<std::pair<std::uint32_t, std::string>> children;
    for (const DirEntry& e : directory->Entries()) {
      if (e.IsDotEntry()) continue;
      const std::string path = prefix + e.name;
      visit(path, FileInfoOf(e));
      if (!e.IsDirectory()) continue;
      const std::uint32_t child = key(e.entry.firstCluster);
      if (child == 0 || !seen.insert(child).second) return IoError{win::ERROR_DISK_CORRUPT};
      children.emplace_back(child, path + "\\");
    }
    pending.insert(pending.end(), children.rbegin(), children.rend());
  }
  return IoOk();
}

}  // namespace machine
