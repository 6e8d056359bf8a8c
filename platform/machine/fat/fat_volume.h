// The FAT12/16/32 file system of a card volume, as the platform's file services use it:
// lookup, listing, files read and written through their clusters, directories made and
// removed, renames, free space, label and serial.
//
// No cache: every call reads the boot sector, the FAT sectors and the directories it needs
// from the device afresh, so raw sector writes (a format, a restore) are seen at once and can
// never be overwritten by stale copies. An open file is known by the place of its short entry
// (EntryPlace), which each call reads again.
//
// Corrupt volumes give errors, never crashes: an unsound boot sector gives
// ERROR_UNRECOGNIZED_VOLUME; broken, looping or wild chains and directories that exceed their
// limit give ERROR_DISK_CORRUPT; device failures pass on the device's error.
//
// Not implemented: setting the label, access dates, 8.3-only (no long name) volumes, sector
// sizes other than 512 bytes, the FAT32 backup boot sector and FSInfo copies.
#pragma once

#include "platform/machine/fat_file_info.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace machine {

struct FatVolumeInfo {
  FatType type = FatType::Fat12;
  std::string label;  // the root's label entry, else the boot sector's; empty when none
  std::uint32_t serial = 0;
  std::uint32_t bytesPerSector = SectorDevice::kSectorSize;
  std::uint32_t sectorsPerCluster = 0;
  std::uint32_t totalClusters = 0;
  std::uint32_t freeClusters = 0;
};

class FatVolume {
 public:
  // The volume on `device`, which must outlive it; `clock` stamps what is created and written.
  explicit FatVolume(SectorDevice& device, FatClock clock = SystemFatTime);

  // Type, label, serial, cluster size and counts; the free count is read from the FAT itself.
  IoResult<FatVolumeInfo> Info();

  // The file or directory at `path` (the root for "" or "\").
  IoResult<FatFileInfo> Stat(std::string_view path);
  // The entries of the directory at `path` in directory order, "." and ".." included.
  IoResult<std::vector<FatFileInfo>> List(std::string_view path);

  // Creates an empty file with these attributes (archive is added). ERROR_FILE_EXISTS when the
  // name is taken, ERROR_PATH_NOT_FOUND when its folder is missing.
  IoResult<FatFileInfo> CreateFile(std::string_view path, std::uint8_t attributes = 0);
  // The current state of an open file; ERROR_FILE_INVALID when its entry is gone.
  IoResult<FatFileInfo> StatOpen(const EntryPlace& file);
  // Reads from an open file; answers the bytes read, 0 at or past its end.
  IoResult<std::size_t> Read(const EntryPlace& file, std::uint64_t offset, std::span<std::uint8_t> buffer);
  // Writes to an open file, growing it; stamps the write time and sets the archive bit.
  IoStatus Write(const EntryPlace& file, std::uint64_t offset, std::span<const std::uint8_t> data);
  // Sets an open file's size (SetEndOfFile); growth reads as zeros.
  IoStatus SetSize(const EntryPlace& file, std::uint64_t size);

  // Deletes a file: its slots are marked free and its clusters freed. ERROR_ACCESS_DENIED for a
  // directory or a read-only file.
  IoStatus DeleteFile(std::string_view path);
  // Makes a directory with its "." and ".." entries; ERROR_ALREADY_EXISTS when the name is taken.
  IoStatus MakeDirectory(std::string_view path);
  // Removes an empty directory: ERROR_DIR_NOT_EMPTY, ERROR_DIRECTORY for a file,
  // ERROR_ACCESS_DENIED for the root.
  IoStatus RemoveDirectory(std::string_view path);
  // Renames or moves a file or directory within the volume. ERROR_ALREADY_EXISTS when the new
  // name is taken by another entry, ERROR_ACCESS_DENIED when a directory would move into itself.
  IoStatus Rename(std::string_view from, std::string_view to);
  // Sets the read-only, hidden, system and archive bits.
  IoStatus SetAttributes(std::string_view path, std::uint8_t attributes);

 private:
  SectorDevice& device_;
  FatClock clock_;
};

}  // namespace machine
