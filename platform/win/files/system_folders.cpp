// The current directory and the system's own folders: GetCurrentDirectoryA,
// SetCurrentDirectoryA, GetSystemDirectoryA, GetWindowsDirectoryA and GetTempPathA.
// Each answers the path's length without its terminator, or, when the buffer is too small,
// the size it needs with the terminator and leaves the buffer alone.
#include "platform/win/files.h"

#include "platform/win/data_folder.h"
#include "platform/win/file_targets.h"
#include "platform/win/last_error.h"
#include "platform/win/windows_version.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace win {
namespace {

constexpr std::string_view kTempFolder = "C:\\Windows\\Temp\\";
// The longest current directory Windows keeps, with its trailing backslash.
constexpr std::size_t kLongestCurrentDirectory = MAX_PATH - 1;

DWORD CopyOut(std::string_view text, LPSTR buffer, DWORD size) {
  if (buffer == nullptr && size != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (size <= text.size()) return static_cast<DWORD>(text.size() + 1);
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\0';
  return static_cast<DWORD>(text.size());
}

// Makes sure a folder of drive C: exists on the host, as it would on an installed system.
void EnsureFolder(std::string_view windowsPath) {
  if (const auto host = HostPathOf(windowsPath)) {
    std::error_code ignored;
    std::filesystem::create_directories(*host, ignored);
  }
}

// The absolute Windows spelling of a resolved folder, as the current directory keeps it.
std::string WindowsFormOf(const FileTarget& target) {
  if (target.resolved.kind == ResolvedPath::Kind::CardVolume) {
    return std::string(1, target.resolved.drive) + ":" + target.path;
  }
  const auto relative = target.resolved.host.lexically_relative(DriveCFolder());
  const std::string relativeText = relative.string();
  if (relative.empty() || *relative.begin() == "..") return WindowsPathOfHost(target.resolved.host);
  std::string form = "C:\\" + (relativeText == "." ? std::string() : relativeText);
  std::replace(form.begin(), form.end(), '/', '\\');
  return form;
}

}  // namespace

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
  std::string current = CurrentDirectoryPath();
  // Only a drive's root keeps its trailing backslash.
  if (current.size() > 3 && current.back() == '\\') current.pop_back();
  return CopyOut(current, buffer, bufferLength);
}

BOOL SetCurrentDirectoryA(LPCSTR pathName) {
  DWORD error = ERROR_SUCCESS;
  const auto target = ResolveTarget(pathName, error);
  if (!target) return Fail(error);
  const auto entry = target->volume->Query(target->path, error);
  if (!entry) return Fail(error);
  if ((entry->attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return Fail(ERROR_DIRECTORY);
  std::string form = WindowsFormOf(*target);
  if (form.back() != '\\') form += '\\';
  if (form.size() > kLongestCurrentDirectory) return Fail(ERROR_FILENAME_EXCED_RANGE);
  SetCurrentDirectoryPath(std::move(form));
  return TRUE;
}

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) {
  const std::string folder = SystemFolder();
  EnsureFolder(folder);
  return CopyOut(folder, buffer, size);
}

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) {
  const std::string folder = WindowsFolder();
  EnsureFolder(folder);
  return CopyOut(folder, buffer, size);
}

DWORD GetTempPathA(DWORD bufferLength, LPSTR buffer) {
  EnsureFolder(kTempFolder);
  return CopyOut(kTempFolder, buffer, bufferLength);
}

}  // namespace win
