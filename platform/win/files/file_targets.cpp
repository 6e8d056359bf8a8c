#include "platform/win/files/file_targets.h"

#include "platform/win/devices/card_drives.h"
#include "platform/win/files/files.h"
#include "platform/win/host/host_volume.h"
#include "platform/win/system/last_error.h"

#include <algorithm>
#include <array>

namespace win {
namespace {

// What each creation disposition does with a file that exists and with one that does not.
struct DispositionRule {
  DWORD disposition;
  bool createIfMissing;
  bool failIfExists;  // ERROR_FILE_EXISTS
  bool truncateIfExists;
  bool reportExisting;  // success leaves ERROR_ALREADY_EXISTS
};

constexpr std::array kDispositions{
    DispositionRule{CREATE_NEW, true, true, false, false},
    DispositionRule{CREATE_ALWAYS, true, false, true, true},
    DispositionRule{OPEN_EXISTING, false, false, false, false},
    DispositionRule{OPEN_ALWAYS, true, false, false, true},
    DispositionRule{TRUNCATE_EXISTING, false, false, true, false},
};

constexpr DWORD kStoredAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

bool WantsWrite(DWORD access) { return (access & (GENERIC_WRITE | GENERIC_ALL)) != 0; }

// Host paths without a trailing separator, so that one folder always has one spelling.
std::string HostPathText(const std::filesystem::path& host) {
  std::string text = host.string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

// Why an existing file may not be opened as asked; ERROR_SUCCESS when it may.
DWORD ExistingFileError(const VolumeEntry& entry, const DispositionRule& rule, DWORD desiredAccess,
                        DWORD flagsAndAttributes) {
  if (rule.failIfExists) return ERROR_FILE_EXISTS;
  if ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return ERROR_ACCESS_DENIED;
  const bool deleteOnClose = (flagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE) != 0;
  const bool changes = WantsWrite(desiredAccess) || rule.truncateIfExists || deleteOnClose;
  if ((entry.attributes & FILE_ATTRIBUTE_READONLY) != 0 && changes) return ERROR_ACCESS_DENIED;
  // Replacing a hidden or system file must keep those attributes.
  const DWORD kept = entry.attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  if (rule.truncateIfExists && (kept & ~flagsAndAttributes) != 0) return ERROR_ACCESS_DENIED;
  if (rule.disposition == TRUNCATE_EXISTING && !WantsWrite(desiredAccess)) return ERROR_ACCESS_DENIED;
  return ERROR_SUCCESS;
}

}  // namespace

std::optional<FileTarget> ResolveTarget(LPCSTR name, DWORD& error) {
  return ResolveTarget(std::string_view(name == nullptr ? "" : name), error);
}

std::optional<FileTarget> ResolveTarget(std::string_view name, DWORD& error) {
  auto resolved = ResolvePath(name, error);
  if (!resolved) return std::nullopt;
  return TargetOf(std::move(*resolved), error);
}

std::optional<FileTarget> TargetOf(ResolvedPath resolved, DWORD& error) {
  FileTarget target;
  switch (resolved.kind) {
    case ResolvedPath::Kind::Host:
      target.volume = HostVolume::Instance();
      target.path = HostPathText(resolved.host);
      break;
    case ResolvedPath::Kind::CardVolume:
      target.volume = CardDrive(resolved.drive);
      target.path = resolved.volumePath;
      break;
    case ResolvedPath::Kind::Device: error = ERROR_FILE_NOT_FOUND; return std::nullopt;
  }
  if (!target.volume) {
    // A removable drive without a readable volume is a drive with no medium in it.
    error = resolved.kind == ResolvedPath::Kind::CardVolume ? ERROR_NOT_READY : ERROR_PATH_NOT_FOUND;
    return std::nullopt;
  }
  target.resolved = std::move(resolved);
  return target;
}

OpenedFile OpenTarget(const FileTarget& target, DWORD desiredAccess, DWORD shareMode, DWORD disposition,
                      DWORD flagsAndAttributes, DWORD& error) {
  const auto* rule = std::find_if(kDispositions.begin(), kDispositions.end(),
                                  [disposition](const DispositionRule& r) { return r.disposition == disposition; });
  if (rule == kDispositions.end()) {
    error = ERROR_INVALID_PARAMETER;
    return {};
  }
  OpenRequest request;
  request.desiredAccess = desiredAccess;
  request.shareMode = shareMode;
  request.deleteOnClose = (flagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE) != 0;
  request.attributes = (flagsAndAttributes & kStoredAttributes) | FILE_ATTRIBUTE_ARCHIVE;

  DWORD queryError = ERROR_SUCCESS;
  const auto existing = target.volume->Query(target.path, queryError);
  if (existing) {
    error = ExistingFileError(*existing, *rule, desiredAccess, flagsAndAttributes);
    if (error != ERROR_SUCCESS) return {};
    request.truncate = rule->truncateIfExists;
  } else {
    error = queryError;
    if (queryError != ERROR_FILE_NOT_FOUND || !rule->createIfMissing) return {};
    request.create = true;
  }
  OpenedFile opened;
  opened.object = target.volume->Open(target.path, request, error);
  if (!opened.object) return {};
  opened.successError = existing && rule->reportExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
  return opened;
}

}  // namespace win
