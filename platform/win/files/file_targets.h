// Where a Windows path's file lives: the host volume or a card volume, and the path inside
// it. CreateFileA, CopyFileA and MoveFileA open files here, applying the creation
// disposition once for every volume.
#pragma once

#include "platform/win/card_volume.h"
#include "platform/win/paths.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace win {

struct FileTarget {
  std::shared_ptr<CardVolume> volume;
  std::string path;  // inside the volume: "\DCIM\A.JPG" on a card, the host path on the host
  ResolvedPath resolved;

  bool SameVolumeAs(const FileTarget& other) const { return volume == other.volume; }
};

// Resolves a file name for the file services; a device name ("\\.\E:") fails with
// ERROR_FILE_NOT_FOUND, a null name with ERROR_PATH_NOT_FOUND.
std::optional<FileTarget> ResolveTarget(LPCSTR name, DWORD& error);
std::optional<FileTarget> ResolveTarget(std::string_view name, DWORD& error);
std::optional<FileTarget> TargetOf(ResolvedPath resolved, DWORD& error);

// The last error CreateFileA leaves on success: ERROR_ALREADY_EXISTS where an existing file
// was opened by CREATE_ALWAYS or OPEN_ALWAYS, else ERROR_SUCCESS.
struct OpenedFile {
  std::shared_ptr<IoObject> object;
  DWORD successError = 0;
};

// Opens target as CreateFileA does: disposition (CREATE_NEW ... TRUNCATE_EXISTING) against
// what exists, directories and read-only files refused with ERROR_ACCESS_DENIED, then the
// volume's own sharing rules. flagsAndAttributes carries FILE_ATTRIBUTE_* and
// FILE_FLAG_DELETE_ON_CLOSE. Null object with error set on failure.
OpenedFile OpenTarget(const FileTarget& target, DWORD desiredAccess, DWORD shareMode, DWORD disposition,
                      DWORD flagsAndAttributes, DWORD& error);

}  // namespace win
