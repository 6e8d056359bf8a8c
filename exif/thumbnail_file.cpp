#include "thumbnail_file.h"

#include "platform/win/cfile.h"
#include "platform/win/files.h"
#include "platform/win/profile.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace viduvod {

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
