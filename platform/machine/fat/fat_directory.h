// One directory of a FAT volume, read whole for one operation: its entries with their long
// names, lookup without regard to case, and adding and removing entries. The fixed root of
// FAT12/16 cannot grow; other directories grow by a zeroed cluster, up to the 65536 entries
// the FAT standard allows a directory.
#pragma once

#include "platform/machine/fat/fat_context.h"
#include "platform/machine/fat/fat_dir_entry.h"
#include "platform/machine/fat/fat_long_name.h"
#include "platform/machine/fat/fat_table.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace machine {

// Where a short entry lies on the volume; a file is known by it while it exists.
struct EntryPlace {
  std::uint64_t sector = 0;
  std::uint32_t offset = 0;
  bool operator==(const EntryPlace&) const = default;
};

struct DirEntry {
  std::string name;  // the long name when there is a sound one, else the short name
  std::string shortName;  // the short name's text
  ShortEntry entry;
  EntryPlace place;
  std::size_t slot = 0;  // the short entry's slot in the directory
  std::size_t firstSlot = 0;  // the first slot of its long name (slot when it has none)

  bool IsDirectory() const { return (entry.attributes & kAttrDirectory) != 0; }
  bool IsDotEntry() const { return shortName == "." || shortName == ".."; }
};

class FatDirectory {
 public:
  // Reads the directory whose chain starts at firstCluster (0: the root directory).
  // ERROR_DISK_CORRUPT when its chain is broken, loops or exceeds the size limit.
  static IoResult<FatDirectory> Load(FatContext& context, FatTable& table, std::uint32_t firstCluster);

  // Files and directories in slot order, "." and ".." included; no labels, no free slots.
  const std::vector<DirEntry>& Entries() const { return entries_; }
  // The entry whose long or short name is `name`, regardless of case; null when none is.
  const DirEntry* Find(std::string_view name) const;
  // The volume label entry's text (meaningful in the root directory).
  const std::optional<std::string>& Label() const { return label_; }
  // The directory's first cluster as its entries refer to it (0 for the root of FAT12/16).
  std::uint32_t FirstCluster() const { return firstCluster_; }

  // Adds an entry named `name` (valid, not present) with a generated short name and long-name
  // slots when it needs them; entry.name and entry.caseFlags are chosen here. ERROR_CANNOT_MAKE
  // when the directory cannot hold it, ERROR_DISK_FULL when no cluster is left to grow it.
  IoResult<DirEntry> Add(std::string_view name, ShortEntry entry);
  // Adds an entry with exactly this short name and no long name ("." and "..").
  IoResult<DirEntry> AddShort(ShortEntry entry);
  // Lets Add reuse the entry's short name (a rename within the directory that removes it next).
  void ReleaseShortName(const DirEntry& entry);
  // Frees the entry's slots, long name included.
  IoStatus Remove(const DirEntry& entry);
  // Writes the entry's short entry back in place.
  IoStatus Update(const DirEntry& entry);

 private:
  FatDirectory(FatContext& context, FatTable& table, std::uint32_t firstCluster);
  IoStatus ReadSectors(std::uint32_t firstCluster);
  void Parse();
  std::span<std::uint8_t, 32> Slot(std::size_t index);
  bool ShortNameTaken(const ShortName& name) const;
  // The first of `count` consecutive free slots, growing the directory when needed.
  IoResult<std::size_t> FreeRun(std::size_t count);
  IoStatus Grow();
  IoStatus WriteSlots(std::size_t first, std::size_t count);
  IoResult<DirEntry> Place(const std::vector<DirSlot>& longSlots, const ShortEntry& entry);

  FatContext& context_;
  FatTable& table_;
  std::uint32_t firstCluster_;
  std::vector<std::uint64_t> sectors_;
  std::vector<std::uint8_t> bytes_;
  std::vector<DirEntry> entries_;
  std::vector<ShortName> shortNames_;
  std::optional<std::string> label_;
  std::size_t endSlot_ = 0;  // the first slot of the never-used tail
};

}  // namespace machine
