// What the file services need of a volume: the simulated machine's FAT driver implements it
// for each card drive letter, and the host folders answer through it too (host_volume.h), so
// that CreateFileA, FindFirstFileA, CopyFileA and the rest are written once.
//
// Paths are absolute inside the volume: "\DCIM\100TEST\A.JPG", "\" for the root (a host
// volume takes host paths instead). Names match case-insensitively. Every failing call
// answers the Windows error number (ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND,
// ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_NOT_READY, ERROR_WRITE_PROTECT ...).
#pragma once

#include "platform/win/system/io_object.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace win {

// One name in a folder, as FindFirstFileA and GetFileAttributesA report it.
struct VolumeEntry {
  std::string name;  // the long name as stored
  std::string shortName;  // the 8.3 alias when it differs from name; empty otherwise
  DWORD attributes = 0;  // FILE_ATTRIBUTE_* (DIRECTORY, READONLY, HIDDEN, SYSTEM, ARCHIVE)
  ULONGLONG size = 0;
  FILETIME creationTime{};
  FILETIME lastAccessTime{};
  FILETIME lastWriteTime{};
};

// An open as CreateFileA asks for it once it has applied the disposition to what exists:
// existence, directories and the read-only attribute are settled before the volume is asked.
struct OpenRequest {
  DWORD desiredAccess = 0;  // GENERIC_READ, GENERIC_WRITE, GENERIC_ALL
  DWORD shareMode = 0;  // FILE_SHARE_*; the volume refuses conflicting opens with ERROR_SHARING_VIOLATION
  bool create = false;  // the file is missing (its folder exists): make it empty
  bool truncate = false;  // the file exists: cut it to zero length
  DWORD attributes = 0;  // FILE_ATTRIBUTE_* for a created or truncated file
  bool deleteOnClose = false;  // remove the file when its last handle closes
};

// Cluster geometry for GetDiskFreeSpaceA; clusters are counted in 64 bits for large host disks.
struct VolumeSpace {
  DWORD sectorsPerCluster = 0;
  DWORD bytesPerSector = 0;
  ULONGLONG freeClusters = 0;
  ULONGLONG totalClusters = 0;
  // Bytes the caller may still use; below the free clusters' bytes where a quota applies.
  ULONGLONG availableBytes = 0;
};

struct VolumeInformation {
  std::string label;
  DWORD serialNumber = 0;
  DWORD maximumComponentLength = 255;
  DWORD fileSystemFlags = 0;
  std::string fileSystemName;  // "FAT", "FAT32", "NTFS"
};

class CardVolume {
 public:
  virtual ~CardVolume() = default;

  // Opens (or creates) the file for ReadFile, WriteFile, SetFilePointer and SetEndOfFile.
  virtual std::shared_ptr<IoObject> Open(std::string_view path, const OpenRequest& request, DWORD& error) = 0;
  // The entry of a file or folder; the root answers as a folder.
  virtual std::optional<VolumeEntry> Query(std::string_view path, DWORD& error) = 0;
  // The entries of a folder without "." and "..", in the order the volume keeps them.
  virtual std::optional<std::vector<VolumeEntry>> List(std::string_view folder, DWORD& error) = 0;

  // Each of these answers ERROR_SUCCESS or the reason it failed.
  virtual DWORD Delete(std::string_view path) = 0;
  // Renames a file or folder within the volume; the target must not exist (ERROR_ALREADY_EXISTS).
  virtual DWORD Rename(std::string_view from, std::string_view to) = 0;
  virtual DWORD CreateFolder(std::string_view path) = 0;
  virtual DWORD RemoveFolder(std::string_view path) = 0;

  // Free space and geometry of the volume holding path.
  virtual std::optional<VolumeSpace> Space(std::string_view path, DWORD& error) = 0;
  virtual std::optional<VolumeInformation> Information(std::string_view path, DWORD& error) = 0;
};

}  // namespace win
