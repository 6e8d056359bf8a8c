#include "exif/thumbnail_file.h"

#include "platform/win/files/cfile.h"
#include "platform/win/files/files.h"
#include "platform/win/registry/profile.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>
#include <vector>

namespace viduvod {
namespace {

// Whether the file at path already holds exactly these bytes, as it does when a viewer asks
// again about the same picture; rewriting it would only cost a new file.
bool AlreadyHolds(const std::string& path, std::span<const std::uint8_t> bytes) {
  win::CFile file;
  if (!file.Open(path.c_str(), win::CFile::modeRead | win::CFile::shareDenyNone)) return false;
  try {
    if (file.GetLength() != bytes.size()) return false;
    std::vector<std::uint8_t> held(bytes.size());
    return file.Read(held.data(), static_cast<win::UINT>(held.size())) == held.size() &&
           std::equal(held.begin(), held.end(), bytes.begin());
  } catch (const win::CFileException&) {
    return false;
  }
}

}  // namespace

std::optional<std::string> ThumbnailPath() {
  constexpr const char* kNoFolder = "Fail";
  std::array<char, win::MAX_PATH> folder{};
  const win::DWORD length = win::GetPrivateProfileStringA("DefDir", "DefDir", kNoFolder, folder.data(),
                                                          static_cast<win::DWORD>(folder.size()), "TLKLCALL.INI");
  const std::string_view text(folder.data(), length);
  if (text.empty() || text == kNoFolder || length >= folder.size() - 1) return std::nullopt;
  // A host folder ("/home/...") takes a host separator; a Windows folder takes a backslash.
  const char separator = text.front() == '/' ? '/' : '\\';
  std::string path(text);
  if (path.back() != separator) path += separator;
  return path + "PREVIEW.JPG";
}

void SaveThumbnail(const std::string& path, const Thumbnail& thumbnail) {
  if (thumbnail.state == Thumbnail::State::Absent) return;
  if (thumbnail.state == Thumbnail::State::Found && AlreadyHolds(path, thumbnail.bytes)) return;
  win::DeleteFileA(path.c_str());
  if (thumbnail.state == Thumbnail::State::Unreadable) return;
  win::CFile file;
  if (!file.Open(path.c_str(), win::CFile::modeCreate | win::CFile::modeWrite)) return;
  try {
    file.Write(thumbnail.bytes.data(), static_cast<win::UINT>(thumbnail.bytes.size()));
    file.Close();
  } catch (const win::CFileException&) {
    std::fputs("Exception occurred.... TG_ID514", stdout);
    file.Abort();
  }
}

}  // namespace viduvod
