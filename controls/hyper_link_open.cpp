// Opening a link's target: the shell first, then the program registered for web pages.
#include "controls/hyper_link.h"

#include "platform/win/system/last_error.h"
#include "platform/win/system/shell_services.h"

#include <algorithm>
#include <array>
#include <utility>

namespace tarnlok {
namespace {

constexpr std::size_t kValueLimit = 260;

constexpr std::pair<int, const char*> kShellErrors[] = {
    {0, "The operating system is out\nof memory or resources."},
    {2, "The specified file was not found."},
    {3, "The specified path was not found."},
    {5, "The operating system denied\naccess to the specified file."},
    {8, "There was not enough memory to complete the operation."},
    {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
    {26, "A sharing violation occurred. "},
    {27, "The filename association is\nincomplete or invalid."},
    {28, "The DDE transaction could not\nbe completed because the request timed out."},
    {29, "The DDE transaction failed."},
    {30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed."},
    {31, "There is no application associated\nwith the given filename extension."},
    {32, "The specified dynamic-link library was not found."},
};

}  // namespace

win::LONG CHyperLink::ReadRegDefaultValue(win::HKEY root, const std::string& subKey, std::string& value) {
  win::HKEY key = nullptr;
  const win::LONG opened = win::RegOpenKeyExA(root, subKey.c_str(), 0, win::KEY_QUERY_VALUE, &key);
  if (opened != win::ERROR_SUCCESS) return opened;
  std::array<char, kValueLimit> data{};
  win::DWORD size = static_cast<win::DWORD>(data.size());
  const win::LONG read =
      win::RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<win::BYTE*>(data.data()), &size);
  win::RegCloseKey(key);
  // A value that could not be read (too long for the limit) is an error, not an empty text.
  if (read != win::ERROR_SUCCESS) return read;
  // The stored bytes need not end in a zero: the text stops at the first zero or at what was read.
  const auto end = data.begin() + std::min<std::size_t>(size, data.size());
  value.assign(data.begin(), std::find(data.begin(), end, '\0'));
  return win::ERROR_SUCCESS;
}

std::string CHyperLink::HtmlHandlerCommand(const std::string& file) {
  std::string pageClass;
  if (ReadRegDefaultValue(win::HKEY_CLASSES_ROOT, ".htm", pageClass) != win::ERROR_SUCCESS) return {};
  std::string command;
  if (ReadRegDefaultValue(win::HKEY_CLASSES_ROOT, pageClass + "\\shell\\open\\command", command) !=
      win::ERROR_SUCCESS) {
    return {};
  }
  if (const auto quoted = command.find("\"%1"); quoted != std::string::npos) {
    command.erase(quoted);
  } else if (const auto bare = command.find("%1"); bare != std::string::npos) {
    command.erase(bare);
  }
  return command + " " + file;
}

int CHyperLink::OpenLinkTarget(const std::string& file, int showCommand) {
  const auto started = static_cast<int>(reinterpret_cast<std::intptr_t>(
      win::ShellExecuteA(nullptr, "open", file.c_str(), nullptr, nullptr, showCommand)));
  if (started > 32) return started;
  const std::string command = HtmlHandlerCommand(file);
  if (command.empty()) return started;
  return static_cast<int>(win::WinExec(command.c_str(), static_cast<win::UINT>(showCommand)));
}

std::string CHyperLink::ShellErrorText(int code) {
  std::string reason;
  for (const auto& [known, text] : kShellErrors) {
    if (known == code) reason = text;
  }
  if (reason.empty()) reason = "Unknown Error (" + std::to_string(code) + ") occurred.";
  return "Can't open link:\n\n" + reason;
}

}  // namespace tarnlok
