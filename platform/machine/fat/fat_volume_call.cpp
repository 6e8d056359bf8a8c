#include "platform/machine/fat_volume_call.h"

#include "platform/machine/fat_path.h"

namespace machine {
namespace {

constexpr std::size_t kSlotSize = 32;

IoError Fail(win::DWORD code) { return IoError{code}; }

// The key of a directory: its first cluster, 0 for the root however it is named.
std::uint32_t DirectoryKey(const FatContext& context, std::uint32_t cluster) {
  return context.geometry.type == FatType::Fat32 && cluster == context.geometry.rootCluster ? 0 : cluster;
}

}  // namespace

FatVolumeCall::FatVolumeCall(SectorDevice& device, const FatClock& clock) {
  auto geometry = ReadGeometry(device);
  if (!geometry) {
    begun_ = geometry.failure();
    return;
  }
  context_.emplace(FatContext{device, *geometry, clock});
  table_.emplace(device, context_->geometry);
}

IoResult<std::uint32_t> FatVolumeCall::SubdirectoryOf(const DirEntry& e) const {
  if (e.entry.firstCluster == 0 && e.shortName != "..") return Fail(win::ERROR_DISK_CORRUPT);
  return DirectoryKey(*context_, e.entry.firstCluster);
}

IoResult<FatLocation> FatVolumeCall::Locate(std::string_view path) {
  if (!begun_) return begun_.failure();
  const std::vector<std::string> names = SplitVolumePath(path);
  FatLocation location;
  location.walked.push_back(0);
  for (std::size_t i = 0; i + 1 < names.size(); ++i) {
    auto directory = FatDirectory::Load(*context_, *table_, location.parent);
    if (!directory) return directory.failure();
    const DirEntry* e = directory->Find(names[i]);
    if (e == nullptr || !e->IsDirectory()) return Fail(win::ERROR_PATH_NOT_FOUND);
    auto next = SubdirectoryOf(*e);
    if (!next) return next.failure();
    location.parent = *next;
    location.walked.push_back(*next);
  }
  if (!names.empty()) location.leaf = names.back();
  return location;
}

IoResult<std::uint32_t> FatVolumeCall::LocateDirectory(std::string_view path) {
  auto location = Locate(path);
  if (!location) return location.failure();
  if (location->leaf.empty()) return std::uint32_t{0};
  auto parent = FatDirectory::Load(*context_, *table_, location->parent);
  if (!parent) return parent.failure();
  const DirEntry* e = parent->Find(location->leaf);
  if (e == nullptr || !e->IsDirectory()) return Fail(win::ERROR_PATH_NOT_FOUND);
  return SubdirectoryOf(*e);
}

IoStatus FatVolumeCall::Walk(std::string_view path, std::optional<win::DWORD> rootError) {
  auto location = Locate(path);
  if (!location) return location.failure();
  location_ = std::move(*location);
  if (NamesRoot() && rootError) return Fail(*rootError);
  return IoOk();
}

IoStatus FatVolumeCall::LoadLocated() {
  auto directory = FatDirectory::Load(*context_, *table_, location_->parent);
  if (!directory) return directory.failure();
  parent_.emplace(std::move(*directory));
  return IoOk();
}

IoStatus FatVolumeCall::LoadParent(std::string_view path, std::optional<win::DWORD> rootError) {
  if (auto walked = Walk(path, rootError); !walked || NamesRoot()) return walked;
  return LoadLocated();
}

IoStatus FatVolumeCall::LoadParentToCreate(std::string_view path, win::DWORD rootError) {
  if (auto walked = Walk(path, rootError); !walked) return walked;
  auto name = NameForCreation(location_->leaf);
  if (!name) return name.failure();
  newName_ = std::move(*name);
  return LoadLocated();
}

IoResult<DirEntry> FatVolumeCall::Leaf() const {
  const DirEntry* e = parent_->Find(location_->leaf);
  if (e == nullptr) return Fail(win::ERROR_FILE_NOT_FOUND);
  return *e;
}

IoResult<FatOpenEntry> FatVolumeCall::ReadOpen(const EntryPlace& place) {
  if (!begun_) return begun_.failure();
  if (place.sector >= context_->geometry.totalSectors || place.offset % kSlotSize != 0 ||
      place.offset >= SectorDevice::kSectorSize) {
    return Fail(win::ERROR_FILE_INVALID);
  }
  FatOpenEntry open;
  if (auto read = context_->device.ReadSectors(place.sector, open.sector); !read) return read.failure();
  const auto slot = std::span(open.sector).subspan(place.offset).first<kSlotSize>();
  open.entry = DecodeShortEntry(slot, context_->geometry.type == FatType::Fat32);
  const std::uint8_t first = slot[0];
  const bool live = first != kSlotEnd && first != kSlotFree && !IsLongNameSlot(slot);
  if (!live || (open.entry.attributes & (kAttrDirectory | kAttrVolumeId)) != 0) return Fail(win::ERROR_FILE_INVALID);
  return open;
}

IoStatus FatVolumeCall::StoreOpen(const EntryPlace& place, FatOpenEntry& open) {
  EncodeShortEntry(open.entry, std::span(open.sector).subspan(place.offset).first<kSlotSize>());
  return context_->device.WriteSectors(place.sector, open.sector);
}

}  // namespace machine
