// Services on file and folder names: DeleteFileA, CopyFileA, MoveFileA, CreateDirectoryA,
// RemoveDirectoryA and GetFileAttributesA, on host and card volumes alike.
// Not provided: copying file times (CopyFileA copies content and attributes), MoveFileExA's
// flags, moving folders between volumes (ERROR_NOT_SAME_DEVICE as on Windows).
#include "platform/win/files.h"

#include "platform/win/file_targets.h"
#include "platform/win/last_error.h"

#include <filesystem>
#include <vector>

namespace win {
namespace {

constexpr DWORD kCopyChunk = 64 * 1024;
constexpr DWORD kCopiedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

std::optional<VolumeEntry> QueryTarget(const FileTarget& target, DWORD& error) {
  return target.volume->Query(target.path, error);
}

DWORD CopyContent(IoObject& from, IoObject& to) {
  std::vector<BYTE> chunk(kCopyChunk);
  for (;;) {
    DWORD got = 0;
    if (!from.Read(chunk, got)) return GetLastError();
    if (got == 0) return ERROR_SUCCESS;
    DWORD put = 0;
    if (!to.Write(std::span<const BYTE>(chunk.data(), got), put)) return GetLastError();
  }
}

// Copies a file's content and attributes; a copy that fails part way is removed again.
DWORD CopyTarget(const FileTarget& source, const FileTarget& target, bool failIfExists) {
  DWORD error = ERROR_SUCCESS;
  const auto entry = QueryTarget(source, error);
  if (!entry) return error;
  if ((entry->attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return ERROR_ACCESS_DENIED;
  const auto from = OpenTarget(source, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0, error);
  if (!from.object) return error;
  auto to = OpenTarget(target, GENERIC_WRITE, 0, failIfExists ? CREATE_NEW : CREATE_ALWAYS,
                       entry->attributes & kCopiedAttributes, error);
  if (!to.object) return error;
  error = CopyContent(*from.object, *to.object);
  to.object.reset();
  if (error != ERROR_SUCCESS) target.volume->Delete(target.path);
  return error;
}

// The last name of a path as typed, for renames that change only the case of a name.
std::string TypedLeaf(std::string_view path) {
  const std::size_t slash = path.find_last_of("\\/");
  std::string_view leaf = slash == std::string_view::npos ? path : path.substr(slash + 1);
  while (!leaf.empty() && (leaf.back() == '.' || leaf.back() == ' ')) leaf.remove_suffix(1);
  return std::string(leaf);
}

// Host paths spell an existing name as it is on disk, so a rename to the same name in another
// case resolves to the source; the host volume is then given the name as typed.
std::string RenameTargetPath(const FileTarget& source, const FileTarget& target, std::string_view typed) {
  const std::string leaf = TypedLeaf(typed);
  if (target.path != source.path || leaf.empty() || target.resolved.kind != ResolvedPath::Kind::Host) {
    return target.path;
  }
  return (std::filesystem::path(target.path).parent_path() / leaf).string();
}

// A move between volumes copies the file and deletes the source; a source that cannot be
// deleted keeps the move from happening at all.
DWORD MoveAcrossVolumes(const FileTarget& source, const FileTarget& target, const VolumeEntry& entry) {
  if ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return ERROR_NOT_SAME_DEVICE;
  DWORD error = ERROR_SUCCESS;
  if (QueryTarget(target, error)) return ERROR_ALREADY_EXISTS;
  error = CopyTarget(source, target, true);
  if (error != ERROR_SUCCESS) return error;
  error = source.volume->Delete(source.path);
  if (error != ERROR_SUCCESS) target.volume->Delete(target.path);
  return error;
}

}  // namespace

BOOL DeleteFileA(LPCSTR fileName) {
  DWORD error = ERROR_SUCCESS;
  const auto target = ResolveTarget(fileName, error);
  if (!target) return Fail(error);
  const auto entry = QueryTarget(*target, error);
  if (!entry) return Fail(error);
  if ((entry->attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
    return Fail(ERROR_ACCESS_DENIED);
  }
  error = target->volume->Delete(target->path);
  return error == ERROR_SUCCESS ? TRUE : Fail(error);
}

BOOL CopyFileA(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists) {
  DWORD error = ERROR_SUCCESS;
  const auto source = ResolveTarget(existingFileName, error);
  if (!source) return Fail(error);
  const auto target = ResolveTarget(newFileName, error);
  if (!target) return Fail(error);
  error = CopyTarget(*source, *target, failIfExists != FALSE);
  return error == ERROR_SUCCESS ? TRUE : Fail(error);
}

BOOL MoveFileA(LPCSTR existingFileName, LPCSTR newFileName) {
  DWORD error = ERROR_SUCCESS;
  const auto source = ResolveTarget(existingFileName, error);
  if (!source) return Fail(error);
  const auto target = ResolveTarget(newFileName, error);
  if (!target) return Fail(error);
  const auto entry = QueryTarget(*source, error);
  if (!entry) return Fail(error);
  error = ERROR_NOT_SAME_DEVICE;
  if (source->SameVolumeAs(*target)) {
    error = source->volume->Rename(source->path, RenameTargetPath(*source, *target, newFileName));
  }
  if (error == ERROR_NOT_SAME_DEVICE) error = MoveAcrossVolumes(*source, *target, *entry);
  return error == ERROR_SUCCESS ? TRUE : Fail(error);
}

BOOL CreateDirectoryA(LPCSTR pathName, SECURITY_ATTRIBUTES* /*security*/) {
  DWORD error = ERROR_SUCCESS;
  const auto target = ResolveTarget(pathName, error);
  if (!target) return Fail(error);
  error = target->volume->CreateFolder(target->path);
  return error == ERROR_SUCCESS ? TRUE : Fail(error);
}

BOOL RemoveDirectoryA(LPCSTR pathName) {
  DWORD error = ERROR_SUCCESS;
  const auto target = ResolveTarget(pathName, error);
  if (!target) return Fail(error);
  // The process holds its current directory open, as Windows does.
  const auto current = ResolveTarget(CurrentDirectoryPath(), error);
  if (current && current->SameVolumeAs(*target) && current->path == target->path) {
    return Fail(ERROR_SHARING_VIOLATION);
  }
  error = target->volume->RemoveFolder(target->path);
  return error == ERROR_SUCCESS ? TRUE : Fail(error);
}

DWORD GetFileAttributesA(LPCSTR fileName) {
  DWORD error = ERROR_SUCCESS;
  const auto target = ResolveTarget(fileName, error);
  const auto entry = target ? QueryTarget(*target, error) : std::nullopt;
  if (!entry) {
    SetLastError(error);
    return INVALID_FILE_ATTRIBUTES;
  }
  return entry->attributes;
}

}  // namespace win
