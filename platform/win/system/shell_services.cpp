#include "platform/win/system/shell_services.h"

#include "platform/win/system/help_viewer.h"
#include "platform/win/system/last_error.h"
#include "platform/win/files/paths.h"
#include "platform/win/system/shell_launch.h"
#include "platform/win/registry/text_case.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <string_view>
#include <unistd.h>

namespace win {
namespace {

// Any value above 32 reports success.
constexpr int kStarted = 42;
constexpr int kBadFormat = static_cast<int>(ERROR_BAD_FORMAT);

// Programs and scripts of Windows: they never run, except the program folder's own programs.
constexpr std::array kProgramExtensions{std::string_view(".exe"), std::string_view(".com"), std::string_view(".bat"),
                                        std::string_view(".cmd"), std::string_view(".pif"), std::string_view(".scr")};

bool EndsWithIgnoringCase(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && EqualsIgnoringCase(text.substr(text.size() - end.size()), end);
}

const HelpViewer*& InstalledHelpViewer() {
  static const HelpViewer* viewer = nullptr;
  return viewer;
}

HINSTANCE Result(int code) { return reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(code)); }

// "mailto:", "http:" and the like: a scheme of two or more letters before a colon.
bool IsAddress(std::string_view file) {
  const std::size_t colon = file.find(':');
  return colon != std::string_view::npos && colon >= 2 &&
         std::all_of(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(colon),
                     [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; });
}

bool IsRelative(std::string_view path) {
  const bool drive = path.size() >= 2 && path[1] == ':';
  const bool rooted = !path.empty() && (path[0] == '\\' || path[0] == '/');
  return !drive && !rooted;
}

std::string WindowsPathOf(std::string_view file, const char* directory) {
  if (directory == nullptr || *directory == '\0' || !IsRelative(file)) return std::string(file);
  std::string path = directory;
  if (path.back() != '\\' && path.back() != '/') path += '\\';
  return path + std::string(file);
}

int MissingPathResult(const std::filesystem::path& host) {
  std::error_code ignored;
  return std::filesystem::is_directory(host.parent_path(), ignored) ? SE_ERR_FNF : SE_ERR_PNF;
}

// Blanks separate arguments; double quotes group blanks into one and are dropped.
std::vector<std::string> SplitParameters(const char* parameters) {
  std::vector<std::string> arguments;
  if (parameters == nullptr) return arguments;
  std::string current;
  bool quoted = false;
  bool pending = false;
  for (const char* c = parameters; *c != '\0'; ++c) {
    if (*c == '"') {
      quoted = !quoted;
      pending = true;
    } else if ((*c == ' ' || *c == '\t') && !quoted) {
      if (pending) arguments.push_back(std::move(current));
      current.clear();
      pending = false;
    } else {
      current += *c;
      pending = true;
    }
  }
  if (pending) arguments.push_back(std::move(current));
  return arguments;
}

// A program of the program folder: "X.exe" there runs the host program "X.exe" or "X".
int StartProgram(const std::string& windowsPath, const char* parameters, const char* directory) {
  const std::string folder = ProgramFolder();
  const auto programFolder = HostPathOf(folder.substr(0, folder.size() - 1));
  const auto host = HostPathOf(windowsPath);
  if (!programFolder || !host) return SE_ERR_PNF;
  if (host->parent_path() != *programFolder) return kBadFormat;
  const std::string stem = windowsPath.substr(0, windowsPath.size() - 4);
  for (const auto& candidate : {windowsPath, stem}) {
    const auto program = HostPathOf(candidate);
    std::error_code ignored;
    if (!program || !std::filesystem::is_regular_file(*program, ignored)) continue;
    if (::access(program->c_str(), X_OK) != 0) return SE_ERR_ACCESSDENIED;
    ShellLaunch launch{ShellLaunch::Kind::Program, program->string(), SplitParameters(parameters), {}, false};
    if (directory != nullptr && *directory != '\0') launch.workingFolder = HostPathOf(directory).value_or("");
    return LaunchOnDesktop(launch) ? kStarted : SE_ERR_ACCESSDENIED;
  }
  return SE_ERR_FNF;
}

int OpenDocument(const std::string& windowsPath) {
  const auto host = HostPathOf(windowsPath);
  if (!host) return GetLastError() == ERROR_PATH_NOT_FOUND ? SE_ERR_PNF : SE_ERR_FNF;
  std::error_code ignored;
  if (!std::filesystem::exists(*host, ignored)) return MissingPathResult(*host);
  return LaunchOnDesktop({ShellLaunch::Kind::Document, host->string(), {}, {}, false}) ? kStarted : SE_ERR_NOASSOC;
}

int Execute(const char* operation, const char* file, const char* parameters, const char* directory) {
  if (operation != nullptr && *operation != '\0' && !EqualsIgnoringCase(operation, "open")) return SE_ERR_NOASSOC;
  if (file == nullptr || *file == '\0') return SE_ERR_FNF;
  if (IsAddress(file)) {
    return LaunchOnDesktop({ShellLaunch::Kind::Document, file, {}, {}, false}) ? kStarted : SE_ERR_NOASSOC;
  }
  const std::string windowsPath = WindowsPathOf(file, directory);
  const bool program =
      std::any_of(kProgramExtensions.begin(), kProgramExtensions.end(),
                  [&](std::string_view extension) { return EndsWithIgnoringCase(windowsPath, extension); });
  if (program) {
    if (!EndsWithIgnoringCase(windowsPath, ".exe")) return kBadFormat;
    return StartProgram(windowsPath, parameters, directory);
  }
  return OpenDocument(windowsPath);
}

bool IsPlayableFile(const char* sound) {
  const auto host = HostPathOf(sound);
  std::error_code ignored;
  return host && std::filesystem::is_regular_file(*host, ignored);
}

}  // namespace

HINSTANCE ShellExecuteA(HWND /*window*/, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        int /*showCommand*/) {
  return Result(Execute(operation, file, parameters, directory));
}

void SetHelpViewer(const HelpViewer* viewer) { InstalledHelpViewer() = viewer; }

const HelpViewer* CurrentHelpViewer() { return InstalledHelpViewer(); }

BOOL WinHelpA(HWND window, LPCSTR helpFile, UINT command, std::uintptr_t data) {
  const HelpViewer* viewer = InstalledHelpViewer();
  if (command == HELP_QUIT) {
    if (viewer != nullptr) viewer->close();
    return TRUE;
  }
  if (helpFile == nullptr || *helpFile == '\0') return Fail(ERROR_INVALID_PARAMETER);
  const auto document = ReadHelpDocument(helpFile);
  if (!document) return FALSE;
  if (viewer == nullptr) return Fail(ERROR_NOT_SUPPORTED);
  viewer->show(window, FindHelpTopic(*document, command, data));
  return TRUE;
}

UINT WinExec(LPCSTR /*commandLine*/, UINT /*showCommand*/) {
  SetLastError(ERROR_FILE_NOT_FOUND);
  return ERROR_FILE_NOT_FOUND;
}

BOOL PlaySound(LPCSTR sound, HMODULE /*module*/, DWORD flags) {
  if (sound == nullptr) return TRUE;
  const DWORD otherSources = SND_ALIAS | SND_RESOURCE | SND_MEMORY;
  if ((flags & otherSources) != 0 || !IsPlayableFile(sound)) return FALSE;
  const bool wait = (flags & SND_ASYNC) == 0;
  return LaunchOnDesktop({ShellLaunch::Kind::Sound, HostPathOf(sound)->string(), {}, {}, wait}) ? TRUE : FALSE;
}

}  // namespace win
