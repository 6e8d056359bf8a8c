// The deleted-entry pass over FAT directories: the root directory's deleted archive entries, the
// data clusters that are (possibly deleted) subdirectories, and the list of what was found.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace recovery {

struct DeletedEntry {
  int id = 0;
  char name[8] = {};  // short name as found, first byte restored
  char extension[3] = {};
  std::uint8_t attribute = 0;
  std::uint16_t clusterHigh = 0;
  std::uint16_t clusterLow = 0;
  std::uint32_t size = 0;
};

class DeletedEntryList {
 public:
  void Clear() { entries_.clear(); }
  bool Empty() const { return entries_.empty(); }
  const std::vector<DeletedEntry>& Entries() const { return entries_; }
  const DeletedEntry& Newest() const { return entries_.back(); }

  // Lists the root directory's deleted entries whose attribute is exactly archive. Answers 1.
  int ScanRootForDeletedEntries(std::span<const std::uint8_t> buffer);
  // One data cluster (clusterInUse: its FAT entry is non-zero). 1 done or entries listed, 5 the
  // cluster is a directory and nothing was listed.
  int ScanDirectoryCluster(std::span<const std::uint8_t> buffer, bool clusterInUse);

 private:
  void Add(std::span<const std::uint8_t> entry);
  void RememberLongName(std::span<const std::uint8_t> entry);
  // The remembered long name is the short entry's own: its checksum matches the short name.
  bool LongNameBelongsTo(std::span<const std::uint8_t> entry) const;

  std::vector<DeletedEntry> entries_;
  int longNameFirst_ = -1;  // first character of the last long-name entry, until a listing
  std::uint8_t longNameChecksum_ = 0;  // that entry's checksum of its short name
};

// 1 when one of the entries at 0, 32, 64, 96 and 128 has a non-zero first byte (or the buffer
// is too short to reach the fifth), else 0.
int HasDirectoryEntries(std::span<const std::uint8_t> buffer);

}  // namespace recovery
