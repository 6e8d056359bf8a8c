#include "platform/win/host_volume.h"

#include "platform/win/file_time.h"
#include "platform/win/files.h"
#include "platform/win/host_errors.h"
#include "platform/win/host_file.h"
#include "platform/win/host_free_space.h"
#include "platform/win/host_share_table.h"
#include "platform/win/last_error.h"
#include "platform/win/volumes.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace win {
namespace {

namespace fs = std::filesystem;

constexpr DWORD kHostBytesPerSector = 512;
constexpr std::string_view kHostFileSystem = "NTFS";
constexpr DWORD kHostFileSystemFlags = FILE_CASE_PRESERVED_NAMES | FILE_UNICODE_ON_DISK;
constexpr std::string_view kUnspellable = "\\:*?\"<>|";

fs::path HostPath(std::string_view path) { return fs::path(std::string(path)); }

bool IsSpellableName(std::string_view name) {
  return std::none_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || kUnspellable.find(c) != std::string_view::npos;
  });
}

FILETIME FromStatx(const struct statx_timestamp& stamp) {
  return FileTimeFromUnix(stamp.tv_sec, static_cast<LONG>(stamp.tv_nsec));
}

std::optional<struct statx> StatusOf(const fs::path& path, int& error) {
  struct statx status {};
  if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &status) != 0) {
    error = errno;
    return std::nullopt;
  }
  return status;
}

FileIdentity IdentityOf(const struct statx& status) {
  return {::makedev(status.stx_dev_major, status.stx_dev_minor), status.stx_ino};
}

VolumeEntry EntryOf(std::string name, const struct statx& status) {
  VolumeEntry entry;
  entry.name = std::move(name);
  const bool folder = S_ISDIR(status.stx_mode);
  entry.attributes = folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if ((status.stx_mode & S_IWUSR) == 0) entry.attributes |= FILE_ATTRIBUTE_READONLY;
  entry.size = folder ? 0 : status.stx_size;
  entry.lastWriteTime = FromStatx(status.stx_mtime);
  entry.lastAccessTime = FromStatx(status.stx_atime);
  // File systems without a birth time give the last change instead.
  entry.creationTime = (status.stx_mask & STATX_BTIME) != 0 ? FromStatx(status.stx_btime) : entry.lastWriteTime;
  return entry;
}

bool IsFolder(const fs::path& path) {
  std::error_code ignored;
  return fs::is_directory(path, ignored);
}

// A missing name is ERROR_FILE_NOT_FOUND when its folder exists, else ERROR_PATH_NOT_FOUND.
DWORD MissingError(const fs::path& path, int errnoValue) {
  if (errnoValue == ENOENT) return IsFolder(path.parent_path()) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
  return ErrorFromErrno(errnoValue);
}

std::string UpperCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// A serial number that stays the same for a drive's root as long as its host folder does.
DWORD SerialOf(const fs::path& root) {
  std::uint32_t hash = 2166136261U;
  for (const char c : root.string()) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619U;
  return hash;
}

}  // namespace

const std::shared_ptr<HostVolume>& HostVolume::Instance() {
  static const auto volume = std::make_shared<HostVolume>();
  return volume;
}

std::shared_ptr<IoObject> HostVolume::Open(std::string_view path, const OpenRequest& request, DWORD& error) {
  return HostFile::Open(HostPath(path), request, error);
}

std::optional<VolumeEntry> HostVolume::Query(std::string_view path, DWORD& error) {
  const fs::path host = HostPath(path);
  int errnoValue = 0;
  const auto status = StatusOf(host, errnoValue);
  if (!status) {
    error = MissingError(host, errnoValue);
    return std::nullopt;
  }
  if (IsDeletePending(IdentityOf(*status))) {
    error = ERROR_ACCESS_DENIED;
    return std::nullopt;
  }
  return EntryOf(host.filename().string(), *status);
}

std::optional<std::vector<VolumeEntry>> HostVolume::List(std::string_view folder, DWORD& error) {
  const fs::path host = HostPath(folder);
  std::error_code iteration;
  fs::directory_iterator entries(host, iteration);
  if (iteration) {
    error = iteration.value() == EACCES ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND;
    return std::nullopt;
  }
  std::vector<VolumeEntry> listed;
  for (fs::directory_iterator last; entries != last; entries.increment(iteration)) {
    if (iteration) break;
    const std::string name = entries->path().filename().string();
    int errnoValue = 0;
    const auto status = StatusOf(entries->path(), errnoValue);
    if (IsSpellableName(name) && status) listed.push_back(EntryOf(name, *status));
  }
  // NTFS lists a folder in the order of its upper-cased names.
  std::sort(listed.begin(), listed.end(),
            [](const VolumeEntry& a, const VolumeEntry& b) { return UpperCase(a.name) < UpperCase(b.name); });
  return listed;
}

