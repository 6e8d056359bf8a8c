#include "recovery/page/output_folder_checks.h"

#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"
#include "platform/win/system/last_error.h"

namespace tarnlok {

std::optional<std::string> FolderOfValidForm(const std::string& text) {
  if (text.size() == 2) {
    if (text[1] == ':') return text + "\\";
    if (text == "\\\\") return text;
    return std::nullopt;
  }
  if (text.size() > 2 && ((text[1] == ':' && text[2] == '\\') || (text[0] == '\\' && text[1] == '\\'))) return text;
  return std::nullopt;
}

win::DWORD CreateFolderChain(const std::string& folder) {
  if (win::CreateDirectoryA(folder.c_str(), nullptr)) return 0;
  win::DWORD error = 0;
  for (std::size_t slash = folder.find('\\'); slash != std::string::npos; slash = folder.find('\\', slash + 1)) {
    error = 0;
    if (!win::CreateDirectoryA(folder.substr(0, slash + 1).c_str(), nullptr)) error = win::GetLastError();
  }
  if (win::CreateDirectoryA(folder.c_str(), nullptr)) return error;
  if (!win::CreateDirectoryA((folder + "\\").c_str(), nullptr)) return win::GetLastError();
  return 0;
}

std::string SystemErrorText(win::DWORD error) {
  char text[512] = {};
  win::FormatMessageA(win::FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error, 0, text, sizeof(text), nullptr);
  std::string result(text);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
  return result;
}

win::DWORD TestFileInFolder(const std::string& folder, const std::string& prefix) {
  const std::string path = folder + "\\" + prefix + ".TMP";
  const win::HANDLE file =
      win::CreateFileA(path.c_str(), win::GENERIC_WRITE, 0, nullptr, win::CREATE_ALWAYS, 0, nullptr);
  if (file == win::INVALID_HANDLE_VALUE) return win::GetLastError();
  win::CloseHandle(file);
  win::DeleteFileA(path.c_str());
  return 0;
}

}  // namespace tarnlok
