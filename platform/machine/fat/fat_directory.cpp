#include "platform/machine/fat/fat_directory.h"

#include "platform/machine/fat/fat_name_text.h"

#include <algorithm>

namespace machine {
namespace {

constexpr std::size_t kSlotSize = 32;
constexpr std::size_t kSlotsPerSector = SectorDevice::kSectorSize / kSlotSize;
// A directory holds at most 65536 entries (2 MB), so that entry numbers fit 16 bits.
constexpr std::size_t kMaxSlots = 65536;

IoError Corrupt() { return IoError{win::ERROR_DISK_CORRUPT}; }

}  // namespace

FatDirectory::FatDirectory(FatContext& context, FatTable& table, std::uint32_t firstCluster)
    : context_(context), table_(table), firstCluster_(firstCluster) {}

IoResult<FatDirectory> FatDirectory::Load(FatContext& context, FatTable& table, std::uint32_t firstCluster) {
  const FatGeometry& g = context.geometry;
  // ".." entries say 0 for the root, also on FAT32 where the root is a cluster chain.
  const bool fixedRoot = firstCluster == 0 && g.type != FatType::Fat32;
  const std::uint32_t chainStart = firstCluster == 0 && g.type == FatType::Fat32 ? g.rootCluster : firstCluster;
  FatDirectory directory(context, table, fixedRoot ? 0 : chainStart);
  if (auto read = directory.ReadSectors(fixedRoot ? 0 : chainStart); !read) return read.failure();
  directory.Parse();
  return directory;
}

IoStatus FatDirectory::ReadSectors(std::uint32_t chainStart) {
  const FatGeometry& g = context_.geometry;
  if (chainStart == 0) {
    for (std::uint32_t i = 0; i < g.rootDirSectors; ++i) sectors_.push_back(g.firstRootDirSector + i);
  } else {
    const std::size_t maxClusters = kMaxSlots * kSlotSize / g.BytesPerCluster();
    auto chain = table_.Chain(chainStart, maxClusters + 1);
    if (!chain) return chain.failure();
    if (chain->size() > maxClusters) return Corrupt();
    for (const std::uint32_t cluster : *chain) {
      for (std::uint32_t i = 0; i < g.sectorsPerCluster; ++i) sectors_.push_back(g.ClusterSector(cluster) + i);
    }
  }
  bytes_.resize(sectors_.size() * SectorDevice::kSectorSize);
  // Read runs of consecutive sectors at once: a whole cluster, or the whole fixed root.
  std::size_t i = 0;
  while (i < sectors_.size()) {
    std::size_t run = 1;
    while (i + run < sectors_.size() && sectors_[i + run] == sectors_[i] + run) ++run;
    auto span = std::span(bytes_).subspan(i * SectorDevice::kSectorSize, run * SectorDevice::kSectorSize);
    if (auto read = context_.device.ReadSectors(sectors_[i], span); !read) return read;
    i += run;
  }
  return IoOk();
}

std::span<std::uint8_t, 32> FatDirectory::Slot(std::size_t index) {
  return std::span(bytes_).subspan(index * kSlotSize).first<kSlotSize>();
}

void FatDirectory::Parse() {
  const std::size_t slots = bytes_.size() / kSlotSize;
  const bool fat32 = context_.geometry.type == FatType::Fat32;
  LongNameAssembler longName;
  endSlot_ = slots;
  for (std::size_t i = 0; i < slots; ++i) {
    const auto slot = Slot(i);
    if (slot[0] == kSlotEnd) {
      endSlot_ = i;
      break;
    }
    if (slot[0] == kSlotFree) {
      longName.Reset();
      continue;
    }
    if (IsLongNameSlot(slot)) {
      longName.Feed(slot);
      continue;
    }
    DirEntry e;
    e.entry = DecodeShortEntry(slot, fat32);
    shortNames_.push_back(e.entry.name);
    const std::size_t longSlots = longName.SlotCount();
    const auto name = longName.Finish(ShortNameChecksum(std::span<const std::uint8_t, 11>(e.entry.name)));
    if ((e.entry.attributes & kAttrVolumeId) != 0) {
      if (!label_) label_ = TrimLabel(e.entry.name);
      continue;
    }
    e.shortName = ShortNameText(e.entry.name, e.entry.caseFlags);
    e.name = name ? Utf16ToAnsi(*name) : e.shortName;
    e.place = {sectors_[i / kSlotsPerSector], static_cast<std::uint32_t>((i % kSlotsPerSector) * kSlotSize)};
    e.slot = i;
    e.firstSlot = name ? i - longSlots : i;
    entries_.push_back(std::move(e));
  }
  // Everything after the end marker counts as never used; clear stray bytes there so that a
  // sector written back never revives them.
  for (std::size_t i = endSlot_; i < slots; ++i) Slot(i)[0] = kSlotEnd;
}

const DirEntry* FatDirectory::Find(std::string_view name) const {
  const auto found = std::find_if(entries_.begin(), entries_.end(), [&](const DirEntry& e) {
    return SameName(e.name, name) || SameName(e.shortName, name);
  });
  return found == entries_.end() ? nullptr : &*found;
}

bool FatDirectory::ShortNameTaken(const ShortName& name) const {
  return std::find(shortNames_.begin(), shortNames_.end(), name) != shortNames_.end();
}

IoStatus FatDirectory::Grow() {
  const FatGeometry& g = context_.geometry;
  if (firstCluster_ == 0) return IoError{win::ERROR_CANNOT_MAKE};
  if (bytes_.size() + g.BytesPerCluster() > kMaxSlots * kSlotSize) return IoError{win::ERROR_CANNOT_MAKE};
  const std::uint64_t tailSector = sectors_.back();
  const auto tail = static_cast<std::uint32_t>((tailSector - g.firstDataSector) / g.sectorsPerCluster + 2);
  std::vector<std::uint8_t> zeros(g.BytesPerCluster(), 0);
  auto fresh = table_.Extend(tail, 1);
  if (!fresh) return fresh.failure();
  const std::uint32_t cluster = fresh->front();
  if (auto written = context_.device.WriteSectors(g.ClusterSector(cluster), zeros); !written) return written;
  for (std::uint32_t i = 0; i < g.sectorsPerCluster; ++i) sectors_.push_back(g.ClusterSector(cluster) + i);
  bytes_.insert(bytes_.end(), zeros.begin(), zeros.end());
  return IoOk();
}

IoResult<std::size_t> FatDirectory::FreeRun(std::size_t count) {
  while (true) {
    const std::size_t slots = bytes_.size() / kSlotSize;
    std::size_t run = 0;
    for (std::size_t i = 0; i < slots; ++i) {
      const std::uint8_t first = Slot(i)[0];
      run = first == kSlotEnd || first == kSlotFree ? run + 1 : 0;
      if (run == count) return i + 1 - count;
    }
    if (auto grown = Grow(); !grown) return grown.failure();
  }
}

IoStatus FatDirectory::WriteSlots(std::size_t first, std::size_t count) {
  const std::size_t firstSector = first / kSlotsPerSector;
  const std::size_t lastSector = (first + count - 1) / kSlotsPerSector;
  for (std::size_t s = firstSector; s <= lastSector; ++s) {
    auto bytes = std::span(bytes_).subspan(s * SectorDevice::kSectorSize, SectorDevice::kSectorSize);
    if (auto written = context_.device.WriteSectors(sectors_[s], bytes); !written) return written;
  }
  return IoOk();
}

IoResult<DirEntry> FatDirectory::Place(const std::vector<DirSlot>& longSlots, const ShortEntry& entry) {
  const std::size_t count = longSlots.size() + 1;
  auto first = FreeRun(count);
  if (!first) return first.failure();
  for (std::size_t i = 0; i < longSlots.size(); ++i)
    std::copy(longSlots[i].begin(), longSlots[i].end(), Slot(*first + i).begin());
  const std::size_t shortSlot = *first + longSlots.size();
  EncodeShortEntry(entry, Slot(shortSlot));
  if (auto written = WriteSlots(*first, count); !written) return written.failure();
  shortNames_.push_back(entry.name);
  endSlot_ = std::max(endSlot_, shortSlot + 1);
  DirEntry e;
  e.entry = entry;
  e.shortName = ShortNameText(entry.name, entry.caseFlags);
  e.place = {sectors_[shortSlot / kSlotsPerSector],
             static_cast<std::uint32_t>((shortSlot % kSlotsPerSector) * kSlotSize)};
  e.slot = shortSlot;
  e.firstSlot = *first;
  return e;
}

IoResult<DirEntry> FatDirectory::Add(std::string_view name, ShortEntry entry) {
  std::vector<DirSlot> longSlots;
  if (const auto exact = ExactShortName(name); exact && !ShortNameTaken(exact->raw)) {
    entry.name = exact->raw;
    entry.caseFlags = exact->caseFlags;
  } else {
    auto generated = GenerateShortName(name, [&](const ShortName& n) { return ShortNameTaken(n); });
    if (!generated) return generated.failure();
    entry.name = *generated;
    entry.caseFlags = 0;
    longSlots = EncodeLongName(AnsiToUtf16(name), ShortNameChecksum(std::span<const std::uint8_t, 11>(entry.name)));
  }
  auto placed = Place(longSlots, entry);
  if (!placed) return placed;
  placed->name = std::string(name);
  entries_.push_back(*placed);
  return placed;
}

IoResult<DirEntry> FatDirectory::AddShort(ShortEntry entry) {
  auto placed = Place({}, entry);
  if (!placed) return placed;
  placed->name = placed->shortName;
  entries_.push_back(*placed);
  return placed;
}

void FatDirectory::ReleaseShortName(const DirEntry& entry) {
  const auto found = std::find(shortNames_.begin(), shortNames_.end(), entry.entry.name);
  if (found != shortNames_.end()) shortNames_.erase(found);
}

IoStatus FatDirectory::Remove(const DirEntry& entry) {
  for (std::size_t i = entry.firstSlot; i <= entry.slot; ++i) Slot(i)[0] = kSlotFree;
  if (auto written = WriteSlots(entry.firstSlot, entry.slot - entry.firstSlot + 1); !written) return written;
  std::erase_if(entries_, [&](const DirEntry& e) { return e.slot == entry.slot; });
  return IoOk();
}

IoStatus FatDirectory::Update(const DirEntry& entry) {
  EncodeShortEntry(entry.entry, Slot(entry.slot));
  return WriteSlots(entry.slot, 1);
}

}  // namespace machine
