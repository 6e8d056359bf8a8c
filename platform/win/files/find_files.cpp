// FindFirstFileA, FindNextFileA and FindClose on host and card folders. A search is a kernel
// object in the handle table holding the matching entries as they were when it began; "."
// and ".." come first in every folder but a root, as Windows lists them.
// Not provided: FindFirstFileExA, short-name aliases on host folders.
#include "platform/win/files/files.h"

#include "platform/win/files/file_targets.h"
#include "platform/win/system/handle_table.h"
#include "platform/win/system/last_error.h"
#include "platform/win/files/wildcard.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

namespace win {
namespace {

constexpr std::string_view kInvalidInPattern = "<>\"|:";

class FindSearch final : public KernelObject {
 public:
  explicit FindSearch(std::vector<VolumeEntry> entries) : entries_(std::move(entries)) {}

  // Fills data with the next entry; false at the end.
  bool Next(WIN32_FIND_DATAA& data);

 private:
  std::vector<VolumeEntry> entries_;
  std::size_t next_ = 0;
};

template <std::size_t N>
void CopyName(const std::string& name, char (&field)[N]) {
  std::memset(field, 0, N);
  if (name.size() < N) std::memcpy(field, name.data(), name.size());
}

bool FindSearch::Next(WIN32_FIND_DATAA& data) {
  if (next_ >= entries_.size()) return false;
  const VolumeEntry& entry = entries_[next_++];
  data = WIN32_FIND_DATAA{};
  data.dwFileAttributes = entry.attributes == 0 ? FILE_ATTRIBUTE_NORMAL : entry.attributes;
  data.ftCreationTime = entry.creationTime;
  data.ftLastAccessTime = entry.lastAccessTime;
  data.ftLastWriteTime = entry.lastWriteTime;
  data.nFileSizeHigh = static_cast<DWORD>(entry.size >> 32);
  data.nFileSizeLow = static_cast<DWORD>(entry.size);
  CopyName(entry.name, data.cFileName);
  CopyName(entry.shortName, data.cAlternateFileName);
  return true;
}

struct SplitPattern {
  std::string folder;  // a path that names the folder ("C:\DCIM\", "E:", ".")
  std::string pattern;  // the last name, wildcards allowed
};

SplitPattern Split(std::string_view text) {
  const std::size_t slash = text.find_last_of("\\/");
  if (slash != std::string_view::npos)
    return {std::string(text.substr(0, slash + 1)), std::string(text.substr(slash + 1))};
  if (text.size() >= 2 && std::isalpha(static_cast<unsigned char>(text[0])) != 0 && text[1] == ':') {
    return {std::string(text.substr(0, 2)), std::string(text.substr(2))};
  }
  return {".", std::string(text)};
}

std::string ParentOf(const std::string& folder) {
  const bool bare = folder.back() == '\\' || folder.back() == '/' || folder.back() == ':';
  return folder + (bare ? ".." : "\\..");
}

bool IsValidPattern(std::string_view pattern) {
  return !pattern.empty() && std::none_of(pattern.begin(), pattern.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || kInvalidInPattern.find(c) != std::string_view::npos;
  });
}

bool EntryMatches(std::string_view pattern, const VolumeEntry& entry) {
  return MatchesWildcard(pattern, entry.name) ||
         (!entry.shortName.empty() && MatchesWildcard(pattern, entry.shortName));
}

// "." and ".." of a folder that is not a root, when the pattern takes them.
void AddDotEntries(const FileTarget& folder, const FileTarget& parent, std::string_view pattern,
                   std::vector<VolumeEntry>& found) {
  if (folder.SameVolumeAs(parent) && folder.path == parent.path) return;
  const std::pair<const FileTarget*, const char*> dots[] = {{&folder, "."}, {&parent, ".."}};
  for (const auto& [target, name] : dots) {
    DWORD ignored = ERROR_SUCCESS;
    auto entry = target->volume->Query(target->path, ignored).value_or(VolumeEntry{});
    entry.name = name;
    entry.shortName.clear();
    entry.attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (MatchesWildcard(pattern, entry.name)) found.push_back(std::move(entry));
  }
}

// The entries of a search, or nullopt with error set.
std::optional<std::vector<VolumeEntry>> Search(std::string_view text, DWORD& error) {
  if (text.empty()) {
    error = ERROR_PATH_NOT_FOUND;
    return std::nullopt;
  }
  const SplitPattern split = Split(text);
  if (!IsValidPattern(split.pattern)) {
    error = split.pattern.empty() ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_NAME;
    return std::nullopt;
  }
  const auto folder = ResolveTarget(std::string_view(split.folder), error);
  if (!folder) return std::nullopt;
  const auto parent = ResolveTarget(std::string_view(ParentOf(split.folder)), error);
  if (!parent) return std::nullopt;
  auto listed = folder->volume->List(folder->path, error);
  if (!listed) return std::nullopt;
  std::vector<VolumeEntry> found;
  AddDotEntries(*folder, *parent, split.pattern, found);
  for (auto& entry : *listed) {
    if (EntryMatches(split.pattern, entry)) found.push_back(std::move(entry));
  }
  if (found.empty()) {
    error = ERROR_FILE_NOT_FOUND;
    return std::nullopt;
  }
  return found;
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR fileName, WIN32_FIND_DATAA* findData) {
  DWORD error = ERROR_INVALID_PARAMETER;
  auto found = findData == nullptr ? std::nullopt : Search(fileName == nullptr ? "" : fileName, error);
  if (!found) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }
  auto search = std::make_shared<FindSearch>(std::move(*found));
  search->Next(*findData);
  return InsertHandle(std::move(search));
}

BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* findData) {
  const auto search = LookupHandleAs<FindSearch>(find);
  if (!search) return Fail(ERROR_INVALID_HANDLE);
  if (findData == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  return search->Next(*findData) ? TRUE : Fail(ERROR_NO_MORE_FILES);
}

BOOL FindClose(HANDLE find) {
  if (!LookupHandleAs<FindSearch>(find)) return Fail(ERROR_INVALID_HANDLE);
  return CloseHandle(find);
}

}  // namespace win