DWORD HostVolume::Delete(std::string_view path) {
  const fs::path host = HostPath(path);
  int errnoValue = 0;
  const auto status = StatusOf(host, errnoValue);
  if (!status) return MissingError(host, errnoValue);
  if (S_ISDIR(status->stx_mode)) return ERROR_ACCESS_DENIED;
  bool pending = false;
  if (const DWORD error = RequestDelete(IdentityOf(*status), pending); error != ERROR_SUCCESS || pending) {
    return error;
  }
  if (::unlink(host.c_str()) != 0) return ErrorFromErrno(errno);
  ReleaseHostSpace(status->stx_size);
  return ERROR_SUCCESS;
}

DWORD HostVolume::Rename(std::string_view from, std::string_view to) {
  const fs::path source = HostPath(from);
  const fs::path target = HostPath(to);
  int errnoValue = 0;
  const auto status = StatusOf(source, errnoValue);
  if (!status) return MissingError(source, errnoValue);
  // The target may only exist as the source itself, when a name changes its case.
  if (const auto existing = StatusOf(target, errnoValue); existing && IdentityOf(*existing) != IdentityOf(*status)) {
    return ERROR_ALREADY_EXISTS;
  }
  if (!IsFolder(target.parent_path())) return ERROR_PATH_NOT_FOUND;
  if (const DWORD error = CheckDeleteAccess(IdentityOf(*status)); error != ERROR_SUCCESS) return error;
  if (::rename(source.c_str(), target.c_str()) != 0) return ErrorFromErrno(errno);
  NoteRenamed(IdentityOf(*status), target);
  return ERROR_SUCCESS;
}

DWORD HostVolume::CreateFolder(std::string_view path) {
  const fs::path host = HostPath(path);
  if (::mkdir(host.c_str(), 0777) == 0) return ERROR_SUCCESS;
  if (errno == EEXIST) return ERROR_ALREADY_EXISTS;
  return errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno);
}

DWORD HostVolume::RemoveFolder(std::string_view path) {
  const fs::path host = HostPath(path);
  int errnoValue = 0;
  const auto status = StatusOf(host, errnoValue);
  if (!status) return MissingError(host, errnoValue);
  if (!S_ISDIR(status->stx_mode)) return ERROR_DIRECTORY;
  if (::rmdir(host.c_str()) == 0) return ERROR_SUCCESS;
  return errno == EEXIST ? ERROR_DIR_NOT_EMPTY : ErrorFromErrno(errno);
}

std::optional<VolumeSpace> HostVolume::Space(std::string_view path, DWORD& error) {
  struct statvfs status {};
  if (::statvfs(HostPath(path).c_str(), &status) != 0) {
    error = errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno);
    return std::nullopt;
  }
  const ULONGLONG clusterBytes = std::max<ULONGLONG>(status.f_frsize, kHostBytesPerSector);
  VolumeSpace space;
  space.bytesPerSector = kHostBytesPerSector;
  space.sectorsPerCluster = static_cast<DWORD>(clusterBytes / kHostBytesPerSector);
  space.totalClusters = status.f_blocks * status.f_frsize / clusterBytes;
  space.freeClusters = status.f_bfree * status.f_frsize / clusterBytes;
  space.availableBytes = static_cast<ULONGLONG>(status.f_bavail) * status.f_frsize;
  if (const auto injected = InjectedHostFreeSpace()) {
    space.freeClusters = *injected / clusterBytes;
    space.totalClusters = std::max(space.totalClusters, space.freeClusters);
    space.availableBytes = *injected;
  }
  return space;
}

std::optional<VolumeInformation> HostVolume::Information(std::string_view path, DWORD& error) {
  const fs::path host = HostPath(path);
  if (!IsFolder(host)) {
    error = ERROR_PATH_NOT_FOUND;
    return std::nullopt;
  }
  VolumeInformation information;
  information.serialNumber = SerialOf(host);
  information.fileSystemFlags = kHostFileSystemFlags;
  information.fileSystemName = std::string(kHostFileSystem);
  return information;
}

}  // namespace win
