#include "platform/win/files/paths.h"

#include "platform/win/devices/card_drives.h"
#include "platform/win/host/data_folder.h"
#include "platform/win/system/last_error.h"
#include "platform/win/registry/text_case.h"
#include "platform/win/system/windows_version.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <mutex>
#include <vector>

namespace win {
namespace {

constexpr std::string_view kDevicePrefix = "\\\\.\\";
constexpr std::string_view kProgramFolder = "C:\\Program Files\\Tarnlok\\";
constexpr std::string_view kForbiddenInNames = "<>:\"|?*";

// The files of the executable's folder that make up the installed program.
constexpr std::array kDeliverables{"Tarnlok",         "Ordweft",       "libtarnlok-platform.so", "libPradvik2k.so",
                                   "libPradvik9x.so", "libViduvod.so", "TLKRCALL.HLP",           "BOOT"};
constexpr const char* kHelpProgram = "libwinhlp32.exe.so";

struct CurrentDirectoryState {
  std::mutex lock;
  std::string path;  // absolute Windows path with a trailing backslash
};

CurrentDirectoryState& CurrentDirectory() {
  static CurrentDirectoryState state{{}, std::string(kProgramFolder)};
  return state;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasDriveSpec(std::string_view path) {
  return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) != 0 && path[1] == ':';
}

// Windows drops trailing dots and spaces of a name ("A.TXT." is "A.TXT").
std::string_view TrimTrailingDotsAndSpaces(std::string_view name) {
  while (!name.empty() && (name.back() == '.' || name.back() == ' ') && name != "." && name != "..") {
    name.remove_suffix(1);
  }
  return name;
}

bool IsValidName(std::string_view name) {
  return std::none_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || kForbiddenInNames.find(c) != std::string_view::npos;
  });
}

// Splits the part after the drive into normalised components; false on a bad name.
bool SplitComponents(std::string_view rest, std::vector<std::string>& components) {
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = start;
    while (end < rest.size() && !IsSeparator(rest[end])) ++end;
    const std::string_view name = TrimTrailingDotsAndSpaces(rest.substr(start, end - start));
    if (name == "..") {
      if (!components.empty()) components.pop_back();
    } else if (!name.empty() && name != ".") {
      if (!IsValidName(name)) return false;
      components.emplace_back(name);
    }
    start = end + 1;
  }
  return true;
}

// Spells each component as an existing entry does, ignoring case; stops at the first
// component that does not exist.
std::filesystem::path MatchOnHost(std::filesystem::path base, const std::vector<std::string>& components) {
  bool matching = true;
  for (const auto& name : components) {
    if (matching) {
      std::error_code error;
      if (!std::filesystem::exists(base / name, error)) {
        matching = false;
        for (std::filesystem::directory_iterator entries(base, error), last; !error && entries != last;
             entries.increment(error)) {
          const std::string candidate = entries->path().filename().string();
          if (EqualsIgnoringCase(candidate, name)) {
            base /= candidate;
            matching = true;
            break;
          }
        }
        if (matching) continue;
      }
    }
    base /= name;
  }
  return base;
}

std::string JoinVolumePath(const std::vector<std::string>& components) {
  std::string joined;
  for (const auto& name : components) joined += "\\" + name;
  return joined.empty() ? "\\" : joined;
}

}  // namespace

std::string AbsoluteWindowsPath(std::string_view path) {
  std::string current;
  {
    auto& state = CurrentDirectory();
    std::lock_guard guard(state.lock);
    current = state.path;
  }
  if (HasDriveSpec(path)) {
    const std::string_view rest = path.substr(2);
    if (!rest.empty() && IsSeparator(rest.front())) return std::string(path);
    // "E:name": relative to the current directory when it is on that drive, else to the root.
    const bool sameDrive = std::toupper(static_cast<unsigned char>(path[0])) == current[0];
    return sameDrive ? current + std::string(rest) : std::string(path.substr(0, 2)) + "\\" + std::string(rest);
  }
  if (!path.empty() && IsSeparator(path.front())) return current.substr(0, 2) + std::string(path);
  return current + std::string(path);
}

