#include "recovery/visible_copy.h"

#include "platform/win/files/files.h"
#include "platform/win/system/last_error.h"
#include "recovery/carve_files.h"
#include "recovery/recovery_observer.h"
#include "recovery/safe_names.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace recovery {

namespace {

// The type whose word occurs first in this order anywhere in the upper-cased name, or -1.
int TypeByWord(std::string name) {
  static constexpr std::array<int, 34> kOrder = {kAif, kAvi, kBmp, kCur, kGif, kIco, kJpg, kMp3, kTif, kWav, kMid, kSnd,
                                                 kZip, kMov, kMpg, kPdf, kWmf, kWmv, kAsx, kPng, kDoc, kRtf, kCrw, kNef,
                                                 kDcr, kRaf, kMrw, kOrf, kMsf, kMsv, kPef, kSrf, kX3f, kKdc};
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
  for (const int code : kOrder)
    if (name.find(FileTypeTable[code]) != std::string::npos) return code;
  return -1;
}

}  // namespace

void CopyVisibleFiles(CarveState& state, const std::string& searchPattern, const std::string& targetFolder) {
  const std::string sourceFolder = searchPattern.substr(0, searchPattern.find_last_of("\\/") + 1);
  win::WIN32_FIND_DATAA data{};
  win::HANDLE find = win::FindFirstFileA(searchPattern.c_str(), &data);
  if (find == win::INVALID_HANDLE_VALUE) return;
  do {
    if (state.recoveryStop) break;
    if (state.observer) {
      if (state.observer->CancelRequested()) break;
      state.observer->PumpMessages();
    }
    const std::string name = data.cFileName;
    if (name.empty() || name[0] == '.') continue;
    const auto safe = SafeFileName(name, {});
    if (!safe) continue;
    if (data.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY) {
      const std::string target = targetFolder + *safe;
      win::CreateDirectoryA(target.c_str(), nullptr);
      CopyVisibleFiles(state, sourceFolder + name + "\\*.*", target + "\\");
      continue;
    }
    const std::string target = FreeTargetPath(targetFolder, *safe);
    const std::string source = sourceFolder + name;
    if (!win::CopyFileA(source.c_str(), target.c_str(), win::TRUE)) {
      const win::DWORD error = win::GetLastError();
      if (state.observer)
        state.observer->Log("File :  " + source + "\r\nError Message :Failed to copy the above file \r\n");
      // A full output disk ends the copy and is told; what it left of the file is not counted.
      if (error == win::ERROR_DISK_FULL || error == win::ERROR_HANDLE_DISK_FULL) StopForFullDisk(state);
      continue;
    }
    const int code = TypeByWord(name);
    ++state.filesOfType[code >= 0 ? code : kTypeCount];
    if (state.observer) state.observer->OnFileRecovered(target, code);
    AddRecoveryThumbnail(state, target, PictureKind(code));
    CountRecovered(state);
  } while (win::FindNextFileA(find, &data));
  win::FindClose(find);
}

}  // namespace recovery
