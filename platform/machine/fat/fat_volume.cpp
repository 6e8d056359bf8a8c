#include "platform/machine/fat/fat_volume.h"

#include "platform/machine/fat/fat_file.h"
#include "platform/machine/fat/fat_path.h"
#include "platform/machine/fat/fat_volume_call.h"

#include <algorithm>
#include <array>
#include <optional>

namespace machine {
namespace {

// The attribute bits a caller may set; directory and volume bits belong to the file system.
constexpr std::uint8_t kSettableAttributes = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;
constexpr std::size_t kSlotSize = 32;

IoError Fail(win::DWORD code) { return IoError{code}; }

FatFileInfo RootInfo() {
  FatFileInfo info;
  info.attributes = kAttrDirectory;
  return info;
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

// Marks an entry as written now: the write time (to the FAT's two seconds) and the archive bit.
void StampWritten(const FatContext& context, ShortEntry& entry) {
  entry.written = EncodeFatTime(context.clock());
  entry.written.tenths = 0;
  entry.attributes |= kAttrArchive;
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
  FatVolumeCall call(device_, clock_);
  if (!call.Begun()) return call.Begun().failure();
  auto root = FatDirectory::Load(call.Context(), call.Table(), 0);
  if (!root) return root.failure();
  auto free = call.Table().CountFree();
  if (!free) return free.failure();
  const FatGeometry& g = call.Context().geometry;
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
  FatVolumeCall call(device_, clock_);
  if (auto loaded = call.LoadParent(path); !loaded) return loaded.failure();
  if (call.NamesRoot()) return RootInfo();
  auto e = call.Leaf();
  if (!e) return e.failure();
  return FileInfoOf(*e);
}

IoResult<std::vector<FatFileInfo>> FatVolume::List(std::string_view path) {
  FatVolumeCall call(device_, clock_);
  auto key = call.LocateDirectory(path);
  if (!key) return key.failure();
  auto directory = FatDirectory::Load(call.Context(), call.Table(), *key);
  if (!directory) return directory.failure();
  std::vector<FatFileInfo> infos;
  for (const DirEntry& e : directory->Entries()) infos.push_back(FileInfoOf(e));
  return infos;
}

IoResult<FatFileInfo> FatVolume::CreateFile(std::string_view path, std::uint8_t attributes) {
  FatVolumeCall call(device_, clock_);
  if (auto loaded = call.LoadParentToCreate(path, win::ERROR_ACCESS_DENIED); !loaded) return loaded.failure();
  FatDirectory& directory = call.Parent();
  if (directory.Find(call.NewName()) != nullptr) return Fail(win::ERROR_FILE_EXISTS);
  const auto bits = static_cast<std::uint8_t>((attributes & kSettableAttributes) | kAttrArchive);
  auto added = directory.Add(call.NewName(), NewEntry(call.Context(), bits, 0));
  if (!added) return added.failure();
  return FileInfoOf(*added);
}

IoResult<FatFileInfo> FatVolume::StatOpen(const EntryPlace& file) {
  FatVolumeCall call(device_, clock_);
  auto open = call.ReadOpen(file);
  if (!open) return open.failure();
  DirEntry e;
  e.entry = open->entry;
  e.shortName = ShortNameText(e.entry.name, e.entry.caseFlags);
  e.name = e.shortName;
  e.place = file;
  return FileInfoOf(e);
}

IoResult<std::size_t> FatVolume::Read(const EntryPlace& file, std::uint64_t offset, std::span<std::uint8_t> buffer) {
  FatVolumeCall call(device_, clock_);
  auto open = call.ReadOpen(file);
  if (!open) return open.failure();
  return ReadFileData(call.Context(), call.Table(), open->entry, offset, buffer);
}

IoStatus FatVolume::Write(const EntryPlace& file, std::uint64_t offset, std::span<const std::uint8_t> data) {
  FatVolumeCall call(device_, clock_);
  auto open = call.ReadOpen(file);
  if (!open) return open.failure();
  const ShortEntry before = open->entry;
  const IoStatus written = WriteFileData(call.Context(), call.Table(), open->entry, offset, data);
  if (!written && open->entry.firstCluster == before.firstCluster) return written;
  // Even a failed write stores a new first cluster, so that no allocated chain is lost.
  StampWritten(call.Context(), open->entry);
  if (auto stored = call.StoreOpen(file, *open); !stored) return stored;
  return written;
}

IoStatus FatVolume::SetSize(const EntryPlace& file, std::uint64_t size) {
  FatVolumeCall call(device_, clock_);
  auto open = call.ReadOpen(file);
  if (!open) return open.failure();
  const IoStatus resized = ResizeFileData(call.Context(), call.Table(), open->entry, size);
  if (!resized) return resized;
  StampWritten(call.Context(), open->entry);
  return call.StoreOpen(file, *open);
}

IoStatus FatVolume::DeleteFile(std::string_view path) {
  FatVolumeCall call(device_, clock_);
  if (auto loaded = call.LoadParent(path, win::ERROR_ACCESS_DENIED); !loaded) return loaded;
  auto e = call.Leaf();
  if (!e) return e.failure();
  if (e->IsDirectory() || (e->entry.attributes & kAttrReadOnly) != 0) return Fail(win::ERROR_ACCESS_DENIED);
  // A broken chain is refused before anything changes.
  if (e->entry.firstCluster != 0) {
    if (auto chain = call.Table().Chain(e->entry.firstCluster); !chain) return chain.failure();
  }
  if (auto removed = call.Parent().Remove(*e); !removed) return removed;
  return FreeFileData(call.Table(), e->entry);
}

IoStatus FatVolume::MakeDirectory(std::string_view path) {
  FatVolumeCall call(device_, clock_);
  if (auto loaded = call.LoadParentToCreate(path, win::ERROR_ALREADY_EXISTS); !loaded) return loaded;
  FatDirectory& directory = call.Parent();
  if (directory.Find(call.NewName()) != nullptr) return Fail(win::ERROR_ALREADY_EXISTS);
  auto cluster = NewDirectoryCluster(call.Context(), call.Table(), call.Where().parent);
  if (!cluster) return cluster.failure();
  auto added = directory.Add(call.NewName(), NewEntry(call.Context(), kAttrDirectory, *cluster));
  if (!added) {
    (void)call.Table().FreeChain(*cluster);
    return added.failure();
  }
  return IoOk();
}

IoStatus FatVolume::RemoveDirectory(std::string_view path) {
  FatVolumeCall call(device_, clock_);
  if (auto loaded = call.LoadParent(path, win::ERROR_ACCESS_DENIED); !loaded) return loaded;
  auto e = call.Leaf();
  if (!e) return e.failure();
  if (!e->IsDirectory()) return Fail(win::ERROR_DIRECTORY);
  if (e->IsDotEntry()) return Fail(win::ERROR_ACCESS_DENIED);
  auto key = call.SubdirectoryOf(*e);
  if (!key) return key.failure();
  auto contents = FatDirectory::Load(call.Context(), call.Table(), *key);
  if (!contents) return contents.failure();
  const auto& entries = contents->Entries();
  if (std::any_of(entries.begin(), entries.end(), [](const DirEntry& x) { return !x.IsDotEntry(); })) {
    return Fail(win::ERROR_DIR_NOT_EMPTY);
  }
  if (auto removed = call.Parent().Remove(*e); !removed) return removed;
  return FreeFileData(call.Table(), e->entry);
}

IoStatus FatVolume::Rename(std::string_view from, std::string_view to) {
  FatVolumeCall call(device_, clock_);
  if (!call.Begun()) return call.Begun();
  FatContext& context = call.Context();
  FatTable& table = call.Table();
  auto source = call.Locate(from);
  if (!source) return source.failure();
  auto target = call.Locate(to);
  if (!target) return target.failure();
  if (source->leaf.empty() || target->leaf.empty()) return Fail(win::ERROR_ACCESS_DENIED);
  auto name = NameForCreation(target->leaf);
  if (!name) return name.failure();
  auto sourceDirectory = FatDirectory::Load(context, table, source->parent);
  if (!sourceDirectory) return sourceDirectory.failure();
  const DirEntry* found = sourceDirectory->Find(source->leaf);
  if (found == nullptr) return Fail(win::ERROR_FILE_NOT_FOUND);
  const DirEntry moving = *found;
  if (moving.IsDotEntry()) return Fail(win::ERROR_ACCESS_DENIED);
  std::optional<std::uint32_t> movingKey;
  if (moving.IsDirectory()) {
    auto key = call.SubdirectoryOf(moving);
    if (!key) return key.failure();
    movingKey = *key;
    const auto& walked = target->walked;
    if (std::find(walked.begin(), walked.end(), *key) != walked.end()) return Fail(win::ERROR_ACCESS_DENIED);
  }
  // One directory must be one object, or one copy's writes would undo the other's.
  const bool sameDirectory = source->parent == target->parent;
  std::optional<IoResult<FatDirectory>> other;
  if (!sameDirectory) {
    other.emplace(FatDirectory::Load(context, table, target->parent));
    if (!*other) return other->failure();
  }
  FatDirectory& targetDirectory = sameDirectory ? *sourceDirectory : **other;
  if (const DirEntry* taken = targetDirectory.Find(*name);
      taken != nullptr && !(sameDirectory && taken->slot == moving.slot)) {
    return Fail(win::ERROR_ALREADY_EXISTS);
  }
  if (sameDirectory) sourceDirectory->ReleaseShortName(moving);
  auto added = targetDirectory.Add(*name, moving.entry);
  if (!added) return added.failure();
  if (auto removed = sourceDirectory->Remove(moving); !removed) return removed;
  if (!movingKey || sameDirectory) return IoOk();
  // A directory that changed parents points its ".." at the new one.
  auto moved = FatDirectory::Load(context, table, *movingKey);
  if (!moved) return moved.failure();
  const DirEntry* dotDot = moved->Find("..");
  if (dotDot == nullptr) return IoOk();
  DirEntry updated = *dotDot;
  updated.entry.firstCluster = target->parent;
  return moved->Update(updated);
}

IoStatus FatVolume::SetAttributes(std::string_view path, std::uint8_t attributes) {
  FatVolumeCall call(device_, clock_);
  if (auto loaded = call.LoadParent(path, win::ERROR_ACCESS_DENIED); !loaded) return loaded;
  auto e = call.Leaf();
  if (!e) return e.failure();
  e->entry.attributes =
      static_cast<std::uint8_t>((e->entry.attributes & ~kSettableAttributes) | (attributes & kSettableAttributes));
  return call.Parent().Update(*e);
}

}  // namespace machine