std::optional<ResolvedPath> ResolvePath(std::string_view path, DWORD& error) {
  if (path.empty()) {
    error = ERROR_PATH_NOT_FOUND;
    return std::nullopt;
  }
  ResolvedPath resolved;
  if (path.size() > kDevicePrefix.size() && (path.substr(0, 4) == kDevicePrefix || path.substr(0, 4) == "//./")) {
    resolved.kind = ResolvedPath::Kind::Device;
    resolved.deviceName = std::string(path.substr(kDevicePrefix.size()));
    return resolved;
  }
  if (path.front() == '/') {
    resolved.host = std::filesystem::path(path).lexically_normal();
    return resolved;
  }
  const std::string absolute = AbsoluteWindowsPath(path);
  std::vector<std::string> components;
  if (!HasDriveSpec(absolute) || !SplitComponents(std::string_view(absolute).substr(2), components)) {
    error = ERROR_INVALID_NAME;
    return std::nullopt;
  }
  const char drive = static_cast<char>(std::toupper(static_cast<unsigned char>(absolute[0])));
  if (drive == 'Z') {
    resolved.host = MatchOnHost("/", components);
  } else if (drive == 'C') {
    resolved.host = MatchOnHost(DriveCFolder(), components);
  } else if (IsCardDriveLetter(drive)) {
    resolved.kind = ResolvedPath::Kind::CardVolume;
    resolved.drive = drive;
    resolved.volumePath = JoinVolumePath(components);
  } else {
    error = ERROR_PATH_NOT_FOUND;
    return std::nullopt;
  }
  return resolved;
}

std::optional<std::filesystem::path> HostPathOf(std::string_view path) {
  DWORD error = ERROR_SUCCESS;
  auto resolved = ResolvePath(path, error);
  if (!resolved) {
    SetLastError(error);
    return std::nullopt;
  }
  if (resolved->kind != ResolvedPath::Kind::Host) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return std::nullopt;
  }
  return resolved->host;
}

std::string WindowsPathOfHost(const std::filesystem::path& host) {
  std::string text = std::filesystem::absolute(host).lexically_normal().string();
  std::replace(text.begin(), text.end(), '/', '\\');
  return "Z:" + text;
}

std::string ProgramFolder() { return std::string(kProgramFolder); }

std::string WindowsFolder() { return "C:\\Windows"; }

std::string SystemFolder() {
  return IsNtFamily(CurrentWindowsVersion()) ? "C:\\Windows\\system32" : "C:\\Windows\\SYSTEM";
}

std::string CurrentDirectoryPath() {
  auto& state = CurrentDirectory();
  std::lock_guard guard(state.lock);
  return state.path;
}

void SetCurrentDirectoryPath(std::string absoluteWindowsPath) {
  if (absoluteWindowsPath.empty() || absoluteWindowsPath.back() != '\\') absoluteWindowsPath += '\\';
  auto& state = CurrentDirectory();
  std::lock_guard guard(state.lock);
  state.path = std::move(absoluteWindowsPath);
}

namespace {

// An INI of the Windows folder that the person may have changed since is left as it is.
void InstallIniUnlessPresent(const char* name, const std::string& text) {
  const auto ini = DriveCFolder() / "Windows" / name;
  if (std::error_code error; !std::filesystem::exists(ini, error)) std::ofstream(ini) << text;
}

// Links a file of the build into the data folder, in place of the link a start before made.
void LinkBuilt(const std::filesystem::path& target, const std::filesystem::path& link) {
  std::error_code error;
  // A data folder that cannot be written ends the start here, naming the file.
  if (std::filesystem::remove(link, error); error) {
    throw std::filesystem::filesystem_error("cannot replace a link of the data folder", link, error);
  }
  if (!std::filesystem::exists(target, error)) return;
  std::filesystem::create_symlink(target, link, error);
  // Another process of the same data folder may have made the link at the same moment.
  if (error && error != std::errc::file_exists) {
    throw std::filesystem::filesystem_error("cannot link into the data folder", link, error);
  }
}

}  // namespace

void LinkProgramFolder(const std::filesystem::path& executableFolder) {
  const auto programFolder = DriveCFolder() / "Program Files" / "Tarnlok";
  std::filesystem::create_directories(programFolder);
  // An installed system has its Windows folder, where bare INI names lead.
  std::filesystem::create_directories(DriveCFolder() / "Windows");
  for (const char* name : kDeliverables) LinkBuilt(executableFolder / name, programFolder / name);
  // The system's help program, whose hand cursor the program's links show.
  LinkBuilt(executableFolder / kHelpProgram, DriveCFolder() / "Windows" / kHelpProgram);
  // As the installer leaves them: DUD.INI names the folder of the system files of a bootable
  // card, TLKLV2CL.INI the folder of the help file.
  InstallIniUnlessPresent("DUD.INI", "[Vendor]\r\nDefDir=" + std::string(kProgramFolder) + "BOOT\r\n");
  const std::string_view withoutBackslash = kProgramFolder.substr(0, kProgramFolder.size() - 1);
  InstallIniUnlessPresent("TLKLV2CL.INI", "[DefDir]\r\nDefDir=" + std::string(withoutBackslash) + "\r\n");
}

}  // namespace win
