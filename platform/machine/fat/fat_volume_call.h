// One call of the FAT driver (fat_volume.h) on its volume: the layout read from the boot sector
// as the call begins, the FAT over that layout, and what the call's path leads to: the
// directory that holds its last name, loaded, or an open file's short entry read afresh.
// The table and the directory refer to the layout inside the object, so a call is built in
// place and never copied or moved; nothing of it outlives the call.
#pragma once

#include "platform/machine/fat_directory.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace machine {

// Where a path leads: the directory that holds its last name, and every directory walked.
struct FatLocation {
  std::uint32_t parent = 0;
  std::string leaf;  // empty for the root itself
  std::vector<std::uint32_t> walked;
};

// The short entry of an open file with the sector that holds it.
struct FatOpenEntry {
  std::array<std::uint8_t, SectorDevice::kSectorSize> sector{};
  ShortEntry entry;
};

class FatVolumeCall {
 public:
  FatVolumeCall(SectorDevice& device, const FatClock& clock);
  FatVolumeCall(const FatVolumeCall&) = delete;
  FatVolumeCall& operator=(const FatVolumeCall&) = delete;

  // The boot sector's failure when the call cannot begin; every step below answers it too.
  IoStatus Begun() const { return begun_; }
  FatContext& Context() { return *context_; }
  FatTable& Table() { return *table_; }

  // Walks to the directory that holds the path's last name and loads it. A path that names
  // the root answers rootError, or, without one, succeeds with nothing loaded (NamesRoot).
  IoStatus LoadParent(std::string_view path, std::optional<win::DWORD> rootError = std::nullopt);
  // The same for a name about to be made: the last name must first pass as a new name
  // (NewName), before the directory is read.
  IoStatus LoadParentToCreate(std::string_view path, win::DWORD rootError);
  bool NamesRoot() const { return location_ && location_->leaf.empty(); }
  const FatLocation& Where() const { return *location_; }
  FatDirectory& Parent() { return *parent_; }
  const std::string& NewName() const { return newName_; }
  // The loaded directory's entry of the last name; ERROR_FILE_NOT_FOUND when it has none.
  IoResult<DirEntry> Leaf() const;

  // Where a path leads, walking its directories.
  IoResult<FatLocation> Locate(std::string_view path);
  // The directory key of the directory at `path`; ERROR_PATH_NOT_FOUND when it is none.
  IoResult<std::uint32_t> LocateDirectory(std::string_view path);
  // The directory key an entry leads to; ERROR_DISK_CORRUPT for a directory entry without
  // clusters other than "..", which alone may name the root by 0.
  IoResult<std::uint32_t> SubdirectoryOf(const DirEntry& e) const;

  // An open file's short entry, read afresh; ERROR_FILE_INVALID when the place holds no file.
  IoResult<FatOpenEntry> ReadOpen(const EntryPlace& place);
  IoStatus StoreOpen(const EntryPlace& place, FatOpenEntry& open);

 private:
  IoStatus Walk(std::string_view path, std::optional<win::DWORD> rootError);
  IoStatus LoadLocated();

  IoStatus begun_ = IoOk();
  std::optional<FatContext> context_;
  std::optional<FatTable> table_;
  std::optional<FatLocation> location_;
  std::optional<FatDirectory> parent_;
  std::string newName_;
};

}  // namespace machine
