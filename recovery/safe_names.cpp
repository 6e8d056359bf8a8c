#include "recovery/safe_names.h"

#include "platform/win/files/files.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace recovery {

using namespace std::string_view_literals;

namespace {

std::string Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \0"sv);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \0"sv);
  return std::string(text.substr(first, last - first + 1));
}

std::string Clean(std::string text) {
  for (char& c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) c = '_';
  }
  return text;
}

bool IsDeviceName(const std::string& base) {
  std::string upper = base;
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
  static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
  if (std::find(kPlain.begin(), kPlain.end(), upper) != kPlain.end()) return true;
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1' &&
         upper[3] <= '9';
}

}  // namespace

std::optional<std::string> SafeFileName(std::string_view name, std::string_view extension) {
  const std::string base = Clean(Trim(name));
  const std::string ext = Clean(Trim(extension));
  if (base.empty() || base.find_first_not_of('.') == std::string::npos) return std::nullopt;
  if (IsDeviceName(base)) return std::nullopt;
  return ext.empty() ? base : base + "." + ext;
}

std::string FreeTargetPath(const std::string& folder, const std::string& name) {
  std::string target = folder + name;
  if (win::GetFileAttributesA(target.c_str()) == win::INVALID_FILE_ATTRIBUTES) return target;
  const std::size_t dot = name.find_last_of('.');
  const std::string base = dot == std::string::npos ? name : name.substr(0, dot);
  const std::string ext = dot == std::string::npos ? "" : name.substr(dot);
  for (int n = 1;; ++n) {
    target = folder + base + std::to_string(n) + ext;
    if (win::GetFileAttributesA(target.c_str()) == win::INVALID_FILE_ATTRIBUTES) return target;
  }
}

bool PathIsOnDrive(std::string_view path, char driveLetter) {
  // Strip the device-namespace prefixes \\?\ and \\.\ (either slash).
  if (path.size() >= 4 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/') &&
      (path[2] == '?' || path[2] == '.') && (path[3] == '\\' || path[3] == '/'))
    path.remove_prefix(4);
  while (!path.empty() && path.front() == ' ') path.remove_prefix(1);
  if (path.size() < 2 || path[1] != ':') {
    // A relative path lies on the current folder's drive.
    if (path.empty() || path[0] == '\\' || path[0] == '/') return false;
    char current[win::MAX_PATH] = {};
    win::GetCurrentDirectoryA(sizeof current, current);
    return current[1] == ':' && PathIsOnDrive(current, driveLetter);
  }
  return std::toupper(static_cast<unsigned char>(path[0])) == std::toupper(static_cast<unsigned char>(driveLetter));
}

}  // namespace recovery
