// The Windows path namespace on Linux: Z: is the host root, C: the data folder's drive_c,
// card drive letters belong to the simulated machine, "\\.\name" names a device, and a path
// that begins with '/' is a host path used as it is. Names match case-insensitively in every
// component, also when a file is about to be created.
#pragma once

#include "platform/win/system/types.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace win {

struct ResolvedPath {
  enum class Kind { Host, CardVolume, Device };
  Kind kind = Kind::Host;
  // Host: the host path; each existing component is spelt as it is on disk, the rest as given.
  std::filesystem::path host;
  // CardVolume: the drive letter (upper case) and the path inside the volume ("\DCIM\A.JPG").
  char drive = 0;
  std::string volumePath;
  // Device: the name after "\\.\" ("E:", "PhysicalDrive1", "vwin32", "TARNLOK.VXD").
  std::string deviceName;
};

// Resolves a Windows or host path, relative ones against the current directory. Fails with
// ERROR_INVALID_NAME, ERROR_PATH_NOT_FOUND or ERROR_INVALID_DRIVE in error.
std::optional<ResolvedPath> ResolvePath(std::string_view path, DWORD& error);

// The host path of a Windows path that lies on a host drive; nullopt (last error set) otherwise.
std::optional<std::filesystem::path> HostPathOf(std::string_view path);

// "Z:\home\..." for a host path, as a file dialog's answer is handed to the program.
std::string WindowsPathOfHost(const std::filesystem::path& host);

// The absolute Windows form of a path without a device prefix: "X:" followed by the rest,
// relative paths completed from the current directory; ".." is left for the resolver.
std::string AbsoluteWindowsPath(std::string_view path);

// The program folder "C:\Program Files\Tarnlok\" with its trailing backslash.
std::string ProgramFolder();

// The Windows folder "C:\Windows", and the system folder of the Windows version
// ("C:\Windows\system32" on the NT family, "C:\Windows\SYSTEM" on 9x); no trailing backslash.
std::string WindowsFolder();
std::string SystemFolder();

// Links the deliverables of the executable's real folder into the program folder, and the
// system files the build stands in for into the Windows folder.
// Called once at start by each executable (the program and the tests). Throws
// std::filesystem::filesystem_error, naming the file, when the data folder cannot be written.
void LinkProgramFolder(const std::filesystem::path& executableFolder);

}  // namespace win

namespace win {

// The process's current directory as an absolute Windows path with a trailing backslash;
// at start it is the program folder, as when the program is started from its shortcut.
std::string CurrentDirectoryPath();
void SetCurrentDirectoryPath(std::string absoluteWindowsPath);

}  // namespace win
