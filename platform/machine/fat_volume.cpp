#include "platform/machine/fat_volume.h"

#include "platform/machine/fat_file.h"
#include "platform/machine/fat_path.h"

#include <algorithm>
#include <array>
#include <optional>

namespace machine {
namespace {

// The attribute bits a caller may set; directory and volume bits belong to the file system.
constexpr std::uint8_t kSettableAttributes = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;
constexpr std::size_t kSlotSize = 32;

IoError Fail(win::DWORD code) { return IoError{code}; }

IoResult<FatContext> Begin(SectorDevice& device, const FatClock& clock) {
  auto geometry = ReadGeometry(device);
  if (!geometry) return geometry.failure();
  return FatContext{device, *geometry, clock};
}

// The key of a directory: its first cluster, 0 for the root however it is named.
std::uint32_t DirectoryKey(const FatContext& context, std::uint32_t cluster) {
  return context.geometry.type == FatType::Fat32 && cluster == context.geometry.rootCluster ? 0 : cluster;
}

FatFileInfo RootInfo() {
  FatFileInfo info;
  info.attributes = kAttrDirectory;
  return info;
}

// Where a path leads: the directory that holds its last name, and every directory walked.
struct Location {
  std::uint32_t parent = 0;
  std::string leaf;  // empty for the root itself
  std::vector<std::uint32_t> walked;
};

// The directory key an entry leads to; ERROR_DISK_CORRUPT for a directory entry without
// clusters other than "..", which alone may name the root by 0.
IoResult<std::uint32_t> SubdirectoryOf(const FatContext& context, const DirEntry& e) {
  if (e.entry.firstCluster == 0 && e.shortName != "..") return Fail(win::ERROR_DISK_CORRUPT);
  return DirectoryKey(context, e.entry.firstCluster);
}

IoResult<Location> Locate(FatContext& context, FatTable& table, std::string_view path) {
  const std::vector<std::string> names = SplitVolumePath(path);
  Location location;
  location.walked.push_back(0);
  for (std::size_t i = 0; i + 1 < names.size(); ++i) {
    auto directory = FatDirectory::Load(context, table, location.parent);
    if (!directory) return directory.failure();
    const DirEntry* e = directory->Find(names[i]);
    if (e == nullptr || !e->IsDirectory()) return Fail(win::ERROR_PATH_NOT_FOUND);
    auto next = SubdirectoryOf(context, *e);
    if (!next) return next.failure();
    location.parent = *next;
    location.walked.push_back(*next);
  }
  if (!names.empty()) location.leaf = names.back();
  return location;
}

// The directory key of the directory at `path`; ERROR_PATH_NOT_FOUND when it is none.
IoResult<std::uint32_t> LocateDirectory(FatContext& context, FatTable& table, std::string_view path) {
  auto location = Locate(context, table, path);
  if (!location) return location.failure();
  if (location->leaf.empty()) return std::uint32_t{0};
  auto parent = FatDirectory::Load(context, table, location->parent);
  if (!parent) return parent.failure();
  const DirEntry* e = parent->Find(location->leaf);
  if (e == nullptr || !e->IsDirectory()) return Fail(win::ERROR_PATH_NOT_FOUND);
  return SubdirectoryOf(context, *e);
}

// The short entry of an open file, read afresh from its sector.
struct OpenEntry {
  std::array<std::uint8_t, SectorDevice::kSectorSize> sector{};
  ShortEntry entry;
};

IoResult<OpenEntry> ReadOpenEntry(FatContext& context, const EntryPlace& place) {
  if (place.sector >= context.geometry.totalSectors || place.offset % kSlotSize != 0 ||
      place.offset >= SectorDevice::kSectorSize) {
    return Fail(win::ERROR_FILE_INVALID);
  }
  OpenEntry open;
  if (auto read = context.device.ReadSectors(place.sector, open.sector); !read) return read.failure();
  const auto slot = std::span(open.sector).subspan(place.offset).first<kSlotSize>();
  open.entry = DecodeShortEntry(slot, context.geometry.type == FatType::Fat32);
  const std::uint8_t first = slot[0];
  const bool live = first != kSlotEnd && first != kSlotFree && !IsLongNameSlot(slot);
  if (!live || (open.entry.attributes & (kAttrDirectory | kAttrVolumeId)) != 0) return Fail(win::ERROR_FILE_INVALID);
  return open;
}

IoStatus StoreOpenEntry(FatContext& context, const EntryPlace& place, OpenEntry& open) {
  EncodeShortEntry(open.entry, std::span(open.sector).subspan(place.offset).first<kSlotSize>());
  return context.device.WriteSectors(place.sector, open.sector);
}

// A short entry for something new, stamped now.
ShortEntry NewEntry(const FatContext& context, std::uint8_t attributes, std::uint32_t firstCluster) {
  ShortEntry entry;
  entry.attributes = attributes;
  entry.firstCluster = firstCluster;
  entry.created = EncodeFatTime(context.clock());
  entry.written = {entry.created.time, entry.created.date, 0};
  entry.accessDate = entry.created.date;
  return entry;
}

// A new directory's first cluster with its "." (itself) and ".." (its parent, 0 for the root).
IoResult<std::uint32_t> NewDirectoryCluster(FatContext& context, FatTable& table, std::uint32_t parent) {
  auto fresh = table.Extend(0, 1);
  if (!fresh) return fresh.failure();
  const std::uint32_t cluster = fresh->front();
  std::vector<std::uint8_t> bytes(context.geometry.BytesPerCluster(), 0);
  const std::array<std::pair<const char*, std::uint32_t>, 2> dots{{{".", cluster}, {"..", parent}}};
  for (std::size_t i = 0; i < dots.size(); ++i) {
    ShortEntry dot = NewEntry(context, kAttrDirectory, dots[i].second);
    dot.name.fill(' ');
    std::copy_n(dots[i].first, std::char_traits<char>::length(dots[i].first), dot.name.begin());
    EncodeShortEntry(dot, std::span(bytes).subspan(i * kSlotSize).first<kSlotSize>());
  }
  if (auto written = context.device.WriteSectors(context.geometry.ClusterSector(cluster), bytes); !written) {
    return written.failure();
  }
  return cluster;
}

}  // namespace

FatVolume::FatVolume(SectorDevice& device, FatClock clock) : device_(device), clock_(std::move(clock)) {}

IoResult<FatVolumeInfo> FatVolume::Info() {
  auto context = Begin(device_, clock_);
  if (!context) return context.failure();
  FatTable table(device_, context->geometry);
  auto root = FatDirectory::Load(*context, table, 0);
  if (!root) return root.failure();
  auto free = table.CountFree();
  if (!free) return free.failure();
  const FatGeometry& g = context->geometry;
  FatVolumeInfo info;
  info.type = g.type;
  info.label = root->Label().value_or(g.label);
  info.serial = g.serial;
  info.sectorsPerCluster = g.sectorsPerCluster;
  info.totalClusters = g.clusterCount;
  info.freeClusters = *free;
  return info;
}

IoResult<FatFileInfo> FatVolume::Stat(std::string_view path) {
  auto context = Begin(device_, clock_);
  if (!context) return context.failure();
  FatTable table(device_, context->geometry);
  auto location = Locate(*context, table, path);
  if (!location) return location.failure();
  if (location->leaf.empty()) return RootInfo();
  auto directory = FatDirectory::Load(*context, table, location->parent);
  if (!directory) return directory.failure();
  const DirEntry* e = directory->Find(location->leaf);
  if (e == nullptr) return Fail(win::ERROR_FILE_NOT_FOUND);
  return FileInfoOf(*e);
}

IoResult<std::vector<FatFileInfo>> FatVolume::List(std::string_view path) {
  auto context = Begin(device_, clock_);
  if (!context) return context.failure();
  FatTable table(device_, context->geometry);
  auto key = LocateDirectory(*context, table, path);
  if (!key) return key.failure();
  auto directory = FatDirectory::Load(*context, table, *key);
  if (!directory) return directory.failure();
  std::vector<FatFileInfo> infos;
  for (const DirEntry& e : directory->Entries()) infos.push_back(FileInfoOf(e));
  return infos;
}

IoResult<FatFileInfo> FatVolume::CreateFile(std::string_view path, std::uint8_t attributes) {
  auto context = Begin(device_, clock_);
  if (!context) return context.failure();
  FatTable table(device_, context->geometry);
  auto location = Locate(*context, table, path);
  if (!location) return location.failure();
  if (location->leaf.empty()) return Fail(win::ERROR_ACCESS_DENIED);
  auto name = NameForCreation(location->leaf);
  if (!name) return name.failure();
  auto directory = FatDirectory::Load(*context, table, location->parent);
  if (!directory) return directory.failure();
  if (directory->Find(*name) != nullptr) return Fail(win::ERROR_FILE_EXISTS);
  const auto bits = static_cast<std::uint8_t>((attributes & kSettableAttributes) | kAttrArchive);
  auto added = directory->Add(*name, NewEntry(*context, bits, 0));
  if (!added) return added.failure();
  return FileInfoOf(*added);
}

IoResult<FatFileInfo> FatVolume::StatOpen(const EntryPlace& file) {
  auto context = Begin(device_, clock_);
  if (!context) return context.failure();
  auto open = ReadOpenEntry(*context, file);
  if (!open) return open.failure();
  DirEntry e;
  e.entry = open->entry;
  e.shortName = ShortNameText(e.entry.name, e.entry.caseFlags);
  e.name = e.shortName;
  e.place = file;
  return FileInfoOf(e);
}

IoResult<std::size_t> FatVolume::Read(const EntryPlace& file, std::uint64_t offset, std::span<std::uint8_t> buffer) {
  auto context = Begin(device_, clock_);
  if (!context) return context.failure();
  auto open = ReadOpenEntry(*context, file);
  if (!open) return open.failure();
  FatTable table(device_, context->geometry);
  return ReadFileData(*context, table, open->entry, offset, buffer);
}

IoStatus FatVolume::Write(const EntryPlace& file, std::uint64_t offset, std::span<const std::uint8_t> data) {
  auto context = Begin(device_, clock_);
  if (!context) return context.failure();
  auto open = ReadOpenEntry(*context, file);
  if (!open) return open.failure();
  FatTable table(device_, context->geometry);
  const ShortEntry before = open->entry;
  const IoStatus written = WriteFileData(*context, table, open->entry, offset, data);
  if (!written && open->entry.firstCluster == before.firstCluster) return written;
  // Even a failed write stores a new first cluster, so that no allocated chain is lost.
  open->entry.written = EncodeFatTime(context->clock());
  open->entry.written.tenths = 0;
  open->entry.attributes |= kAttrArchive;
  if (auto stored = StoreOpenEntry(*context, file, *open); !stored) return stored;
  return written;
}

IoStatus FatVolume::SetSize(const EntryPlace& file, std::uint64_t size) {
  auto context = Begin(device_, clock_);
  if (!context) return context.failure();
  auto open = ReadOpenEntry(*context, file);
  if (!open) return open.failure();
  FatTable table(device_, context->geometry);
  const IoStatus resized = ResizeFileData(*context, table, open->entry, size);
  if (!resized) return resized;
  open->entry.written = EncodeFatTime(context->clock());
  open->entry.written.tenths = 0;
  open->entry.attributes |= kAttrArchive;
  return StoreOpenEntry(*context, file, *open);
}

IoStatus FatVolume::DeleteFile(std::string_view path) {
  auto context = Begin(device_, clock_);
  if (!context) return context.failure();
  FatTable table(device_, context->geometry);
  auto location = Locate(*context, table, path);
  if (!location) return location.failure();
  if (location->leaf.empty()) return Fail(win::ERROR_ACCESS_DENIED);
  auto directory = FatDirectory::Load(*context, table, location->parent);
  if (!directory) return directory.failure();
  const DirEntry* found = directory->Find(location->leaf);
  if (found == nullptr) return Fail(win::ERROR_FILE_NOT_FOUND);
  DirEntry e = *found;
  if (e.IsDirectory() || (e.entry.attributes & kAttrReadOnly) != 0) return Fail(win::ERROR_ACCESS_DENIED);
  // A broken chain is refused before anything changes.
  if (e.entry.firstCluster != 0) {
    if (auto chain = table.Chain(e.entry.firstCluster); !chain) return chain.failure();
  }
  if (auto removed = directory->Remove(e); !removed) return removed;
  return FreeFileData(table, e.entry);
}

IoStatus FatVolume::MakeDirectory(std::string_view path) {
  auto context = Begin(device_, clock_);
  if (!context) return context.failure();
  FatTable table(device_, context->geometry);
  auto location = Locate(*context, table, path);
  if (!location) return location.failure();
  if (location->leaf.empty()) return Fail(win::ERROR_ALREADY_EXISTS);
  auto name = NameForCreation(location->leaf);
  if (!name) return name.failure();
  auto directory = FatDirectory::Load(*context, table, location->parent);
  if (!directory) return directory.failure();
  if (directory->Find(*name) != nullptr) return Fail(win::ERROR_ALREADY_EXISTS);
  auto cluster = NewDirectoryCluster(*context, table, location->parent);
  if (!cluster) return cluster.failure();
  auto added = directory->Add(*name, NewEntry(*context, kAttrDirectory, *cluster));
  if (!added) {
    (void)table.FreeChain(*cluster);
    return added.failure();
  }
  return IoOk();
}

IoStatus FatVolume::RemoveDirectory(std::string_view path) {
  auto context = Begin(device_, clock_);
  if (!context) return context.failure();
  FatTable table(device_, context->geometry);
  auto location = Locate(*context, table, path);
  if (!location) return location.failure();
  if (location->leaf.empty()) return Fail(win::ERROR_ACCESS_DENIED);
  auto directory = FatDirectory::Load(*context, table, location->parent);
  if (!directory) return directory.failure();
  const DirEntry* found = directory->Find(location->leaf);
  if (found == nullptr) return Fail(win::ERROR_FILE_NOT_FOUND);
  DirEntry e = *found;
  if (!e.IsDirectory()) return Fail(win::ERROR_DIRECTORY);
  if (e.IsDotEntry()) return Fail(win::ERROR_ACCESS_DENIED);
  auto key = SubdirectoryOf(*context, e);
  if (!key) return key.failure();
  auto contents = FatDirectory::Load(*context, table, *key);
  if (!contents) return contents.failure();
  const auto& entries = contents->Entries();
  if (std::any_of(entries.begin(), entries.end(), [](const DirEntry& x) { return !x.IsDotEntry(); })) {
    return Fail(win::ERROR_DIR_NOT_EMPTY);
  }
  if (auto removed = directory->Remove(e); !removed) return removed;
  return FreeFileData(table, e.entry);
}

IoStatus FatVolume::Rename(std::string_view from, std::string_view to) {
  auto context = Begin(device_, clock_);
  if (!context) return context.failure();
  FatTable table(device_, context->geometry);
  auto source = Locate(*context, table, from);
  if (!source) return source.failure();
  auto target = Locate(*context, table, to);
  if (!target) return target.failure();
  if (source->leaf.empty() || target->leaf.empty()) return Fail(win::ERROR_ACCESS_DENIED);
  auto name = NameForCreation(target->leaf);
  if (!name) return name.failure();
  auto sourceDirectory = FatDirectory::Load(*context, table, source->parent);
  if (!sourceDirectory) return sourceDirectory.failure();
  const DirEntry* found = sourceDirectory->Find(source->leaf);
  if (found == nullptr) return Fail(win::ERROR_FILE_NOT_FOUND);
  const DirEntry moving = *found;
  if (moving.IsDotEntry()) return Fail(win::ERROR_ACCESS_DENIED);
  std::optional<std::uint32_t> movingKey;
  if (moving.IsDirectory()) {
    auto key = SubdirectoryOf(*context, moving);
    if (!key) return key.failure();
    movingKey = *key;
    const auto& walked = target->walked;
    if (std::find(walked.begin(), walked.end(), *key) != walked.end()) return Fail(win::ERROR_ACCESS_DENIED);
  }
  // One directory must be one object, or one copy's writes would undo the other's.
  const bool sameDirectory = source->parent == target->parent;
  std::optional<IoResult<FatDirectory>> other;
  if (!sameDirectory) {
    other.emplace(FatDirectory::Load(*context, table, target->parent));
    if (!*other) return other->failure();
  }
  FatDirectory& targetDirectory = sameDirectory ? *sourceDirectory : **other;
  if (const DirEntry* taken = targetDirectory.Find(*name); taken != nullptr && !(sameDirectory && taken->slot == moving.slot)) {
    return Fail(win::ERROR_ALREADY_EXISTS);
  }
  if (sameDirectory) sourceDirectory->ReleaseShortName(moving);
  auto added = targetDirectory.Add(*name, moving.entry);
  if (!added) return added.failure();
  if (auto removed = sourceDirectory->Remove(moving); !removed) return removed;
  if (!movingKey || sameDirectory) return IoOk();
  // A directory that changed parents points its ".." at the new one.
  auto moved = FatDirectory::Load(*context, table, *movingKey);
  if (!moved) return moved.failure();
  const DirEntry* dotDot = moved->Find("..");
  if (dotDot == nullptr) return IoOk();
  DirEntry updated = *dotDot;
  updated.entry.firstCluster = target->parent;
  return moved->Update(updated);
}

IoStatus FatVolume::SetAttributes(std::string_view path, std::uint8_t attributes) {
  auto context = Begin(device_, clock_);
  if (!context) return context.failure();
  FatTable table(device_, context->geometry);
  auto location = Locate(*context, table, path);
  if (!location) return location.failure();
  if (location->leaf.empty()) return Fail(win::ERROR_ACCESS_DENIED);
  auto directory = FatDirectory::Load(*context, table, location->parent);
  if (!directory) return directory.failure();
  const DirEntry* found = directory->Find(location->leaf);
  if (found == nullptr) return Fail(win::ERROR_FILE_NOT_FOUND);
  DirEntry e = *found;
  e.entry.attributes = static_cast<std::uint8_t>((e.entry.attributes & ~kSettableAttributes) | (attributes & kSettableAttributes));
  return directory->Update(e);
}

}  // namespace machine
