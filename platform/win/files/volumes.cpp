// Drive letters and volumes: C: (the data folder's drive_c) and Z: (the host root) are fixed
// drives, card letters removable ones. Free space and volume information come from the volume
// behind the letter; the host's free space can be injected for tests.
// Not provided: network and CD-ROM drives, volume mount points, setting labels.
#include "platform/win/files/volumes.h"

#include "platform/win/devices/card_drives.h"
#include "platform/win/files/file_targets.h"
#include "platform/win/system/last_error.h"
#include "platform/win/system/windows_version.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>

namespace win {
namespace {

constexpr char kSystemDrive = 'C';
constexpr char kHostRootDrive = 'Z';
// Windows 95 OSR2, 98 and Me report at most 2 GB through GetDiskFreeSpaceA.
constexpr ULONGLONG kNineXLargestReportedBytes = 0x7FFFFFFF;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The current directory's root, for services given no root.
std::string CurrentRoot() { return CurrentDirectoryPath().substr(0, 3); }

// The drive letter of "X:" or "X:\"; 0 for anything else.
char DriveOfRoot(std::string_view root) {
  const bool drive = root.size() >= 2 && std::isalpha(static_cast<unsigned char>(root[0])) != 0 && root[1] == ':';
  if (!drive || root.size() > 3 || (root.size() == 3 && !IsSeparator(root[2]))) return 0;
  return static_cast<char>(std::toupper(static_cast<unsigned char>(root[0])));
}

std::optional<VolumeSpace> SpaceOf(LPCSTR path, DWORD& error) {
  const auto target = ResolveTarget(path == nullptr ? std::string_view(CurrentRoot()) : std::string_view(path), error);
  if (!target) return std::nullopt;
  return target->volume->Space(target->path, error);
}

DWORD ClampClusters(ULONGLONG clusters, ULONGLONG clusterBytes) {
  ULONGLONG largest = std::numeric_limits<DWORD>::max();
  if (!IsNtFamily(CurrentWindowsVersion())) largest = kNineXLargestReportedBytes / clusterBytes;
  return static_cast<DWORD>(std::min(clusters, largest));
}

// Windows wants a root with its backslash here: "C:\".
DWORD RootPathError(std::string_view root) {
  if (root.size() == 3 && DriveOfRoot(root) != 0) return ERROR_SUCCESS;
  return !root.empty() && IsSeparator(root.back()) ? ERROR_DIR_NOT_ROOT : ERROR_INVALID_NAME;
}

bool FitsBuffer(LPSTR buffer, DWORD size, const std::string& text) { return buffer == nullptr || size > text.size(); }

void CopyText(LPSTR buffer, const std::string& text) {
  if (buffer != nullptr) std::memcpy(buffer, text.c_str(), text.size() + 1);
}

template <class T>
void Store(T* out, T value) {
  if (out != nullptr) *out = value;
}

}  // namespace

DWORD GetLogicalDrives() {
  DWORD drives = (1U << (kSystemDrive - 'A')) | (1U << (kHostRootDrive - 'A'));
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (IsCardDriveLetter(letter)) drives |= 1U << (letter - 'A');
  }
  return drives;
}

UINT GetDriveTypeA(LPCSTR rootPathName) {
  const char drive = DriveOfRoot(rootPathName == nullptr ? std::string_view(CurrentRoot()) : rootPathName);
  if (drive != 0 && IsCardDriveLetter(drive)) return DRIVE_REMOVABLE;
  if (drive == kSystemDrive || drive == kHostRootDrive) return DRIVE_FIXED;
  return DRIVE_NO_ROOT_DIR;
}

BOOL GetDiskFreeSpaceA(LPCSTR rootPathName, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                       DWORD* numberOfFreeClusters, DWORD* totalNumberOfClusters) {
  DWORD error = ERROR_SUCCESS;
  const auto space = SpaceOf(rootPathName, error);
  if (!space) return Fail(error);
  const ULONGLONG clusterBytes = std::max<ULONGLONG>(ULONGLONG{space->sectorsPerCluster} * space->bytesPerSector, 1);
  Store(sectorsPerCluster, space->sectorsPerCluster);
  Store(bytesPerSector, space->bytesPerSector);
  Store(numberOfFreeClusters, ClampClusters(space->freeClusters, clusterBytes));
  Store(totalNumberOfClusters, ClampClusters(space->totalClusters, clusterBytes));
  return TRUE;
}

BOOL GetDiskFreeSpaceExA(LPCSTR directoryName, ULARGE_INTEGER* freeBytesAvailable, ULARGE_INTEGER* totalBytes,
                         ULARGE_INTEGER* totalFreeBytes) {
  DWORD error = ERROR_SUCCESS;
  const auto space = SpaceOf(directoryName, error);
  if (!space) return Fail(error);
  const ULONGLONG clusterBytes = ULONGLONG{space->sectorsPerCluster} * space->bytesPerSector;
  if (freeBytesAvailable != nullptr) freeBytesAvailable->QuadPart = space->availableBytes;
  if (totalBytes != nullptr) totalBytes->QuadPart = space->totalClusters * clusterBytes;
  if (totalFreeBytes != nullptr) totalFreeBytes->QuadPart = space->freeClusters * clusterBytes;
  return TRUE;
}

BOOL GetVolumeInformationA(LPCSTR rootPathName, LPSTR volumeNameBuffer, DWORD volumeNameSize, DWORD* volumeSerialNumber,
                           DWORD* maximumComponentLength, DWORD* fileSystemFlags, LPSTR fileSystemNameBuffer,
                           DWORD fileSystemNameSize) {
  const std::string root = rootPathName == nullptr ? CurrentRoot() : std::string(rootPathName);
  DWORD error = RootPathError(root);
  if (error != ERROR_SUCCESS) return Fail(error);
  const auto target = ResolveTarget(std::string_view(root), error);
  if (!target) return Fail(error);
  const auto information = target->volume->Information(target->path, error);
  if (!information) return Fail(error);
  if (!FitsBuffer(volumeNameBuffer, volumeNameSize, information->label) ||
      !FitsBuffer(fileSystemNameBuffer, fileSystemNameSize, information->fileSystemName)) {
    return Fail(ERROR_BAD_LENGTH);
  }
  CopyText(volumeNameBuffer, information->label);
  CopyText(fileSystemNameBuffer, information->fileSystemName);
  Store(volumeSerialNumber, information->serialNumber);
  Store(maximumComponentLength, information->maximumComponentLength);
  Store(fileSystemFlags, information->fileSystemFlags);
  return TRUE;
}

}  // namespace win
